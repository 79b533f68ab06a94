// Subsumption of rules: the test between two rules (head and body mapping, repeated variables,
// symmetric built-ins, aggregates, compound terms, the greedy commitment), and the removal of
// subsumed rules from a rule vector with the order it leaves.
//
// Rules are parsed into the global program store, which is emptied before every test
// (unit_main.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/printer.h"
#include "core/program.h"
#include "input/parser.h"
#include "rewriting/subsumption.h"
#include "support/diagnostics.h"
#include "test_support.h"

namespace {

class Subsumption : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        clearParsedProgram();
    }

    // The rules of the text, in order (facts and constraints are not kept).
    static std::vector<RULE> rules(const std::string &program) {
        reset();
        std::string text = program;
        EXPECT_TRUE(parseString(text)) << program;
        std::vector<RULE> result = std::move(IDB);
        IDB.clear();
        return result;
    }
    static std::string printed(const std::vector<RULE> &rules) {
        return capture([&](FILE *f) { printRules(f, rules, "\n"); });
    }
};

struct PAIR_CASE {
    const char *name;
    const char *first;   // the rule tested as the subsuming one
    const char *second;  // the other rule
    int subsumes;
};

TEST_F(Subsumption, OneRuleSubsumesAnother) {
    const PAIR_CASE cases[] = {
        {"a shorter body", "su_p(X) :- su_q(X).", "su_p(X) :- su_q(X), su_r(X).", 1},
        {"a longer body never", "su_p(X) :- su_q(X), su_r(X).", "su_p(X) :- su_q(X).", 0},
        {"variables onto constants", "su_p(X) :- su_s(X,Y).", "su_p(a) :- su_s(a,b), su_r(a).", 1},
        {"a repeated variable needs equal terms", "su_p(X) :- su_s(X,X).", "su_p(a) :- su_s(a,b).", 0},
        {"a constant never onto a variable", "su_p(a) :- su_q(a).", "su_p(X) :- su_q(X).", 0},
        {"head and body share the mapping", "su_p(X) :- su_s(X,Y).", "su_p(b) :- su_s(a,b).", 0},
        {"== in either order", "su_v :- X == Y, su_s(X,Y).", "su_v :- Y == X, su_s(X,Y).", 1},
        {"!= in either order", "su_v :- X != Y, su_s(X,Y).", "su_v :- Y != X, su_s(X,Y).", 1},
        {"< and > are not recognised as one", "su_v :- X < Y, su_s(X,Y).", "su_v :- Y > X, su_s(X,Y).", 0},
        {"< is not symmetric", "su_v :- X < Y, su_s(X,Y).", "su_v :- Y < X, su_s(X,Y).", 0},
        {"+ with its first two arguments swapped", "su_v1(Z) :- su_s(X,Y), Z = X + Y.",
         "su_v1(Z) :- su_s(X,Y), Z = Y + X.", 1},
        {"a smaller disjunctive head", "su_a :- su_c.", "su_a v su_b :- su_c.", 1},
        {"a larger disjunctive head never", "su_a v su_b :- su_c.", "su_a :- su_c.", 0},
        {"negation must agree", "su_a :- not su_c.", "su_a :- su_c.", 0},
        {"a negated literal onto a negated literal", "su_p(X) :- su_q(X), not su_r(X).",
         "su_p(a) :- su_q(a), not su_r(a), su_c.", 1},
        {"an aggregate literal never matches", "su_k :- su_q(X), #count{Y : su_r(Y)} > 1.",
         "su_k :- su_q(X), #count{Y : su_r(Y)} > 1.", 0},
        {"a rule without the aggregate subsumes one with it", "su_k :- su_q(X).",
         "su_k :- su_q(X), #count{Y : su_r(Y)} > 1.", 1},
        {"a compound term with a variable onto an instance", "su_w(f(X)) :- su_q(X).",
         "su_w(f(a)) :- su_q(a).", 1},
        {"an identical compound term", "su_w(f(X)) :- su_q(X).", "su_w(f(X)) :- su_q(X), su_r(X).", 1},
        // X inside f(X) is mapped with the body's other variables: X onto Y here, and f(X) then
        // stands for f(Y), which is not the head of the other rule.
        {"a variable inside a compound term follows the substitution", "su_w(f(X)) :- su_s(X,Y).",
         "su_w(f(X)) :- su_s(Y,X).", 0},
        {"compound terms with renamed variables", "su_w(f(X,g(Y))) :- su_s(X,Y).",
         "su_w(f(A,g(B))) :- su_s(A,B), su_r(A).", 1},
        {"a repeated variable inside compound terms needs equal terms", "su_w(f(X,X)) :- su_q(X).",
         "su_w(f(a,b)) :- su_q(a).", 0},
        {"a compound term never onto a variable", "su_w(f(X)) :- su_q(X).", "su_w(Y) :- su_q(Y).", 0},
        {"another functor", "su_w(f(X)) :- su_q(X).", "su_w(g(X)) :- su_q(X).", 0},
        {"a list pattern with a tail", "su_w([X|T]) :- su_s(X,T).", "su_w([a|U]) :- su_s(a,U).", 1},
        {"a rule without a body subsumes one with a body", "su_a v su_b.", "su_a v su_b v su_c :- su_q(a).", 1},
        {"a rule with a body subsumes no rule without one", "su_a v su_b :- su_c.", "su_a v su_b.", 0},
        // q(X) is committed to its last match q(b); t(b) is missing although X = a would do.
        {"the greedy choice may miss a subsumption", "su_g :- su_q(X), su_t(X).",
         "su_g :- su_q(a), su_q(b), su_t(a), su_t(c).", 0},
        {"the literal with fewer candidates goes first", "su_g :- su_q(X), su_t(X).",
         "su_g :- su_q(a), su_q(b), su_t(a).", 1},
    };
    for (const PAIR_CASE &c : cases) {
        std::vector<RULE> parsed = rules(std::string(c.first) + "\n" + c.second);
        ASSERT_EQ(2u, parsed.size()) << c.name;
        EXPECT_EQ(c.subsumes, subsumes(parsed[0], parsed[1])) << c.name;
    }
}

