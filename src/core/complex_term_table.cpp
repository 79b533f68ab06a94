#include "core/complex_term_table.h"

#include <algorithm>

uint32_t INTERN_TABLE<COMPLEX_TERM>::hashKey(const COMPLEX_TERM &key) {
    uint64_t h = hashMix((uint64_t(uint32_t(key.kind)) << 32) | key.functor);
    for (TERM t : key.args()) h = hashCombine(h, t.word());
    return uint32_t(h ^ (h >> 32));
}

namespace {

bool sameKey(const COMPLEX_TERM &a, const COMPLEX_TERM &b) {
    if (a.kind != b.kind || a.functor != b.functor || a.argCount != b.argCount) return false;
    for (uint32_t i = 0; i < a.argCount; i++)
        if (a.argData[i] != b.argData[i]) return false;
    return true;
}

} // namespace

const TERM *INTERN_TABLE<COMPLEX_TERM>::store(std::span<const TERM> args) {
    if (args.empty()) return nullptr;
    TERM *p = arguments.allocate(args.size());
    std::copy(args.begin(), args.end(), p);
    return p;
}

std::pair<uint32_t, bool> INTERN_TABLE<COMPLEX_TERM>::add(const COMPLEX_TERM &key) {
    uint32_t i = uint32_t(entries.size());
    uint32_t found = index.findOrInsert(hashKey(key), i, [&](uint32_t k) { return sameKey(entries[k], key); });
    if (found != HASH_INDEX::NONE) return {found, false};
    COMPLEX_TERM stored = key;
    stored.argData = store(key.args());
    uint32_t deepest = 0;
    uint32_t longest = key.kind == COMPLEX_LIST ? key.argCount : 0;
    for (TERM t : key.args())
        if (t.isComplex() && t.value < depths.size()) {
            deepest = std::max(deepest, depths[t.value]);
            longest = std::max(longest, longestLists[t.value]);
        }
    entries.push_back(stored);
    depths.push_back(deepest + 1);
    longestLists.push_back(longest);
    walkStamps.push_back(0);
    return {i, true};
}

uint32_t INTERN_TABLE<COMPLEX_TERM>::newWalkStamp() {
    if (++walkStamp == 0) {
        std::fill(walkStamps.begin(), walkStamps.end(), 0);
        walkStamp = 1;
    }
    return walkStamp;
}

void INTERN_TABLE<COMPLEX_TERM>::clear() {
    index.clear();
    entries.clear();
    depths.clear();
    longestLists.clear();
    walkStamps.clear();
    walkStamp = 0;
    arguments.clear();
}

std::pair<uint32_t, bool> INTERN_TABLE<COMPLEX_TERM>::find(const COMPLEX_TERM &key) const {
    uint32_t found = index.find(hashKey(key), [&](uint32_t i) { return sameKey(entries[i], key); });
    if (found == HASH_INDEX::NONE) return {0, false};
    return {found, true};
}
