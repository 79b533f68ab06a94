// Interning tables: each distinct key gets a dense index, from 0, in the order of first
// insertion; nothing is removed or renumbered, and a key read back by index stays at a fixed
// place for the whole run, until `clear` forgets every key before another input is read. Four global instances (program.h) hold the constants, the
// integers, the function symbols and the compound terms; the predicate table keeps one for
// predicate names. Lookups go through a hash index and allocate nothing on a hit: strings are
// looked up by view, compound terms by a key whose arguments point into the caller's buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/chunked_vector.h"
#include "core/hash_index.h"
#include "core/term.h"

template <class KEY> class INTERN_TABLE;

// Names (constants, function symbols, predicates). Names are kept zero-terminated in a chunked
// arena that never moves.
template <> class INTERN_TABLE<std::string> {
public:
    INTERN_TABLE() = default;
    INTERN_TABLE(const INTERN_TABLE &) = delete;
    INTERN_TABLE &operator=(const INTERN_TABLE &) = delete;

    std::pair<uint32_t, bool> add(std::string_view name);
    std::pair<uint32_t, bool> find(std::string_view name) const;
    std::pair<uint32_t, bool> findCString(const char *name) const { return find(name); }
    // The zero-terminated name of an index.
    const char *operator[](uint32_t index) const { return names[index]; }
    std::string_view view(uint32_t index) const { return {names[index], lengths[index]}; }
    uint32_t size() const { return uint32_t(names.size()); }
    // Forgets every name: the next one added takes index 0 again.
    void clear();

private:
    HASH_INDEX index;
    std::vector<const char *> names;
    std::vector<uint32_t> lengths;
    std::vector<std::unique_ptr<char[]>> chunks;
    size_t chunkUsed = 0, chunkSize = 0;

    const char *store(std::string_view name);
};

// Signed 32-bit integers; the values are kept in a flat vector by index.
template <> class INTERN_TABLE<int32_t> {
public:
    INTERN_TABLE() = default;
    INTERN_TABLE(const INTERN_TABLE &) = delete;
    INTERN_TABLE &operator=(const INTERN_TABLE &) = delete;

    std::pair<uint32_t, bool> add(int32_t value);
    std::pair<uint32_t, bool> find(int32_t value) const;
    int32_t operator[](uint32_t index) const { return values[index]; }
    uint32_t size() const { return uint32_t(values.size()); }
    void clear() {
        index.clear();
        values.clear();
    }

private:
    HASH_INDEX index;
    std::vector<int32_t> values;
};

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
    std::vector<std::unique_ptr<TERM[]>> chunks;
    size_t chunkUsed = 0, chunkSize = 0;

    const TERM *store(std::span<const TERM> args);
};
