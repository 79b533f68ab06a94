#include "support/intern_table.h"

#include <algorithm>

namespace {

uint32_t hashName(std::string_view name) { return uint32_t(hashBytes(name.data(), name.size())); }

uint32_t hashInteger(int32_t value) { return uint32_t(hashMix(uint32_t(value))); }

} // namespace

const char *INTERN_TABLE<std::string>::store(std::string_view name) {
    char *p = text.allocate(name.size() + 1);
    std::copy(name.begin(), name.end(), p);
    p[name.size()] = '\0';
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
    text.clear();
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
