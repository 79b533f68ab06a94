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

// Nogoods that outgrow the memory limit are thinned down to half of it: first those over more
// than two levels, then the glue ones, each the least recently used first; reasons, permanent
// nogoods and nogoods of one literal stay.
TEST(NogoodStore, OverTheMemoryLimitTheLeastRecentlyUsedGoFirst) {
    struct CASE {
        const char *what;
        uint32_t levels;
        uint64_t used;  // 0: never read by analysis
        bool locked;
        bool kept;
    } cases[] = {
        {"a reason over many levels", 9, 0, true, true},
        {"permanent", NOGOOD_STORE::PERMANENT, 0, false, true},
        {"glue, used last", 2, 60, false, true},
        {"glue, used recently", 2, 50, false, true},
        {"glue, used long ago", 2, 5, false, false},
        {"glue, never used", 2, 0, false, false},
        {"wide, used last", 4, 70, false, false},
        {"wide over the most levels", 9, 0, false, false},
        {"wide, unused", 5, 0, false, false},
    };
    const size_t n = sizeof(cases) / sizeof(cases[0]);
    // Room for five nogoods of three literals. The ordinary thinning drops one of the three wide
    // ones that can go, which leaves six that may go, still over the limit: they are thinned to
    // at most half of it, two.
    const uint64_t limit = 5 * NOGOOD_STORE::bytesOf(3);
    NOGOOD_STORE s;
    s.reset(3 * n + 2, limit);
    std::vector<uint32_t> ids;
    for (size_t i = 0; i < n; ++i) {
        std::vector<MG_LITERAL> l = {trueLiteral(3 * i), trueLiteral(3 * i + 1), falseLiteral(3 * i + 2)};
        ids.push_back(s.add(l.data(), 3, cases[i].levels));
    }
    MG_LITERAL unit = trueLiteral(3 * n);
    uint32_t unitId = s.add(&unit, 1, 1);
    for (size_t i = 0; i < n; ++i)
        if (cases[i].used) s.markUsed(ids[i], cases[i].used);
    EXPECT_TRUE(s.overLimit());
    s.reduce([&](uint32_t id) { return id == ids[0]; });
    for (size_t i = 0; i < n; ++i)
        EXPECT_EQ(watching(s, trueLiteral(3 * i)).count(ids[i]), cases[i].kept ? 1u : 0u) << cases[i].what;
    EXPECT_EQ(literalsOf(s, unitId), std::vector<MG_LITERAL>{unit});
    EXPECT_EQ(s.learnedCount(), 5u);
    EXPECT_LE(s.bytes(), limit / 2 + 2 * NOGOOD_STORE::bytesOf(3) + NOGOOD_STORE::bytesOf(1));
    EXPECT_FALSE(s.overLimit());
}

// Learning without end, thinning whenever the store says it is over its limit: the nogoods never
// take more than the limit plus the one just added, whatever their sizes and levels, and the
// storage does not grow with the number learned.
TEST(NogoodStore, ManyConflictsStayWithinTheMemoryLimit) {
    const uint32_t atoms = 200;
    const uint64_t limit = 64 * 1024;
    NOGOOD_STORE s;
    s.reset(atoms, limit);
    uint64_t highest = 0, lowest = UINT64_MAX;
    uint32_t thinnings = 0;
    uint32_t seed = 7;
    auto next = [&]() { return seed = seed * 1103515245u + 12345u, (seed >> 8); };
    std::vector<MG_LITERAL> l;
    for (uint64_t conflict = 1; conflict <= 200000; ++conflict) {
        if (s.overLimit()) {
            s.reduce([](uint32_t) { return false; });
            ++thinnings;
            lowest = std::min(lowest, s.bytes());
        }
        l.clear();
        uint32_t size = 2 + next() % 40, start = next() % (atoms - size);
        for (uint32_t i = 0; i < size; ++i) l.push_back(next() % 2 ? trueLiteral(start + i) : falseLiteral(start + i));
        uint32_t id = s.add(l.data(), size, 1 + next() % 6);
        if (next() % 3 == 0) s.markUsed(id, conflict);
        highest = std::max(highest, s.bytes());
    }
    EXPECT_LE(highest, limit + NOGOOD_STORE::bytesOf(41));
    EXPECT_LE(lowest, limit / 2);
    EXPECT_GT(thinnings, 100u);
    EXPECT_LT(s.learnedCount(), limit / NOGOOD_STORE::bytesOf(2));
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
