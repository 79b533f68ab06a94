#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "solver/heuristic_value.h"

namespace {

// A record from its twelve counters.
HEURISTIC_VALUE record(std::vector<int64_t> counters) {
    HEURISTIC_VALUE v;
    for (size_t i = 0; i < counters.size() && i < 12; ++i) v.counters[i] = counters[i];
    return v;
}

// A record with costs over two levels: its cost and its satisfied weight per level (level 1 first).
HEURISTIC_VALUE costed(std::vector<int64_t> counters, uint64_t cost1, uint64_t cost2, uint64_t sat1 = 0,
                       uint64_t sat2 = 0) {
    HEURISTIC_VALUE v = record(counters);
    v.initCosts(2);
    v.cost.values = {cost1, cost2};
    v.satisfiedWeight.values = {sat1, sat2};
    return v;
}

int signOf(int x) { return (x > 0) - (x < 0); }

void expectSameRecord(const HEURISTIC_VALUE &a, const HEURISTIC_VALUE &b) {
    for (int i = 0; i < 12; ++i) EXPECT_EQ(a.counters[i], b.counters[i]) << "counter " << i;
    ASSERT_EQ(a.hasCosts, b.hasCosts);
    if (a.hasCosts) {
        EXPECT_EQ(a.cost.values, b.cost.values);
        EXPECT_EQ(a.satisfiedWeight.values, b.satisfiedWeight.values);
    }
}

}  // namespace

