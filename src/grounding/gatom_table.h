// The ground atom table: every ground atom that grounding makes gets a dense number, from 0 in
// the order of first insertion, which is its identity from then on (ground rules, truth values,
// printers). Atoms are stored once, at a fixed place; a lookup of a known atom allocates
// nothing. An ordinary atom is found through its row in the atom store, which the grounder's
// truth tests have usually just looked up, and a number per row; aggregate atoms, which the
// store does not hold, through a hash index of their own. After grounding the driver freezes
// the table: looking up a known atom stays allowed, a new atom is the internal error "freeze
// violation".
#pragma once

#include <cstdint>
#include <vector>

#include "core/atom.h"
#include "core/chunked_vector.h"
#include "core/hash_index.h"

using GATOM_ID = int32_t;

// A strong hash over the predicate and the argument terms; aggregate atoms hash by predicate,
// guards and the elements of their ground set, which completing a stored aggregate atom in place
// (interning its set and function) leaves unchanged. Numbering never depends on hash values.
uint32_t hashAtom(const ATOM &atom);

class GATOM_TABLE {
public:
    bool groundAtomsFrozen = false;

    GATOM_TABLE() = default;
    GATOM_TABLE(const GATOM_TABLE &) = delete;
    GATOM_TABLE &operator=(const GATOM_TABLE &) = delete;

    // The atom's number; a new atom is appended with the next number.
    GATOM_ID add(const ATOM &atom);
    GATOM_ID add(ATOM &&atom);
    // The same for an atom given as predicate and arguments: no atom is made unless it is new.
    GATOM_ID add(uint32_t predicate, std::span<const TERM> args);
    // The atom's number, or -1 when it is not in the table.
    GATOM_ID find(const ATOM &atom) const;
    GATOM_ID find(uint32_t predicate, std::span<const TERM> args) const;

    const ATOM &operator[](GATOM_ID id) const { return atoms[size_t(id)]; }
    // For completing a stored aggregate atom in place; its hash must not change.
    ATOM &mutableAtom(GATOM_ID id) { return atoms[size_t(id)]; }
    uint32_t size() const { return uint32_t(atoms.size()); }
    void freeze() { groundAtomsFrozen = true; }
    // Forgets every atom and thaws the table.
    void clear() {
        aggregateIndex.clear();
        numberOfRow.clear();
        atoms.clear();
        groundAtomsFrozen = false;
    }

private:
    CHUNKED_VECTOR<ATOM> atoms;
    std::vector<std::vector<GATOM_ID>> numberOfRow; // by predicate, by atom-store row: -1 for none
    HASH_INDEX aggregateIndex;                      // aggregate atoms, by hashAtom

    // The number slot of a stored row, made (-1) when missing.
    GATOM_ID &slotOf(uint32_t predicate, uint32_t row);
    GATOM_ID numberOf(uint32_t predicate, uint32_t row) const {
        if (predicate >= numberOfRow.size() || row >= numberOfRow[predicate].size()) return -1;
        return numberOfRow[predicate][row];
    }
    GATOM_ID added();
};
