// Look-ahead records: their arithmetic, the comparison criteria and the combining operators.
#include "solver/heuristic_value.h"

#include <cstdio>

#include "support/diagnostics.h"

namespace {

// Saturating 64-bit arithmetic: a score past the range stays at its end instead of wrapping.
int64_t satAdd(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_add_overflow(a, b, &r)) return a < 0 ? INT64_MIN : INT64_MAX;
    return r;
}
int64_t satSub(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_sub_overflow(a, b, &r)) return a < 0 ? INT64_MIN : INT64_MAX;
    return r;
}
int64_t satMul(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r)) return (a < 0) != (b < 0) ? INT64_MIN : INT64_MAX;
    return r;
}
uint64_t satAdd(uint64_t a, uint64_t b) {
    uint64_t r;
    if (__builtin_add_overflow(a, b, &r)) return UINT64_MAX;
    return r;
}
uint64_t satMul(uint64_t a, uint64_t b) {
    uint64_t r;
    if (__builtin_mul_overflow(a, b, &r)) return UINT64_MAX;
    return r;
}

int sign(int64_t a, int64_t b) { return (a > b) - (a < b); }

// The record operators, entry by entry: r and o are the two records' entries, p the entry of the
// record that operators 5 to 8 picked (the lesser or the greater one).
int64_t combineEntry(int32_t op, int64_t r, int64_t o, int64_t p) {
    switch (op) {
    case 1: return satMul(r, o);
    case 2: return satAdd(satAdd(r, o), satMul(1024, satMul(r, o)));
    case 3: return satMul(satAdd(r, int64_t{1}), satAdd(o, int64_t{1}));
    case 4: return satAdd(satMul(2, r), o);
    case 5:
    case 6: return p;
    case 7: return satAdd(satAdd(satMul(2, r), satMul(2, o)), p);
    case 8: return satAdd(satAdd(satMul(3, r), satMul(3, o)), p);
    default: return satAdd(r, o);
    }
}

uint64_t combineCostEntry(int32_t op, uint64_t r, uint64_t o, uint64_t p) {
    switch (op) {
    case 1: return satMul(r, o);
    case 2: return satAdd(satAdd(r, o), satMul(uint64_t{1024}, satMul(r, o)));
    case 3: return satMul(satAdd(r, uint64_t{1}), satAdd(o, uint64_t{1}));
    case 4: return satAdd(satMul(uint64_t{2}, r), o);
    case 5:
    case 6: return p;
    case 7: return satAdd(satAdd(satMul(uint64_t{2}, r), satMul(uint64_t{2}, o)), p);
    case 8: return satAdd(satAdd(satMul(uint64_t{3}, r), satMul(uint64_t{3}, o)), p);
    default: return satAdd(r, o);
    }
}

// A record as the criteria read it. The combined view computes each entry of a combined record
// when a criterion asks for it, so comparing candidates under --complpt builds no record.
struct PLAIN_VIEW {
    const HEURISTIC_VALUE &v;
    int64_t counter(int i) const { return v.counters[i]; }
    bool hasCosts() const { return v.hasCosts; }
    size_t levels() const { return v.cost.values.size(); }
    uint64_t cost(size_t l) const { return v.cost.values[l]; }
    uint64_t satisfied(size_t l) const { return v.satisfiedWeight.values[l]; }
};

struct COMBINED_VIEW {
    int32_t op;
    const HEURISTIC_VALUE &r;
    const HEURISTIC_VALUE &o;
    const HEURISTIC_VALUE &picked;

    COMBINED_VIEW(int32_t op_, const HEURISTIC_PAIR &c, const std::vector<int32_t> &criteria)
        : op(op_ < 0 || op_ > 8 ? 0 : op_),
          r(*c.result),
          o(*c.opposite),
          picked(pick(op, *c.result, *c.opposite, criteria)) {}

    static const HEURISTIC_VALUE &pick(int32_t op, const HEURISTIC_VALUE &r, const HEURISTIC_VALUE &o,
                                       const std::vector<int32_t> &criteria) {
        if (op < 5) return r;
        bool oppositeNotWorse = compareByCriteriaList(criteria, o, r);
        if (op == 6) return oppositeNotWorse ? o : r;  // the greater record
        return oppositeNotWorse ? r : o;                // the lesser record
    }
    int64_t counter(int i) const { return combineEntry(op, r.counters[i], o.counters[i], picked.counters[i]); }
    bool hasCosts() const { return r.hasCosts && o.hasCosts; }
    size_t levels() const {
        size_t n = r.cost.values.size();
        return o.cost.values.size() < n ? o.cost.values.size() : n;
    }
    uint64_t cost(size_t l) const {
        return combineCostEntry(op, r.cost.values[l], o.cost.values[l], picked.cost.values[l]);
    }
    uint64_t satisfied(size_t l) const {
        return combineCostEntry(op, r.satisfiedWeight.values[l], o.satisfiedWeight.values[l],
                                picked.satisfiedWeight.values[l]);
    }
};

