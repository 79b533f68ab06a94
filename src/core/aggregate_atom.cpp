#include "core/aggregate_atom.h"

#include <utility>

// Aggregate functions are not built yet: a copy of an aggregate part keeps the guards, flags and
// function index but no function, a destroyed part leaves its function alone, and two functions
// compare equal.

AGGREGATE_ATOM::AGGREGATE_ATOM(const AGGREGATE_ATOM &other)
    : function(nullptr), functionIndex(other.functionIndex), lowerGuard(other.lowerGuard),
      lowerInclusive(other.lowerInclusive), upperGuard(other.upperGuard), upperInclusive(other.upperInclusive),
      assignment(other.assignment) {}

AGGREGATE_ATOM::AGGREGATE_ATOM(AGGREGATE_ATOM &&other) noexcept
    : function(other.function), functionIndex(other.functionIndex), lowerGuard(other.lowerGuard),
      lowerInclusive(other.lowerInclusive), upperGuard(other.upperGuard), upperInclusive(other.upperInclusive),
      assignment(other.assignment) {
    other.function = nullptr;
}

AGGREGATE_ATOM &AGGREGATE_ATOM::operator=(const AGGREGATE_ATOM &other) {
    if (this == &other) return *this;
    AGGREGATE_ATOM copy(other);
    return *this = std::move(copy);
}

AGGREGATE_ATOM &AGGREGATE_ATOM::operator=(AGGREGATE_ATOM &&other) noexcept {
    if (this == &other) return *this;
    function = other.function;
    other.function = nullptr;
    functionIndex = other.functionIndex;
    lowerGuard = other.lowerGuard;
    lowerInclusive = other.lowerInclusive;
    upperGuard = other.upperGuard;
    upperInclusive = other.upperInclusive;
    assignment = other.assignment;
    return *this;
}

AGGREGATE_ATOM::~AGGREGATE_ATOM() = default;

AGGREGATEFUNCTION *AGGREGATE_ATOM::getFunction() const { return function; }

int AGGREGATE_ATOM::compare(const AGGREGATE_ATOM &a, const AGGREGATE_ATOM &b) {
    if (a.lowerInclusive != b.lowerInclusive) return int(a.lowerInclusive) - int(b.lowerInclusive);
    if (int c = compareTerm(a.lowerGuard, b.lowerGuard)) return c;
    if (a.upperInclusive != b.upperInclusive) return int(a.upperInclusive) - int(b.upperInclusive);
    if (int c = compareTerm(a.upperGuard, b.upperGuard)) return c;
    if (a.assignment != b.assignment) return int(a.assignment) - int(b.assignment);
    return 0;
}
