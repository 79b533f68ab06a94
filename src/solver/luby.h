// The Luby sequence 1, 1, 2, 1, 1, 2, 4, 1, 1, 2, 1, 1, 2, 4, 8, ...: both searches, the model
// generator's and the satisfiability solver's, wait a multiple of its next number of
// contradictions before they restart. Numbers are counted from 0.
#ifndef QUARN_SOLVER_LUBY_H
#define QUARN_SOLVER_LUBY_H

#include <cstdint>

inline uint64_t luby(uint64_t index) {
    // The sequence is made of blocks of 2^k - 1 numbers; find the smallest that holds the index,
    // then go down into the block's repeated first half until the index ends one.
    uint64_t size = 1;
    uint32_t power = 0;
    while (size < index + 1) {
        ++power;
        size = 2 * size + 1;
    }
    while (size - 1 != index) {
        size = (size - 1) >> 1;
        --power;
        index %= size;
    }
    return uint64_t(1) << power;
}

#endif
