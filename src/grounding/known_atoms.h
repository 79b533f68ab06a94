// The grounder's hash index of the atoms known true: the EDB facts and every atom derived true
// (in NF, Delta or I). An atom that is known true stays so for the whole run, so the index only
// grows. Each entry carries the stamp of the semi-naive iteration in which it became true, which
// tells where it lives: the current iteration's atoms are in NF, the previous iteration's in
// Delta, older ones (and the facts, stamp 0) in I or the EDB. Truth tests look an atom up here by
// its predicate and argument terms, in O(1), without making an ATOM and without walking the
// ordered atom sets.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/hash_index.h"
#include "core/term.h"

class KNOWN_ATOMS {
public:
    static constexpr uint32_t NONE = UINT32_MAX;

    // The stamp of the atom, or NONE when it is not known true.
    uint32_t stampOf(uint32_t predicate, std::span<const TERM> args) const {
        uint32_t hash = hashKey(predicate, args);
        uint32_t number = index.find(hash, [&](uint32_t n) { return equal(n, predicate, args); });
        return number == HASH_INDEX::NONE ? NONE : stamps[number];
    }
    // Records the atom with the stamp unless it is known already.
    void insert(uint32_t predicate, std::span<const TERM> args, uint32_t stamp) {
        uint32_t hash = hashKey(predicate, args);
        if (index.find(hash, [&](uint32_t n) { return equal(n, predicate, args); }) != HASH_INDEX::NONE)
            return;
        uint32_t number = uint32_t(stamps.size());
        starts.push_back(uint32_t(terms.size()));
        terms.push_back(TERM(TERM_NULL, predicate));
        terms.insert(terms.end(), args.begin(), args.end());
        stamps.push_back(stamp);
        index.insert(hash, number);
    }
    uint32_t size() const { return uint32_t(stamps.size()); }

private:
    HASH_INDEX index;
    std::vector<TERM> terms;      // per atom: {null, predicate} followed by its arguments
    std::vector<uint32_t> starts; // per atom: where its terms begin
    std::vector<uint32_t> stamps;

    static uint32_t hashKey(uint32_t predicate, std::span<const TERM> args) {
        uint64_t h = hashMix(predicate + 0x51ed27u);
        for (TERM t : args) h = hashCombine(h, t.word());
        return uint32_t(h ^ (h >> 32));
    }
    bool equal(uint32_t number, uint32_t predicate, std::span<const TERM> args) const {
        const TERM *stored = terms.data() + starts[number];
        uint32_t end = number + 1 < starts.size() ? starts[number + 1] : uint32_t(terms.size());
        if (stored[0].value != predicate || end - starts[number] != args.size() + 1) return false;
        for (size_t i = 0; i < args.size(); i++)
            if (stored[i + 1] != args[i]) return false;
        return true;
    }
};
