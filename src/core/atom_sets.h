// Per-predicate ordered sets of atoms: the facts (EDB), each part of an INTERPRETATION and an
// object's facts. Iteration runs over predicates in index order and within a predicate in atom
// order (compareAtom); this is the order of printed facts and interpretations. The vector may be
// shorter than the predicate table: a predicate beyond it has no atoms.
//
// An ATOM_SET holds one predicate's atoms as rows of the atom store (atom_store.h), so an atom
// costs four bytes in each set that holds it, besides its one copy in the store. Membership is a
// bit per row, so `contains` is one hash probe and a bit test. The rows are kept in atom order:
// an atom that follows the set's last one is appended; others wait in a pending list, and the
// first read in order (iteration, `rows`) sorts the pending rows (sorted runs are merged, not
// sorted again) and merges them in, comparing each with only the few rows it must pass. Erasing
// clears the bit at once and drops the row from the order at the next read. So a set filled in
// any order costs what sorting it once costs, and a run of atoms moved into a large set in order
// costs about the run's length, never a walk of the set per atom.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <vector>

#include "core/atom.h"
#include "core/atom_store.h"

// The atom of a row of the atom store.
ATOM_REF atomRef(uint32_t predicate, uint32_t row);

class ATOM_SET {
public:
    class const_iterator {
    public:
        using value_type = ATOM_REF;
        using difference_type = std::ptrdiff_t;
        const_iterator() = default;
        const_iterator(const uint32_t *position, uint32_t predicate) : position(position), predicate(predicate) {}
        ATOM_REF operator*() const { return atomRef(predicate, *position); }
        const_iterator &operator++() {
            ++position;
            return *this;
        }
        friend bool operator==(const const_iterator &a, const const_iterator &b) { return a.position == b.position; }
        friend bool operator!=(const const_iterator &a, const const_iterator &b) { return a.position != b.position; }
        uint32_t row() const { return *position; }

    private:
        const uint32_t *position = nullptr;
        uint32_t predicate = 0;
    };

    explicit ATOM_SET(uint32_t predicate = 0) : predicate_(predicate) {}

    uint32_t predicate() const { return predicate_; }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

    // Adds a row (or an atom, stored first when new); false when it was present.
    bool insertRow(uint32_t row);
    bool insert(std::span<const TERM> args);
    bool insert(const ATOM &atom);
    // Removes a row (or an atom); false when it was not present.
    bool eraseRow(uint32_t row);
    bool erase(const ATOM &atom);
    bool hasRow(uint32_t row) const { return row < bitCount() && ((bits_[row >> 6] >> (row & 63)) & 1) != 0; }
    bool contains(std::span<const TERM> args) const;
    bool contains(const ATOM &atom) const;
    // Empties the set; its storage is kept for refilling.
    void clear();

    // The rows in atom order.
    std::span<const uint32_t> rows() const {
        consolidate();
        return rows_;
    }
    const_iterator begin() const {
        consolidate();
        return const_iterator(rows_.data(), predicate_);
    }
    const_iterator end() const {
        consolidate();
        return const_iterator(rows_.data() + rows_.size(), predicate_);
    }

    // Bytes held, for the statistics of the benchmarks.
    size_t memoryUse() const;

private:
    uint32_t predicate_;
    uint32_t count_ = 0;
    std::vector<uint64_t> bits_;             // by row: a member
    mutable std::vector<uint32_t> rows_;     // members in atom order, and erased rows until the next read
    mutable std::vector<uint32_t> pending_;  // members that did not follow the last row, in arrival order
    mutable bool stale_ = false;             // rows_ or pending_ may hold rows that were erased

    size_t bitCount() const { return bits_.size() * 64; }
    bool less(uint32_t a, uint32_t b) const;
    void consolidate() const {
        if (!pending_.empty() || stale_) mergePending();
    }
    void mergePending() const;
    void sortPending() const;
    void sortByKeys(const ATOM_STORE::RELATION &relation) const;
};