// From the highest level down, the first level that differs decides: 1 when A's entry is larger.
template <class V>
int compareCostsOf(const V &a, const V &b, bool satisfiedWeights) {
    size_t n = a.levels() < b.levels() ? a.levels() : b.levels();
    for (size_t l = n; l-- > 0;) {
        uint64_t x = satisfiedWeights ? a.satisfied(l) : a.cost(l);
        uint64_t y = satisfiedWeights ? b.satisfied(l) : b.cost(l);
        if (x != y) return x > y ? 1 : -1;
    }
    return 0;
}

template <class V>
int64_t balance(const V &x, int k) {
    return satSub(x.counter(HV_CONFIRMED + k), x.counter(HV_CONFIRMED + k + HV_BALANCE_OFFSET));
}

template <class V>
int64_t weighted(const V &x, int64_t w0, int64_t w1, int64_t w2) {
    return satAdd(satAdd(satMul(w0, balance(x, 0)), satMul(w1, balance(x, 1))), satMul(w2, balance(x, 2)));
}

// The ratio of rules in non-head-cycle-free components whose body became true to atoms made true
// there, in thousandths.
template <class V>
int64_t ratio(const V &x) {
    uint64_t dividend = static_cast<uint64_t>(satMul(x.counter(HV_NON_HCF_BODY_TRUE), 1000));
    uint64_t divisor = static_cast<uint64_t>(x.counter(HV_NON_HCF_TRUE)) + 1;
    if (divisor == 0) return dividend == 0 ? 0 : -1;
    return static_cast<int64_t>(dividend / divisor);
}

bool exactlyOneZero(int64_t a, int64_t b) { return (a == 0) != (b == 0); }

// Exactly one of the two records confirmed a must-be-true atom.
template <class V>
bool oneConfirms(const V &a, const V &b) {
    return exactlyOneZero(a.counter(HV_CONFIRMED), b.counter(HV_CONFIRMED));
}

template <class V>
int64_t closedLessDecided(const V &x) {
    return satSub(x.counter(HV_SATISFIED_CLOSED), x.counter(HV_BODY_DECIDED));
}

// Splits a criterion into its index and direction; ends the run for an index that names none.
uint32_t reduceCriterion(int32_t criterion, bool &reversed) {
    uint32_t u = static_cast<uint32_t>(criterion);
    reversed = (u / 1000) % 2 == 1;
    uint32_t index = u % 1000;
    bool valid = index <= 16 || index == 21 || index == 29 || index == 30 || index == 31 || index == 33 ||
                 index == 34 || index == 37;
    if (!valid) {
        fprintf(errorOutput(), "%u: Invalid heuristic comparison index.\n", index);
        finish(1);
    }
    return index;
}

// A reduced criterion over two records, before its direction is applied.
template <class V>
int criterionOf(uint32_t index, const V &a, const V &b) {
    switch (index) {
    case 0: return sign(balance(a, 0), balance(b, 0));
    case 1: return oneConfirms(a, b) ? 0 : sign(balance(a, 0), balance(b, 0));
    case 2: return sign(balance(a, 1), balance(b, 1));
    case 3: return oneConfirms(a, b) ? 0 : sign(balance(a, 1), balance(b, 1));
    case 4: return sign(balance(a, 2), balance(b, 2));
    case 5: return oneConfirms(a, b) ? 0 : sign(balance(a, 2), balance(b, 2));
    case 6: return sign(a.counter(HV_SATISFIED), b.counter(HV_SATISFIED));
    case 7: return a.hasCosts() && b.hasCosts() ? -compareCostsOf(a, b, false) : 0;
    case 8: return a.hasCosts() && b.hasCosts() ? compareCostsOf(a, b, true) : 0;
    case 9: return sign(a.counter(HV_CONFIRMED), b.counter(HV_CONFIRMED));
    case 10: return sign(a.counter(HV_CONFIRMED_SUPPORT2), b.counter(HV_CONFIRMED_SUPPORT2));
    case 11: return sign(a.counter(HV_CONFIRMED_SUPPORT3), b.counter(HV_CONFIRMED_SUPPORT3));
    case 12: {
        for (int k = 0; k < 3; ++k)
            if (int s = sign(balance(a, k), balance(b, k))) return s;
        if (int s = sign(a.counter(HV_SATISFIED_CLOSED), b.counter(HV_SATISFIED_CLOSED))) return s;
        if (a.hasCosts() && b.hasCosts()) {
            if (int s = -compareCostsOf(a, b, false)) return s;
            if (int s = compareCostsOf(a, b, true)) return s;
        }
        for (int k = 0; k < 3; ++k)
            if (int s = sign(a.counter(HV_CONFIRMED + k), b.counter(HV_CONFIRMED + k))) return s;
        return 1;
    }
    case 13: return (a.counter(HV_CONFIRMED) != 0) - (b.counter(HV_CONFIRMED) != 0);
    case 14: return sign(weighted(b, 1, 2, 1), weighted(a, 1, 2, 1));
    case 15: return sign(a.counter(HV_SATISFIED_CLOSED), b.counter(HV_SATISFIED_CLOSED));
    case 16: return sign(closedLessDecided(a), closedLessDecided(b));
    case 21: return sign(a.counter(HV_ASSIGNED), b.counter(HV_ASSIGNED));
    case 29: return sign(weighted(a, 1, -24, -4), weighted(b, 1, -24, -4));
    case 30: return sign(weighted(a, 1, -8, -2), weighted(b, 1, -8, -2));
    case 31: return sign(weighted(a, 1, -3, -1), weighted(b, 1, -3, -1));
    case 33: return sign(weighted(a, 4, -5, -2), weighted(b, 4, -5, -2));
    case 34: return sign(weighted(a, 9, -7, -3), weighted(b, 9, -7, -3));
    case 37: return sign(ratio(a), ratio(b));
    default: return 0;
    }
}

