#include "grounding/selectivity_statistics.h"

#include <algorithm>

#include "core/program.h"
#include "support/hash_index.h"

SELECTIVITY_STATISTICS *selectivityStatistics = nullptr;

void resetSelectivityStatistics() {
    delete selectivityStatistics;
    selectivityStatistics = nullptr;
}

SELECTIVITY_STATISTICS::SELECTIVITY_STATISTICS() {
    predicateCount = predicateTable.size();
    computed.assign(predicateCount, 0);
    distinct.resize(predicateCount);
    for (uint32_t p = 0; p < predicateCount; p++)
        distinct[p].assign(predicateTable.arity(p), 0.0);
}

void SELECTIVITY_STATISTICS::grow(uint32_t predicate) {
    uint32_t count = predicateTable.size();
    if (predicate >= count)
        count = predicate + 1;
    for (uint32_t p = predicateCount; p < count; p++) {
        computed.push_back(0);
        distinct.emplace_back(p < predicateTable.size() ? predicateTable.arity(p) : 0, 0.0);
    }
    predicateCount = count;
}

bool VALUE_SET::contains(uint32_t v) const {
    if (slots.empty()) return false;
    size_t mask = slots.size() - 1;
    for (size_t i = hashMix(v) & mask;; i = (i + 1) & mask) {
        if (slots[i] == 0) return false;
        if (slots[i] == v + 1) return true;
    }
}

bool VALUE_SET::insert(uint32_t v) {
    if ((count + 1) * 2 > slots.size()) {
        std::vector<uint32_t> old;
        old.swap(slots);
        slots.assign(old.empty() ? 16 : old.size() * 2, 0);
        size_t mask = slots.size() - 1;
        for (uint32_t x : old) {
            if (x == 0) continue;
            size_t i = hashMix(x - 1) & mask;
            while (slots[i] != 0) i = (i + 1) & mask;
            slots[i] = x;
        }
    }
    size_t mask = slots.size() - 1;
    for (size_t i = hashMix(v) & mask;; i = (i + 1) & mask) {
        if (slots[i] == v + 1) return false;
        if (slots[i] == 0) {
            slots[i] = v + 1;
            count++;
            return true;
        }
    }
}

void SELECTIVITY_STATISTICS::clear() {
    for (uint32_t p = 0; p < predicateCount; p++)
        invalidate(p);
    computedPredicates.clear();
    valuesInI.clear();
    valuesInDelta.clear();
    deltaEpoch++;
}

void SELECTIVITY_STATISTICS::absorb(uint32_t p, std::span<const TERM> args) {
    if (p >= valuesInI.size() || valuesInI[p].empty()) return;
    if (p < valuesInDelta.size()) valuesInDelta[p].epoch = 0;
    for (uint32_t i = 0; i < args.size() && i < valuesInI[p].size(); i++) valuesInI[p][i].insert(args[i].value);
}

void SELECTIVITY_STATISTICS::invalidate(uint32_t predicate) {
    if (predicate >= predicateCount)
        return;
    computed[predicate] = 0;
    for (double &d : distinct[predicate])
        d = 0.0;
}

void SELECTIVITY_STATISTICS::compute(const LITERAL &literal, bool withDelta,
                                     const INTERPRETATION *delta) {
    uint32_t p = literal.atom.predicate;
    if (p >= predicateCount)
        grow(p);
    if (!computed[p]) computedPredicates.push_back(p);
    computed[p] = 1;
    if (predicateTable.kind(p) == PREDICATE_EDB) {
        countDistinctValues(literal, EDB.atomsOf(p));
        seenPairs.clear();
    } else {
        // The values in I are kept from the first count on; only Delta is read again.
        if (valuesInI.size() <= p) valuesInI.resize(p + 1);
        std::vector<VALUE_SET> &inI = valuesInI[p];
        if (inI.empty()) {
            inI.resize(predicateTable.arity(p));
            for (const ATOM_SET *set : {&I.undefined.atomsOf(p), &I.positive.atomsOf(p)})
                for (ATOM_REF a : *set) absorb(p, a.args());
        }
        std::span<const TERM> pattern = literal.atom.args();
        std::vector<double> &counts = distinct[p];
        for (uint32_t i = 0; i < pattern.size() && i < counts.size() && i < inI.size(); i++) {
            TERM t = pattern[i];
            if (t.isVariable() || (t.isComplex() && !complexTerm(t).ground)) counts[i] = double(inI[i].size());
        }
        if (withDelta && delta) {
            const std::vector<uint32_t> &added = deltaValues(p, *delta).newValues;
            for (uint32_t i = 0; i < pattern.size() && i < counts.size() && i < added.size(); i++) {
                TERM t = pattern[i];
                if (t.isVariable() || (t.isComplex() && !complexTerm(t).ground)) counts[i] += double(added[i]);
            }
        }
    }
}

const SELECTIVITY_STATISTICS::DELTA_VALUES &SELECTIVITY_STATISTICS::deltaValues(uint32_t p, const INTERPRETATION &delta) {
    if (valuesInDelta.size() <= p) valuesInDelta.resize(p + 1);
    DELTA_VALUES &entry = valuesInDelta[p];
    const ATOM_SET &positive = delta.positive.atomsOf(p);
    const ATOM_SET &undefined = delta.undefined.atomsOf(p);
    if (entry.epoch == deltaEpoch && entry.delta == &delta && entry.positiveAtoms == positive.size() &&
        entry.undefinedAtoms == undefined.size())
        return entry;
    entry.epoch = deltaEpoch;
    entry.delta = &delta;
    entry.positiveAtoms = positive.size();
    entry.undefinedAtoms = undefined.size();
    const std::vector<VALUE_SET> &inI = valuesInI[p];
    entry.newValues.assign(inI.size(), 0);
    // (position, value) pairs sorted: the work is in the size of Delta, not of earlier scratch.
    std::vector<uint64_t> &pairs = scratchPairs;
    pairs.clear();
    for (const ATOM_SET *set : {&undefined, &positive})
        for (ATOM_REF a : *set) {
            std::span<const TERM> args = a.args();
            for (uint32_t i = 0; i < args.size() && i < inI.size(); i++)
                if (!inI[i].contains(args[i].value))
                    pairs.push_back((static_cast<uint64_t>(i) << 32) | args[i].value);
        }
    std::sort(pairs.begin(), pairs.end());
    for (size_t k = 0; k < pairs.size(); k++)
        if (k == 0 || pairs[k] != pairs[k - 1]) entry.newValues[pairs[k] >> 32]++;
    return entry;
}

// A value is the value word of a term without its kind: a constant and an integer with equal
// table indices count as one value at a position.
void SELECTIVITY_STATISTICS::countDistinctValues(const LITERAL &literal, const ATOM_SET &atoms) {
    uint32_t p = literal.atom.predicate;
    std::span<const TERM> pattern = literal.atom.args();
    std::vector<double> &counts = distinct[p];
    for (ATOM_REF a : atoms) {
        std::span<const TERM> args = a.args();
        for (uint32_t i = 0; i < args.size() && i < pattern.size() && i < counts.size(); i++) {
            TERM t = pattern[i];
            bool counted = t.isVariable() || (t.isComplex() && !complexTerm(t).ground);
            if (!counted)
                continue;
            uint64_t key = (static_cast<uint64_t>(args[i].value) << 32) | i;
            if (seenPairs.insert(key).second)
                counts[i] += 1.0;
        }
    }
}
