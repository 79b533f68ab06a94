#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "solver/truth_assignment.h"
#include "test_support.h"

namespace {

std::string costText(const COST_VECTOR &c) {
    return capture([&](FILE *f) { printCost(f, c); });
}

COST_VECTOR costs(std::initializer_list<uint64_t> v) {
    COST_VECTOR c(static_cast<uint32_t>(v.size()));
    uint32_t i = 0;
    for (uint64_t x : v) c.values[i++] = x;
    return c;
}

}  // namespace

TEST(TruthAssignment, UndoRestoresValuesAndMustBeTrueCount) {
    TRUTH_ASSIGNMENT a(4, 0, TRUTH_UNDEFINED);
    a.trailing = true;
    a.markChoice();
    a.setValue(0, TRUTH_MUST_BE_TRUE);
    a.mustBeTrueCount++;
    a.setValue(1, TRUTH_FALSE);
    a.markChoice();
    a.setValue(0, TRUTH_TRUE_FROM_MUST_BE_TRUE);
    a.mustBeTrueCount--;
    a.setValue(2, TRUTH_MUST_BE_TRUE);
    a.mustBeTrueCount++;
    EXPECT_EQ(a.mustBeTrueCount, 1u);

    a.undoChoice();  // back to: 0 must-be-true, 1 false
    EXPECT_EQ(a[0], TRUTH_MUST_BE_TRUE);
    EXPECT_EQ(a[2], TRUTH_UNDEFINED);
    EXPECT_EQ(a.mustBeTrueCount, 1u);

    a.undoChoice();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], TRUTH_UNDEFINED);
    EXPECT_EQ(a.mustBeTrueCount, 0u);
    EXPECT_TRUE(a.valueTrail.empty());
}

TEST(TruthAssignment, NoTrailingLeavesTrailsEmpty) {
    TRUTH_ASSIGNMENT a(2, 2, TRUTH_UNDEFINED);
    a.setValue(1, TRUTH_TRUE);
    a.addCost(1, 5000);
    EXPECT_TRUE(a.valueTrail.empty());
    EXPECT_TRUE(a.costTrail.empty());
    EXPECT_EQ(a.levelCosts.values[1], 5000u);
    EXPECT_TRUE(a.isTrue(1));
}

TEST(TruthAssignment, UndoRestoresCosts) {
    TRUTH_ASSIGNMENT a(1, 2, TRUTH_UNDEFINED);
    a.addCost(0, 1000);
    a.trailing = true;
    a.markChoice();
    a.addCost(0, 2000);
    a.addCost(1, 3000);
    a.undoChoice();
    EXPECT_EQ(a.levelCosts.values[0], 1000u);
    EXPECT_EQ(a.levelCosts.values[1], 0u);
}

TEST(TruthAssignment, CopyIsDeep) {
    TRUTH_ASSIGNMENT a(2, 1, TRUTH_UNDEFINED);
    TRUTH_ASSIGNMENT b = a;
    b.setValue(0, TRUTH_TRUE);
    b.addCost(0, 7);
    EXPECT_EQ(a[0], TRUTH_UNDEFINED);
    EXPECT_EQ(a.levelCosts.values[0], 0u);
}

TEST(UndoTrail, MarkersForSkippedLevels) {
    uint32_t x = 10, y = 20, z = 30;
    UNDO_TRAIL t;
    t.push(2, &z);
    z = 31;
    t.push(5, &x);
    x = 11;
    t.push(5, &y);
    y = 21;
    // Markers 0, 1, 2 before z; 3, 4, 5 before x.
    int markers = 0;
    for (const UNDO_ENTRY &e : t.entries) markers += e.address == nullptr;
    EXPECT_EQ(markers, 6);
    EXPECT_EQ(t.level, 5);

    t.undoTo(2);
    EXPECT_EQ(x, 10u);
    EXPECT_EQ(y, 20u);
    EXPECT_EQ(z, 31u);  // changed at level 2: stays
    EXPECT_EQ(t.level, 2);

    t.undoTo(2);  // nothing above level 2 any more
    EXPECT_EQ(z, 31u);
    t.push(3, &x);
    x = 99;
    t.undoTo(1);
    EXPECT_EQ(x, 10u);
    EXPECT_EQ(z, 30u);
    t.undoAll();
    EXPECT_TRUE(t.entries.empty());
    EXPECT_EQ(t.level, -1);
}

TEST(UndoTrail, UndoAllRestoresLevelZero) {
    uint32_t x = 1;
    UNDO_TRAIL t;
    t.push(0, &x);
    x = 2;
    t.push(0, &x);
    x = 3;
    t.undoAll();
    EXPECT_EQ(x, 1u);
}

TEST(Costs, Compare) {
    struct {
        COST_VECTOR a, b;
        int expected;
    } cases[] = {
        {COST_VECTOR(0u), COST_VECTOR(0u), 0},
        {costs({0, 2000}), costs({100000, 0}), 1},  // the higher level decides
        {costs({100000, 0}), costs({0, 2000}), -1},
        {costs({5, 7}), costs({5, 7}), 0},
        {costs({6, 7}), costs({5, 7}), 1},
        {costs({0xFFFFFFFFull + 5}), costs({0xFFFFFFFFull}), 1},  // no 32-bit wrap
        {costs({1}), costs({1, 9}), 0},                           // b may cover more levels
    };
    for (auto &c : cases) EXPECT_EQ(compareCosts(c.a, c.b), c.expected);
}

TEST(Costs, Print) {
    EXPECT_EQ(costText(COST_VECTOR(0u)), "<>");
    EXPECT_EQ(costText(costs({1050, 2000})), "<[1.050:1],[2:2]>");
    EXPECT_EQ(costText(costs({1500})), "<[1.500:1]>");
    EXPECT_EQ(costText(costs({1005})), "<[1.005:1]>");
    EXPECT_EQ(costText(costs({0})), "<[0:1]>");
    // Beyond 32 bits the value is printed whole.
    EXPECT_EQ(costText(costs({5000000000000ull})), "<[5000000000:1]>");
    COST_VECTOR sparse(std::vector<uint32_t>{2, 999999999});
    sparse.values[1] = 3000;
    EXPECT_EQ(costText(sparse), "<[0:2],[3:999999999]>");
    EXPECT_EQ(sparse.indexOfLevel(999999999), 1);
    EXPECT_EQ(sparse.indexOfLevel(1), -1);
}
