#include <gtest/gtest.h>

#include <memory>
#include <string>

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

} // namespace