TEST_F(Subsumption, MatchCountsBothOrdersOfASymmetricBuiltIn) {
    std::vector<RULE> parsed = rules("su_m :- X == Y, su_s(X,Y).\nsu_m :- a == a, su_s(a,a).\nsu_m :- a == b, su_s(a,b).");
    const LITERAL &pattern = (*parsed[0].body)[0];
    SUBSUMPTION_SUBSTITUTION substitution;
    EXPECT_EQ(2, match(pattern, (*parsed[1].body)[0], substitution));
    EXPECT_EQ((SUBSUMPTION_SUBSTITUTION{{makeVariableTerm(0), makeConstantTerm("a")},
                                        {makeVariableTerm(1), makeConstantTerm("a")}}),
              substitution);
    // Mapped X and Y to a: a == b fits in neither order, and the substitution is kept.
    EXPECT_EQ(0, match(pattern, (*parsed[2].body)[0], substitution));
    EXPECT_EQ(2u, substitution.size());
}

TEST_F(Subsumption, RemovalKeepsTheOrderOfTheRulesAfterAnErasedOne) {
    std::vector<RULE> r = rules("su_p(X) :- su_q(X).\nsu_p(X) :- su_q(X), su_r(X).\nsu_z(X) :- su_w(X).\n"
                                "su_y(X) :- su_w(X).");
    EXPECT_EQ(1, removeSubsumedRules(r, 0));
    EXPECT_EQ("su_p(_0) :- su_q(_0).\nsu_z(_0) :- su_w(_0).\nsu_y(_0) :- su_w(_0).", printed(r));
}

TEST_F(Subsumption, ASubsumedRuleGivesItsPlaceToTheLastRule) {
    std::vector<RULE> r = rules("su_p(X) :- su_q(X), su_r(X).\nsu_p(X) :- su_q(X).\nsu_z(X) :- su_w(X).\n"
                                "su_y(X) :- su_w(X).");
    removeSubsumedRules(r, 0);
    EXPECT_EQ("su_y(_0) :- su_w(_0).\nsu_p(_0) :- su_q(_0).\nsu_z(_0) :- su_w(_0).", printed(r));
}

TEST_F(Subsumption, OfTwoIdenticalRulesOneStays) {
    std::vector<RULE> r = rules("su_i(X) :- su_q(X).\nsu_j :- su_c.\nsu_i(Y) :- su_q(Y).\nsu_i(X) :- su_q(X).");
    removeSubsumedRules(r, 0);
    EXPECT_EQ("su_i(_0) :- su_q(_0).\nsu_j :- su_c.", printed(r));
}

TEST_F(Subsumption, RulesBeforeTheStartAreNeitherTestedNorUsed) {
    std::vector<RULE> r = rules("su_p(X) :- su_q(X), su_r(X).\nsu_p(X) :- su_q(X).\nsu_p(X) :- su_q(X), su_c.");
    removeSubsumedRules(r, 1);
    EXPECT_EQ("su_p(_0) :- su_q(_0), su_r(_0).\nsu_p(_0) :- su_q(_0).", printed(r));
}

TEST_F(Subsumption, ANewRuleIsCheckedAgainstAVectorThatItMayThin) {
    std::vector<RULE> r = rules("su_p(X) :- su_q(X), su_r(X).\nsu_z(X) :- su_w(X).\nsu_p(X) :- su_q(X), su_c.");
    std::vector<RULE> fresh = rules("su_p(X) :- su_q(X).\nsu_z(X) :- su_w(X), su_c.");
    EXPECT_EQ(0, isSubsumed(fresh[0], r));
    EXPECT_EQ("su_z(_0) :- su_w(_0).", printed(r));
    EXPECT_EQ(1, isSubsumed(fresh[1], r));
}

}  // namespace
