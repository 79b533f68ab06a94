// The grounder's settings, taken from the command line by the driver and handed to the
// INSTANTIATOR when it is built; the grounder copies them into each ORDERED_BODY it makes, so
// that the matcher reads them as plain members.
#pragma once

#include <cstdint>

struct GROUNDING_CONFIG {
    uint32_t optOGo = 2;             // -OGo0, -OGo1, -OGo2: body reordering none, simple, advanced
    bool optOGs = true;              // -OGs: semi-naive variants of recursive rules
    bool optStatsGrounding = false;  // -stats-grounding++: a trace of each statement and its order
    uint32_t optMaxNesting = 0;      // -maxnesting=: deepest function term in a head (0: no limit)
    uint32_t optMaxList = 0;         // -maxlist=: longest list in a head (0: no limit)
};
