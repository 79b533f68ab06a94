#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/printer.h"
#include "core/program.h"
#include "driver/run.h"
#include "support/option_values.h"
#include "test_support.h"

// The driver's steps between reading and grounding, over programs built by hand on predicates
// named "rp_*". The steps work on the global program, which each test empties first.
namespace {

TERM X(uint32_t n) { return makeVariableTerm(n); }
TERM C(const char *name) { return makeConstantTerm(name); }

ATOM atom(const char *name, std::vector<TERM> args = {}, PREDICATE_KIND kind = PREDICATE_IDB) {
    TERMS terms(args.begin(), args.end());
    return ATOM(name, &terms, kind);
}

CONJUNCTION body(std::vector<LITERAL> literals) {
    CONJUNCTION c;
    for (LITERAL &l : literals) c.append(std::move(l));
    return c;
}

std::string printedRules() {
    return capture([](FILE *f) { printRules(f, IDB, "\n"); });
}
std::string printedConstraints() {
    return capture([](FILE *f) { printConstraints(f, constraints, "\n"); });
}
// The constraints marked as the query's own.
uint32_t queryConstraintCount() {
    uint32_t n = 0;
    for (const CONSTRAINT &k : constraints) n += k.fromQuery;
    return n;
}

class RunPreparation : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        IDB.clear();
        constraints.clear();
        weakConstraints.clear();
        query.reset();
        queryIsGround = true;
        constraintsAreGround = true;
        stronglyNegatedPredicates.clear();
        frontEndMode = FRONTEND_NONE;
    }
    static void setQuery(std::vector<LITERAL> literals) { query = std::make_unique<CONJUNCTION>(body(std::move(literals))); }
};

TEST_F(RunPreparation, AGroundQueryBecomesConstraintsByMode) {
    struct CASE {
        FRONTEND_MODE mode;
        const char *constraints;
        uint32_t count;
    };
    const CASE cases[] = {
        {FRONTEND_BRAVE, ":- not rp_a.\n:- rp_b.", 2},
        {FRONTEND_NONE, ":- not rp_a.\n:- rp_b.", 2},
        {FRONTEND_CAUTIOUS, ":- rp_a, not rp_b.", 1},
    };
    for (const CASE &c : cases) {
        reset();
        frontEndMode = c.mode;
        setQuery({LITERAL(atom("rp_a"), false), LITERAL(atom("rp_b"), true)});
        setUpQuery();
        EXPECT_EQ(c.constraints, printedConstraints()) << c.mode;
        EXPECT_EQ(c.count, queryConstraintCount()) << c.mode;
        EXPECT_EQ("", printedRules()) << c.mode;
        EXPECT_TRUE(queryIsGround);
        for (const CONSTRAINT &k : constraints) EXPECT_TRUE(k.generated);
    }
}

TEST_F(RunPreparation, ANonGroundQueryGetsTheQueryRuleOverAllItsVariables) {
    // rp_p(X0, X2) with a function term holding X3: the rule's head has X0, X2 and X3 (X1, in no
    // literal, has no value to give).
    TERM f = makeComplexTerm(COMPLEX_TERM::function(functionSymbolTable.add("rp_f").first,
                                                    std::vector<TERM>{X(3)}, false));
    struct CASE {
        FRONTEND_MODE mode;
        const char *constraints;
        uint32_t count;
    };
    const CASE cases[] = {
        {FRONTEND_BRAVE, ":- not rp_g.", 1},
        {FRONTEND_CAUTIOUS, "", 0},
    };
    for (const CASE &c : cases) {
        reset();
        frontEndMode = c.mode;
        setQuery({LITERAL(atom("rp_p2", {X(0), X(2)}), false), LITERAL(atom("rp_q1", {f}), false),
                  LITERAL(atom("rp_g"), false)});
        setUpQuery();
        EXPECT_FALSE(queryIsGround);
        EXPECT_EQ("#query(_0,_2,_3) :- rp_p2(_0,_2), rp_q1(rp_f(_3)), rp_g.", printedRules()) << c.mode;
        EXPECT_EQ(c.constraints, printedConstraints()) << c.mode;
        EXPECT_EQ(c.count, queryConstraintCount()) << c.mode;
        ASSERT_EQ(1u, IDB.size());
        EXPECT_EQ(PREDICATE_QUERY, predicateTable.kind(IDB[0].head[0].predicate));
    }
}

