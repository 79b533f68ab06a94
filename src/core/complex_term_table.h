// The interning table of compound terms (functions and lists): a key is a COMPLEX_TERM whose
// arguments point into the caller's buffer, and the stored entry's arguments live in storage that
// never moves. Beside each entry the table keeps what walks over nested terms would otherwise
// compute: its nesting depth and its longest list.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "core/term.h"
#include "support/chunk_arena.h"
#include "support/chunked_vector.h"
#include "support/hash_index.h"
#include "support/intern_table.h"

// Compound terms. Entries and their arguments live in storage that never moves.
template <> class INTERN_TABLE<COMPLEX_TERM> {
public:
    INTERN_TABLE() = default;
    INTERN_TABLE(const INTERN_TABLE &) = delete;
    INTERN_TABLE &operator=(const INTERN_TABLE &) = delete;

    // Interns the key as given (no flattening: internComplexTerm does that).
    std::pair<uint32_t, bool> add(const COMPLEX_TERM &key);
    std::pair<uint32_t, bool> find(const COMPLEX_TERM &key) const;
    const COMPLEX_TERM &operator[](uint32_t index) const { return entries[index]; }
    uint32_t size() const { return uint32_t(entries.size()); }
    // Nesting depth of a stored term (1 for a term without compound arguments), kept at
    // interning so that no walk is needed.
    uint32_t depth(uint32_t index) const { return depths[index]; }
    // The most elements of a list anywhere inside a stored term, the term itself included (0
    // without lists), kept at interning like the depth: -maxlist= bounds every one of them.
    uint32_t longestList(uint32_t index) const { return longestLists[index]; }
    // Walks over nested terms (core/term.cpp) enter a term that several arguments share once: a
    // walk takes a new stamp, and `firstVisit` stamps a stored term and answers whether that walk
    // had not stamped it before. A walk nested in another takes a stamp of its own, after which
    // the outer walk may enter a term a second time, never miss one.
    uint32_t newWalkStamp();
    bool firstVisit(uint32_t index, uint32_t stamp) {
        if (walkStamps[index] == stamp) return false;
        walkStamps[index] = stamp;
        return true;
    }
    void clear();

    static uint32_t hashKey(const COMPLEX_TERM &key);

private:
    HASH_INDEX index;
    CHUNKED_VECTOR<COMPLEX_TERM> entries;
    std::vector<uint32_t> depths;
    std::vector<uint32_t> longestLists;
    std::vector<uint32_t> walkStamps;
    uint32_t walkStamp = 0;
    CHUNK_ARENA<TERM, 1024> arguments;

    const TERM *store(std::span<const TERM> args);
};
