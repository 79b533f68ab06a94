#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/chunk_arena.h"
#include "support/chunked_vector.h"

namespace {

TEST(ChunkedVector, ElementsStayInPlaceAcrossChunks) {
    CHUNKED_VECTOR<std::string, 3> v; // chunks of 8
    std::vector<const std::string *> addresses;
    for (int i = 0; i < 100; i++) {
        v.push_back(std::to_string(i) + std::string(30, 'x'));
        addresses.push_back(&v[i]);
    }
    EXPECT_EQ(v.size(), 100u);
    for (int i = 0; i < 100; i++) {
        EXPECT_EQ(&v[i], addresses[i]);
        EXPECT_EQ(v[i], std::to_string(i) + std::string(30, 'x'));
    }
}

TEST(ChunkedVector, DestroysWhatItHolds) {
    auto counter = std::make_shared<int>(0);
    {
        CHUNKED_VECTOR<std::shared_ptr<int>, 2> v;
        for (int i = 0; i < 9; i++) v.emplace_back(counter);
        EXPECT_EQ(counter.use_count(), 10);
        v.clear();
        EXPECT_EQ(counter.use_count(), 1);
        EXPECT_TRUE(v.empty());
        for (int i = 0; i < 5; i++) v.push_back(counter);
        EXPECT_EQ(counter.use_count(), 6);
    }
    EXPECT_EQ(counter.use_count(), 1);
}

// Runs of every length, one longer than the largest chunk among them, stay where they were put
// and keep their values while later runs fill and open chunks.
TEST(ChunkArena, RunsStayInPlaceAcrossChunks) {
    CHUNK_ARENA<uint32_t, 4> arena;
    const size_t lengths[] = {1, 3, 4, 2, 9, 1, 16, CHUNK_ARENA<uint32_t, 4>::MAX_CHUNK + 5, 7, 30, 5};
    std::vector<std::pair<uint32_t *, size_t>> runs;
    uint32_t next = 0;
    for (int round = 0; round < 3; round++)
        for (size_t length : lengths) {
            uint32_t *run = arena.allocate(length);
            for (size_t i = 0; i < length; i++) run[i] = next + uint32_t(i);
            runs.emplace_back(run, length);
            next += uint32_t(length);
        }
    uint32_t expected = 0;
    for (const auto &[run, length] : runs)
        for (size_t i = 0; i < length; i++) ASSERT_EQ(run[i], expected++);
    arena.clear();
    uint32_t *fresh = arena.allocate(3);
    fresh[2] = 7;
    EXPECT_EQ(fresh[2], 7u);
}

} // namespace