TEST_F(RunPreparation, QueryErrorsEndTheRunWithStatusOne) {
    EXPECT_EXIT(
        {
            frontEndMode = FRONTEND_NONE;
            setQuery({LITERAL(atom("rp_p2", {X(0), X(1)}), false)});
            setUpQuery();
        },
        testing::ExitedWithCode(1), "^Non-ground queries are only supported with brave and cautious reasoning\\.\n$");
    EXPECT_EXIT(
        {
            frontEndMode = FRONTEND_CAUTIOUS;
            setUpQuery();
        },
        testing::ExitedWithCode(1), "^No query supplied\\. Cannot continue\\.\n$");
    // Without a query the plain mode goes on.
    setUpQuery();
    EXPECT_TRUE(constraints.empty());
}

TEST_F(RunPreparation, StrongNegationForbidsBothAtomsTogether) {
    atom("rp_s", {C("x")});
    ATOM negated = atom("-rp_s", {C("x")});
    atom("rp_t", {}, PREDICATE_UNDEFINED);
    ATOM negatedT = atom("-rp_t");
    ATOM negatedU = atom("-rp_u");  // rp_u is never named
    ATOM undefinedNegation = atom("-rp_v", {}, PREDICATE_UNDEFINED);
    atom("rp_v");
    for (const ATOM &a : {negated, negatedT, negatedU, undefinedNegation})
        stronglyNegatedPredicates.insert(int32_t(a.predicate));
    addStrongNegationConstraints();
    EXPECT_EQ(":- rp_s(_0), -rp_s(_0).", printedConstraints());
    ASSERT_EQ(1u, constraints.size());
    EXPECT_TRUE(constraints[0].generated);
    EXPECT_FALSE(constraintsAreGround);
}

TEST_F(RunPreparation, StrongNegationWithAnotherArityIsAnError) {
    EXPECT_EXIT(
        {
            atom("rp_w", {C("x")});
            ATOM negated = atom("-rp_w", {C("x"), C("y")});
            atom("rp_z");
            ATOM negatedZ = atom("-rp_z", {C("x")});
            stronglyNegatedPredicates.insert(int32_t(negated.predicate));
            stronglyNegatedPredicates.insert(int32_t(negatedZ.predicate));
            addStrongNegationConstraints();
        },
        testing::ExitedWithCode(1),
        "^rp_w and -rp_w seen with different arities \\(1 and 2, respectively\\)\\.\n"
        "rp_z and -rp_z seen with different arities \\(0 and 1, respectively\\)\\.\n$");
}

TEST_F(RunPreparation, CountVariablesSeesEveryPlaceAStatementHoldsAVariable) {
    EXPECT_EQ(0u, countVariables());
    atom("rp_p1", {X(0)});
    // A variable only in the head.
    IDB.emplace_back(std::vector<ATOM>{atom("rp_p1", {X(6)})}, body({LITERAL(atom("rp_p1", {X(1)}), false)}));
    EXPECT_EQ(7u, countVariables());
    // A weak constraint's weight and level.
    WEAKCONSTRAINT weak;
    weak.body = body({LITERAL(atom("rp_p1", {X(0)}), false)});
    weak.weight = X(8);
    weak.level = X(9);
    weakConstraints.push_back(weak);
    EXPECT_EQ(10u, countVariables());
    // The query, inside a function term.
    TERM f = makeComplexTerm(COMPLEX_TERM::function(functionSymbolTable.add("rp_f").first,
                                                    std::vector<TERM>{X(12)}, false));
    setQuery({LITERAL(atom("rp_p1", {f}), false)});
    EXPECT_EQ(13u, countVariables());
}

TEST_F(RunPreparation, ProjectionRenamesInternalPredicatesToFreePredNames) {
    RUN run;
    run.options.rewriting.optORp = true;
    atom("pred0");  // taken: the first internal predicate gets the next free number
    ATOM hidden = atom("__rp_hidden");
    ATOM aux = atom("aux#rp");
    ATOM queryAtom = atom("#query", {X(0)}, PREDICATE_QUERY);
    uint32_t before = predicateTable.size();
    rewriteProjection(run);
    EXPECT_EQ(before, predicateTable.size());
    std::string hiddenName = predicateTable.name(hidden.predicate);
    std::string auxName = predicateTable.name(aux.predicate);
    EXPECT_EQ("pred", hiddenName.substr(0, 4));
    EXPECT_NE("pred0", hiddenName);
    EXPECT_NE(hiddenName, auxName);
    EXPECT_STREQ("#query", predicateTable.name(queryAtom.predicate));
    // Old and new names find the same predicate, which stays internal.
    EXPECT_EQ(hidden.predicate, predicateTable.find("__rp_hidden").first);
    EXPECT_EQ(hidden.predicate, predicateTable.find(hiddenName).first);
    EXPECT_TRUE(predicateTable.isInternal(hidden.predicate));
    // Registering the new name again finds the predicate rather than making a new one.
    EXPECT_EQ(hidden.predicate, atom(hiddenName.c_str()).predicate);
}

}  // namespace
