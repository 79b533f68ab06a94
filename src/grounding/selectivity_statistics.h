// Selectivity statistics: per predicate and argument position, the number of distinct values
// among the predicate's known atoms, counted lazily when body ordering first asks and thrown
// away when the predicate may have gained atoms. A recount costs a few operations per argument
// position: the values in I are kept as they are merged, and the values Delta adds to them are
// counted once per Delta, which the grounder announces (`newDelta`). Body ordering derives its
// estimates from them (ordered_body.h); the estimates are doubles computed in a fixed order of
// operations, since the order they produce is printed under -stats-grounding++.
//
// The grounder makes one object per run and stores it in `selectivityStatistics`; its teardown
// frees it.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "core/atom_sets.h"

// A set of 32-bit values (the value words of terms), open addressing; no allocation per insert.
class VALUE_SET {
public:
    uint32_t size() const { return count; }
    bool contains(uint32_t v) const;
    // True when the value was new.
    bool insert(uint32_t v);

private:
    std::vector<uint32_t> slots; // value + 1; 0 marks a free slot
    uint32_t count = 0;
};

class SELECTIVITY_STATISTICS {
public:
    uint32_t predicateCount = 0;
    std::vector<uint8_t> computed;                // per predicate: counts are valid
    std::vector<uint32_t> computedPredicates;     // those computed, perhaps invalidated since
    std::vector<std::vector<double>> distinct;    // per predicate, per argument position
    std::unordered_set<uint64_t> seenPairs;       // (value, position), empty between counts
    // Per predicate counted before (empty for the others), per argument position: the values of
    // the atoms merged into I so far. The grounder reports every merged atom (`absorb`), so a
    // recount reads only Delta; cleared with everything else by `clear`.
    std::vector<std::vector<VALUE_SET>> valuesInI;
    // Per predicate counted with Delta, per argument position: the number of distinct values of
    // Delta's atoms that are not among `valuesInI`. Valid while the epoch, the Delta and its
    // atom counts for the predicate are those recorded; `absorb` and `newDelta` end it.
    struct DELTA_VALUES {
        uint64_t epoch = 0;  // 0: not counted
        const INTERPRETATION *delta = nullptr;
        size_t positiveAtoms = 0, undefinedAtoms = 0;
        std::vector<uint32_t> newValues;
    };
    std::vector<DELTA_VALUES> valuesInDelta;
    std::vector<uint64_t> scratchPairs;
    uint64_t deltaEpoch = 1;

    SELECTIVITY_STATISTICS();

    // Every computed flag 0 and every count 0.0.
    void clear();
    // The predicate's flag 0 and its counts 0.0.
    void invalidate(uint32_t predicate);
    // `invalidate` for every predicate whose counts are valid and that the test names; walks
    // only the predicates counted since the previous walk, not the whole table. A predicate the
    // test declines is not walked again until it is counted anew: the grounder's test (not
    // complete) never names a predicate again once it has declined it.
    template <class TEST> void invalidateWhere(TEST &&test) {
        for (uint32_t p : computedPredicates)
            if (computed[p] && test(p)) invalidate(p);
        computedPredicates.clear();
    }
    // Counts the literal's predicate: the EDB for an EDB predicate, else the undefined and the
    // positive part of I and, with `withDelta`, those of `delta`. Only positions where the
    // literal has a variable or a non-ground function term are counted.
    void compute(const LITERAL &literal, bool withDelta, const INTERPRETATION *delta);
    void countDistinctValues(const LITERAL &literal, const ATOM_SET &atoms);
    // An atom was merged into I.
    void absorb(uint32_t predicate, std::span<const TERM> args);
    // Delta was emptied, replaced or refilled: its values are counted again when asked.
    void newDelta() { deltaEpoch++; }

    bool isComputed(uint32_t predicate) const {
        return predicate < computed.size() && computed[predicate];
    }
    // Computes the literal's predicate when its counts are not valid.
    void ensure(const LITERAL &literal, bool withDelta, const INTERPRETATION *delta) {
        if (!isComputed(literal.atom.predicate))
            compute(literal, withDelta, delta);
    }
    // The distinct count at a position; 0.0 for a position the predicate does not have.
    double count(uint32_t predicate, uint32_t position) const {
        if (predicate >= distinct.size() || position >= distinct[predicate].size())
            return 0.0;
        return distinct[predicate][position];
    }

private:
    // The entry of the predicate for `delta`, counted when it is not valid.
    const DELTA_VALUES &deltaValues(uint32_t predicate, const INTERPRETATION &delta);
    // Predicates registered after the object was made get their arrays on first use.
    void grow(uint32_t predicate);
};

extern SELECTIVITY_STATISTICS *selectivityStatistics;
// Frees the object, if there is one; body ordering makes a new one when it next asks.
void resetSelectivityStatistics();
