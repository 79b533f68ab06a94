// Interning tables: each distinct key gets a dense index, from 0, in the order of first
// insertion; nothing is removed or renumbered, and a key read back by index stays at a fixed
// place for the whole run, until `clear` forgets every key before another input is read. Names
// and integers are interned here; the table of compound terms (core/complex_term_table.h) is a
// further specialisation that knows terms. Four global instances (core/program.h) hold the
// constants, the integers, the function symbols and the compound terms; the predicate table keeps
// one for predicate names. Lookups go through a hash index and allocate nothing on a hit: strings
// are looked up by view, compound terms by a key whose arguments point into the caller's buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/chunk_arena.h"
#include "support/hash_index.h"

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
    CHUNK_ARENA<char, 4096> text;

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
