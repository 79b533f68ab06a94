#include <gtest/gtest.h>

TEST(Build, LinksTheLibrary) { SUCCEED(); }
