#include "core/aggregate_function.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/printer.h"
#include "support/diagnostics.h"

GROUND_SET_TABLE groundSetTable;
AGGREGATE_FUNCTION_TABLE aggregateFunctionTable;
uint32_t aggregateFunctionCount = 0;

void resetAggregateTables() {
    aggregateFunctionTable.clear();
    aggregateFunctionCount = 0;
    groundSetTable.clear();
}

namespace {

const char *const AGGREGATE_NAMES[] = {"#any", "#avg", "#count", "#max", "#min", "#sum", "#times"};

// 32-bit arithmetic that wraps instead of overflowing.
int32_t wrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
int32_t wrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
int32_t wrapMul(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }
// Truncating division; INT_MIN / -1 wraps to INT_MIN.
int32_t wrapDiv(int32_t a, int32_t b) { return b == -1 ? wrapSub(0, a) : a / b; }

const GROUND_SET EMPTY_SET;

} // namespace

const char *aggregateName(int32_t type) {
    return type >= 0 && type <= 6 ? AGGREGATE_NAMES[type] : "";
}

AGGREGATEFUNCTION::AGGREGATEFUNCTION(const AGGREGATE_SPEC &spec)
    : terms(spec.terms), conjunction(spec.conjunction),
      ownSet(spec.set ? std::make_unique<GROUND_SET>(*spec.set) : std::make_unique<GROUND_SET>()),
      type(spec.type) {}

AGGREGATEFUNCTION::AGGREGATEFUNCTION(const AGGREGATEFUNCTION &other)
    : terms(other.terms), conjunction(other.conjunction), setIndex(other.setIndex),
      ownSet(other.ownSet ? std::make_unique<GROUND_SET>(*other.ownSet) : nullptr),
      lower(other.lower), upper(other.upper), type(other.type) {}

AGGREGATEFUNCTION *AGGREGATEFUNCTION::clone() const {
    switch (type) {
    case AGGREGATE_COUNT: return new COUNTFUNCTION(static_cast<const COUNTFUNCTION &>(*this));
    case AGGREGATE_MAX: return new MAXFUNCTION(static_cast<const MAXFUNCTION &>(*this));
    case AGGREGATE_MIN: return new MINFUNCTION(static_cast<const MINFUNCTION &>(*this));
    case AGGREGATE_SUM: return new SUMFUNCTION(static_cast<const SUMFUNCTION &>(*this));
    case AGGREGATE_TIMES: return new TIMESFUNCTION(static_cast<const TIMESFUNCTION &>(*this));
    default: return nullptr;
    }
}

AGGREGATEFUNCTION *AGGREGATEFUNCTION::make(const AGGREGATE_SPEC &spec) {
    switch (spec.type) {
    case AGGREGATE_COUNT: return new COUNTFUNCTION(spec);
    case AGGREGATE_MAX: return new MAXFUNCTION(spec);
    case AGGREGATE_MIN: return new MINFUNCTION(spec);
    case AGGREGATE_SUM: return new SUMFUNCTION(spec);
    case AGGREGATE_TIMES: return new TIMESFUNCTION(spec);
    default: return nullptr;
    }
}

const GROUND_SET &AGGREGATEFUNCTION::groundSet() const {
    if (ownSet) return *ownSet;
    if (setIndex < groundSetTable.size()) return groundSetTable[setIndex];
    return EMPTY_SET;
}

void AGGREGATEFUNCTION::internGroundSet() {
    if (!ownSet) return;
    setIndex = groundSetTable.intern(*ownSet);
    ownSet.reset();
}

int32_t AGGREGATEFUNCTION::elementValue(const TERM &term) const {
    if (!term.isInteger()) internalError("aggregate element");
    return integerValue(term);
}

void AGGREGATEFUNCTION::reportNonIntegerElement() const {
    fprintf(errorOutput(),
            "Error: free variables inside the %s aggregate must only be instantiated with "
            "integer values.\n",
            aggregateName(type));
}