TEST(HeuristicValue, CriteriaRankTwoRecords) {
    //                  0  1  2  3  4  5  6  7  8  9 10 11
    HEURISTIC_VALUE a = record({5, 1, 0, 2, 0, 0, 4, 3, 1, 7, 2, 0});
    HEURISTIC_VALUE b = record({4, 0, 1, 2, 2, 0, 6, 3, 3, 9, 1, 1});
    HEURISTIC_VALUE zero0 = record({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    struct {
        int32_t criterion;
        const HEURISTIC_VALUE *x;
        const HEURISTIC_VALUE *y;
        int expected;
    } cases[] = {
        {0, &a, &b, 1},        // B0: 3 against 2
        {2, &a, &b, 1},        // B1: 1 against -2
        {4, &a, &b, -1},       // B2: 0 against 1
        {1, &a, &zero0, 0},    // exactly one has no confirmed atom
        {1, &a, &b, 1},
        {3, &a, &zero0, 0},
        {5, &a, &b, -1},
        {6, &a, &b, -1},       // satisfied rules
        {7, &a, &b, 0},        // no costs
        {8, &a, &b, 0},
        {9, &a, &b, 1},
        {10, &a, &b, 1},
        {11, &a, &b, -1},
        {13, &a, &zero0, 1},
        {13, &a, &b, 0},
        {14, &a, &b, -1},      // W = B0 + 2 B1 + B2, smaller is better: 5 against -1
        {15, &a, &b, 0},
        {16, &a, &b, 1},       // c7 - c8: 2 against 0
        {21, &a, &b, -1},
        {29, &a, &b, -1},      // B0 - 24 B1 - 4 B2: -21 against 46
        {30, &a, &b, -1},
        {31, &a, &b, -1},      // 0 against 7
        {33, &a, &b, -1},      // 7 against 16
        {34, &a, &b, -1},      // 20 against 29
        {37, &a, &b, 1},       // 2000 / 1 against 1000 / 2, an integer division
        {1000, &a, &b, -1},    // every 1000 reverses the direction
        {2000, &a, &b, 1},
        {3002, &a, &b, -1},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.criterion);
        EXPECT_EQ(signOf(compareByCriterion(c.criterion, *c.x, *c.y)), c.expected);
        // Exchanging the records reverses every criterion but 12.
        EXPECT_EQ(signOf(compareByCriterion(c.criterion, *c.y, *c.x)), -c.expected);
    }
}

TEST(HeuristicValue, CriterionTwelveGoesDownItsListAndPrefersTheFirstOnATie) {
    HEURISTIC_VALUE a = record({1, 0, 0, 1, 0, 0, 0, 2});
    HEURISTIC_VALUE b = record({1, 0, 0, 1, 0, 0, 0, 5});
    EXPECT_LT(compareByCriterion(12, a, b), 0);  // balances equal, counter 7 decides
    EXPECT_EQ(compareByCriterion(12, a, a), 1);
    EXPECT_EQ(compareByCriterion(1012, a, a), -1);
    // With costs the lower cost decides before the confirmed atoms.
    HEURISTIC_VALUE cheap = costed({0, 0, 0}, 0, 1000);
    HEURISTIC_VALUE dear = costed({3, 0, 0, 3}, 0, 2000);
    EXPECT_GT(compareByCriterion(12, cheap, dear), 0);
}

TEST(HeuristicValue, CostCriteriaCompareFromTheHighestLevel) {
    HEURISTIC_VALUE low = costed({}, 5000, 0, 0, 1000);
    HEURISTIC_VALUE high = costed({}, 0, 1000, 7000, 0);
    EXPECT_GT(compareByCriterion(7, low, high), 0);     // lower cost at level 2 wins
    EXPECT_LT(compareByCriterion(1007, low, high), 0);  // reversed: higher cost first
    EXPECT_GT(compareByCriterion(2007, low, high), 0);
    EXPECT_GT(compareByCriterion(8, low, high), 0);     // more satisfied weight at level 2
    EXPECT_EQ(compareByCriterion(7, low, low), 0);
    // Costs beyond 32 bits keep their order.
    HEURISTIC_VALUE huge = costed({}, 0, uint64_t{1} << 40);
    HEURISTIC_VALUE small = costed({}, 0, 1);
    EXPECT_GT(compareByCriterion(7, small, huge), 0);
}

TEST(HeuristicValue, RatioCriterionDividesByOneMoreThanTheAtomsMadeTrue) {
    HEURISTIC_VALUE a = record({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0});  // 3000
    HEURISTIC_VALUE b = record({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 1});  // 2500
    EXPECT_GT(compareByCriterion(37, a, b), 0);
}

TEST(HeuristicValue, CriteriaListTakesTheFirstCriterionThatDecides) {
    HEURISTIC_VALUE a = record({0, 0, 0, 0, 0, 0, 1, 0, 0, 5});
    HEURISTIC_VALUE b = record({0, 0, 0, 0, 0, 0, 2, 0, 0, 1});
    EXPECT_TRUE(compareByCriteriaList({0, 21, 6}, a, b));
    EXPECT_FALSE(compareByCriteriaList({0, 6, 21}, a, b));
    EXPECT_TRUE(compareByCriteriaList({0, 2, 4}, a, b));  // nothing tells them apart
    EXPECT_TRUE(compareByCriteriaList({}, a, b));
}

TEST(HeuristicValue, AnIndexThatNamesNoCriterionEndsTheRun) {
    HEURISTIC_VALUE a = record({});
    EXPECT_EXIT(compareByCriterion(17, a, a), testing::ExitedWithCode(1), "^17: Invalid heuristic comparison index\\.");
    EXPECT_EXIT(compareByCriterion(1017, a, a), testing::ExitedWithCode(1), "^17: Invalid heuristic comparison index.");
    EXPECT_EXIT(compareByCriterion(-1, a, a), testing::ExitedWithCode(1), "^295: Invalid heuristic comparison index.");
    HEURISTIC_PAIR p{&a, &a};
    EXPECT_EXIT(compareByCombinedCriterion(22, 0, p, p, {}), testing::ExitedWithCode(1),
                "^22: Invalid heuristic comparison index.");
}

TEST(HeuristicValue, IntegerCombiningOperators) {
    struct {
        int32_t op;
        int64_t a, b, expected;
    } cases[] = {
        {0, 3, 4, 7},
        {1, 3, 4, 12},
        {2, 3, 4, 7 + 1024 * 12},
        {2, -3, 1, -2},              // a sum below 0 stays the sum
        {2, -1, 4, 3 + 1024 * 4},    // otherwise the product is subtracted
        {3, 3, 4, 20},
        {4, 3, 4, 10},
        {5, 3, 4, 3},
        {6, 3, 4, 4},
        {7, 3, 4, 3 + 14},
        {8, 3, 4, 12 + 12},
        {9, 3, 4, 0},
        {-1, 3, 4, 0},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.op);
        EXPECT_EQ(combineValues(c.op, c.a, c.b), c.expected);
    }
    // Products beyond 32 (and 64) bits saturate instead of wrapping to a small or negative value.
    EXPECT_EQ(combineValues(1, 100000, 100000), 10000000000);
    EXPECT_EQ(combineValues(2, INT64_MAX / 2, 3), INT64_MAX);
    EXPECT_EQ(combineValues(1, INT64_MAX / 2, -3), INT64_MIN);
}

