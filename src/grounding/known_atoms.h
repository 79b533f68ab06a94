// The grounder's hash index of the atoms known true: the EDB facts and every atom derived true
// (in NF, Delta or I). An atom that is known true stays so for the whole run, so the index only
// grows; it keeps the atoms by address, since an atom stays in its node when it moves from NF
// through Delta into I. Each entry carries the stamp of the semi-naive iteration in which the
// atom became true, which tells where it lives: the current iteration's atoms are in NF, the
// previous iteration's in Delta, older ones (and the facts, stamp 0) in I or the EDB. Truth tests
// look an atom up here by its predicate and argument terms, in O(1), without making an ATOM and
// without walking the ordered atom sets.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/atom.h"
#include "core/hash_index.h"
#include "core/term.h"

class KNOWN_ATOMS {
public:
    static constexpr uint32_t NONE = UINT32_MAX;

    // The stamp of the atom, or NONE when it is not known true.
    uint32_t stampOf(uint32_t predicate, std::span<const TERM> args) const {
        uint32_t hash = hashKey(predicate, args);
        uint32_t number = index.find(hash, [&](uint32_t n) { return equal(*atoms[n], predicate, args); });
        return number == HASH_INDEX::NONE ? NONE : stamps[number];
    }
    // Records the atom with the stamp unless it is known already. The atom is kept by address:
    // it must stay where it is (in its node of an atom set) for as long as this index is used.
    void insert(const ATOM *atom, uint32_t stamp) {
        uint32_t hash = hashKey(atom->predicate, atom->args());
        if (index.find(hash, [&](uint32_t n) { return equal(*atoms[n], atom->predicate, atom->args()); }) !=
            HASH_INDEX::NONE)
            return;
        uint32_t number = uint32_t(atoms.size());
        atoms.push_back(atom);
        stamps.push_back(stamp);
        index.insert(hash, number);
    }
    uint32_t size() const { return uint32_t(atoms.size()); }

private:
    HASH_INDEX index;
    std::vector<const ATOM *> atoms;
    std::vector<uint32_t> stamps;

    static uint32_t hashKey(uint32_t predicate, std::span<const TERM> args) {
        uint64_t h = hashMix(predicate + 0x51ed27u);
        for (TERM t : args) h = hashCombine(h, t.word());
        return uint32_t(h ^ (h >> 32));
    }
    static bool equal(const ATOM &stored, uint32_t predicate, std::span<const TERM> args) {
        if (stored.predicate != predicate || stored.argCount() != args.size()) return false;
        std::span<const TERM> own = stored.args();
        for (size_t i = 0; i < args.size(); i++)
            if (own[i] != args[i]) return false;
        return true;
    }
};