FILE *printAggregateFunction(FILE *out, const AGGREGATEFUNCTION &function) {
    fputs_unlocked(aggregateName(function.type), out);
    putc_unlocked('{', out);
    const GROUND_SET &set = function.groundSet();
    if (!set.empty()) {
        printGroundSetElements(out, set);
    } else {
        printTerms(out, function.terms);
        fputs_unlocked(" : ", out);
        if (!function.conjunction.empty()) printAtom(out, function.conjunction[0].atom);
    }
    putc_unlocked('}', out);
    return out;
}

FILE *printGroundSetElements(FILE *out, const GROUND_SET &elements) {
    bool first = true;
    for (const GROUND_SET_ELEMENT &e : elements) {
        if (!first) putc_unlocked(',', out);
        first = false;
        putc_unlocked('<', out);
        printTerm(out, e.term);
        putc_unlocked(':', out);
        printAtom(out, groundAtomTable[e.atom]);
        putc_unlocked('>', out);
    }
    return out;
}

// #count: lower counts the true elements, upper all elements not known false.

void COUNTFUNCTION::reset() { lower = upper = 0; }

void COUNTFUNCTION::addElement(const TERM &) { upper = wrapAdd(upper, 1); }

void COUNTFUNCTION::decideElement(const TERM &, bool isTrue) {
    if (isTrue)
        lower = wrapAdd(lower, 1);
    else
        upper = wrapSub(upper, 1);
}

// #sum: lower sums the true values, upper the values of all elements not known false.

void SUMFUNCTION::reset() { lower = upper = 0; }

void SUMFUNCTION::addElement(const TERM &term) { upper = wrapAdd(upper, elementValue(term)); }

void SUMFUNCTION::decideElement(const TERM &term, bool isTrue) {
    int32_t v = elementValue(term);
    if (isTrue)
        lower = wrapAdd(lower, v);
    else
        upper = wrapSub(upper, v);
}

// #times: upper multiplies the positive values; an undefined zero element holds lower at 0 until
// it is decided, and a true zero element fixes both bounds at 0.

void TIMESFUNCTION::reset() {
    lower = 0;
    upper = 1;
    productTrue = 1;
}

void TIMESFUNCTION::addElement(const TERM &term) {
    int32_t v = elementValue(term);
    if (v > 0) upper = wrapMul(upper, v);
}

void TIMESFUNCTION::finishBounds() {
    const GROUND_SET &set = groundSet();
    if (set.empty() || !set.begin()->term.isInteger() || integerValue(set.begin()->term) != 0)
        lower = productTrue;
    if (productTrue == 0) upper = 0;
}

void TIMESFUNCTION::decideElement(const TERM &term, bool isTrue) {
    int32_t v = elementValue(term);
    if (lower == 0 && upper == 0 && productTrue == 0) return;
    if (isTrue) {
        if (lower != 0) {
            lower = wrapMul(lower, v);
            if (productTrue == 0) upper = 0;
        } else {
            productTrue = wrapMul(productTrue, v);
            if (productTrue == 0) upper = 0;
        }
    } else if (v == 0) {
        lower = productTrue;
    } else {
        upper = wrapDiv(upper, v);
    }
}

// #max: lower is the largest true value, upper the largest value of all.

void MAXFUNCTION::reset() { lower = upper = maxUndefined = maxTrue = INT32_MIN; }

void MAXFUNCTION::addElement(const TERM &term) {
    int32_t v = elementValue(term);
    if (v > maxUndefined) maxUndefined = v;
    lower = maxTrue;
    upper = maxTrue > maxUndefined ? maxTrue : maxUndefined;
}

void MAXFUNCTION::decideElement(const TERM &term, bool isTrue) {
    if (isTrue) {
        int32_t v = elementValue(term);
        if (v > maxTrue) maxTrue = v;
    }
    lower = maxTrue;
    upper = maxTrue > maxUndefined ? maxTrue : maxUndefined;
}

