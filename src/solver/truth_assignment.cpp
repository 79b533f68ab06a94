#include "solver/truth_assignment.h"

#include <algorithm>
#include <cinttypes>

COST_VECTOR::COST_VECTOR(uint32_t n, uint64_t initial) : values(n, initial), levelNumbers(n), levels(n) {
    for (uint32_t i = 0; i < n; ++i) levelNumbers[i] = i + 1;
}

COST_VECTOR::COST_VECTOR(const std::vector<uint32_t> &numbers, uint64_t initial)
    : values(numbers.size(), initial), levelNumbers(numbers), levels(static_cast<uint32_t>(numbers.size())) {}

int32_t COST_VECTOR::indexOfLevel(uint32_t level) const {
    auto it = std::lower_bound(levelNumbers.begin(), levelNumbers.end(), level);
    if (it == levelNumbers.end() || *it != level) return -1;
    return static_cast<int32_t>(it - levelNumbers.begin());
}

void COST_VECTOR::fill(uint64_t v) { std::fill(values.begin(), values.end(), v); }

void COST_VECTOR::assignValues(const COST_VECTOR &other) {
    for (uint32_t i = 0; i < levels && i < other.levels; ++i) values[i] = other.values[i];
}

int compareCosts(const COST_VECTOR &a, const COST_VECTOR &b) {
    for (uint32_t i = a.levels; i-- > 0;) {
        if (a.values[i] > b.values[i]) return 1;
        if (a.values[i] < b.values[i]) return -1;
    }
    return 0;
}

FILE *printCost(FILE *out, const COST_VECTOR &cost) {
    fputc('<', out);
    for (uint32_t i = 0; i < cost.levels; ++i) {
        if (i) fputc(',', out);
        uint64_t v = cost.values[i];
        fprintf(out, "[%" PRIu64, v / 1000);
        if (v % 1000) fprintf(out, ".%03" PRIu64, v % 1000);
        fprintf(out, ":%" PRIu32 "]", cost.levelNumbers[i]);
    }
    fputc('>', out);
    return out;
}

TRUTH_ASSIGNMENT::TRUTH_ASSIGNMENT(uint32_t atoms, uint32_t levels, TRUTH_VALUE value)
    : values(atoms, value), levelCosts(levels) {}

TRUTH_ASSIGNMENT::TRUTH_ASSIGNMENT(uint32_t atoms, const COST_VECTOR &costs, TRUTH_VALUE value)
    : values(atoms, value), levelCosts(costs.levelNumbers) {}

void TRUTH_ASSIGNMENT::undoChoice() {
    while (!valueTrail.empty()) {
        VALUE_TRAIL_ENTRY e = valueTrail.back();
        valueTrail.pop_back();
        if (e.atom < 0) break;
        if (values[e.atom] == TRUTH_MUST_BE_TRUE)
            --mustBeTrueCount;
        else if (e.old == TRUTH_MUST_BE_TRUE)
            ++mustBeTrueCount;
        values[e.atom] = e.old;
    }
    while (!costTrail.empty()) {
        COST_TRAIL_ENTRY e = costTrail.back();
        costTrail.pop_back();
        if (e.level < 0) break;
        levelCosts.values[e.level] = e.old;
    }
}

void UNDO_TRAIL::undoTo(uint32_t target) {
    if (static_cast<int32_t>(target) >= level) return;
    while (!entries.empty()) {
        UNDO_ENTRY e = entries.back();
        entries.pop_back();
        if (e.address) {
            *e.address = e.old;
        } else if (e.old == target + 1) {
            break;
        }
    }
    level = static_cast<int32_t>(target);
}

void UNDO_TRAIL::undoAll() {
    while (!entries.empty()) {
        UNDO_ENTRY e = entries.back();
        entries.pop_back();
        if (e.address) *e.address = e.old;
    }
    level = -1;
}