// The balances of a candidate's two records combined by the integer operator.
int64_t combinedBalance(int32_t op, const HEURISTIC_PAIR &x, int k) {
    return combineValues(op, balance(PLAIN_VIEW{*x.result}, k), balance(PLAIN_VIEW{*x.opposite}, k));
}

int64_t combinedWeighted(int32_t op, const HEURISTIC_PAIR &x, int64_t w0, int64_t w1, int64_t w2) {
    return satAdd(satAdd(satMul(w0, combinedBalance(op, x, 0)), satMul(w1, combinedBalance(op, x, 1))),
                  satMul(w2, combinedBalance(op, x, 2)));
}

HEURISTIC_VALUE entryWise(const HEURISTIC_VALUE &a, const HEURISTIC_VALUE *b, int64_t k, bool multiplying) {
    HEURISTIC_VALUE r = a;
    for (int i = 0; i < HV_COUNTERS; ++i) {
        int64_t y = b ? b->counters[i] : k;
        r.counters[i] = multiplying ? satMul(a.counters[i], y) : satAdd(a.counters[i], y);
    }
    if (!a.hasCosts) return r;
    auto apply = [&](std::vector<uint64_t> &out, const std::vector<uint64_t> *other) {
        size_t n = other && other->size() < out.size() ? other->size() : out.size();
        for (size_t l = 0; l < n; ++l) {
            uint64_t y = other ? (*other)[l] : static_cast<uint64_t>(k);
            out[l] = multiplying ? satMul(out[l], y) : satAdd(out[l], y);
        }
    };
    if (b && !b->hasCosts) return r;
    apply(r.cost.values, b ? &b->cost.values : nullptr);
    apply(r.satisfiedWeight.values, b ? &b->satisfiedWeight.values : nullptr);
    return r;
}

}  // namespace

HEURISTIC_VALUE HEURISTIC_VALUE::add(const HEURISTIC_VALUE &a, const HEURISTIC_VALUE &b) {
    return entryWise(a, &b, 0, false);
}
HEURISTIC_VALUE HEURISTIC_VALUE::multiply(const HEURISTIC_VALUE &a, const HEURISTIC_VALUE &b) {
    return entryWise(a, &b, 0, true);
}
HEURISTIC_VALUE HEURISTIC_VALUE::addConstant(const HEURISTIC_VALUE &a, int64_t k) {
    return entryWise(a, nullptr, k, false);
}
HEURISTIC_VALUE HEURISTIC_VALUE::multiplyConstant(const HEURISTIC_VALUE &a, int64_t k) {
    return entryWise(a, nullptr, k, true);
}

int compareByCriterion(int32_t criterion, const HEURISTIC_VALUE &a, const HEURISTIC_VALUE &b) {
    bool reversed;
    uint32_t index = reduceCriterion(criterion, reversed);
    int s = criterionOf(index, PLAIN_VIEW{a}, PLAIN_VIEW{b});
    return reversed ? -s : s;
}

bool compareByCriteriaList(const std::vector<int32_t> &criteria, const HEURISTIC_VALUE &a,
                           const HEURISTIC_VALUE &b) {
    for (int32_t c : criteria)
        if (int s = compareByCriterion(c, a, b)) return s > 0;
    return true;
}

