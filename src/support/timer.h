// Wall-clock timers. A TIMER accumulates over any number of start/stop pairs: start subtracts the
// clock from the value and stop adds it, so the value is negative while the timer runs and prints
// as "TIMING ERROR." then. The ten global `timers` time the phases of a run (TIMER_* below).
#pragma once

#include <cstdint>
#include <cstdio>

// Seconds are 64-bit so that clock values past 2038 neither wrap nor overflow; microseconds stay
// in 0..999999 after every change (one carry is made per change).
struct TIMER {
    int64_t seconds = 0;
    int32_t microseconds = 0;
    bool running = false;

    void start();
    void stop();
    void add(const TIMER &other);

    // Writes "seconds.micros" (micros as six digits), or "TIMING ERROR." when the value is
    // negative; no newline. Returns the stream.
    static FILE *print(FILE *out, const TIMER &timer);
};

enum TIMER_INDEX {
    TIMER_PARSING = 0,          // reading input up to basic rewriting
    TIMER_REWRITING_BASIC = 1,
    TIMER_REWRITING_PROJECTION = 2,
    TIMER_SUBSUMPTION = 3,
    TIMER_INSTANTIATION = 4,
    TIMER_DEPGRAPH = 5,
    TIMER_POSTPROCESSING = 6,
    TIMER_CONSTRAINTS = 7,
    TIMER_RULE_INSTANTIATION = 8, // one constraint at a time under -stats-grounding++
    TIMER_TOTAL = 9,             // from the start of the run to model generation
    TIMER_COUNT = 10,
};

extern TIMER timers[TIMER_COUNT];
// Every timer back at zero and stopped.
void resetTimers();
