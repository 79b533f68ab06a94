// The unit tests' main: every test starts from the global state the process starts with, so that
// the tests pass alike when ctest runs each in a process of its own and when one process runs
// them all, in any order.
#include <gtest/gtest.h>

#include "driver/run.h"

namespace {

class RESET_BEFORE_EACH_TEST : public testing::EmptyTestEventListener {
    // Called before the test's fixture is made, so that a fixture sees the reset state too.
    void OnTestStart(const testing::TestInfo &) override { resetGlobalState(); }
};

}  // namespace

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new RESET_BEFORE_EACH_TEST);
    return RUN_ALL_TESTS();
}
