// SMALL_VECTOR against std::vector: the same contents after the same pushes, insertions and
// erasures, inside the object and past it, and deep copies and moves.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "grounding/ground_program.h"
#include "support/small_vector.h"

namespace {

template <class SMALL, class T> void expectSame(const SMALL &small, const std::vector<T> &reference) {
    ASSERT_EQ(small.size(), reference.size());
    EXPECT_EQ(small.empty(), reference.empty());
    EXPECT_TRUE(small == reference);
    for (size_t i = 0; i < reference.size(); i++) EXPECT_EQ(small[i], reference[i]);
}

TEST(SmallVector, FollowsStdVectorThroughRandomEdits) {
    std::mt19937 random(3);
    for (int round = 0; round < 200; round++) {
        SMALL_VECTOR<int32_t, 2> small;
        std::vector<int32_t> reference;
        for (int step = 0; step < 40; step++) {
            int32_t value = int32_t(random() % 1000);
            switch (random() % 4) {
            case 0:
            case 1:
                small.push_back(value);
                reference.push_back(value);
                break;
            case 2: {
                size_t at = random() % (reference.size() + 1);
                small.insert(small.begin() + at, value);
                reference.insert(reference.begin() + long(at), value);
                break;
            }
            default:
                if (reference.empty()) break;
                size_t at = random() % reference.size();
                small.erase(small.begin() + at);
                reference.erase(reference.begin() + long(at));
            }
            expectSame(small, reference);
        }
    }
}

TEST(SmallVector, CopiesAreDeepAndMovesHandTheBlockOver) {
    for (size_t n : {0u, 1u, 2u, 3u, 17u}) {
        SMALL_VECTOR<int32_t, 2> a;
        std::vector<int32_t> reference;
        for (size_t i = 0; i < n; i++) a.push_back(int32_t(i)), reference.push_back(int32_t(i));
        SMALL_VECTOR<int32_t, 2> copy = a;
        copy.push_back(99);
        expectSame(a, reference);
        SMALL_VECTOR<int32_t, 2> moved = std::move(a);
        expectSame(moved, reference);
        EXPECT_TRUE(a.empty());
        a = moved;
        expectSame(a, reference);
        moved = std::move(copy);
        reference.push_back(99);
        expectSame(moved, reference);
        // An element of the array itself may be pushed while the array grows.
        moved.push_back(moved[0]);
        EXPECT_EQ(moved.back(), moved.front());
    }
}

TEST(SmallVector, GroundBodiesKeepPositivesFirstPastTheInlineLiteral) {
    GBODY body;
    body.add(GLITERAL(4, true));
    body.add(GLITERAL(1, false));
    body.add(GLITERAL(4, true));
    body.add(GLITERAL(2, false));
    body.add(GLITERAL(1, false));
    ASSERT_EQ(body.size(), 3u);
    EXPECT_EQ(body.firstNegative, 2u);
    EXPECT_EQ(body.literals[0], GLITERAL(1, false));
    EXPECT_EQ(body.literals[1], GLITERAL(2, false));
    EXPECT_EQ(body.literals[2], GLITERAL(4, true));
    body.erase(0);
    EXPECT_EQ(body.firstNegative, 1u);
    GRULE rule(GATOM_LIST{7, 8, 9}, std::move(body), true);
    GRULE copy(rule);
    EXPECT_TRUE(copy.head == std::vector<GATOM_ID>({7, 8, 9}));
    EXPECT_EQ(copy.body.positive().size(), 1u);
    EXPECT_EQ(copy.body.negative().size(), 1u);
}

} // namespace
