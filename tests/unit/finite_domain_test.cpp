// The finite-domain check over small programs: growth of nested terms in recursive components,
// growing built-ins fed from inside or outside the recursion, the limits that switch parts of
// the check off, and the messages of a failure.
//
// Programs are parsed into the global program store, which is emptied before every test
// (unit_main.cpp); the cases of one test share the predicate table, so each uses predicate names
// of its own.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "analysis/depgraph.h"
#include "core/program.h"
#include "input/parser.h"
#include "rewriting/finite_domain.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "test_support.h"

namespace {

class FiniteDomain : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        clearParsedProgram();
        maxInt = -1;
        maxNesting = 0;
        maxList = 0;
    }

    // -maxnesting= and -maxlist= of the check.
    static inline uint32_t maxNesting = 0;
    static inline uint32_t maxList = 0;

    // The check's result over the parsed program; its messages go to `messages`.
    static int check(const std::string &program, std::string &messages) {
        std::string text = program;
        EXPECT_TRUE(parseString(text)) << program;
        const std::vector<CONSTRAINT> none;
        PREDICATE_DEPGRAPH graph(IDB, none, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
        return checkFiniteDomain(graph, maxNesting, maxList, messages);
    }
};

const char *const NOFINITECHECK_HINT = "Use option -nofinitecheck in order to evaluate this program anyway.\n";
const char *const MAXINT_HINT = "Set #maxint in order to evaluate this program.\n";

struct CASE {
    const char *name;
    const char *program;
    uint32_t maxNesting;
    uint32_t maxList;
    int32_t maxint;
    const char *failingRule;  // the rule the message names, or null when the check passes
    bool arithmeticHint;
};

