#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/timer.h"

namespace {

std::string printed(const TIMER &t) {
    char buffer[64] = {};
    FILE *f = fmemopen(buffer, sizeof buffer, "w");
    TIMER::print(f, t);
    fclose(f);
    return buffer;
}

TIMER make(int64_t s, int32_t us) {
    TIMER t;
    t.seconds = s;
    t.microseconds = us;
    return t;
}

TEST(Timer, PrintsSecondsAndSixDigitMicroseconds) {
    EXPECT_EQ("3.004500", printed(make(3, 4500)));
    EXPECT_EQ("0.000005", printed(make(0, 5)));
    EXPECT_EQ("0.000000", printed(TIMER{}));
    EXPECT_EQ("TIMING ERROR.", printed(make(-1, 999999)));
    // Seconds beyond 32 bits (a clock past 2038 summed up) print in full.
    EXPECT_EQ("4294967296.000001", printed(make(4294967296LL, 1)));
}

TEST(Timer, AddCarriesMicroseconds) {
    TIMER a = make(1, 500000);
    a.add(make(0, 700000));
    EXPECT_EQ(2, a.seconds);
    EXPECT_EQ(200000, a.microseconds);
    a.add(make(0, 800000));
    EXPECT_EQ(3, a.seconds);
    EXPECT_EQ(0, a.microseconds);
}

TEST(Timer, RunningTimerPrintsTimingErrorAndStoppedTimerAccumulates) {
    TIMER t;
    t.start();
    EXPECT_TRUE(t.running);
    EXPECT_EQ("TIMING ERROR.", printed(t));
    t.stop();
    EXPECT_FALSE(t.running);
    EXPECT_GE(t.seconds, 0);
    EXPECT_GE(t.microseconds, 0);
    EXPECT_LE(t.microseconds, 999999);
    TIMER before = t;
    t.start();
    t.stop();
    // A second start/stop pair adds to the value; it never goes back.
    EXPECT_TRUE(t.seconds > before.seconds ||
                (t.seconds == before.seconds && t.microseconds >= before.microseconds));
}

TEST(Timer, TheTenGlobalTimersStartAtZero) {
    for (int i = 0; i < TIMER_COUNT; ++i) {
        EXPECT_EQ(0, timers[i].seconds);
        EXPECT_EQ(0, timers[i].microseconds);
    }
}

}  // namespace
