#include "support/timer.h"

#include <sys/time.h>

#include "support/diagnostics.h"

TIMER timers[TIMER_COUNT];

void resetTimers() {
    for (TIMER &timer : timers) timer = TIMER{};
}

namespace {

// One carry keeps the microseconds in 0..999999 after a change of at most one second's worth.
void normalise(TIMER &t) {
    if (t.microseconds < 0) {
        t.seconds -= 1;
        t.microseconds += 1000000;
    } else if (t.microseconds > 999999) {
        t.seconds += 1;
        t.microseconds -= 1000000;
    }
}

bool readClock(int64_t &seconds, int32_t &microseconds) {
    struct timeval now;
    if (gettimeofday(&now, nullptr) != 0) {
        fputs("Warning: gettimeofday failed, timing results will be wrong\n", errorOutput());
        return false;
    }
    seconds = static_cast<int64_t>(now.tv_sec);
    microseconds = static_cast<int32_t>(now.tv_usec);
    return true;
}

}  // namespace

void TIMER::start() {
    running = true;
    int64_t s;
    int32_t us;
    if (!readClock(s, us)) return;
    seconds -= s;
    microseconds -= us;
    normalise(*this);
}

void TIMER::stop() {
    running = false;
    int64_t s;
    int32_t us;
    if (!readClock(s, us)) return;
    seconds += s;
    microseconds += us;
    normalise(*this);
}

void TIMER::add(const TIMER &other) {
    seconds += other.seconds;
    microseconds += other.microseconds;
    normalise(*this);
}

FILE *TIMER::print(FILE *out, const TIMER &timer) {
    if (timer.seconds < 0 || timer.microseconds < 0)
        fputs("TIMING ERROR.", out);
    else
        fprintf(out, "%lld.%06d", static_cast<long long>(timer.seconds), timer.microseconds);
    return out;
}