TEST_F(FiniteDomain, ProgramsThatTerminateAndProgramsThatMayNot) {
    const CASE cases[] = {
        {"a term built around a recursive argument grows", "fa_p(a). fa_p(f(X)) :- fa_p(X).", 0, 0, -1,
         "fa_p(f(_0)) :- fa_p(_0).", false},
        {"-maxnesting= leaves the nesting to the grounder", "fb_p(a). fb_p(f(X)) :- fb_p(X).", 3, 0, -1, nullptr,
         false},
        {"taking terms apart shrinks them", "fc_p(f(f(a))). fc_p(X) :- fc_p(f(X)).", 0, 0, -1, nullptr, false},
        {"growth through two predicates of one component",
         "fd_p(a). fd_q(g(X)) :- fd_p(X). fd_p(X) :- fd_q(X).", 0, 0, -1, "fd_q(g(_0)) :- fd_p(_0).", false},
        {"a term from outside the component is copied, not grown",
         "fe_b(f(f(a))). fe_p(X) :- fe_b(X). fe_p(f(X)) :- fe_p(f(X)), fe_b(X).", 0, 0, -1, nullptr, false},
        {"a term of a non-recursive rule never counts", "ff_b(a). ff_p(f(X)) :- ff_b(X).", 0, 0, -1, nullptr,
         false},
        {"a term in a negated literal does not bound the variable inside it",
         "fg_b(a). fg_p(a). fg_p(f(X)) :- fg_p(X), not fg_b(f(X)).", 0, 0, -1,
         "fg_p(f(_0)) :- fg_p(_0), not fg_b(f(_0)).", false},
        {"a counter grows without #maxint", "fh_p(1). fh_p(Y) :- fh_p(X), Y = X + 1.", 0, 0, -1,
         "fh_p(_0) :- fh_p(_1), +(_1,1,_0).", true},
        {"#maxint bounds a counter", "fi_p(1). fi_p(Y) :- fi_p(X), Y = X + 1.", 0, 0, 10, nullptr, false},
        {"#succ grows like +", "fj_p(1). fj_p(Y) :- fj_p(X), #succ(X,Y).", 0, 0, -1,
         "fj_p(_0) :- fj_p(_1), #succ(_1,_0).", true},
        {"inputs from outside the recursion do not grow",
         "fk_p(1). fk_q(1). fk_q(2). fk_p(Y) :- fk_p(X), fk_q(Z), Y = Z + 1.", 0, 0, -1, nullptr, false},
        {"a shrinking built-in may take recursive inputs", "fl_p(9). fl_p(Y) :- fl_p(X), Y = X - 1.", 0, 0, -1,
         nullptr, false},
        {"#append in a recursion grows lists", "fm_l([a]). fm_l(Z) :- fm_l(X), #append(X,[b],Z).", 0, 0, -1,
         "fm_l(_0) :- fm_l(_1), #append(_1,[b],_0).", false},
        {"-maxlist= bounds the lists", "fn_l([a]). fn_l(Z) :- fn_l(X), #append(X,[b],Z).", 0, 4, -1, nullptr,
         false},
        {"#maxint does not bound lists", "fo_l([a]). fo_l(Z) :- fo_l(X), #insLast(X,b,Z).", 0, 0, 10,
         "fo_l(_0) :- fo_l(_1), #insLast(_1,b,_0).", false},
        {"a variable inside a list input counts too",
         "fp_l(a). fp_m([a]). fp_l(Z) :- fp_l(X), fp_m(Y), #append(Y,[X],Z).", 0, 0, -1,
         "fp_l(_0) :- fp_l(_1), fp_m(_2), #append(_2,[_1],_0).", false},
        {"a growing built-in outside any recursion passes", "fq_b(1). fq_p(Y) :- fq_b(X), Y = X + 1.", 0, 0, -1,
         nullptr, false},
        {"-maxnesting= does not switch off the built-in test", "fr_p(1). fr_p(Y) :- fr_p(X), Y = X * 2.", 5, 0,
         -1, "fr_p(_0) :- fr_p(_1), *(_1,2,_0).", true},
        // The output of a list built-in is bounded by the depth of its inputs, not by nothing.
        {"an element taken out of a list is as deep as the list",
         "ft_p([a]). ft_p([[Y]]) :- ft_p(L), #head(L,Y).", 0, 0, -1, "ft_p([[_0]]) :- ft_p(_1), #head(_1,_0).",
         false},
        {"a bound passes through a chain of list built-ins", "fu_p([a]). fu_p(f(Y)) :- fu_p(L), #tail(L,T), "
         "#last(T,Y).", 0, 0, -1, "fu_p(f(_0)) :- fu_p(_1), #tail(_1,_2), #last(_2,_0).", false},
        {"taking elements out shrinks", "fv_p([[a],[b]]). fv_p(Y) :- fv_p(L), #head(L,Y).", 0, 0, -1, nullptr,
         false},
        {"a list in a function term only grows in length", "fw_p(f([a])). fw_p(f(M)) :- fw_p(f(L)), "
         "#append(L,[a],M).", 0, 3, -1, nullptr, false},
        {"an inserted element is one level deeper", "fx_p(a). fx_p(L) :- fx_p(X), #insLast([a],X,L).", 0, 3, -1,
         "fx_p(_0) :- fx_p(_1), #insLast([a],_1,_0).", false},
        {"a ground inserted element adds nothing that grows", "fy_l([a]). fy_l(Z) :- fy_l(X), #insnth(X,c,1,Z).",
         0, 3, -1, nullptr, false},
        // p(X,X) takes X from the second argument of p, where p(h(Y),h(Z)) nests the first one.
        {"each head atom of a disjunctive rule is measured by its own terms",
         "ga_p(1,2). ga_f(3). ga_p(X,X) v ga_p(h(Y),h(Z)) :- ga_p(Z,X), ga_f(Y).", 0, 0, -1,
         "ga_p(_0,_0) v ga_p(h(_1),h(_2)) :- ga_p(_2,_0), ga_f(_1).", false},
        // -maxnesting= cuts deep terms, but a list that grows through its tail stays flat.
        {"-maxnesting= leaves a list growing through its tail unbounded", "gc_p([a]). gc_p([b|T]) :- gc_p(T).", 3,
         0, -1, "gc_p([b|_0]) :- gc_p(_0).", false},
        {"-maxlist= with -maxnesting= bounds it", "gd_p([a]). gd_p([b|T]) :- gd_p(T).", 3, 3, -1, nullptr, false},
        {"-maxnesting= and a tail from outside the recursion",
         "ge_p([a]). ge_r([b]). ge_p([X|T]) :- ge_p(X), ge_r(T).", 3, 0, -1, nullptr, false},
        {"a variable put into a list input is one level deeper",
         "fz_l([a]). fz_l(Z) :- fz_l(X), #append(X,[X],Z).", 0, 3, -1, "fz_l(_0) :- fz_l(_1), #append(_1,[_1],_0).",
         false},
    };
    for (const CASE &c : cases) {
        reset();
        maxNesting = c.maxNesting;
        maxList = c.maxList;
        maxInt = c.maxint;
        std::string messages;
        int result = check(c.program, messages);
        if (!c.failingRule) {
            EXPECT_EQ(1, result) << c.name;
            EXPECT_EQ("", messages) << c.name;
        } else {
            EXPECT_EQ(0, result) << c.name;
            EXPECT_EQ(std::string("Termination is not guaranteed because of rule:\n") + c.failingRule + "\n" +
                          (c.arithmeticHint ? MAXINT_HINT : NOFINITECHECK_HINT),
                      messages)
                << c.name;
        }
    }
}

