// Storage for runs of values of varying length that never move once stored: the interning tables
// keep the text of names and the arguments of compound terms here, and hand out pointers into it
// that stay valid until `clear`. Storage comes in chunks; each new chunk doubles the last, from
// FIRST_CHUNK up to MAX_CHUNK values, and a run longer than that gets a chunk of its own size. The
// rest of a chunk too small for the next run is left unused.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

template <class T, size_t FIRST_CHUNK> class CHUNK_ARENA {
public:
    static constexpr size_t MAX_CHUNK = size_t(1) << 20;

    CHUNK_ARENA() = default;
    CHUNK_ARENA(const CHUNK_ARENA &) = delete;
    CHUNK_ARENA &operator=(const CHUNK_ARENA &) = delete;

    // Room for `count` values, contiguous, at a place that stays fixed until `clear`.
    T *allocate(size_t count) {
        if (used + count > size) {
            size = std::max(count, std::min(MAX_CHUNK, std::max(FIRST_CHUNK, size * 2)));
            chunks.emplace_back(new T[size]);
            used = 0;
        }
        T *place = chunks.back().get() + used;
        used += count;
        return place;
    }
    // Frees every chunk: every pointer handed out so far dangles.
    void clear() {
        chunks.clear();
        used = size = 0;
    }

private:
    std::vector<std::unique_ptr<T[]>> chunks;
    size_t used = 0, size = 0;
};
