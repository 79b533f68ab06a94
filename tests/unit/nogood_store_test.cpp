// The learned nogoods' storage and the atoms' activity order.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "solver/activity_heap.h"
#include "solver/nogood_store.h"

namespace {

std::vector<MG_LITERAL> literalsOf(const NOGOOD_STORE &s, uint32_t id) {
    return std::vector<MG_LITERAL>(s.begin(id), s.begin(id) + s.size(id));
}

std::set<uint32_t> watching(NOGOOD_STORE &s, MG_LITERAL l) {
    std::set<uint32_t> ids;
    for (const NOGOOD_WATCH &w : s.watchers(l)) ids.insert(s.idAt(w.start));
    return ids;
}

}  // namespace

TEST(NogoodStore, TheFirstTwoLiteralsAreWatchedEachWithTheOtherAsBlocker) {
    NOGOOD_STORE s;
    s.reset(4);
    std::vector<MG_LITERAL> n = {trueLiteral(1), falseLiteral(2), trueLiteral(3)};
    uint32_t id = s.add(n.data(), 3, 3);
    EXPECT_EQ(literalsOf(s, id), n);
    ASSERT_EQ(s.watchers(trueLiteral(1)).size(), 1u);
    EXPECT_EQ(s.watchers(trueLiteral(1))[0].blocker, falseLiteral(2));
    ASSERT_EQ(s.watchers(falseLiteral(2)).size(), 1u);
    EXPECT_EQ(s.watchers(falseLiteral(2))[0].blocker, trueLiteral(1));
    EXPECT_TRUE(s.watchers(trueLiteral(3)).empty());
    // A nogood of one literal is watched by none.
    MG_LITERAL unit = falseLiteral(0);
    s.add(&unit, 1, 1);
    EXPECT_TRUE(s.watchers(falseLiteral(0)).empty());
    EXPECT_EQ(s.learnedCount(), 2u);
}

TEST(NogoodStore, ReductionKeepsNogoodsOverFewLevelsAndLockedOnesAndDropsHalfOfTheRest) {
    NOGOOD_STORE s;
    s.reset(20);
    std::vector<uint32_t> ids;
    std::vector<std::vector<MG_LITERAL>> contents;
    // Nogood i has literals over atoms i, i+1, i+2 and spans i levels (0 and 1: fewer than 3).
    for (uint32_t i = 0; i < 10; ++i) {
        std::vector<MG_LITERAL> n = {trueLiteral(i), falseLiteral(i + 1), trueLiteral(i + 2)};
        ids.push_back(s.add(n.data(), 3, i));
        contents.push_back(n);
    }
    const uint32_t locked = ids[9];  // spans the most levels, but is the reason of an atom
    s.reduce([&](uint32_t id) { return id == locked; });
    // Candidates: levels 3..8 (six nogoods); the three over the most levels go.
    EXPECT_EQ(s.learnedCount(), 7u);
    std::set<uint32_t> dropped = {ids[6], ids[7], ids[8]};
    for (uint32_t i = 0; i < 10; ++i) {
        bool live = !dropped.count(ids[i]);
        EXPECT_EQ(watching(s, trueLiteral(i)).count(ids[i]), live ? 1u : 0u) << i;
        // What is kept reads the same after the storage was compacted.
        if (live) {
            EXPECT_EQ(literalsOf(s, ids[i]), contents[i]) << i;
        }
    }
    EXPECT_EQ(s.literalCount(), 21u);
    // The numbers of dropped nogoods are given again.
    std::vector<MG_LITERAL> n = {falseLiteral(15), falseLiteral(16)};
    uint32_t again = s.add(n.data(), 2, 5);
    EXPECT_TRUE(dropped.count(again));
    EXPECT_EQ(literalsOf(s, again), n);
    EXPECT_EQ(watching(s, falseLiteral(16)), std::set<uint32_t>{again});
}

TEST(ActivityHeap, TheMostActiveAtomComesFirstTiesByNumber) {
    ACTIVITY_HEAP h;
    h.reset(5);
    h.bump(3);
    h.decay();
    h.bump(1);  // a later bump weighs more
    h.bump(4);
    h.bump(4);
    std::vector<GATOM_ID> order;
    while (!h.empty()) order.push_back(h.removeTop());
    EXPECT_EQ(order, (std::vector<GATOM_ID>{4, 1, 3, 0, 2}));
    // Taken atoms come back in their place when inserted again, once.
    h.insert(2);
    h.insert(4);
    h.insert(4);
    EXPECT_TRUE(h.contains(4));
    EXPECT_FALSE(h.contains(1));
    EXPECT_EQ(h.removeTop(), 4);
    EXPECT_EQ(h.removeTop(), 2);
    EXPECT_TRUE(h.empty());
}
