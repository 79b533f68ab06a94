#include "core/aggregate_atom.h"

#include <utility>

#include "core/aggregate_function.h"

AGGREGATE_ATOM::AGGREGATE_ATOM(const AGGREGATE_ATOM &other)
    : function(other.function ? other.function->clone() : nullptr), functionIndex(other.functionIndex),
      lowerGuard(other.lowerGuard), lowerInclusive(other.lowerInclusive), upperGuard(other.upperGuard),
      upperInclusive(other.upperInclusive), assignment(other.assignment) {}

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
    delete function;
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

AGGREGATE_ATOM::~AGGREGATE_ATOM() { delete function; }

AGGREGATEFUNCTION *AGGREGATE_ATOM::getFunction() const {
    if (function) return function;
    if (functionIndex < aggregateFunctionTable.size()) return &aggregateFunctionTable[functionIndex];
    return nullptr;
}

namespace {

// The order of two aggregate functions of the same aggregate predicate: symbolic sets first, then
// ground sets, then the current lower bound. It is a total order (ordered containers of atoms
// rely on that): functions whose sets differ only in their aggregated-over terms order by those
// terms.
int compareFunctions(const AGGREGATEFUNCTION *a, const AGGREGATEFUNCTION *b) {
    if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
    bool aEmpty = a->conjunction.empty(), bEmpty = b->conjunction.empty();
    if (aEmpty != bEmpty) return aEmpty ? 1 : -1;
    if (!aEmpty) {
        if (a->terms.size() != b->terms.size()) return a->terms.size() < b->terms.size() ? -1 : 1;
        for (size_t i = 0; i < a->terms.size(); i++)
            if (int c = compareTerm(a->terms[i], b->terms[i])) return c;
        if (int c = compareAtom(a->conjunction[0].atom, b->conjunction[0].atom)) return c;
    }
    bool aSet = a->ownSet || a->setIndex < groundSetTable.size();
    bool bSet = b->ownSet || b->setIndex < groundSetTable.size();
    if (aSet != bSet) return aSet ? 1 : -1;
    if (aSet) {
        const GROUND_SET &sa = a->groundSet(), &sb = b->groundSet();
        if (sa.size() != sb.size()) return sa.size() < sb.size() ? -1 : 1;
        for (auto x = sa.begin(), y = sb.begin(); x != sa.end(); ++x, ++y) {
            if (int c = compareTerm(x->term, y->term)) return c;
            if (x->atom != y->atom) return y->atom < x->atom ? -1 : 1;
        }
    }
    if (a->lower != b->lower) return a->lower < b->lower ? -1 : 1;
    return 0;
}

} // namespace

int AGGREGATE_ATOM::compare(const AGGREGATE_ATOM &a, const AGGREGATE_ATOM &b) {
    if (a.lowerInclusive != b.lowerInclusive) return int(a.lowerInclusive) - int(b.lowerInclusive);
    if (int c = compareTerm(a.lowerGuard, b.lowerGuard)) return c;
    if (a.upperInclusive != b.upperInclusive) return int(a.upperInclusive) - int(b.upperInclusive);
    if (int c = compareTerm(a.upperGuard, b.upperGuard)) return c;
    if (a.assignment != b.assignment) return int(a.assignment) - int(b.assignment);
    return compareFunctions(a.getFunction(), b.getFunction());
}