// A set of atoms of several predicates in atom order, held by value (the overridden atoms of an
// object, the rows of an SQL answer).
using ORDERED_ATOMS = std::set<ATOM, ATOM_LESS>;

class ATOM_SETS {
public:
    // Grows the vector to the number of predicates, then inserts the atom; false when an equal
    // atom was present.
    bool insert(const ATOM &atom);
    // An atom of the atom store (an aggregate atom of the ground atom table by value).
    bool insert(const ATOM_REF &atom) {
        return atom.isAggregate() ? insert(*atom.general) : insertRow(atom.predicate, atom.row);
    }
    bool insertRow(uint32_t predicate, uint32_t row);
    // Whether the set of the atom's predicate holds an equal atom; a predicate beyond the vector
    // has none.
    bool contains(const ATOM &atom) const;
    bool containsChecked(const ATOM &atom) const { return contains(atom); }
    // The same for an atom given by predicate and arguments, without making an ATOM.
    bool contains(const ATOM_VIEW &atom) const;
    bool containsRow(uint32_t predicate, uint32_t row) const {
        return predicate < sets.size() && sets[predicate].hasRow(row);
    }
    bool contains(const ATOM_REF &atom) const {
        return atom.isAggregate() ? contains(*atom.general) : containsRow(atom.predicate, atom.row);
    }
    // The stored atom equal to the given one, or std::nullopt.
    std::optional<ATOM_REF> find(const ATOM_VIEW &atom) const;
    // Removes an equal atom; returns whether there was one.
    bool erase(const ATOM &atom);
    bool eraseRow(uint32_t predicate, uint32_t row) { return predicate < sets.size() && sets[predicate].eraseRow(row); }
    // The atoms of a predicate; a shared empty set beyond the vector.
    const ATOM_SET &atomsOf(uint32_t predicate) const;
    const ATOM_SET &atomsOf(const ATOM &atom) const { return atomsOf(atom.predicate); }
    // Takes all atoms of a predicate out, in atom order.
    std::vector<ATOM> takeAll(uint32_t predicate);

    // The number of predicate slots (not of atoms).
    uint32_t predicateCount() const { return uint32_t(sets.size()); }
    // The predicates that received an atom since the last `clear`, in index order (their sets
    // may have been emptied since by erasing). Walking these instead of every slot keeps the
    // grounder's per-iteration work in the size of what changed, not of the predicate table.
    std::span<const uint32_t> usedPredicates() const;
    const ATOM_SET &operator[](uint32_t predicate) const { return sets[predicate]; }
    // Total number of atoms.
    size_t atomCount() const;
    bool empty() const { return atomCount() == 0; }
    // Empties every set, keeping the vector's length.
    void clear();
    // Grows the vector with empty sets to the number of predicates.
    void grow();
    size_t memoryUse() const;

    auto begin() const { return sets.begin(); }
    auto end() const { return sets.end(); }

private:
    std::vector<ATOM_SET> sets;
    mutable std::vector<uint32_t> used;  // predicates inserted into since the last clear
    std::vector<uint8_t> isUsed;         // by predicate: listed in `used`
    mutable bool usedSorted = true;

    void growTo(uint32_t predicate);
    void markUsed(uint32_t predicate) {
        if (isUsed[predicate]) return;
        isUsed[predicate] = 1;
        if (!used.empty() && used.back() > predicate) usedSorted = false;
        used.push_back(predicate);
    }
};

struct INTERPRETATION {
    ATOM_SETS positive;  // atoms known true
    ATOM_SETS undefined; // atoms that may be true
    void clear() {
        positive.clear();
        undefined.clear();
    }
};

// A cursor over the adjacent atoms of one predicate name in a set that holds atoms of several
// predicates.
struct ATOM_CURSOR {
    std::string_view name;
    ORDERED_ATOMS::const_iterator current, end;
    bool atEnd() const;
    void advance() { ++current; }
};
// Positioned at the first atom whose predicate has the given atom's predicate name.
ATOM_CURSOR atomsOfPredicate(const ORDERED_ATOMS &set, const ATOM &atom);
