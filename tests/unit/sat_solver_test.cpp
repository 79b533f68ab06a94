#include "solver/sat_solver.h"
#include "solver/luby.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// Clauses written as signed variable numbers from 1: 3 is x2 true, -3 is x2 false.
using CLAUSES = std::vector<std::vector<int>>;

void load(SAT_SOLVER &solver, uint32_t variables, const CLAUSES &clauses) {
    solver.reset(variables);
    for (const auto &clause : clauses) {
        std::vector<int32_t> codes;
        for (int l : clause)
            codes.push_back(l > 0 ? solver.positive(uint32_t(l - 1)) : solver.negative(uint32_t(-l - 1)));
        solver.addClause(codes);
    }
}

bool satisfiedBy(const CLAUSES &clauses, const std::vector<bool> &model) {
    for (const auto &clause : clauses) {
        bool sat = false;
        for (int l : clause) sat = sat || (l > 0 ? model[size_t(l - 1)] : !model[size_t(-l - 1)]);
        if (!sat) return false;
    }
    return true;
}

bool bruteForce(uint32_t variables, const CLAUSES &clauses) {
    for (uint64_t bits = 0; bits < (uint64_t(1) << variables); ++bits) {
        std::vector<bool> model(variables);
        for (uint32_t v = 0; v < variables; ++v) model[v] = (bits >> v) & 1;
        if (satisfiedBy(clauses, model)) return true;
    }
    return false;
}

std::vector<bool> modelOf(const SAT_SOLVER &solver) {
    std::vector<bool> model(solver.variableCount());
    for (uint32_t v = 0; v < solver.variableCount(); ++v) model[v] = solver.isTrue(v);
    return model;
}

std::string show(const CLAUSES &clauses) {
    std::string s;
    for (const auto &clause : clauses) {
        s += "(";
        for (int l : clause) s += std::to_string(l) + " ";
        s += ") ";
    }
    return s;
}

struct SMALL_CASE {
    const char *name;
    uint32_t variables;
    CLAUSES clauses;
    bool satisfiable;
    std::vector<bool> model;  // expected exactly when not empty
};