bool MAXFUNCTION::hasNoValue() const {
    return groundSet().empty() && lower == INT32_MIN && upper == INT32_MIN;
}

// #min: lower is the smallest value of all, upper the smallest true value.

void MINFUNCTION::reset() {
    lower = upper = minUndefined = INT32_MIN;
    minTrue = INT32_MAX;
}

void MINFUNCTION::addElement(const TERM &term) {
    int32_t v = elementValue(term);
    if (minUndefined == INT32_MIN || minUndefined > v) minUndefined = v;
    lower = minUndefined < minTrue ? minUndefined : minTrue;
    upper = minTrue;
}

void MINFUNCTION::decideElement(const TERM &term, bool isTrue) {
    if (isTrue) {
        int32_t v = elementValue(term);
        if (v < minTrue) minTrue = v;
    }
    upper = minTrue;
    lower = minUndefined < minTrue ? minUndefined : minTrue;
}

bool MINFUNCTION::hasNoValue() const {
    return groundSet().empty() && lower == INT32_MIN && upper == INT32_MIN;
}

void GROUND_SET::putInOrder() const {
    if (inOrder) return;
    GROUND_SET_ELEMENT_LESS less;
    std::sort(elements.begin(), elements.end(), less);
    elements.erase(std::unique(elements.begin(), elements.end(),
                               [&](const GROUND_SET_ELEMENT &a, const GROUND_SET_ELEMENT &b) {
                                   return !less(a, b) && !less(b, a);
                               }),
                   elements.end());
    inOrder = true;
}

// Interning tables.

uint32_t GROUND_SET_TABLE::intern(const GROUND_SET &set) {
    uint32_t hash = 0;
    for (const GROUND_SET_ELEMENT &e : set) hash += hashAtom(groundAtomTable[e.atom]);
    auto equal = [&](uint32_t number) {
        const GROUND_SET &stored = sets[number];
        if (stored.size() != set.size()) return false;
        for (auto a = stored.begin(), b = set.begin(); a != stored.end(); ++a, ++b)
            if (compareTerm(a->term, b->term) != 0 || a->atom != b->atom) return false;
        return true;
    };
    uint32_t number = uint32_t(sets.size());
    uint32_t found = byHash.findOrInsert(hash, number, equal);
    if (found != HASH_INDEX::NONE) return found;
    sets.push_back(set);
    return number;
}

// Two functions over the same ground set are one entry only when their type, bounds and extra
// state agree: aggregates over the same undefined elements may differ in their true ones.
static bool sameState(const AGGREGATEFUNCTION &a, const AGGREGATEFUNCTION &b) {
    if (a.type != b.type || a.lower != b.lower || a.upper != b.upper) return false;
    if (a.getMaxUndefined() != b.getMaxUndefined() || a.getMaxTrue() != b.getMaxTrue() ||
        a.getMinUndefined() != b.getMinUndefined() || a.getMinTrue() != b.getMinTrue())
        return false;
    const auto *ta = dynamic_cast<const TIMESFUNCTION *>(&a);
    const auto *tb = dynamic_cast<const TIMESFUNCTION *>(&b);
    return !ta || !tb || ta->productTrue == tb->productTrue;
}

std::pair<uint32_t, bool> AGGREGATE_FUNCTION_TABLE::intern(const AGGREGATEFUNCTION &function) {
    auto range = bySet.equal_range(function.setIndex);
    for (auto it = range.first; it != range.second; ++it)
        if (sameState(*functions[it->second], function)) return {it->second, false};
    AGGREGATEFUNCTION *copy = function.clone();
    if (!copy) internalError("aggregate function table");
    copy->ownSet.reset();
    uint32_t number = uint32_t(functions.size());
    functions.emplace_back(copy);
    bySet.emplace(function.setIndex, number);
    aggregateFunctionCount = uint32_t(functions.size());
    return {number, true};
}
