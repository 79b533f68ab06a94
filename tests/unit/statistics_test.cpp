// The size measures of -stats++: the Herbrand base of a kind, the full grounding of rules and
// constraints, and the structural size of a ground program; sizes beyond 32 bits are counted in
// full and stop at the largest 64-bit value instead of wrapping.
//
// The predicate table is emptied only before each test (unit_main.cpp), so the Herbrand base is
// read as the growth that new predicates of one's own cause.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/program.h"
#include "driver/run.h"
#include "driver/statistics.h"
#include "grounding/ground_depgraph.h"
#include "grounding/ground_program.h"
#include "grounding/instantiator.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "test_support.h"

namespace {

TERM var(uint32_t n) { return makeVariableTerm(n); }

ATOM atomOf(const char *name, std::vector<TERM> args, PREDICATE_KIND kind = PREDICATE_IDB) {
    TERMS terms(args.begin(), args.end());
    return ATOM(name, &terms, kind);
}

CONJUNCTION bodyOf(std::vector<LITERAL> literals) {
    CONJUNCTION body;
    for (LITERAL &l : literals) body.append(std::move(l));
    return body;
}

TEST(Statistics, HerbrandBaseAddsUToTheArityPerPredicate) {
    struct CASE {
        const char *name;
        uint32_t arity;
        uint64_t u;
        uint64_t growth;
    };
    const CASE cases[] = {
        {"sh_zero", 0, 7, 1}, // arity 0 adds 1, whatever u is
        {"sh_pair", 2, 3, 9},
        {"sh_big", 2, 65536, 4294967296u},
        {"sh_wide", 21, 3, 10460353203u},
        {"sh_none", 3, 0, 0},
    };
    for (const CASE &c : cases) {
        uint64_t before = herbrandBaseSize(PREDICATE_EDB, c.u);
        uint64_t idbBefore = herbrandBaseSize(PREDICATE_IDB, c.u);
        predicateTable.add(c.name, c.arity, PREDICATE_EDB);
        EXPECT_EQ(herbrandBaseSize(PREDICATE_EDB, c.u) - before, c.growth) << c.name;
        EXPECT_EQ(herbrandBaseSize(PREDICATE_IDB, c.u), idbBefore) << c.name;
    }
    // (2^32)^3 is beyond 64 bits: the size stops at the largest value.
    predicateTable.add("sh_huge", 3, PREDICATE_EDB);
    EXPECT_EQ(herbrandBaseSize(PREDICATE_EDB, uint64_t(1) << 32), UINT64_MAX);
}

TEST(Statistics, FullGroundingCountsTheDistinctArgumentVariables) {
    TERMS inner{var(3)};
    TERM nested = makeComplexTerm(COMPLEX_TERM::function(functionSymbolTable.add("sf_f").first, inner, false));
    std::vector<RULE> rules;
    // p(X,Y) :- q(X), r(Y,Z), not s(f(W)): X, Y, Z; W lies inside a function term.
    std::vector<ATOM> head{atomOf("sf_p", {var(0), var(1)})};
    rules.emplace_back(std::move(head),
                       bodyOf({LITERAL(atomOf("sf_q", {var(0)}), false),
                               LITERAL(atomOf("sf_r", {var(1), var(2)}), false),
                               LITERAL(atomOf("sf_s", {nested}), true)}));
    // A ground rule and a rule without body count 1 each.
    std::vector<ATOM> ground{atomOf("sf_g", {makeIntegerTerm(1)})};
    rules.emplace_back(std::move(ground), bodyOf({LITERAL(atomOf("sf_q", {makeIntegerTerm(2)}), false)}));
    std::vector<ATOM> disjunction{atomOf("sf_a", {}), atomOf("sf_b", {})};
    rules.emplace_back(std::move(disjunction));
    EXPECT_EQ(fullGroundingSizeOfRules(rules, 10), 1000u + 1 + 1);
    // Beyond 32 bits: 2^11 cubed is 2^33; beyond 64 bits the size stops at the largest value.
    EXPECT_EQ(fullGroundingSizeOfRules(rules, 2048), (uint64_t(1) << 33) + 1 + 1);
    EXPECT_EQ(fullGroundingSizeOfRules(rules, uint64_t(1) << 32), UINT64_MAX);

    std::vector<CONSTRAINT> constraints(2);
    constraints[0].body = bodyOf({LITERAL(atomOf("sf_q", {var(0)}), false), LITERAL(atomOf("sf_q", {var(0)}), true),
                                  LITERAL(atomOf("sf_r", {var(0), var(5)}), false)});
    constraints[1].body = bodyOf({LITERAL(atomOf("sf_q", {makeIntegerTerm(3)}), false)});
    EXPECT_EQ(fullGroundingSizeOfConstraints(constraints, 10), 100u + 1);
}

class StructuralSize : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        clearParsedProgram();
        maxInt = -1;
        clearGroundProgram();
        groundAtomTable.groundAtomsFrozen = false;
    }
};

TEST_F(StructuralSize, HeadsBodiesAndTheElementsOfAggregateSets) {
    // Four undefined elements keep the aggregate in the ground rule of ss_r.
    std::string text = "ss_d(1). ss_d(2). ss_d(3). ss_d(4). ss_p(X) v ss_q(X) :- ss_d(X). ss_u v ss_w. "
                       "ss_r v ss_t :- #count{X : ss_p(X)} > 2, ss_u, not ss_q(1). "
                       ":- ss_r, #count{X : ss_p(X)} > 2. :~ ss_t. [1:1]";
    ASSERT_TRUE(parseString(text));
    const std::vector<CONSTRAINT> none;
    PREDICATE_DEPGRAPH graph(IDB, none, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    {
        INSTANTIATOR grounder(&graph, false, countVariables(), GROUNDING_CONFIG{});
        uint8_t errorFlag = 0;
        ASSERT_TRUE(grounder.run(errorFlag));
    }
    ASSERT_EQ(groundRules.size(), 6u);
    ASSERT_EQ(groundConstraints.size(), 1u);
    ASSERT_EQ(groundWeakConstraints.size(), 1u);
    // Five rules of 2 head atoms; 2 + 3 + 4 for ss_r; the constraint 2 + 4; the weak constraint 1.
    EXPECT_EQ(structuralSize(groundRules, groundConstraints, groundWeakConstraints), 10u + 9 + 6 + 1);
    EXPECT_EQ(structuralSize({}, {}, {}), 0u);
}

} // namespace
