#include "grounding/selectivity_statistics.h"

#include "core/program.h"

SELECTIVITY_STATISTICS *selectivityStatistics = nullptr;

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

void SELECTIVITY_STATISTICS::clear() {
    for (uint32_t p = 0; p < predicateCount; p++)
        invalidate(p);
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
    computed[p] = 1;
    if (predicateTable.kind(p) == PREDICATE_EDB) {
        countDistinctValues(literal, EDB.atomsOf(p));
    } else {
        countDistinctValues(literal, I.undefined.atomsOf(p));
        countDistinctValues(literal, I.positive.atomsOf(p));
        if (withDelta && delta) {
            countDistinctValues(literal, delta->undefined.atomsOf(p));
            countDistinctValues(literal, delta->positive.atomsOf(p));
        }
    }
    seenPairs.clear();
}

// A value is the value word of a term without its kind: a constant and an integer with equal
// table indices count as one value at a position.
void SELECTIVITY_STATISTICS::countDistinctValues(const LITERAL &literal, const ATOM_SET &atoms) {
    uint32_t p = literal.atom.predicate;
    std::span<const TERM> pattern = literal.atom.args();
    std::vector<double> &counts = distinct[p];
    for (const ATOM &a : atoms) {
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