TEST(SatSolver, SmallClauseSets) {
    const SMALL_CASE cases[] = {
        {"no clauses", 3, {}, true, {}},
        {"no variables, no clauses", 0, {}, true, {}},
        {"empty clause", 0, {{}}, false, {}},
        {"empty clause among others", 2, {{1, 2}, {}}, false, {}},
        {"unit and its complement", 1, {{1}, {-1}}, false, {}},
        {"units decide everything", 3, {{1}, {-2}, {-1, 3}}, true, {true, false, true}},
        {"chain of implications", 4, {{1}, {-1, 2}, {-2, 3}, {-3, 4}}, true, {true, true, true, true}},
        {"all four two-clauses over two variables", 2, {{1, 2}, {1, -2}, {-1, 2}, {-1, -2}}, false, {}},
        {"exactly one of three", 3, {{1, 2, 3}, {-1, -2}, {-1, -3}, {-2, -3}}, true, {}},
        {"repeated literal counts once", 1, {{-1, -1}, {1, 1, 1}}, false, {}},
        {"tautology constrains nothing", 1, {{1, -1}, {-1}}, true, {false}},
        {"pure negative literal", 2, {{-1, 2}, {-1, -2}}, true, {}},
        // x1 = 1, a = 2, e = 3, u = 4, f = 5, b = 6, c = 7: f must be true, and then u and x1.
        {"implications through three-literal clauses", 7,
         {{5, 2}, {5, -2, 3}, {5, -2, -3}, {-5, 4}, {-5, -4, 1}, {-5, -4, 2}, {-5, -4, 3}, {-1, 6, 7}}, true, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SAT_SOLVER solver;
        load(solver, c.variables, c.clauses);
        bool sat = solver.solve();
        EXPECT_EQ(sat, c.satisfiable);
        if (sat) {
            EXPECT_TRUE(satisfiedBy(c.clauses, modelOf(solver)));
            if (!c.model.empty()) {
                EXPECT_EQ(modelOf(solver), c.model);
            }
        }
    }
}

// Pigeonhole: p pigeons into h holes, unsatisfiable when p > h; needs real search.
CLAUSES pigeonhole(int pigeons, int holes) {
    CLAUSES clauses;
    auto x = [&](int p, int h) { return p * holes + h + 1; };
    for (int p = 0; p < pigeons; ++p) {
        std::vector<int> some;
        for (int h = 0; h < holes; ++h) some.push_back(x(p, h));
        clauses.push_back(some);
    }
    for (int h = 0; h < holes; ++h)
        for (int p = 0; p < pigeons; ++p)
            for (int q = p + 1; q < pigeons; ++q) clauses.push_back({-x(p, h), -x(q, h)});
    return clauses;
}

TEST(SatSolver, PigeonholeNeedsSearch) {
    for (int holes = 2; holes <= 5; ++holes) {
        SCOPED_TRACE(holes);
        SAT_SOLVER solver;
        uint32_t variables = uint32_t((holes + 1) * holes);
        load(solver, variables, pigeonhole(holes + 1, holes));
        EXPECT_FALSE(solver.solve());
        load(solver, uint32_t(holes * holes), pigeonhole(holes, holes));
        ASSERT_TRUE(solver.solve());
        EXPECT_TRUE(satisfiedBy(pigeonhole(holes, holes), modelOf(solver)));
    }
}

// Random clause sets against exhaustive enumeration: the verdict must agree and every reported
// model must satisfy every clause. The mix of lengths makes unit propagation, conflicts at every
// depth and backjumps all occur.
TEST(SatSolver, AgreesWithBruteForceOnRandomClauseSets) {
    std::mt19937 rng(20261210);
    int satisfiable = 0, unsatisfiable = 0;
    for (int round = 0; round < 6000; ++round) {
        uint32_t variables = 1 + rng() % 14;
        size_t clauseCount = rng() % (variables * 5 + 2);
        CLAUSES clauses;
        for (size_t i = 0; i < clauseCount; ++i) {
            size_t length = 1 + rng() % (round % 3 == 0 ? 2 : 4);
            std::vector<int> clause;
            for (size_t k = 0; k < length; ++k) {
                int v = int(rng() % variables) + 1;
                clause.push_back(rng() % 2 ? v : -v);
            }
            clauses.push_back(clause);
        }
        SAT_SOLVER solver;
        load(solver, variables, clauses);
        bool sat = solver.solve();
        ASSERT_EQ(sat, bruteForce(variables, clauses)) << show(clauses);
        if (sat) {
            ASSERT_TRUE(satisfiedBy(clauses, modelOf(solver))) << show(clauses);
            ++satisfiable;
        } else {
            ++unsatisfiable;
        }
    }
    // Both verdicts must have been exercised for the comparison to mean anything.
    EXPECT_GT(satisfiable, 500);
    EXPECT_GT(unsatisfiable, 500);
}

TEST(SatSolver, ReusedSolverForgetsTheLastCall) {
    SAT_SOLVER solver;
    load(solver, 6, pigeonhole(3, 2));
    EXPECT_FALSE(solver.solve());
    load(solver, 2, {{1, 2}, {-1}});
    ASSERT_TRUE(solver.solve());
    EXPECT_EQ(modelOf(solver), (std::vector<bool>{false, true}));
    load(solver, 9, pigeonhole(3, 3));
    ASSERT_TRUE(solver.solve());
    EXPECT_TRUE(satisfiedBy(pigeonhole(3, 3), modelOf(solver)));
}

// Beyond any fixed table size: more variables and clauses than any preset table would hold, with
// a search over the few variables that the initial propagation leaves open.
TEST(SatSolver, LargeClauseSetsHaveNoCapacityLimit) {
    const uint32_t chainLength = 600000;
    CLAUSES clauses{{1}};
    for (uint32_t v = 1; v < chainLength; ++v) clauses.push_back({-int(v), int(v) + 1});
    int a = int(chainLength) + 1, b = a + 1, c = a + 2;
    clauses.push_back({a, b, -int(chainLength)});
    clauses.push_back({-a, -b});
    clauses.push_back({-a, c});
    clauses.push_back({-b, -c});
    SAT_SOLVER solver;
    load(solver, chainLength + 3, clauses);
    ASSERT_TRUE(solver.solve());
    EXPECT_TRUE(solver.isTrue(chainLength - 1));
    EXPECT_TRUE(satisfiedBy(clauses, modelOf(solver)));

    clauses.push_back({-c});
    clauses.push_back({c, -b});
    load(solver, chainLength + 3, clauses);
    EXPECT_FALSE(solver.solve());
}

int32_t codeOf(int l) { return l > 0 ? SAT_SOLVER::positive(uint32_t(l - 1)) : SAT_SOLVER::negative(uint32_t(-l - 1)); }

// One solver over a clause set that grows between calls, each call under random assumptions,
// against exhaustive enumeration of the clauses so far with the assumptions as units. What the
// solver learned in earlier calls (under other assumptions) must never cut off a model.
TEST(SatSolver, IncrementalCallsUnderAssumptionsAgreeWithBruteForce) {
    std::mt19937 rng(7);
    int satisfiable = 0, unsatisfiable = 0;
    for (int round = 0; round < 400; ++round) {
        uint32_t variables = 3 + rng() % 10;
        SAT_SOLVER solver;
        solver.reset(0);
        for (uint32_t v = 0; v < variables; ++v) ASSERT_EQ(solver.addVariable(), v);
        CLAUSES clauses;
        for (int call = 0; call < 12; ++call) {
            for (size_t i = 0, added = rng() % 4; i < added; ++i) {
                std::vector<int> clause;
                for (size_t k = 0, length = 2 + rng() % 3; k < length; ++k) {
                    int v = int(rng() % variables) + 1;
                    clause.push_back(rng() % 2 ? v : -v);
                }
                std::vector<int32_t> codes;
                for (int l : clause) codes.push_back(codeOf(l));
                solver.addClause(codes);
                clauses.push_back(clause);
            }
            std::vector<int> assumed;
            std::vector<int32_t> codes;
            for (size_t k = 0, count = rng() % 5; k < count; ++k) {
                int v = int(rng() % variables) + 1;
                assumed.push_back(rng() % 2 ? v : -v);
                codes.push_back(codeOf(assumed.back()));
            }
            CLAUSES withUnits = clauses;
            for (int l : assumed) withUnits.push_back({l});
            bool sat = solver.solve(codes.data(), codes.size());
            ASSERT_EQ(sat, bruteForce(variables, withUnits)) << show(withUnits);
            if (sat) {
                ASSERT_TRUE(satisfiedBy(withUnits, modelOf(solver))) << show(withUnits);
                ++satisfiable;
            } else {
                ++unsatisfiable;
            }
        }
    }
    EXPECT_GT(satisfiable, 500);
    EXPECT_GT(unsatisfiable, 500);
}

// A hard unsatisfiable core under a switch: pigeon-hole 9 into 8 holds only when the switch
// variable is assumed true. Its thousands of conflicts go through reductions of the learned
// store; the clauses learned under the switch must leave the other value satisfiable, and a
// second call under the switch must still refute it.
TEST(SatSolver, LearnedStoreStaysBoundedAcrossCalls) {
    const int pigeons = 9, holes = 8;
    CLAUSES clauses = pigeonhole(pigeons, holes);
    int guard = pigeons * holes + 1;
    for (auto &clause : clauses) clause.push_back(-guard);
    SAT_SOLVER solver;
    load(solver, uint32_t(guard), clauses);
    int32_t on = codeOf(guard), off = codeOf(-guard);
    EXPECT_FALSE(solver.solve(&on, 1));
    EXPECT_GT(solver.conflictCount(), 2000u);
    EXPECT_LT(solver.learnedCount(), solver.conflictCount() / 2);
    ASSERT_TRUE(solver.solve(&off, 1));
    EXPECT_TRUE(satisfiedBy(clauses, modelOf(solver)));
    EXPECT_FALSE(solver.isTrue(uint32_t(guard - 1)));
    EXPECT_FALSE(solver.solve(&on, 1));
    ASSERT_TRUE(solver.solve());
    EXPECT_TRUE(satisfiedBy(clauses, modelOf(solver)));
}

// Assumptions that contradict each other or the facts give no model and leave the clause set
// usable.
TEST(SatSolver, ContradictoryAssumptions) {
    SAT_SOLVER solver;
    load(solver, 3, {{1, 2}, {-3}});
    int32_t both[] = {codeOf(1), codeOf(-1)};
    EXPECT_FALSE(solver.solve(both, 2));
    int32_t againstFact = codeOf(3);
    EXPECT_FALSE(solver.solve(&againstFact, 1));
    int32_t throughClause[] = {codeOf(-1), codeOf(-2)};
    EXPECT_FALSE(solver.solve(throughClause, 2));
    int32_t fine[] = {codeOf(-1)};
    ASSERT_TRUE(solver.solve(fine, 1));
    EXPECT_EQ(modelOf(solver), (std::vector<bool>{false, true, false}));
}

}  // namespace

// Both searches restart after multiples of the Luby numbers, counted from 0.
TEST(Luby, TheSequenceFromItsStart) {
    const uint64_t expected[] = {1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1, 1, 2, 4, 8, 1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1, 1, 2, 4, 8, 16};
    for (uint64_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(luby(i), expected[i]) << i;
    // Each block of 2^k - 1 numbers ends with 2^(k-1), far out as well.
    EXPECT_EQ(luby((uint64_t(1) << 40) - 2), uint64_t(1) << 39);
    EXPECT_EQ(luby((uint64_t(1) << 40) - 1), 1u);
}