TEST(HeuristicValue, RecordCombiningOperatorsFollowTheRecordArithmetic) {
    HEURISTIC_VALUE r = costed({2, 1, 0, 1, 0, 0, 3, 1, 0, 4, 0, 0}, 1000, 0, 0, 2000);
    HEURISTIC_VALUE o = costed({1, 0, 0, 0, 0, 0, 5, 2, 1, 2, 1, 1}, 3000, 1000, 500, 0);
    HEURISTIC_PAIR pair{&r, &o};
    std::vector<int32_t> criteria = {6};  // o satisfies more rules: o is the greater record
    using H = HEURISTIC_VALUE;
    H sum = H::add(r, o);
    expectSameRecord(combineCandidate(0, pair, criteria), sum);
    expectSameRecord(combineCandidate(1, pair, criteria), H::multiply(r, o));
    expectSameRecord(combineCandidate(2, pair, criteria), H::add(sum, H::multiplyConstant(H::multiply(r, o), 1024)));
    expectSameRecord(combineCandidate(3, pair, criteria), H::multiply(H::addConstant(r, 1), H::addConstant(o, 1)));
    expectSameRecord(combineCandidate(4, pair, criteria), H::add(H::multiplyConstant(r, 2), o));
    expectSameRecord(combineCandidate(5, pair, criteria), r);
    expectSameRecord(combineCandidate(6, pair, criteria), o);
    expectSameRecord(combineCandidate(7, pair, criteria), H::add(H::multiplyConstant(sum, 2), r));
    expectSameRecord(combineCandidate(8, pair, criteria), H::add(H::multiplyConstant(sum, 3), r));
    expectSameRecord(combineCandidate(42, pair, criteria), sum);  // unknown: combined as a sum
    // On a tie the opposite counts as not worse: it is the greater record.
    expectSameRecord(combineCandidate(6, pair, {}), o);
    expectSameRecord(combineCandidate(5, pair, {}), r);
}

TEST(HeuristicValue, CombinedCriteriaRankCandidatesByBothPolarities) {
    // A is balanced over its two polarities, B strong in one and weak in the other.
    HEURISTIC_VALUE a1 = record({2, 0, 0, 0, 0, 0, 3, 1, 0, 0}), a2 = record({2, 0, 0, 0, 0, 0, 3, 1, 0, 0});
    HEURISTIC_VALUE b1 = record({5, 0, 0, 0, 0, 0, 1, 4, 0, 0}), b2 = record({0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
    HEURISTIC_PAIR a{&a1, &a2}, b{&b1, &b2};
    EXPECT_LT(compareByCombinedCriterion(0, 0, a, b, {}), 0);  // sum of B0: 4 against 5
    EXPECT_GT(compareByCombinedCriterion(0, 1, a, b, {}), 0);  // product: 4 against 0
    EXPECT_GT(compareByCombinedCriterion(0, 5, a, b, {}), 0);  // the weaker side: 2 against 0
    EXPECT_LT(compareByCombinedCriterion(1000, 1, a, b, {}), 0);
    EXPECT_GT(compareByCombinedCriterion(6, 0, a, b, {}), 0);  // combined counter 6: 6 against 2
    EXPECT_LT(compareByCombinedCriterion(15, 0, a, b, {}), 0);  // combined counter 7: 2 against 4
    EXPECT_EQ(signOf(compareByCombinedCriterion(13, 1, a, b, {})), 1);  // combined c0: 4 against 0
    // Criterion 1 ignores a balance when exactly one combined record confirmed nothing.
    EXPECT_EQ(compareByCombinedCriterion(1, 1, a, b, {}), 0);
}

TEST(HeuristicValue, WeightedCriteriaAddTheSecondaryBalancesWhenCombined) {
    // One polarity only, the other all zero: the combined sum equals the record, but the weights
    // of B1 and B2 enter with opposite signs in the two comparisons.
    HEURISTIC_VALUE zero = record({});
    HEURISTIC_VALUE a = record({1, 1, 0, 0, 0, 0});  // B0 1, B1 1
    HEURISTIC_VALUE b = record({2, 0, 0, 0, 0, 0});  // B0 2, B1 0
    HEURISTIC_PAIR pa{&a, &zero}, pb{&b, &zero};
    EXPECT_LT(compareByCriterion(31, a, b), 0);                   // 1 - 3 against 2
    EXPECT_GT(compareByCombinedCriterion(31, 0, pa, pb, {}), 0);  // 1 + 3 against 2
    EXPECT_LT(compareByCriterion(14, a, b), 0);                   // smaller W is better: 3 against 2
    EXPECT_GT(compareByCombinedCriterion(14, 0, pa, pb, {}), 0);  // larger is better when combined
}
