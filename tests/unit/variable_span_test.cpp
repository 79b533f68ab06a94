// The variable slots of statements (highest variable number plus one): every place a variable
// can stand counts, compound terms at any depth and an aggregate's guards, terms and set
// included. The grounder's substitutions and the variables that rewritings add are numbered
// from it, so a slot too few is a read past a substitution's end or a new variable that is an
// old one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/predicate_table.h"
#include "core/program.h"
#include "core/variable_span.h"
#include "input/parser.h"
#include "test_support.h"

namespace {

struct SPAN_CASE {
    const char *what;
    const char *program;
    const char *head;  // the predicate of the rule looked at (the parser adds rules for sets)
    uint32_t slots;    // the parser numbers a rule's variables from 0 as it reads them
};

TEST(VariableSpan, CountsEveryPlaceAVariableStands) {
    const SPAN_CASE cases[] = {
        {"no variable", "vs_a :- vs_b.", "vs_a", 0},
        {"head and body", "vs_c(X) :- vs_d(X, Y).", "vs_c", 2},
        {"nested compound terms only", "vs_e(f(X, g(Y))) :- vs_f(h(X), [Y]).", "vs_e", 2},
        {"a built-in's output", "vs_g(Z) :- vs_h(X), #succ(X, Z).", "vs_g", 2},
        {"an assignment's guard", "vs_j(C) :- vs_k(X), C = #count{Y : vs_l(Y)}.", "vs_j", 3},
        {"an aggregate's terms (the set moves to a rule of its own)",
         "vs_m(X) :- vs_n(X), #count{Y : vs_o(Y, Z)} = 1.", "vs_m", 2},
    };
    for (const SPAN_CASE &c : cases) {
        clearParsedProgram();
        std::string text = c.program;
        ASSERT_TRUE(parseString(text)) << c.what;
        const RULE *rule = nullptr;
        for (const RULE &r : IDB)
            if (std::strcmp(predicateTable.name(r.head[0].predicate), c.head) == 0) rule = &r;
        ASSERT_NE(nullptr, rule) << c.what;
        VARIABLE_SPAN span;
        for (const ATOM &a : rule->head) span.atom(a);
        if (rule->hasBody()) span.conjunction(*rule->body);
        EXPECT_EQ(c.slots, span.size) << c.what;
    }
    clearParsedProgram();
}

}  // namespace
