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
#include "core/program.h"

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
// ordering estimate only); `deltaCount` is reset. A predicate's argument index learns each row
// added to a part of I, in this order, and brings its tables up to date when they are looked up
// (a true atom's entry in the undefined part's table is skipped by lookups from now on). Each
// part of I takes Delta's atoms as one run in order, so the move costs about the size of Delta,
// not of I; `delta` is left empty.
//
// `indices[p]` is the predicate's index or empty; an index offers `logMove(row, part)`.
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
    auto move = [&](ATOM_SETS &from, ATOM_SETS &to, uint32_t part, bool leavesUndefined) {
        for (uint32_t p : from.usedPredicates()) {
            const ATOM_SET &atoms = from[p];
            if (atoms.empty()) continue;
            auto *index = indexOf(p);
            for (uint32_t row : atoms.rows()) {
                countAtom(p);
                if (leavesUndefined) interpretation.undefined.eraseRow(p, row);
                if (to.insertRow(p, row) && index) index->logMove(row, part);
            }
        }
        from.clear();
    };
    move(delta.positive, interpretation.positive, INDEX_PART_I_POSITIVE, true);
    move(delta.undefined, interpretation.undefined, INDEX_PART_I_UNDEFINED, false);
}

// Post-processing after the last component (the caller runs it only when the positive part of
// `I` holds an atom): drops every ground rule with a true head atom or a negated body literal
// whose atom is true, filling the gap with the last rule; removes true positive literals from the
// bodies of the others; and rebuilds the undefined part of `I` as exactly the head atoms of the
// remaining rules.
// `trueAtoms`, when given, answers by ground atom number whether an atom is in the positive part
// of `I` (a caller that keeps such a table spares the ordered lookups).
void simplifyGroundRules(std::span<const uint8_t> trueAtoms = {});