TEST_F(FiniteDomain, TheFirstFailingComponentIsReportedAndNothingAfterIt) {
    std::string messages;
    EXPECT_EQ(0, check("fs_p(a). fs_p(f(X)) :- fs_p(X). fs_q(X) :- fs_p(X). fs_q(g(X)) :- fs_q(X).", messages));
    EXPECT_EQ(std::string("Termination is not guaranteed because of rule:\nfs_p(f(_0)) :- fs_p(_0).\n") +
                  NOFINITECHECK_HINT,
              messages);
}

TEST_F(FiniteDomain, NestingRecordsHoldEveryVariableAtItsDepth) {
    // f(X, g(Y, h(X)), [Z]) at argument 2 of predicate 7.
    TERM x = makeVariableTerm(0), y = makeVariableTerm(1), z = makeVariableTerm(2);
    uint32_t h = functionSymbolTable.add("h").first, g = functionSymbolTable.add("g").first,
             f = functionSymbolTable.add("f").first;
    TERM hx[] = {x};
    TERM hTerm = makeComplexTerm(COMPLEX_TERM::function(h, hx, false));
    TERM gArgs[] = {y, hTerm};
    TERM gTerm = makeComplexTerm(COMPLEX_TERM::function(g, gArgs, false));
    TERM zs[] = {z};
    TERM list = makeComplexTerm(COMPLEX_TERM::list(zs, false, false));
    TERM fArgs[] = {x, gTerm, list};
    TERM fTerm = makeComplexTerm(COMPLEX_TERM::function(f, fArgs, false));

    NEST_RECORDS records;
    EXPECT_EQ(3u, collectNestedVariables(records, fTerm, 0, 7, 2));
    std::multiset<std::pair<uint32_t, uint32_t>> levels;
    for (const auto &[variable, record] : records) {
        EXPECT_EQ(7u, record.p_index);
        EXPECT_EQ(2u, record.arg_index);
        levels.emplace(variable, record.nest_level);
    }
    EXPECT_EQ((std::multiset<std::pair<uint32_t, uint32_t>>{{0, 1}, {0, 3}, {1, 2}, {2, 2}}), levels);
}

TEST_F(FiniteDomain, DeeplyNestedTermsNeedNoDeepCallStack) {
    const uint32_t depth = 200000;
    uint32_t s = functionSymbolTable.add("fd_s").first;
    TERM t = makeVariableTerm(0);
    for (uint32_t i = 0; i < depth; ++i) {
        TERM args[] = {t};
        t = makeComplexTerm(COMPLEX_TERM::function(s, args, false));
    }
    NEST_RECORDS records;
    EXPECT_EQ(depth, collectNestedVariables(records, t, 0, 0, 0));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(depth, records.begin()->second.nest_level);
}

}  // namespace