int64_t combineValues(int32_t op, int64_t a, int64_t b) {
    switch (op) {
    case 0: return satAdd(a, b);
    case 1: return satMul(a, b);
    case 2: {
        int64_t sum = satAdd(a, b);
        int64_t product = satMul(1024, satMul(a, b));
        if (a >= 0 && b >= 0) return satAdd(sum, product);
        if (sum < 0) return sum;
        return satSub(sum, product);
    }
    case 3: return satMul(satAdd(a, int64_t{1}), satAdd(b, int64_t{1}));
    case 4: return satAdd(satMul(2, a), b);
    case 5: return a < b ? a : b;
    case 6: return a > b ? a : b;
    case 7: return satAdd(a < b ? a : b, satMul(2, satAdd(a, b)));
    case 8: return satAdd(satMul(4, a < b ? a : b), satMul(3, a > b ? a : b));
    default: return 0;
    }
}

HEURISTIC_VALUE combineCandidate(int32_t op, const HEURISTIC_PAIR &candidate, const std::vector<int32_t> &criteria) {
    COMBINED_VIEW v(op, candidate, criteria);
    HEURISTIC_VALUE r = *candidate.result;
    for (int i = 0; i < HV_COUNTERS; ++i) r.counters[i] = v.counter(i);
    if (v.hasCosts()) {
        for (size_t l = 0; l < v.levels(); ++l) {
            r.cost.values[l] = v.cost(l);
            r.satisfiedWeight.values[l] = v.satisfied(l);
        }
    }
    return r;
}

int compareByCombinedCriterion(int32_t criterion, int32_t op, const HEURISTIC_PAIR &a, const HEURISTIC_PAIR &b,
                               const std::vector<int32_t> &criteria) {
    bool reversed;
    uint32_t index = reduceCriterion(criterion, reversed);
    int s = 0;
    switch (index) {
    case 0:
    case 2:
    case 4: s = sign(combinedBalance(op, a, index / 2), combinedBalance(op, b, index / 2)); break;
    case 14: s = sign(combinedWeighted(op, a, 1, 2, 1), combinedWeighted(op, b, 1, 2, 1)); break;
    case 16: {
        auto value = [op](const HEURISTIC_PAIR &x) {
            return combineValues(op, closedLessDecided(PLAIN_VIEW{*x.result}),
                                 closedLessDecided(PLAIN_VIEW{*x.opposite}));
        };
        s = sign(value(a), value(b));
        break;
    }
    case 29: s = sign(combinedWeighted(op, a, 1, 24, 4), combinedWeighted(op, b, 1, 24, 4)); break;
    case 30: s = sign(combinedWeighted(op, a, 1, 8, 2), combinedWeighted(op, b, 1, 8, 2)); break;
    case 31: s = sign(combinedWeighted(op, a, 1, 3, 1), combinedWeighted(op, b, 1, 3, 1)); break;
    case 33: s = sign(combinedWeighted(op, a, 4, 5, 2), combinedWeighted(op, b, 4, 5, 2)); break;
    case 34: s = sign(combinedWeighted(op, a, 9, 7, 3), combinedWeighted(op, b, 9, 7, 3)); break;
    case 37: {
        auto value = [op](const HEURISTIC_PAIR &x) {
            return combineValues(op, ratio(PLAIN_VIEW{*x.result}), ratio(PLAIN_VIEW{*x.opposite}));
        };
        s = sign(value(a), value(b));
        break;
    }
    default: {
        // Criteria over the combined records themselves.
        COMBINED_VIEW ca(op, a, criteria), cb(op, b, criteria);
        switch (index) {
        case 1:
        case 3:
        case 5:
            s = oneConfirms(ca, cb) ? 0 : sign(combinedBalance(op, a, index / 2), combinedBalance(op, b, index / 2));
            break;
        case 6: s = sign(ca.counter(HV_SATISFIED), cb.counter(HV_SATISFIED)); break;
        case 9: s = sign(ca.counter(HV_CONFIRMED), cb.counter(HV_CONFIRMED)); break;
        case 10: s = sign(ca.counter(HV_CONFIRMED_SUPPORT2), cb.counter(HV_CONFIRMED_SUPPORT2)); break;
        case 11: s = sign(ca.counter(HV_CONFIRMED_SUPPORT3), cb.counter(HV_CONFIRMED_SUPPORT3)); break;
        case 15: s = sign(ca.counter(HV_SATISFIED_CLOSED), cb.counter(HV_SATISFIED_CLOSED)); break;
        case 21: s = sign(ca.counter(HV_ASSIGNED), cb.counter(HV_ASSIGNED)); break;
        default: s = criterionOf(index, ca, cb); break;  // 7, 8, 12, 13
        }
        break;
    }
    }
    return reversed ? -s : s;
}
