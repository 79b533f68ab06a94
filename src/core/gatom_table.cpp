#include "core/gatom_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/aggregate_function.h"
#include "core/program.h"
#include "support/diagnostics.h"

GATOM_TABLE groundAtomTable;

uint32_t hashAtom(const ATOM &atom) {
    if (const AGGREGATE_ATOM *a = atom.aggregate()) {
        uint64_t h = hashMix(0x2545f491ULL + atom.predicate);
        h = hashCombine(h, a->lowerGuard.word() ^ (uint64_t(a->lowerInclusive) << 63));
        h = hashCombine(h, a->upperGuard.word() ^ (uint64_t(a->upperInclusive) << 63));
        h = hashCombine(h, a->assignment);
        // The elements of the ground set tell aggregates apart; completing a stored atom in
        // place interns its set without changing the elements, so the hash stays.
        if (const AGGREGATEFUNCTION *f = a->getFunction())
            if (f->ownSet || f->setIndex < groundSetTable.size())
                for (const GROUND_SET_ELEMENT &e : f->groundSet())
                    h = hashCombine(h, (uint64_t(e.term.word()) << 1) ^ uint64_t(uint32_t(e.atom)));
        return uint32_t(h ^ (h >> 32));
    }
    uint64_t h = hashMix(0x51ed27a3ULL + atom.predicate);
    for (TERM t : atom.args()) h = hashCombine(h, t.word());
    return uint32_t(h ^ (h >> 32));
}

uint32_t hashAtom(const ATOM_REF &atom) {
    if (atom.general) return hashAtom(*atom.general);
    uint64_t h = hashMix(0x51ed27a3ULL + atom.predicate);
    for (TERM t : atom.args()) h = hashCombine(h, t.word());
    return uint32_t(h ^ (h >> 32));
}

GATOM_ID &GATOM_TABLE::slotOf(uint32_t predicate, uint32_t row) {
    if (predicate >= numberOfRow.size()) numberOfRow.resize(predicate + 1);
    std::vector<GATOM_ID> &numbers = numberOfRow[predicate];
    if (row >= numbers.size()) numbers.resize(row + 1, -1);
    return numbers[row];
}

GATOM_ID GATOM_TABLE::added() {
    if (groundAtomsFrozen) internalError("freeze violation");
    return GATOM_ID(entries.size() - 1);
}

const ATOM &GATOM_TABLE::aggregateOf(uint32_t number) const {
    return aggregates[entries[number].row & ~AGGREGATE_ROW];
}

GATOM_ID GATOM_TABLE::find(const ATOM &atom) const {
    if (!atom.isAggregate()) return find(atom.predicate, atom.args());
    uint32_t found =
        aggregateIndex.find(hashAtom(atom), [&](uint32_t n) { return compareAtom(aggregateOf(n), atom) == 0; });
    return found == HASH_INDEX::NONE ? -1 : GATOM_ID(found);
}

GATOM_ID GATOM_TABLE::find(uint32_t predicate, std::span<const TERM> args) const {
    uint32_t row = atomStore.find(predicate, args);
    return row == ATOM_STORE::NONE ? -1 : numberOf(predicate, row);
}

GATOM_ID GATOM_TABLE::addAggregate(ATOM &&atom) {
    uint32_t n = uint32_t(entries.size());
    uint32_t found = aggregateIndex.findOrInsert(hashAtom(atom), n,
                                                 [&](uint32_t k) { return compareAtom(aggregateOf(k), atom) == 0; });
    if (found != HASH_INDEX::NONE) return GATOM_ID(found);
    entries.push_back(ENTRY{atom.predicate, uint32_t(aggregates.size()) | AGGREGATE_ROW});
    aggregates.push_back(std::move(atom));
    return added();
}

GATOM_ID GATOM_TABLE::add(const ATOM &atom) {
    if (!atom.isAggregate()) return add(atom.predicate, atom.args());
    if (GATOM_ID known = find(atom); known >= 0) return known;
    return addAggregate(ATOM(atom));
}

GATOM_ID GATOM_TABLE::add(ATOM &&atom) {
    if (!atom.isAggregate()) return add(atom.predicate, atom.args());
    return addAggregate(std::move(atom));
}

GATOM_ID GATOM_TABLE::add(uint32_t predicate, std::span<const TERM> args) {
    return addRow(predicate, atomStore.insert(predicate, args).first);
}
