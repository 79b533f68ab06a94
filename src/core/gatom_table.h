// The ground atom table: every ground atom that grounding makes gets a dense number, from 0 in
// the order of first insertion, which is its identity from then on (ground rules, truth values,
// printers). An ordinary atom lives in the atom store: the table keeps its predicate and row
// (8 bytes a number) and finds it through that row, which the grounder's truth tests have
// usually just looked up, and a number per row. Aggregate atoms, which the store does not hold,
// are kept here at a fixed place and found through a hash index of their own. A lookup of a
// known atom allocates nothing. After grounding the driver freezes the table: looking up a known
// atom stays allowed, a new atom is the internal error "freeze violation".
#pragma once

#include <cstdint>
#include <vector>

#include "core/atom.h"
#include "core/atom_store.h"
#include "core/program.h"
#include "support/chunked_vector.h"
#include "support/hash_index.h"

using GATOM_ID = int32_t;

// A strong hash over the predicate and the argument terms; aggregate atoms hash by predicate,
// guards and the elements of their ground set, which completing a stored aggregate atom in place
// (interning its set and function) leaves unchanged. Numbering never depends on hash values.
uint32_t hashAtom(const ATOM &atom);
uint32_t hashAtom(const ATOM_REF &atom);

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
    // The same for an atom given by its row in the atom store.
    GATOM_ID addRow(uint32_t predicate, uint32_t row) {
        GATOM_ID &slot = slotOf(predicate, row);
        if (slot >= 0) return slot;
        slot = GATOM_ID(entries.size());
        entries.push_back(ENTRY{predicate, row});
        return added();
    }
    // The atom's number, or -1 when it is not in the table.
    GATOM_ID find(const ATOM &atom) const;
    GATOM_ID find(uint32_t predicate, std::span<const TERM> args) const;

    // The atom of a number; the view stays valid for the run.
    ATOM_REF operator[](GATOM_ID id) const {
        const ENTRY &e = entries[size_t(id)];
        if (e.row & AGGREGATE_ROW) {
            const ATOM &a = aggregates[e.row & ~AGGREGATE_ROW];
            return ATOM_REF{e.predicate, e.row, a.args(), &a};
        }
        return atomStore.ref(e.predicate, e.row);
    }
    // For completing a stored aggregate atom in place; its hash must not change.
    ATOM &mutableAggregate(GATOM_ID id) { return aggregates[entries[size_t(id)].row & ~AGGREGATE_ROW]; }
    uint32_t size() const { return uint32_t(entries.size()); }
    void freeze() { groundAtomsFrozen = true; }
    // Forgets every atom and thaws the table.
    void clear() {
        aggregateIndex.clear();
        numberOfRow.clear();
        entries.clear();
        aggregates.clear();
        groundAtomsFrozen = false;
    }

private:
    static constexpr uint32_t AGGREGATE_ROW = 0x80000000u;
    // A number's atom: its row in the atom store, or AGGREGATE_ROW and its place in `aggregates`.
    struct ENTRY {
        uint32_t predicate;
        uint32_t row;
    };
    std::vector<ENTRY> entries;
    CHUNKED_VECTOR<ATOM> aggregates;
    std::vector<std::vector<GATOM_ID>> numberOfRow; // by predicate, by atom-store row: -1 for none
    HASH_INDEX aggregateIndex;                      // aggregate atoms, by hashAtom

    // The number slot of a stored row, made (-1) when missing.
    GATOM_ID &slotOf(uint32_t predicate, uint32_t row);
    GATOM_ID numberOf(uint32_t predicate, uint32_t row) const {
        if (predicate >= numberOfRow.size() || row >= numberOfRow[predicate].size()) return -1;
        return numberOfRow[predicate][row];
    }
    GATOM_ID added();
    GATOM_ID addAggregate(ATOM &&atom);
    const ATOM &aggregateOf(uint32_t number) const;
};

// The ground atoms of the run; the grounder fills it, and every later stage reads it.
extern GATOM_TABLE groundAtomTable;
