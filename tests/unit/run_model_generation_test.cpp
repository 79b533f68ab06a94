#include <gtest/gtest.h>

#include "driver/run_model_generation.h"
#include "support/option_values.h"
#include "ground_program_text.h"

using namespace testing_ground;

// No ground rule is left, but a weak constraint's residual body holds only a negated atom, which
// is false now: the weak constraint is violated and its weight counts against -costbound=.
TEST(DecidedProgramDeathTest, ResidualWeakConstraintsCountAgainstTheBound) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto run = [](uint64_t bound) {
        loadGroundProgram(":~ not dp_x. [1:1]");
        groundRules.clear();
        frontEndMode = FRONTEND_NONE;
        COST_VECTOR costBound(1u, bound), baseCost(1u, 0);
        RUN r;
        reportDecidedProgram(r, costBound, baseCost);
    };
    EXPECT_EXIT(run(0), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(run(1000), testing::ExitedWithCode(0), "");
}
