// The atom store: every atom that an atom set holds (the facts, the interpretations of grounding)
// is kept here once and is known by its predicate and its row. Rows are dense per predicate, from
// 0 in the order of first insertion, and are never reused or removed, so a row names its atom for
// the whole run and a set of atoms can be a list of rows.
//
// Each predicate has a relation that keeps the arguments of its rows in one arena, `arity` terms
// per row, in chunks that never move: the span of a row's arguments stays valid for the run, also
// while further rows are added. A hash index over the argument words finds a row without making
// an ATOM and allocates nothing; it compares 32-bit hashes first and reads the arena only on a
// hash match. A relation whose atoms differ in their number of arguments (objects prepend one to
// some facts), or that holds an aggregate atom, keeps each row as an ATOM instead.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "core/atom.h"
#include "core/term.h"
#include "support/chunked_vector.h"
#include "support/hash_index.h"

// A stored atom as the sets yield it: its predicate, its row in the atom store and its arguments.
// `general` is the stored ATOM of a relation that keeps ATOMs (then also for an aggregate atom),
// else null. The argument span stays valid for the run.
struct ATOM_REF {
    uint32_t predicate = 0;
    uint32_t row = 0;
    std::span<const TERM> arguments;
    const ATOM *general = nullptr;

    std::span<const TERM> args() const { return arguments; }
    uint32_t argCount() const { return uint32_t(arguments.size()); }
    TERM arg(uint32_t i) const { return arguments[i]; }
    bool isAggregate() const { return general && general->isAggregate(); }
    const AGGREGATE_ATOM *aggregate() const { return general ? general->aggregate() : nullptr; }
    ATOM_VIEW view() const { return ATOM_VIEW{predicate, arguments}; }
    // A copy as an ATOM.
    ATOM atom() const { return general ? *general : ATOM(predicate, arguments); }
};


class ATOM_STORE {
public:
    static constexpr uint32_t NONE = UINT32_MAX;

    ATOM_STORE() = default;
    ATOM_STORE(const ATOM_STORE &) = delete;
    ATOM_STORE &operator=(const ATOM_STORE &) = delete;

    // The row of the atom, NONE when it is not stored.
    uint32_t find(uint32_t predicate, std::span<const TERM> args) const {
        const RELATION *r = relationOf(predicate);
        return r ? r->find(args) : NONE;
    }
    uint32_t find(const ATOM &atom) const;
    // The row of the atom, stored first when it is new; (row, added).
    std::pair<uint32_t, bool> insert(uint32_t predicate, std::span<const TERM> args);
    std::pair<uint32_t, bool> insert(const ATOM &atom);

    // The arguments of a row (none for an aggregate atom).
    std::span<const TERM> args(uint32_t predicate, uint32_t row) const { return relations[predicate]->args(row); }
    // The atom of a row.
    ATOM_REF ref(uint32_t predicate, uint32_t row) const {
        const RELATION &r = *relations[predicate];
        if (r.general) {
            const ATOM &a = r.atoms[row];
            return ATOM_REF{predicate, row, a.args(), &a};
        }
        return ATOM_REF{predicate, row, {r.termsOf(row), r.arity}, nullptr};
    }
    uint32_t rowCount(uint32_t predicate) const {
        const RELATION *r = relationOf(predicate);
        return r ? r->rows : 0;
    }
    // The atom order (compareAtom) between two rows of one predicate.
    int compareRows(uint32_t predicate, uint32_t a, uint32_t b) const { return relations[predicate]->compare(a, b); }
    bool lessRows(uint32_t predicate, uint32_t a, uint32_t b) const { return relations[predicate]->compare(a, b) < 0; }

    // Bytes held, for the statistics of the benchmarks.
    size_t memoryUse() const;
    // Forgets every atom; the atom sets must be empty.
    void clear() { relations.clear(); }

    // One predicate's atoms.
    class RELATION {
    public:
        uint32_t predicate = 0;
        uint32_t arity = 0;
        uint32_t rows = 0;
        bool general = false; // rows kept as ATOMs in `atoms`

        std::span<const TERM> args(uint32_t row) const {
            if (general) return atoms[row].args();
            return {termsOf(row), arity};
        }
        uint32_t find(std::span<const TERM> args) const;
        int compare(uint32_t a, uint32_t b) const;

    private:
        friend class ATOM_STORE;
        // Rows of a fixed relation live in chunks of growing size: chunk 0 and 1 hold FIRST_ROWS
        // rows each, every later one twice as many as the one before, up to MAX_ROWS rows
        // (fewer for wide atoms); then chunks stay at that size. A small relation costs little,
        // and a row is found with a few shifts.
        static constexpr uint32_t FIRST_SHIFT = 4;
        uint32_t maxShift = 16; // log2 of the largest chunk's number of rows
        std::vector<std::unique_ptr<TERM[]>> chunks;
        CHUNKED_VECTOR<ATOM, 8> atoms;
        HASH_INDEX index;

        // The chunk of a row and the row's place in it.
        std::pair<uint32_t, uint32_t> placeOf(uint32_t row) const {
            uint32_t geometricRows = 2u << maxShift; // rows of the chunks that double
            if (row < geometricRows) {
                uint32_t chunk = uint32_t(std::bit_width(row >> FIRST_SHIFT));
                uint32_t first = chunk == 0 ? 0 : (1u << (FIRST_SHIFT + chunk - 1));
                return {chunk, row - first};
            }
            uint32_t beyond = row - geometricRows;
            return {maxShift - FIRST_SHIFT + 2 + (beyond >> maxShift), beyond & ((1u << maxShift) - 1)};
        }
        uint32_t chunkRows(uint32_t chunk) const {
            uint32_t doubling = maxShift - FIRST_SHIFT + 1;
            if (chunk == 0) return 1u << FIRST_SHIFT;
            if (chunk <= doubling) return 1u << (FIRST_SHIFT + chunk - 1);
            return 1u << maxShift;
        }
        const TERM *termsOf(uint32_t row) const {
            auto [chunk, place] = placeOf(row);
            return chunks[chunk].get() + size_t(place) * arity;
        }
        TERM *appendRow();
        void makeGeneral();
        bool equal(uint32_t row, std::span<const TERM> args) const;
    };

    const RELATION *relationOf(uint32_t predicate) const {
        return predicate < relations.size() ? relations[predicate].get() : nullptr;
    }

private:
    std::vector<std::unique_ptr<RELATION>> relations; // by predicate, made on first insertion

    RELATION &relationFor(uint32_t predicate, uint32_t arity);
};

// The hash of an argument list, as the atom store's indices use it.
uint32_t hashArgumentList(std::span<const TERM> args);
