// Per-predicate ordered sets of atoms: the facts (EDB), each part of an INTERPRETATION and an
// object's facts. Iteration runs over predicates in index order and within a predicate in atom
// order; this is the order of printed facts and interpretations. Positions (set iterators) stay
// valid while other atoms are inserted or erased, as the argument indices need. The vector may be
// shorter than the predicate table: a predicate beyond it has no atoms.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "core/atom.h"

using ATOM_SET = std::set<ATOM, ATOM_LESS>;

class ATOM_SETS {
public:
    using POSITION = ATOM_SET::const_iterator;

    // Grows the vector to the number of predicates, then inserts a copy; returns (position,
    // inserted), inserted false when an equal atom was present.
    std::pair<POSITION, bool> insert(const ATOM &atom);
    std::pair<POSITION, bool> insert(ATOM &&atom);
    // Takes an atom out of its set without copying or freeing it, and puts such an atom into a
    // set (of this or another ATOM_SETS): the grounder moves atoms from Delta into I this way.
    ATOM_SET::node_type extract(POSITION position) { return sets[position->predicate].extract(position); }
    std::pair<POSITION, bool> insert(ATOM_SET::node_type &&node);
    // Whether the set of the atom's predicate holds an equal atom; a predicate beyond the vector
    // has none.
    bool contains(const ATOM &atom) const;
    bool containsChecked(const ATOM &atom) const { return contains(atom); }
    // The same for an atom given by predicate and arguments, without making an ATOM.
    bool contains(const ATOM_VIEW &atom) const;
    // The position of an equal atom, or std::nullopt.
    std::optional<POSITION> find(const ATOM_VIEW &atom) const;
    // Removes an equal atom; returns whether there was one.
    bool erase(const ATOM &atom);
    // The atoms of a predicate; a shared empty set beyond the vector.
    const ATOM_SET &atomsOf(uint32_t predicate) const;
    const ATOM_SET &atomsOf(const ATOM &atom) const { return atomsOf(atom.predicate); }

    // The number of predicate slots (not of atoms).
    uint32_t predicateCount() const { return uint32_t(sets.size()); }
    const ATOM_SET &operator[](uint32_t predicate) const { return sets[predicate]; }
    // Total number of atoms.
    size_t atomCount() const;
    bool empty() const { return atomCount() == 0; }
    // Empties every set, keeping the vector's length.
    void clear();
    // Grows the vector with empty sets to the number of predicates.
    void grow();

    auto begin() const { return sets.begin(); }
    auto end() const { return sets.end(); }

private:
    std::vector<ATOM_SET> sets;
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
    ATOM_SET::const_iterator current, end;
    bool atEnd() const;
    void advance() { ++current; }
};
// Positioned at the first atom whose predicate has the given atom's predicate name.
ATOM_CURSOR atomsOfPredicate(const ATOM_SET &set, const ATOM &atom);
