// Match iterators: for a positive body literal that is not an aggregate, the walk over the
// candidate atoms of its predicate (the facts of an EDB predicate; otherwise the parts of I and
// Delta that the literal's semi-naive code allows), each part either through an argument index or
// by scanning the predicate's atom set. Built-in literals get an iterator too: it records which
// arguments were free when the literal was reached (so that backtracking can unbind them) and
// carries the enumeration state of "#int".
//
// An iterator is small and copyable and allocates nothing unless its literal has more than 64
// arguments. The matcher keeps one per body position and re-initialises it in place each time the
// position is reached forward.
#pragma once

#include <cstdint>
#include <vector>

#include "core/atom.h"
#include "core/atom_sets.h"
#include "core/atom_store.h"
#include "core/substitution.h"
#include "grounding/index.h"

// Phases: where an iterator is looking. Also the part numbers of INDEX_TYPE::find.
enum MATCH_PHASE : uint32_t {
    PHASE_EDB = 0,
    PHASE_I_POSITIVE = 1,
    PHASE_I_UNDEFINED = 2,
    PHASE_DELTA_POSITIVE = 3,
    PHASE_DELTA_UNDEFINED = 4,
};

// One bit per argument; the first 64 inline.
struct ARGUMENT_BITS {
    uint64_t low = 0;
    std::vector<uint64_t> high;

    void reset(uint32_t count) {
        low = 0;
        if (count > 64) high.assign((count - 64 + 63) / 64, 0);
        else high.clear();
    }
    void set(uint32_t i) {
        if (i < 64) low |= uint64_t(1) << i;
        else high[(i - 64) / 64] |= uint64_t(1) << ((i - 64) % 64);
    }
    bool test(uint32_t i) const {
        if (i < 64) return (low >> i) & 1;
        return (high[(i - 64) / 64] >> ((i - 64) % 64)) & 1;
    }
    bool none() const {
        if (low) return false;
        for (uint64_t w : high)
            if (w) return false;
        return true;
    }
};

class MATCH_ITERATOR {
public:
    ARGUMENT_BITS freeArguments; // arguments unbound (or holding an unbound variable) when made
    PREDICATE_KIND predicateKind = PREDICATE_UNDEFINED;
    const uint32_t *current = nullptr, *end = nullptr; // the scan position over rows (with an index: unused)
    INDEX_RANGE indexRange;
    const ATOM_STORE::RELATION *relation = nullptr;    // where the rows' atoms live
    uint32_t code = 0;
    uint32_t phase = PHASE_EDB;
    bool allBound = true;
    bool usesIndex = false;     // this phase is looked up through the index
    int32_t indexArgument = -1; // -1: scan
    int32_t state = 0;          // enumeration state of a non-functional built-in
    uint32_t trailMark = 0;     // the matcher's trail length before this literal's bindings

    // Computes the bits and, for a literal that is neither an aggregate nor a built-in and not
    // all bound, positions on the first candidate. `index` may be null (then every part is
    // scanned); an index is used for a phase only when it covers the phase at the argument.
    void init(const LITERAL &literal, const SUBSTITUTION &substitution, const INTERPRETATION *delta,
              uint32_t code, const INDEX_TYPE *index, int32_t indexArgument);

    bool exhausted() const { return usesIndex ? indexRange.empty() : current == end; }
    uint32_t currentRow() const { return usesIndex ? indexRange.row() : *current; }
    // The arguments of the current candidate.
    std::span<const TERM> currentArgs() const { return relation->args(currentRow()); }
    // Moves to the next candidate, on through the phases of the code.
    void next(const LITERAL &literal, const INTERPRETATION *delta, const SUBSTITUTION &substitution,
              const INDEX_TYPE *index);

private:
    void first(const LITERAL &literal, const INTERPRETATION *delta, const SUBSTITUTION &substitution,
               const INDEX_TYPE *index);
    // Positions on the first candidate of the current phase.
    void startPhase(const LITERAL &literal, const SUBSTITUTION &substitution, const INDEX_TYPE *index,
                    const INTERPRETATION *delta);
    void startIndexLookup(const LITERAL &literal, const SUBSTITUTION &substitution,
                          const INDEX_TYPE *index);
    // Tries the later phases of the code while the current one is exhausted.
    void advancePhases(const LITERAL &literal, const INTERPRETATION *delta,
                       const SUBSTITUTION &substitution, const INDEX_TYPE *index);
};

// Whether the index covers the part of a phase at the argument position.
inline bool indexCovers(const INDEX_TYPE *index, int32_t argument, uint32_t phase) {
    if (!index || argument < 0 || uint32_t(argument) >= index->states.size()) return false;
    uint32_t s = index->states[uint32_t(argument)];
    if (index->getKind() == INDEX_KIND_EDB) return s == INDEX_STATE_EDB;
    if (phase == PHASE_I_POSITIVE || phase == PHASE_I_UNDEFINED)
        return s == INDEX_STATE_I || s == INDEX_STATE_I_DELTA;
    if (phase == PHASE_DELTA_POSITIVE || phase == PHASE_DELTA_UNDEFINED)
        return s == INDEX_STATE_I_DELTA && index->getKind() == INDEX_KIND_I_DELTANF;
    return false;
}
