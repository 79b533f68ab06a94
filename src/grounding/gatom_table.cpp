#include "grounding/gatom_table.h"

#include <cstdio>
#include <cstdlib>

#include "core/program.h"
#include "driver/diagnostics.h"
#include "grounding/aggregate_function.h"

static uint32_t hashArguments(uint32_t predicate, std::span<const TERM> args) {
    uint64_t h = hashMix(0x51ed27a3ULL + predicate);
    for (TERM t : args) h = hashCombine(h, t.word());
    return uint32_t(h ^ (h >> 32));
}

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
    return hashArguments(atom.predicate, atom.args());
}

GATOM_ID GATOM_TABLE::find(const ATOM &atom) const {
    uint32_t found = index.find(hashAtom(atom), [&](uint32_t i) { return compareAtom(atoms[i], atom) == 0; });
    return found == HASH_INDEX::NONE ? -1 : GATOM_ID(found);
}

GATOM_ID GATOM_TABLE::find(uint32_t predicate, std::span<const TERM> args) const {
    uint32_t found = index.find(hashArguments(predicate, args), [&](uint32_t i) {
        return compareAtom(atoms[i], ATOM_VIEW{predicate, args}) == 0;
    });
    return found == HASH_INDEX::NONE ? -1 : GATOM_ID(found);
}

GATOM_ID GATOM_TABLE::added(uint32_t hash) {
    uint32_t n = uint32_t(atoms.size() - 1);
    index.insert(hash, n);
    if (groundAtomsFrozen) internalError("freeze violation");
    return GATOM_ID(n);
}

GATOM_ID GATOM_TABLE::add(const ATOM &atom) {
    uint32_t h = hashAtom(atom);
    uint32_t found = index.find(h, [&](uint32_t i) { return compareAtom(atoms[i], atom) == 0; });
    if (found != HASH_INDEX::NONE) return GATOM_ID(found);
    atoms.push_back(atom);
    return added(h);
}

GATOM_ID GATOM_TABLE::add(ATOM &&atom) {
    uint32_t h = hashAtom(atom);
    uint32_t found = index.find(h, [&](uint32_t i) { return compareAtom(atoms[i], atom) == 0; });
    if (found != HASH_INDEX::NONE) return GATOM_ID(found);
    atoms.push_back(std::move(atom));
    return added(h);
}

GATOM_ID GATOM_TABLE::add(uint32_t predicate, std::span<const TERM> args) {
    uint32_t h = hashArguments(predicate, args);
    uint32_t found = index.find(h, [&](uint32_t i) { return compareAtom(atoms[i], ATOM_VIEW{predicate, args}) == 0; });
    if (found != HASH_INDEX::NONE) return GATOM_ID(found);
    atoms.emplace_back(predicate, args);
    return added(h);
}
