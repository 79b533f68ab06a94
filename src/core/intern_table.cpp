#include "core/intern_table.h"

#include <algorithm>

namespace {

uint32_t hashName(std::string_view name) { return uint32_t(hashBytes(name.data(), name.size())); }

uint32_t hashInteger(int32_t value) { return uint32_t(hashMix(uint32_t(value))); }

// Storage grows in chunks that never move; a chunk doubles up to this size.
constexpr size_t MAX_CHUNK = size_t(1) << 20;

} // namespace

const char *INTERN_TABLE<std::string>::store(std::string_view name) {
    size_t need = name.size() + 1;
    if (chunkUsed + need > chunkSize) {
        chunkSize = std::max(need, std::min(MAX_CHUNK, std::max<size_t>(4096, chunkSize * 2)));
        chunks.emplace_back(new char[chunkSize]);
        chunkUsed = 0;
    }
    char *p = chunks.back().get() + chunkUsed;
    std::copy(name.begin(), name.end(), p);
    p[name.size()] = '\0';
    chunkUsed += need;
    return p;
}

std::pair<uint32_t, bool> INTERN_TABLE<std::string>::add(std::string_view name) {
    uint32_t i = uint32_t(names.size());
    uint32_t found = index.findOrInsert(hashName(name), i, [&](uint32_t k) { return view(k) == name; });
    if (found != HASH_INDEX::NONE) return {found, false};
    names.push_back(store(name));
    lengths.push_back(uint32_t(name.size()));
    return {i, true};
}

void INTERN_TABLE<std::string>::clear() {
    index.clear();
    names.clear();
    lengths.clear();
    chunks.clear();
    chunkUsed = chunkSize = 0;
}

std::pair<uint32_t, bool> INTERN_TABLE<std::string>::find(std::string_view name) const {
    uint32_t found = index.find(hashName(name), [&](uint32_t i) { return view(i) == name; });
    if (found == HASH_INDEX::NONE) return {0, false};
    return {found, true};
}

std::pair<uint32_t, bool> INTERN_TABLE<int32_t>::add(int32_t value) {
    uint32_t i = uint32_t(values.size());
    uint32_t found = index.findOrInsert(hashInteger(value), i, [&](uint32_t k) { return values[k] == value; });
    if (found != HASH_INDEX::NONE) return {found, false};
    values.push_back(value);
    return {i, true};
}

std::pair<uint32_t, bool> INTERN_TABLE<int32_t>::find(int32_t value) const {
    uint32_t found = index.find(hashInteger(value), [&](uint32_t i) { return values[i] == value; });
    if (found == HASH_INDEX::NONE) return {0, false};
    return {found, true};
}

uint32_t INTERN_TABLE<COMPLEX_TERM>::hashKey(const COMPLEX_TERM &key) {
    uint64_t h = hashMix((uint64_t(uint32_t(key.kind)) << 32) | key.functor);
    for (TERM t : key.args()) h = hashCombine(h, t.word());
    return uint32_t(h ^ (h >> 32));
}

static bool sameKey(const COMPLEX_TERM &a, const COMPLEX_TERM &b) {
    if (a.kind != b.kind || a.functor != b.functor || a.argCount != b.argCount) return false;
    for (uint32_t i = 0; i < a.argCount; i++)
        if (a.argData[i] != b.argData[i]) return false;
    return true;
}

const TERM *INTERN_TABLE<COMPLEX_TERM>::store(std::span<const TERM> args) {
    if (args.empty()) return nullptr;
    size_t need = args.size();
    if (chunkUsed + need > chunkSize) {
        chunkSize = std::max(need, std::min(MAX_CHUNK, std::max<size_t>(1024, chunkSize * 2)));
        chunks.emplace_back(new TERM[chunkSize]);
        chunkUsed = 0;
    }
    TERM *p = chunks.back().get() + chunkUsed;
    std::copy(args.begin(), args.end(), p);
    chunkUsed += need;
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
    chunks.clear();
    chunkUsed = chunkSize = 0;
}

std::pair<uint32_t, bool> INTERN_TABLE<COMPLEX_TERM>::find(const COMPLEX_TERM &key) const {
    uint32_t found = index.find(hashKey(key), [&](uint32_t i) { return sameKey(entries[i], key); });
    if (found == HASH_INDEX::NONE) return {0, false};
    return {found, true};
}
