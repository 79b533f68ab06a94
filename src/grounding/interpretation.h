// Interpretations during grounding: the global `I` and the grounder's `Delta` and `NF`.
//
// `I` holds what the finished iterations derived (positive part: true in every answer set;
// undefined part: heads of stored ground rules); the EDB facts stay in `EDB` and are never
// copied into `I`. `Delta` holds the previous iteration's new atoms, `NF` the current one's. At
// the end of each semi-naive iteration `mergeDelta` moves `Delta` into `I` and keeps the argument
// indices and the per-predicate counts in step; after the last component `simplifyGroundRules`
// drops satisfied ground rules and rebuilds the undefined part of `I`.
#pragma once

#include <cstdint>
#include <iterator>
#include <span>

#include "core/atom_sets.h"

// A range over the atoms of one predicate in one part of an interpretation (or the EDB): the
// current atom's position and the end of the predicate's set. Positions stay valid while other
// atoms are inserted or erased, so the argument indices store them.
struct ATOM_RANGE {
    uint32_t predicate = 0;
    ATOM_SETS::POSITION current;
    ATOM_SETS::POSITION end;

    bool atEnd() const { return current == end; }
    const ATOM &atom() const { return *current; }
    void advance() { ++current; }
};

// The atoms of a predicate in one part; an empty range when the predicate lies beyond the part.
inline ATOM_RANGE atomRange(const ATOM_SETS &part, uint32_t predicate) {
    const ATOM_SET &set = part.atomsOf(predicate);
    return ATOM_RANGE{predicate, set.begin(), set.end()};
}

// Parts of an interpretation as the argument indices number them.
enum : uint32_t {
    INDEX_PART_I_POSITIVE = 1,
    INDEX_PART_I_UNDEFINED = 2,
    INDEX_PART_DELTA_POSITIVE = 3,
    INDEX_PART_DELTA_UNDEFINED = 4,
};

// Moves `delta` into `interpretation` at the end of a semi-naive iteration, positive part first,
// predicate by predicate in index order and within a predicate in atom order. `atomCount` counts
// every atom moved (an atom that turns from undefined to true counts twice: the count is an
// ordering estimate only); `deltaCount` is reset. For a predicate with an argument index, every
// indexed argument position follows the move: a true atom leaves the undefined part's table and
// enters the positive part's. The atoms move node by node, so `delta` is left empty.
//
// `indices[p]` is the predicate's index or empty; an index offers `states` (0: position not
// indexed), `erase(position, term, atom, part)` and `insert(position, term, range, part)`.
template <class INDICES>
void mergeDelta(INTERPRETATION &interpretation, INTERPRETATION &delta,
                std::span<uint32_t> atomCount, std::span<uint32_t> deltaCount, INDICES &indices) {
    auto countAtom = [&](uint32_t p) {
        if (p < atomCount.size()) atomCount[p] += 1;
        if (p < deltaCount.size()) deltaCount[p] = 0;
    };
    auto indexOf = [&](uint32_t p) -> decltype(&*indices[0]) {
        if (p < indices.size() && indices[p]) return &*indices[p];
        return nullptr;
    };
    // Atoms move node by node: nothing is copied, and Delta is left empty.
    for (uint32_t p = 0; p < delta.positive.predicateCount(); p++) {
        const ATOM_SET &atoms = delta.positive[p];
        for (auto it = atoms.begin(); it != atoms.end();) {
            auto next = std::next(it);
            const ATOM &a = *it;
            countAtom(p);
            auto *index = indexOf(p);
            std::span<const TERM> args = a.args();
            if (index)
                for (uint32_t i = 0; i < args.size() && i < index->states.size(); i++)
                    if (index->states[i] != 0)
                        index->erase(i, args[i], a, INDEX_PART_I_UNDEFINED);
            if (p < interpretation.undefined.predicateCount() && !interpretation.undefined[p].empty())
                interpretation.undefined.erase(a);
            auto [position, inserted] = interpretation.positive.insert(delta.positive.extract(it));
            if (inserted && index) {
                const ATOM_SET &set = interpretation.positive[p];
                std::span<const TERM> moved = position->args();
                for (uint32_t i = 0; i < moved.size() && i < index->states.size(); i++)
                    if (index->states[i] != 0)
                        index->insert(i, moved[i], ATOM_RANGE{p, position, set.end()},
                                      INDEX_PART_I_POSITIVE);
            }
            it = next;
        }
    }
    for (uint32_t p = 0; p < delta.undefined.predicateCount(); p++) {
        const ATOM_SET &atoms = delta.undefined[p];
        for (auto it = atoms.begin(); it != atoms.end();) {
            auto next = std::next(it);
            countAtom(p);
            auto *index = indexOf(p);
            auto [position, inserted] = interpretation.undefined.insert(delta.undefined.extract(it));
            if (inserted && index) {
                std::span<const TERM> args = position->args();
                const ATOM_SET &set = interpretation.undefined[p];
                for (uint32_t i = 0; i < args.size() && i < index->states.size(); i++)
                    if (index->states[i] != 0)
                        index->insert(i, args[i], ATOM_RANGE{p, position, set.end()},
                                      INDEX_PART_I_UNDEFINED);
            }
            it = next;
        }
    }
}

// Post-processing after the last component (the caller runs it only when the positive part of
// `I` holds an atom): drops every ground rule with a true head atom or a negated body literal
// whose atom is true, filling the gap with the last rule; removes true positive literals from the
// bodies of the others; and rebuilds the undefined part of `I` as exactly the head atoms of the
// remaining rules.
// `trueAtoms`, when given, answers by ground atom number whether an atom is in the positive part
// of `I` (a caller that keeps such a table spares the ordered lookups).
void simplifyGroundRules(std::span<const uint8_t> trueAtoms = {});
