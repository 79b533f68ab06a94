#include "solver/aggregate_value.h"

#include <climits>

#include "core/aggregate_atom.h"
#include "core/aggregate_function.h"
#include "grounding/ground_program.h"

int64_t saturatingProduct(int64_t a, int64_t b) {
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r) || r > PRODUCT_LIMIT || r < -PRODUCT_LIMIT)
        return (a < 0) != (b < 0) ? -PRODUCT_LIMIT : PRODUCT_LIMIT;
    return r;
}

int64_t timesBase(const TIMESFUNCTION &t) { return t.lower != 0 ? t.lower : t.productTrue; }

void aggregateGuardInterval(const AGGREGATE_ATOM &part, int64_t &lo, int64_t &hi) {
    lo = INT64_MIN;
    hi = INT64_MAX;
    if (part.lowerGuard.isInteger()) {
        int64_t g = integerValue(part.lowerGuard);
        if (!part.lowerInclusive)
            lo = g + 1;
        else if (g != INT32_MIN)
            lo = g;
    }
    if (part.upperGuard.isInteger()) {
        int64_t g = integerValue(part.upperGuard);
        if (!part.upperInclusive)
            hi = g - 1;
        else if (g != INT32_MAX)
            hi = g;
    }
}

AGGREGATE_VERDICT aggregateVerdict(GATOM_ID atom, const TRUTH_ASSIGNMENT &a, const uint8_t *removed) {
    const AGGREGATE_ATOM *part = groundAtomTable[atom].aggregate();
    const AGGREGATEFUNCTION *f = part ? part->getFunction() : nullptr;
    if (!f) return AGGREGATE_OPEN;
    int64_t lo, hi;
    aggregateGuardInterval(*part, lo, hi);
    if (hi < lo) return AGGREGATE_FAILS;
    auto state = [&](GATOM_ID e) -> int {  // 1 true, 0 false, 2 undecided
        if (removed && removed[size_t(e)]) return 0;
        TRUTH_VALUE v = a[e];
        if (v == TRUTH_UNDEFINED) return 2;
        return v == TRUTH_FALSE ? 0 : 1;
    };
    switch (f->type) {
    case AGGREGATE_COUNT:
    case AGGREGATE_SUM: {
        int64_t lower = f->lower, upper = f->lower;
        for (const GROUND_SET_ELEMENT &e : f->groundSet()) {
            int64_t v = f->type == AGGREGATE_COUNT ? 1 : f->elementValue(e.term);
            int s = state(e.atom);
            if (s == 1) {
                lower += v;
                upper += v;
            } else if (s == 2) {
                (v < 0 ? lower : upper) += v;
            }
        }
        if (upper < lo || hi < lower) return AGGREGATE_FAILS;
        return lo <= lower && upper <= hi ? AGGREGATE_HOLDS : AGGREGATE_OPEN;
    }
    case AGGREGATE_MAX: {
        int64_t top = f->getMaxTrue() == INT32_MIN ? INT64_MIN : f->getMaxTrue();
        int64_t trueTop = top;
        for (const GROUND_SET_ELEMENT &e : f->groundSet()) {
            int s = state(e.atom);
            if (s == 0) continue;
            int64_t v = f->elementValue(e.term);
            if (v > top) top = v;
            if (s == 1 && v > trueTop) trueTop = v;
        }
        if (top == INT64_MIN || top < lo || (trueTop != INT64_MIN && trueTop > hi)) return AGGREGATE_FAILS;
        return trueTop != INT64_MIN && lo <= trueTop && top <= hi ? AGGREGATE_HOLDS : AGGREGATE_OPEN;
    }
    case AGGREGATE_MIN: {
        int64_t bottom = f->getMinTrue() == INT32_MAX ? INT64_MAX : f->getMinTrue();
        int64_t trueBottom = bottom;
        for (const GROUND_SET_ELEMENT &e : f->groundSet()) {
            int s = state(e.atom);
            if (s == 0) continue;
            int64_t v = f->elementValue(e.term);
            if (v < bottom) bottom = v;
            if (s == 1 && v < trueBottom) trueBottom = v;
        }
        if (bottom == INT64_MAX || bottom > hi || (trueBottom != INT64_MAX && trueBottom < lo)) return AGGREGATE_FAILS;
        return trueBottom != INT64_MAX && trueBottom <= hi && bottom >= lo ? AGGREGATE_HOLDS : AGGREGATE_OPEN;
    }
    case AGGREGATE_TIMES: {
        // The product of the elements grounding found true, then of those true now; a product is
        // only known once no element is undecided.
        const TIMESFUNCTION *t = static_cast<const TIMESFUNCTION *>(f);
        int64_t product = timesBase(*t);
        for (const GROUND_SET_ELEMENT &e : f->groundSet()) {
            int s = state(e.atom);
            if (s == 2) return AGGREGATE_OPEN;
            if (s == 1) product = saturatingProduct(product, f->elementValue(e.term));
        }
        return lo <= product && product <= hi ? AGGREGATE_HOLDS : AGGREGATE_FAILS;
    }
    default: return AGGREGATE_OPEN;
    }
}
