// The aggregate part of an aggregate atom (an ATOM whose predicate has kind
// PREDICATE_AGGREGATE): the two guards with their inclusive flags, the assignment flag (X =
// #f{...}, both guards are X) and the aggregate function, owned, or, once the grounder has
// interned the function, its index in the aggregate-function table.
#pragma once

#include <cstdint>

#include "core/term.h"

class AGGREGATEFUNCTION;

struct AGGREGATE_ATOM {
    AGGREGATEFUNCTION *function = nullptr; // owned; none once interned (then functionIndex)
    uint32_t functionIndex = 0;
    TERM lowerGuard;
    uint8_t lowerInclusive = 0;
    TERM upperGuard;
    uint8_t upperInclusive = 0;
    uint8_t assignment = 0;

    AGGREGATE_ATOM() = default;
    // A copy clones the function when present; an interned one copies the index only.
    AGGREGATE_ATOM(const AGGREGATE_ATOM &other);
    AGGREGATE_ATOM(AGGREGATE_ATOM &&other) noexcept;
    AGGREGATE_ATOM &operator=(const AGGREGATE_ATOM &other);
    AGGREGATE_ATOM &operator=(AGGREGATE_ATOM &&other) noexcept;
    ~AGGREGATE_ATOM();

    // The aggregate function: its own, or the interned one at functionIndex.
    AGGREGATEFUNCTION *getFunction() const;

    // The order of two aggregate atoms of the same aggregate predicate.
    static int compare(const AGGREGATE_ATOM &a, const AGGREGATE_ATOM &b);
};
