// Aggregate propagation: the running values of the aggregate functions and the inferences drawn
// from them.
#include "solver/aggregate_propagation.h"

#include <algorithm>
#include <climits>

#include "core/aggregate_atom.h"
#include "core/aggregate_function.h"
#include "solver/model_generator.h"

namespace {

// Which decided elements an inference of an aggregate's function reads: for a #count, or a #sum
// without negative elements, the least value counts the true elements and the greatest value
// leaves out the false ones, so an inference drawn from one of the two bounds rests on one kind.
enum : uint32_t { SIDE_NONE = 0, SIDE_TRUE = 1, SIDE_FALSE = 2, SIDE_BOTH = 3 };

// An inference of the function of aggregate atom g, reading the given kinds of elements.
MG_WHY by(GATOM_ID g, uint32_t side = SIDE_BOTH) {
    return {REASON_AGGREGATE, (static_cast<uint32_t>(g) << 2) | side};
}

}  // namespace

void AGGREGATE_PROPAGATION::startRun(uint32_t atoms, uint32_t functions) {
    aggregateOccurrences.clear();
    aggregateOccurrences.resize(atoms);
    aggregateAtomsOfFunction.clear();
    aggregateAtomsOfFunction.resize(functions);
}

void AGGREGATE_PROPAGATION::release() {
    aggregateOccurrences.clear();
    aggregateAtomsOfFunction.clear();
}

void AGGREGATE_PROPAGATION::registerOccurrences(const GLITERAL &literal) {
    const AGGREGATE_ATOM *part = groundAtomTable[literal.atom].aggregate();
    if (!part) return;
    const AGGREGATEFUNCTION *function = part->getFunction();
    uint32_t index = part->functionIndex;
    if (!function || index >= aggregateAtomsOfFunction.size()) return;
    for (const GROUND_SET_ELEMENT &e : function->groundSet()) {
        if (e.atom < 0 || static_cast<uint32_t>(e.atom) >= aggregateOccurrences.size()) continue;
        std::vector<AGGREGATE_OCCURRENCE> &list = aggregateOccurrences[e.atom];
        bool known = false;
        for (const AGGREGATE_OCCURRENCE &o : list)
            if (o.functionIndex == index && compareTerm(o.term, e.term) == 0) known = true;
        if (!known) list.push_back({index, e.term});
    }
    std::vector<GATOM_ID> &atoms = aggregateAtomsOfFunction[index];
    if (std::find(atoms.begin(), atoms.end(), literal.atom) == atoms.end()) atoms.push_back(literal.atom);
}

void AGGREGATE_PROPAGATION::initAggregates(TRUTH_ASSIGNMENT &a) {
    uint32_t n = groundAtomCount;
    uint32_t count = static_cast<uint32_t>(aggregateAtomsOfFunction.size());
    aggregateTrueSum.assign(count, 0);
    aggregateOpenPositive.assign(count, 0);
    aggregateOpenNegative.assign(count, 0);
    aggregateTrueExtreme.assign(count, 0);
    aggregateOpenExtreme.assign(count, 0);
    aggregateOpenPosition.assign(count, 0);
    aggregateType.assign(count, 0);
    aggregateMonotone.assign(count, 0);
    aggregateBase.assign(count, 0);
    aggregateTotal.assign(count, 0);
    aggregateGrounded.assign(count, 0);
    aggregateElementStart.assign(count + 1, 0);
    aggregateElementValue.clear();
    aggregateElementAtom.clear();
    aggregateLow.assign(n, 0);
    aggregateHigh.assign(n, 0);
    aggregateFunctionOf.assign(n, NO_AGGREGATE_FUNCTION);
    recursiveAggregates = false;

    for (uint32_t f = 0; f < count; ++f) {
        aggregateElementStart[f] = static_cast<uint32_t>(aggregateElementValue.size());
        if (aggregateAtomsOfFunction[f].empty()) continue;
        const AGGREGATE_ATOM *part = groundAtomTable[aggregateAtomsOfFunction[f].front()].aggregate();
        const AGGREGATEFUNCTION *functionObject = part ? part->getFunction() : nullptr;
        if (!functionObject) continue;
        const AGGREGATEFUNCTION &function = *functionObject;
        int32_t type = function.type;
        if (type != AGGREGATE_COUNT && type != AGGREGATE_SUM && type != AGGREGATE_MAX && type != AGGREGATE_MIN &&
            type != AGGREGATE_TIMES)
            continue;
        aggregateType[f] = type;
        if (type == AGGREGATE_TIMES) {
            aggregateTrueSum[f] = timesBase(static_cast<const TIMESFUNCTION &>(function));
            for (const GROUND_SET_ELEMENT &e : function.groundSet()) {
                aggregateElementValue.push_back(function.elementValue(e.term));
                aggregateElementAtom.push_back(e.atom);
            }
            continue;
        }
        int64_t trueSum = function.lower, openPositive = 0, openNegative = 0;
        int64_t trueExtreme = INT64_MIN, openExtreme = INT64_MIN;
        if (type == AGGREGATE_MAX && function.getMaxTrue() != INT32_MIN) trueExtreme = function.getMaxTrue();
        if (type == AGGREGATE_MIN) {
            trueExtreme = function.getMinTrue() == INT32_MAX ? INT64_MAX : function.getMinTrue();
            openExtreme = INT64_MAX;
        }
        aggregateGrounded[f] = type == AGGREGATE_COUNT || type == AGGREGATE_SUM ? trueSum : trueExtreme;
        for (const GROUND_SET_ELEMENT &e : function.groundSet()) {
            int64_t v = type == AGGREGATE_COUNT ? 1 : function.elementValue(e.term);
            aggregateElementValue.push_back(v);
            aggregateElementAtom.push_back(e.atom);
            TRUTH_VALUE value = a[e.atom];
            if (value == TRUTH_FALSE) continue;
            bool isTrue = value != TRUTH_UNDEFINED;
            if (type == AGGREGATE_COUNT || type == AGGREGATE_SUM) {
                if (isTrue)
                    trueSum += v;
                else
                    (v < 0 ? openNegative : openPositive) += v;
            } else if (type == AGGREGATE_MAX) {
                if (isTrue && v > trueExtreme) trueExtreme = v;
                if (!isTrue && v > openExtreme) openExtreme = v;
            } else {
                if (isTrue && v < trueExtreme) trueExtreme = v;
                if (!isTrue && v < openExtreme) openExtreme = v;
            }
        }
        aggregateTrueSum[f] = trueSum;
        aggregateOpenPositive[f] = openPositive;
        aggregateOpenNegative[f] = openNegative;
        aggregateMonotone[f] = (type == AGGREGATE_COUNT || type == AGGREGATE_SUM) && openNegative == 0 &&
                               trueSum == function.lower;
        aggregateBase[f] = trueSum;
        aggregateTotal[f] = trueSum + openPositive;
        aggregateTrueExtreme[f] = trueExtreme;
        aggregateOpenExtreme[f] = openExtreme;
        if (type == AGGREGATE_MAX || type == AGGREGATE_MIN) {
            bool isMax = type == AGGREGATE_MAX;
            int64_t begin = aggregateElementStart[f], end = static_cast<int64_t>(aggregateElementValue.size());
            int64_t i = isMax ? end - 1 : begin;
            while (i >= begin && i < end && a[aggregateElementAtom[i]] != TRUTH_UNDEFINED) i += isMax ? -1 : 1;
            aggregateOpenPosition[f] = i;
        }
    }
    aggregateElementStart[count] = static_cast<uint32_t>(aggregateElementValue.size());

    for (uint32_t f = 0; f < count; ++f)
        for (GATOM_ID g : aggregateAtomsOfFunction[f]) {
            aggregateFunctionOf[g] = f;
            aggregateGuardInterval(*groundAtomTable[g].aggregate(), aggregateLow[g], aggregateHigh[g]);
        }

    for (const GRULE &r : mg.rules) {
        if (!r.hasBody || recursiveAggregates) continue;
        for (const GLITERAL &l : r.body.positive()) {
            if (!mg.aggregateAtom[l.atom] || mg.componentOfAtom[l.atom] < 0) continue;
            for (GATOM_ID h : r.head)
                if (mg.componentOfAtom[h] == mg.componentOfAtom[l.atom]) recursiveAggregates = true;
        }
    }
}

// The smallest and the largest value of #times function f over every completion of `a`, with
// the elements of atom `forced` (when `hasForced`) taken as `forcedTrue`. Must-be-true elements
// count as true. Magnitudes saturate at PRODUCT_LIMIT, far beyond any guard, so comparisons with
// the guards stay exact.
//
// The undecided elements can make any subset product: the largest takes every positive value and
// an even number of negative ones, dropping the negative of smallest magnitude when their number
// is odd; the smallest takes an odd number of negative ones likewise, or is 0 with a zero element
// and 1 without. The true product then scales (and for a negative product swaps) the two.
void AGGREGATE_PROPAGATION::timesRange(const TRUTH_ASSIGNMENT &a, uint32_t f, bool hasForced, GATOM_ID forced,
                                       bool forcedTrue, int64_t &minValue, int64_t &maxValue) const {
    timesRangeOf(
        f,
        [&](uint32_t i) -> TRUTH_VALUE {
            GATOM_ID e = aggregateElementAtom[i];
            if (hasForced && e == forced) return forcedTrue ? TRUTH_TRUE : TRUTH_FALSE;
            return a[e];
        },
        minValue, maxValue);
}

// The same with the value of each element position given by `valueOf`.
template <class VALUE_OF>
void AGGREGATE_PROPAGATION::timesRangeOf(uint32_t f, VALUE_OF valueOf, int64_t &minValue, int64_t &maxValue) const {
    int64_t product = aggregateTrueSum[f];
    int64_t positive = 1;     // product of the undecided positive values
    int64_t negativeAll = 1;  // product of the magnitudes of the undecided negative values
    int64_t negativeRest = 1;  // the same without the one of smallest magnitude
    int64_t smallest = 0;     // that smallest magnitude, 0 while there is none
    uint32_t negatives = 0;
    bool zero = false;
    for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1]; ++i) {
        int64_t v = aggregateElementValue[i];
        TRUTH_VALUE t = valueOf(i);
        if (t == TRUTH_FALSE) continue;
        if (t != TRUTH_UNDEFINED) {
            product = saturatingProduct(product, v);
        } else if (v > 0) {
            positive = saturatingProduct(positive, v);
        } else if (v == 0) {
            zero = true;
        } else {
            ++negatives;
            negativeAll = saturatingProduct(negativeAll, -v);
            if (smallest == 0) {
                smallest = -v;
            } else if (-v < smallest) {
                negativeRest = saturatingProduct(negativeRest, smallest);
                smallest = -v;
            } else {
                negativeRest = saturatingProduct(negativeRest, -v);
            }
        }
    }
    int64_t odd = negatives % 2 == 1 ? negativeAll : negativeRest;
    int64_t even = negatives % 2 == 0 ? negativeAll : negativeRest;
    int64_t largest = saturatingProduct(positive, even);
    int64_t least = negatives > 0 ? -saturatingProduct(positive, odd) : (zero ? 0 : 1);
    if (product >= 0) {
        minValue = saturatingProduct(product, least);
        maxValue = saturatingProduct(product, largest);
    } else {
        minValue = saturatingProduct(product, largest);
        maxValue = saturatingProduct(product, least);
    }
}

AGGREGATE_VERDICT AGGREGATE_PROPAGATION::timesVerdict(const TRUTH_ASSIGNMENT &a, GATOM_ID g, bool hasForced,
                                                      GATOM_ID forced, bool forcedTrue) const {
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    if (hi < lo) return AGGREGATE_FAILS;
    int64_t minValue, maxValue;
    timesRange(a, aggregateFunctionOf[g], hasForced, forced, forcedTrue, minValue, maxValue);
    if (maxValue < lo || hi < minValue) return AGGREGATE_FAILS;
    return lo <= minValue && maxValue <= hi ? AGGREGATE_HOLDS : AGGREGATE_OPEN;
}

// The verdict on an aggregate atom's guards from the values the search keeps.
AGGREGATE_VERDICT AGGREGATE_PROPAGATION::aggregateState(const TRUTH_ASSIGNMENT &a, GATOM_ID atom) const {
    uint32_t f = aggregateFunctionOf[atom];
    int64_t lo = aggregateLow[atom], hi = aggregateHigh[atom];
    if (hi < lo) return AGGREGATE_FAILS;
    if (aggregateType[f] == AGGREGATE_TIMES) return timesVerdict(a, atom, false, 0, false);
    int64_t t = aggregateTrueExtreme[f], o = aggregateOpenExtreme[f];
    switch (aggregateType[f]) {
    case AGGREGATE_COUNT:
    case AGGREGATE_SUM: {
        int64_t lower = aggregateTrueSum[f] + aggregateOpenNegative[f];
        int64_t upper = aggregateTrueSum[f] + aggregateOpenPositive[f];
        if (upper < lo || hi < lower) return AGGREGATE_FAILS;
        return lo <= lower && upper <= hi ? AGGREGATE_HOLDS : AGGREGATE_OPEN;
    }
    case AGGREGATE_MAX: {
        int64_t top = t > o ? t : o;
        if (top == INT64_MIN || top < lo || (t != INT64_MIN && t > hi)) return AGGREGATE_FAILS;
        if (t != INT64_MIN && lo <= t) return top <= hi ? AGGREGATE_HOLDS : AGGREGATE_OPEN;
        // Below the lower guard so far, with an element above the upper one still open: without
        // an element within the guards the maximum misses them either way.
        return o > hi && !anyElementWithin(a, f, lo, hi) ? AGGREGATE_FAILS : AGGREGATE_OPEN;
    }
    case AGGREGATE_MIN: {
        int64_t bottom = t < o ? t : o;
        if (bottom == INT64_MAX || bottom > hi || (t != INT64_MAX && t < lo)) return AGGREGATE_FAILS;
        if (t != INT64_MAX && t <= hi) return lo <= bottom ? AGGREGATE_HOLDS : AGGREGATE_OPEN;
        return o < lo && !anyElementWithin(a, f, lo, hi) ? AGGREGATE_FAILS : AGGREGATE_OPEN;
    }
    default: return AGGREGATE_OPEN;
    }
}

// The next undecided element of a #max (downwards) or #min (upwards) from the open extreme's
// position, after an element of the open extreme's value was decided. Elements decided but still
// waiting in the queue are passed by the scan, so a true or must-be-true one met on the way counts
// as true now (its own update later changes nothing). The true extreme is already on the trail.
void AGGREGATE_PROPAGATION::advanceOpenExtreme(TRUTH_ASSIGNMENT &a, uint32_t f) {
    bool isMax = aggregateType[f] == AGGREGATE_MAX;
    int64_t begin = aggregateElementStart[f], end = aggregateElementStart[f + 1];
    int64_t step = isMax ? -1 : 1;
    int64_t &t = aggregateTrueExtreme[f];
    int64_t i = aggregateOpenPosition[f];
    for (; i >= begin && i < end; i += step) {
        TRUTH_VALUE v = a[aggregateElementAtom[i]];
        if (v == TRUTH_UNDEFINED) break;
        if (v == TRUTH_FALSE) continue;
        int64_t value = aggregateElementValue[i];
        if (isMax ? value > t : value < t) t = value;
    }
    if (i == aggregateOpenPosition[f]) return;  // another element of the same value was decided
    mg.aggregateTrail.push(mg.level, &aggregateOpenPosition[f]);
    mg.aggregateTrail.push(mg.level, &aggregateOpenExtreme[f]);
    aggregateOpenPosition[f] = i;
    if (i >= begin && i < end)
        aggregateOpenExtreme[f] = aggregateElementValue[i];
    else
        aggregateOpenExtreme[f] = isMax ? INT64_MIN : INT64_MAX;
}

int AGGREGATE_PROPAGATION::updateAggregatesOfAtom(TRUTH_ASSIGNMENT &a, GATOM_ID atom, bool elementTrue) {
    if (mg.aggregateAtom[atom]) {
        // An aggregate atom made true directly (a choice): its guards must be able to hold.
        if (!propagatedAggregate(atom)) return 1;
        AGGREGATE_VERDICT v = aggregateState(a, atom);
        if (v == AGGREGATE_FAILS) return mg.fail(CONFLICT_AGGREGATE, verdictSide(atom, v), atom);
        if (v == AGGREGATE_OPEN) propagateMustHoldByType(a, atom);
        return 1;
    }
    for (const AGGREGATE_OCCURRENCE &o : aggregateOccurrences[atom]) {
        uint32_t f = o.functionIndex;
        int32_t type = aggregateType[f];
        if (type == 0) continue;
        if (type == AGGREGATE_TIMES) {
            if (!propagateAggregate(a, f)) return 0;
            continue;
        }
        int64_t v = type == AGGREGATE_COUNT ? 1 : integerValue(o.term);
        if (type == AGGREGATE_COUNT || type == AGGREGATE_SUM) {
            int64_t &open = v < 0 ? aggregateOpenNegative[f] : aggregateOpenPositive[f];
            mg.aggregateTrail.push(mg.level, &open);
            open -= v;
            if (elementTrue) {
                mg.aggregateTrail.push(mg.level, &aggregateTrueSum[f]);
                aggregateTrueSum[f] += v;
            }
        } else {
            int64_t &t = aggregateTrueExtreme[f];
            if (elementTrue && (type == AGGREGATE_MAX ? v > t : v < t)) {
                mg.aggregateTrail.push(mg.level, &t);
                t = v;
            }
            if (v == aggregateOpenExtreme[f]) {
                mg.aggregateTrail.push(mg.level, &t);
                advanceOpenExtreme(a, f);
            }
        }
        if (!propagateAggregate(a, f)) return 0;
    }
    return 1;
}

int AGGREGATE_PROPAGATION::propagateAll(TRUTH_ASSIGNMENT &a) {
    for (uint32_t f = 0; f < aggregateAtomsOfFunction.size(); ++f)
        if (!propagateAggregate(a, f)) return 0;
    return 1;
}

int AGGREGATE_PROPAGATION::propagateAggregate(TRUTH_ASSIGNMENT &a, uint32_t f) {
    for (GATOM_ID g : aggregateAtomsOfFunction[f])
        if (!checkAggregateAtom(a, g)) return 0;
    return 1;
}

// The kinds of decided elements an inference of function f reads, when it reads the least value
// and when it reads the greatest value.
uint32_t AGGREGATE_PROPAGATION::sideOf(uint32_t f, bool readsLeast, bool readsGreatest) const {
    if (!aggregateMonotone[f]) return SIDE_BOTH;
    return (readsLeast ? SIDE_TRUE : SIDE_NONE) | (readsGreatest ? SIDE_FALSE : SIDE_NONE);
}

// The kinds of decided elements a verdict on g's guards reads.
uint32_t AGGREGATE_PROPAGATION::verdictSide(GATOM_ID g, AGGREGATE_VERDICT verdict) const {
    uint32_t f = aggregateFunctionOf[g];
    if (!aggregateMonotone[f]) return SIDE_BOTH;
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    int64_t upper = aggregateTrueSum[f] + aggregateOpenPositive[f];
    if (verdict == AGGREGATE_FAILS) {
        if (hi < lo) return SIDE_NONE;
        return upper < lo ? SIDE_FALSE : SIDE_TRUE;
    }
    return (lo > aggregateBase[f] ? SIDE_TRUE : SIDE_NONE) | (aggregateTotal[f] > hi ? SIDE_FALSE : SIDE_NONE);
}

int AGGREGATE_PROPAGATION::checkAggregateAtom(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    TRUTH_VALUE value = a[g];
    AGGREGATE_VERDICT verdict = aggregateState(a, g);
    switch (verdict) {
    case AGGREGATE_FAILS:
        if (value == TRUTH_MUST_BE_TRUE || isTrueValue(value))
            return mg.fail(CONFLICT_AGGREGATE, verdictSide(g, verdict), g);
        if (value == TRUTH_UNDEFINED) mg.setFalse(a, g, by(g, verdictSide(g, verdict)));
        return 1;
    case AGGREGATE_HOLDS:
        if (value == TRUTH_FALSE) return mg.fail(CONFLICT_AGGREGATE, verdictSide(g, verdict), g);
        if (value == TRUTH_MUST_BE_TRUE)
            mg.confirmMustBeTrue(a, g);
        else if (value == TRUTH_UNDEFINED)
            mg.setTrue(a, g, by(g, verdictSide(g, verdict)));
        return 1;
    case AGGREGATE_OPEN:
        if (value == TRUTH_MUST_BE_TRUE)
            propagateMustHoldByType(a, g);
        else if (value == TRUTH_FALSE)
            propagateFalseByType(a, g);
        return 1;
    }
    return 1;
}

// A false aggregate atom: its guards must not come to hold.
int AGGREGATE_PROPAGATION::propagateFalseAggregate(TRUTH_ASSIGNMENT &a, GATOM_ID atom) {
    if (mg.wellFounded || !propagatedAggregate(atom)) return 1;
    AGGREGATE_VERDICT v = aggregateState(a, atom);
    if (v == AGGREGATE_HOLDS) return mg.fail(CONFLICT_AGGREGATE, verdictSide(atom, v), atom);
    if (v == AGGREGATE_OPEN) propagateFalseByType(a, atom);
    return 1;
}

// A must-be-true aggregate atom: its guards must come to hold.
int AGGREGATE_PROPAGATION::propagateTrueAggregate(TRUTH_ASSIGNMENT &a, GATOM_ID atom) {
    if (mg.wellFounded || !propagatedAggregate(atom)) return 1;
    switch (aggregateState(a, atom)) {
    case AGGREGATE_FAILS: return mg.fail(CONFLICT_AGGREGATE, verdictSide(atom, AGGREGATE_FAILS), atom);
    case AGGREGATE_HOLDS:
        if (a[atom] == TRUTH_MUST_BE_TRUE) mg.confirmMustBeTrue(a, atom);
        return 1;
    case AGGREGATE_OPEN: propagateMustHoldByType(a, atom); return 1;
    }
    return 1;
}

// The element inferences of an aggregate atom that is true or must be true while its guards may
// still fail, chosen by its type.
void AGGREGATE_PROPAGATION::propagateMustHoldByType(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    if (mg.wellFounded) return;
    switch (aggregateType[aggregateFunctionOf[g]]) {
    case AGGREGATE_COUNT: {
        uint32_t f = aggregateFunctionOf[g];
        int64_t lower = aggregateTrueSum[f], upper = lower + aggregateOpenPositive[f];
        if (aggregateHigh[g] == lower)
            setAggregateElementsFalse(a, g, f, SIDE_TRUE);
        else if (aggregateLow[g] == upper)
            setAggregateElementsMustBeTrue(a, g, f, SIDE_FALSE);
        break;
    }
    case AGGREGATE_SUM: propagateTrueSum(a, g); break;
    case AGGREGATE_MAX: propagateTrueMax(a, g); break;
    case AGGREGATE_MIN: propagateTrueMin(a, g); break;
    case AGGREGATE_TIMES: propagateTimes(a, g, AGGREGATE_FAILS); break;
    default: break;
    }
}

// The element inferences of a false aggregate atom whose guards may still come to hold.
void AGGREGATE_PROPAGATION::propagateFalseByType(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    if (mg.wellFounded) return;
    switch (aggregateType[aggregateFunctionOf[g]]) {
    case AGGREGATE_COUNT: propagateFalseCount(a, g); break;
    case AGGREGATE_SUM: propagateFalseSum(a, g); break;
    case AGGREGATE_MAX: propagateFalseMax(a, g); break;
    case AGGREGATE_MIN: propagateFalseMin(a, g); break;
    case AGGREGATE_TIMES: propagateTimes(a, g, AGGREGATE_HOLDS); break;
    default: break;
    }
}

void AGGREGATE_PROPAGATION::setAggregateElementsFalse(TRUTH_ASSIGNMENT &a, GATOM_ID g, uint32_t f, uint32_t side) {
    for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1]; ++i)
        if (a[aggregateElementAtom[i]] == TRUTH_UNDEFINED) mg.setFalse(a, aggregateElementAtom[i], by(g, side));
}

void AGGREGATE_PROPAGATION::setAggregateElementsMustBeTrue(TRUTH_ASSIGNMENT &a, GATOM_ID g, uint32_t f,
                                                           uint32_t side) {
    for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1]; ++i)
        if (a[aggregateElementAtom[i]] == TRUTH_UNDEFINED) mg.setMustBeTrue(a, aggregateElementAtom[i], by(g, side));
}

// A #sum that must hold: an undecided element whose truth would put the value beyond the guards
// becomes false, one whose falsity would becomes must-be-true. Elements run in ascending value,
// so the positive ones are scanned from the top and the negative ones from the bottom, each scan
// ending at the first element that allows both values.
void AGGREGATE_PROPAGATION::propagateTrueSum(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    uint32_t f = aggregateFunctionOf[g];
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    uint32_t begin = aggregateElementStart[f], end = aggregateElementStart[f + 1];
    int64_t lower = aggregateTrueSum[f] + aggregateOpenNegative[f];
    int64_t upper = aggregateTrueSum[f] + aggregateOpenPositive[f];
    for (uint32_t i = end; i-- > begin;) {
        int64_t v = aggregateElementValue[i];
        if (v <= 0) break;
        GATOM_ID e = aggregateElementAtom[i];
        if (a[e] != TRUTH_UNDEFINED) continue;
        bool monotone = aggregateMonotone[f];
        if (hi < lower + v)
            mg.setFalse(a, e, by(g, monotone ? SIDE_TRUE : SIDE_BOTH));
        else if (upper - v < lo)
            mg.setMustBeTrue(a, e, by(g, monotone ? SIDE_FALSE : SIDE_BOTH));
        else
            break;
    }
    for (uint32_t i = begin; i < end; ++i) {
        int64_t v = aggregateElementValue[i];
        if (v >= 0) break;
        GATOM_ID e = aggregateElementAtom[i];
        if (a[e] != TRUTH_UNDEFINED) continue;
        if (upper + v < lo)
            mg.setFalse(a, e, by(g));
        else if (hi < lower - v)
            mg.setMustBeTrue(a, e, by(g));
        else
            break;
    }
}

// Whether an element with a value within [lo, hi] is not false.
bool AGGREGATE_PROPAGATION::anyElementWithin(const TRUTH_ASSIGNMENT &a, uint32_t f, int64_t lo, int64_t hi) const {
    auto first = aggregateElementValue.begin();
    uint32_t i = static_cast<uint32_t>(
        std::lower_bound(first + aggregateElementStart[f], first + aggregateElementStart[f + 1], lo) - first);
    for (; i < aggregateElementStart[f + 1] && aggregateElementValue[i] <= hi; ++i)
        if (a[aggregateElementAtom[i]] != TRUTH_FALSE) return true;
    return false;
}

// Exactly one element within [lo, hi] that is not false, and it is undefined: its position, else
// -1. Elements that are must-be-true count, since they will be true. So does a true element that
// grounding decided (a fact): the ground set does not list it, but the true extreme holds its
// value, and when that lies within the guards no undefined element is needed.
int64_t AGGREGATE_PROPAGATION::aggregateSingleElementWithin(const TRUTH_ASSIGNMENT &a, uint32_t f, int64_t lo,
                                                            int64_t hi) const {
    int64_t t = aggregateTrueExtreme[f];
    if (lo <= t && t <= hi) return -1;
    int64_t found = -1;
    uint32_t count = 0;
    auto first = aggregateElementValue.begin();
    uint32_t begin = static_cast<uint32_t>(
        std::lower_bound(first + aggregateElementStart[f], first + aggregateElementStart[f + 1], lo) - first);
    for (uint32_t i = begin; i < aggregateElementStart[f + 1] && aggregateElementValue[i] <= hi; ++i) {
        if (a[aggregateElementAtom[i]] == TRUTH_FALSE) continue;
        if (++count > 1) return -1;
        if (a[aggregateElementAtom[i]] == TRUTH_UNDEFINED) found = i;
    }
    return found;
}

// A #max that must hold: elements above the upper guard become false; when a single element
// within the guards can still be true, it must be.
void AGGREGATE_PROPAGATION::propagateTrueMax(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    uint32_t f = aggregateFunctionOf[g];
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    int64_t begin = aggregateElementStart[f];
    for (int64_t i = aggregateOpenPosition[f]; i >= begin && aggregateElementValue[i] > hi; --i)
        if (a[aggregateElementAtom[i]] == TRUTH_UNDEFINED) mg.setFalse(a, aggregateElementAtom[i], by(g));
    int64_t single = aggregateSingleElementWithin(a, f, lo, hi);
    if (single >= 0) mg.setMustBeTrue(a, aggregateElementAtom[single], by(g));
}

// A #min that must hold: elements below the lower guard become false; when a single element
// within the guards can still be true, it must be.
void AGGREGATE_PROPAGATION::propagateTrueMin(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    uint32_t f = aggregateFunctionOf[g];
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    int64_t end = aggregateElementStart[f + 1];
    for (int64_t i = aggregateOpenPosition[f]; i < end && aggregateElementValue[i] < lo; ++i)
        if (a[aggregateElementAtom[i]] == TRUTH_UNDEFINED) mg.setFalse(a, aggregateElementAtom[i], by(g));
    int64_t single = aggregateSingleElementWithin(a, f, lo, hi);
    if (single >= 0) mg.setMustBeTrue(a, aggregateElementAtom[single], by(g));
}

// A false #count is a #sum whose elements are all worth 1.
void AGGREGATE_PROPAGATION::propagateFalseCount(TRUTH_ASSIGNMENT &a, GATOM_ID g) { propagateFalseSum(a, g); }

// A false #sum (or #count, every element worth 1): an undecided element whose truth would make
// the guards hold becomes false, one whose falsity would becomes must-be-true; scanned as in
// propagateTrueSum.
void AGGREGATE_PROPAGATION::propagateFalseSum(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    uint32_t f = aggregateFunctionOf[g];
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    int64_t lower = aggregateTrueSum[f] + aggregateOpenNegative[f];
    int64_t upper = aggregateTrueSum[f] + aggregateOpenPositive[f];
    uint32_t begin = aggregateElementStart[f], end = aggregateElementStart[f + 1];
    for (uint32_t i = end; i-- > begin;) {
        int64_t v = aggregateElementValue[i];
        if (v <= 0) break;
        GATOM_ID e = aggregateElementAtom[i];
        if (a[e] != TRUTH_UNDEFINED) continue;
        if (upper <= hi && lo <= lower + v)
            mg.setFalse(a, e, by(g, sideOf(f, lo > aggregateBase[f] + v, aggregateTotal[f] > hi)));
        else if (lo <= lower && upper - v <= hi)
            mg.setMustBeTrue(a, e, by(g, sideOf(f, lo > aggregateBase[f], aggregateTotal[f] - v > hi)));
        else
            break;
    }
    for (uint32_t i = begin; i < end; ++i) {
        int64_t v = aggregateElementValue[i];
        if (v >= 0) break;
        GATOM_ID e = aggregateElementAtom[i];
        if (a[e] != TRUTH_UNDEFINED) continue;
        if (lo <= lower && upper + v <= hi)
            mg.setFalse(a, e, by(g));
        else if (lo <= lower - v && upper <= hi)
            mg.setMustBeTrue(a, e, by(g));
        else
            break;
    }
}

// The position of the only undefined element above `bound` when no element above it is true
// or must-be-true, else -1 (scanning from the top).
int64_t AGGREGATE_PROPAGATION::aggregateSingleUndefinedAbove(const TRUTH_ASSIGNMENT &a, uint32_t f,
                                                             int64_t bound) const {
    int64_t found = -1;
    for (uint32_t i = aggregateElementStart[f + 1]; i-- > aggregateElementStart[f] && aggregateElementValue[i] > bound;) {
        TRUTH_VALUE v = a[aggregateElementAtom[i]];
        if (v == TRUTH_FALSE) continue;
        if (v != TRUTH_UNDEFINED || found >= 0) return -1;
        found = i;
    }
    return found;
}

// The same below `bound`, scanning from the bottom.
int64_t AGGREGATE_PROPAGATION::aggregateSingleUndefinedBelow(const TRUTH_ASSIGNMENT &a, uint32_t f,
                                                             int64_t bound) const {
    int64_t found = -1;
    for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1] && aggregateElementValue[i] < bound;
         ++i) {
        TRUTH_VALUE v = a[aggregateElementAtom[i]];
        if (v == TRUTH_FALSE) continue;
        if (v != TRUTH_UNDEFINED || found >= 0) return -1;
        found = i;
    }
    return found;
}

// A false #max. When a true element already reaches the lower guard, the maximum must pass the
// upper one: a single undefined element above it must be true. Otherwise, when the maximum can no
// longer pass the upper guard, it must stay below the lower one (or have no value): the undefined
// elements within the guards become false.
void AGGREGATE_PROPAGATION::propagateFalseMax(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    uint32_t f = aggregateFunctionOf[g];
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    int64_t t = aggregateTrueExtreme[f], o = aggregateOpenExtreme[f];
    if (t != INT64_MIN && lo <= t) {
        int64_t single = aggregateSingleUndefinedAbove(a, f, hi);
        if (single >= 0) mg.setMustBeTrue(a, aggregateElementAtom[single], by(g));
    } else if ((t > o ? t : o) <= hi) {
        int64_t begin = aggregateElementStart[f];
        for (int64_t i = aggregateOpenPosition[f]; i >= begin && aggregateElementValue[i] >= lo; --i)
            if (a[aggregateElementAtom[i]] == TRUTH_UNDEFINED) mg.setFalse(a, aggregateElementAtom[i], by(g));
    }
}

// A false #min, the mirror image: when the minimum can no longer fall below the lower guard, it
// must pass the upper one, so the undefined elements within the guards become false; when a true
// element is already within the upper guard, a single undefined element below the lower guard
// must be true.
void AGGREGATE_PROPAGATION::propagateFalseMin(TRUTH_ASSIGNMENT &a, GATOM_ID g) {
    uint32_t f = aggregateFunctionOf[g];
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    int64_t t = aggregateTrueExtreme[f], o = aggregateOpenExtreme[f];
    if (lo <= (t < o ? t : o)) {
        int64_t end = aggregateElementStart[f + 1];
        for (int64_t i = aggregateOpenPosition[f]; i < end && aggregateElementValue[i] <= hi; ++i)
            if (a[aggregateElementAtom[i]] == TRUTH_UNDEFINED) mg.setFalse(a, aggregateElementAtom[i], by(g));
    } else if (t != INT64_MAX && t <= hi) {
        int64_t single = aggregateSingleUndefinedBelow(a, f, lo);
        if (single >= 0) mg.setMustBeTrue(a, aggregateElementAtom[single], by(g));
    }
}

// The element inferences of a #times test each undecided element both ways, one scan each: with
// more undecided elements than this the quadratic cost is not paid, and the elements are left
// to the search (the atom's verdict still follows them).
constexpr uint32_t TIMES_INFERENCE_LIMIT = 64;

bool AGGREGATE_PROPAGATION::timesInferenceAffordable(const TRUTH_ASSIGNMENT &a, uint32_t f) const {
    uint32_t open = 0;
    for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1]; ++i)
        if (a[aggregateElementAtom[i]] == TRUTH_UNDEFINED && ++open > TIMES_INFERENCE_LIMIT) return false;
    return true;
}

// The element inferences of a #times, g true (`refused` AGGREGATE_FAILS) or false (`refused`
// AGGREGATE_HOLDS): an undecided element whose truth would give the guards the refused verdict in
// every completion becomes false, one whose falsity would becomes must-be-true. Each element is
// tested against the assignment as it stands, inferences already drawn included.
void AGGREGATE_PROPAGATION::propagateTimes(TRUTH_ASSIGNMENT &a, GATOM_ID g, AGGREGATE_VERDICT refused) {
    uint32_t f = aggregateFunctionOf[g];
    if (!timesInferenceAffordable(a, f)) return;
    for (uint32_t i = aggregateElementStart[f + 1]; i-- > aggregateElementStart[f];) {
        GATOM_ID e = aggregateElementAtom[i];
        if (a[e] != TRUTH_UNDEFINED) continue;
        if (timesVerdict(a, g, true, e, true) == refused)
            mg.setFalse(a, e, by(g));
        else if (timesVerdict(a, g, true, e, false) == refused)
            mg.setMustBeTrue(a, e, by(g));
    }
}

// The reason of an inference of aggregate atom g's function: g's value (unless the inference is
// g's own value and no contradiction is explained) and the fewest elements, first on the trail,
// that force it. An element was forced because its other value would make g's guards fail (g
// true) or hold (g false); g's own value because its elements make the guards hold or fail; a
// contradiction because they do the opposite of g's value. When no such elements are found among
// those decided before `before`, every one of them is named: all of them together forced it.
bool AGGREGATE_PROPAGATION::explain(const TRUTH_ASSIGNMENT &a, uint32_t data, GATOM_ID atom, uint32_t before,
                                    std::vector<MG_LITERAL> &out, bool contradiction) const {
    GATOM_ID g = static_cast<GATOM_ID>(data >> 2);
    uint32_t side = data & 3;
    uint32_t f = aggregateFunctionOf[g];
    if (f == NO_AGGREGATE_FUNCTION || a[g] == TRUTH_UNDEFINED) return false;
    bool gTrue = a[g] != TRUTH_FALSE;
    bool own = atom == g && !contradiction;
    if (!own) out.push_back(literalOfValue(g, a[g]));
    GATOM_ID supposed = own || contradiction ? -1 : atom;
    bool supposedTrue = supposed >= 0 && a[atom] == TRUTH_FALSE;
    bool holds = own ? gTrue : !gTrue;
    size_t size = out.size();
    bool found = false;
    switch (aggregateType[f]) {
    case AGGREGATE_COUNT:
    case AGGREGATE_SUM: found = explainSum(a, g, side, supposed, supposedTrue, before, holds, out); break;
    case AGGREGATE_MAX:
    case AGGREGATE_MIN: found = explainExtreme(a, g, supposed, supposedTrue, before, holds, out); break;
    case AGGREGATE_TIMES: found = explainTimes(a, g, supposed, supposedTrue, before, holds, out); break;
    default: break;
    }
    if (found) return true;
    out.resize(size);
    for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1]; ++i) {
        GATOM_ID e = aggregateElementAtom[i];
        TRUTH_VALUE v = a[e];
        if (e == atom || v == TRUTH_UNDEFINED || mg.trailPosition[e] >= before) continue;
        if (!(side & (v == TRUTH_FALSE ? SIDE_FALSE : SIDE_TRUE))) continue;
        out.push_back(literalOfValue(e, v));
    }
    return true;
}

namespace {

// The number of items, first on the trail, whose weights reach `need` (none when it is not
// positive), the items sorted by their place on the trail; -1 when all of them do not.
int64_t prefixReaching(std::vector<AGGREGATE_REASON_ITEM> &items, __int128 need) {
    if (need <= 0) return 0;
    std::sort(items.begin(), items.end(), [](const auto &x, const auto &y) { return x.position < y.position; });
    __int128 sum = 0;
    for (size_t k = 0; k < items.size(); ++k) {
        sum += items[k].weight;
        if (sum >= need) return static_cast<int64_t>(k + 1);
    }
    return -1;
}

}  // namespace

// A #count or #sum lies between its least value (the true positive elements, the undecided and
// true negative ones) and its greatest (the undecided and true positive elements, the true
// negative ones). A true positive or false negative element raises the least value by its
// magnitude; a false positive or true negative one lowers the greatest. The guards fail when the
// least value passes the upper guard or the greatest stays below the lower one, and hold when
// both lie within them: the reason is the first raising elements that reach the one bound, the
// first lowering elements that reach the other, or both.
inline TRUTH_VALUE AGGREGATE_PROPAGATION::valueForReason(const TRUTH_ASSIGNMENT &a, GATOM_ID e, GATOM_ID supposed,
                                                         bool supposedTrue, uint32_t before) const {
    if (e == supposed) return supposedTrue ? TRUTH_TRUE : TRUTH_FALSE;
    return mg.trailPosition[e] >= before ? TRUTH_UNDEFINED : a[e];
}

bool AGGREGATE_PROPAGATION::explainSum(const TRUTH_ASSIGNMENT &a, GATOM_ID g, uint32_t side, GATOM_ID supposed,
                                       bool supposedTrue, uint32_t before, bool holds,
                                       std::vector<MG_LITERAL> &out) const {
    uint32_t f = aggregateFunctionOf[g];
    __int128 lo = aggregateLow[g], hi = aggregateHigh[g];
    if (!holds && hi < lo) return true;
    __int128 least = aggregateGrounded[f], greatest = aggregateGrounded[f];
    raising.clear();
    lowering.clear();
    // Without negative elements the true ones raise and the false ones lower: an inference that
    // read one kind is explained by that kind alone, and the other is not even collected.
    bool wantRaising = side & SIDE_TRUE, wantLowering = side & SIDE_FALSE;
    for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1]; ++i) {
        int64_t v = aggregateElementValue[i];
        (v < 0 ? least : greatest) += v;
        if (v == 0) continue;
        GATOM_ID e = aggregateElementAtom[i];
        int64_t w = v > 0 ? v : -v;
        if (e == supposed) {
            bool raises = (v > 0) == supposedTrue;
            (raises ? least : greatest) += raises ? w : -w;
            continue;
        }
        TRUTH_VALUE t = a[e];
        if (t == TRUTH_UNDEFINED) continue;
        bool raises = (v > 0) == (t != TRUTH_FALSE);
        if (!(raises ? wantRaising : wantLowering)) continue;
        uint32_t position = mg.trailPosition[e];
        if (position >= before) continue;
        (raises ? raising : lowering).push_back({position, w, literalOfValue(e, t)});
    }
    int64_t r, l;
    if (holds) {
        r = prefixReaching(raising, lo - least);
        l = prefixReaching(lowering, greatest - hi);
        if (r < 0 || l < 0) return false;
    } else {
        r = prefixReaching(raising, hi + 1 - least);
        l = prefixReaching(lowering, greatest - lo + 1);
        if (r < 0 && l < 0) return false;
        // The bound reached first on the trail.
        auto last = [](const std::vector<AGGREGATE_REASON_ITEM> &items, int64_t k) {
            return k == 0 ? -1 : static_cast<int64_t>(items[k - 1].position);
        };
        if (r >= 0 && (l < 0 || last(raising, r) <= last(lowering, l)))
            l = 0;
        else
            r = 0;
    }
    for (int64_t k = 0; k < r; ++k) out.push_back(raising[k].literal);
    for (int64_t k = 0; k < l; ++k) out.push_back(lowering[k].literal);
    return true;
}

// A #max holds when a true element (or grounding's extreme) reaches the lower guard and every
// element above the upper guard is false; it fails when a true element passes the upper guard,
// or when every element within the guards is false and grounding's extreme lies outside them
// (then the maximum passes the upper guard, stays below the lower one, or does not exist). A #min
// is the mirror image. The reason is the first true element of the kind needed, and the false
// elements of the range that must be empty.
bool AGGREGATE_PROPAGATION::explainExtreme(const TRUTH_ASSIGNMENT &a, GATOM_ID g, GATOM_ID supposed,
                                           bool supposedTrue, uint32_t before, bool holds,
                                           std::vector<MG_LITERAL> &out) const {
    uint32_t f = aggregateFunctionOf[g];
    bool isMax = aggregateType[f] == AGGREGATE_MAX;
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    if (!holds && hi < lo) return true;
    int64_t fixed = aggregateGrounded[f];
    bool hasFixed = fixed != (isMax ? INT64_MIN : INT64_MAX);
    // For a #max the values that reach the lower guard and those that pass the upper one; for a
    // #min those that reach the upper guard and those that pass the lower one.
    auto reaches = [&](int64_t v) { return isMax ? v >= lo : v <= hi; };
    auto passes = [&](int64_t v) { return isMax ? v > hi : v < lo; };
    auto within = [&](int64_t v) { return lo <= v && v <= hi; };
    // The first true element on the trail that reaches, or that passes (SUPPOSED_TRUE for the
    // supposed atom, NONE for none); whether every element within the guards, or that passes, is
    // false.
    constexpr int64_t NONE = -2, SUPPOSED_TRUE = -1;
    int64_t reachingTrue = NONE, passingTrue = NONE;
    MG_LITERAL reachingLiteral = 0, passingLiteral = 0;
    bool withinFalse = true, passingFalse = true;
    for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1]; ++i) {
        int64_t v = aggregateElementValue[i];
        if (!reaches(v) && !passes(v)) continue;
        GATOM_ID e = aggregateElementAtom[i];
        TRUTH_VALUE t = valueForReason(a, e, supposed, supposedTrue, before);
        if (t != TRUTH_FALSE) {
            if (within(v)) withinFalse = false;
            if (passes(v)) passingFalse = false;
        }
        if (t == TRUTH_UNDEFINED || t == TRUTH_FALSE) continue;
        int64_t place = e == supposed ? SUPPOSED_TRUE : mg.trailPosition[e];
        if (reaches(v) && (reachingTrue == NONE || place < reachingTrue)) {
            reachingTrue = place;
            reachingLiteral = literalOfValue(e, t);
        }
        if (passes(v) && (passingTrue == NONE || place < passingTrue)) {
            passingTrue = place;
            passingLiteral = literalOfValue(e, t);
        }
    }
    // The false elements of a range.
    auto addFalse = [&](auto inRange) {
        for (uint32_t i = aggregateElementStart[f]; i < aggregateElementStart[f + 1]; ++i) {
            GATOM_ID e = aggregateElementAtom[i];
            if (inRange(aggregateElementValue[i]) && e != supposed) out.push_back(falseLiteral(e));
        }
    };
    if (holds) {
        if ((hasFixed && passes(fixed)) || !passingFalse) return false;
        bool fixedReaches = hasFixed && reaches(fixed);
        if (!fixedReaches && reachingTrue == NONE) return false;
        if (!fixedReaches && reachingTrue >= 0) out.push_back(reachingLiteral);
        addFalse(passes);
        return true;
    }
    if ((hasFixed && passes(fixed)) || passingTrue == SUPPOSED_TRUE) return true;
    if (passingTrue >= 0) {
        out.push_back(passingLiteral);
        return true;
    }
    if ((hasFixed && within(fixed)) || !withinFalse) return false;
    addFalse(within);
    return true;
}

// A #times gives no bound that single elements move, so its reason is found by leaving out
// decided elements, the last on the trail first, as long as the others still decide the guards
// the same way (a few dozen elements at most; beyond, every decided element is named).
constexpr uint32_t TIMES_REASON_LIMIT = 64;

bool AGGREGATE_PROPAGATION::explainTimes(const TRUTH_ASSIGNMENT &a, GATOM_ID g, GATOM_ID supposed,
                                         bool supposedTrue, uint32_t before, bool holds,
                                         std::vector<MG_LITERAL> &out) const {
    uint32_t f = aggregateFunctionOf[g];
    uint32_t begin = aggregateElementStart[f], end = aggregateElementStart[f + 1];
    if (end - begin > TIMES_REASON_LIMIT) return false;
    int64_t lo = aggregateLow[g], hi = aggregateHigh[g];
    if (!holds && hi < lo) return true;
    // The value each element position has for the reason; the positions that may be left out.
    TRUTH_VALUE view[TIMES_REASON_LIMIT];
    raising.clear();
    for (uint32_t i = begin; i < end; ++i) {
        GATOM_ID e = aggregateElementAtom[i];
        TRUTH_VALUE t = valueForReason(a, e, supposed, supposedTrue, before);
        view[i - begin] = t;
        if (t != TRUTH_UNDEFINED && e != supposed) raising.push_back({mg.trailPosition[e], i - begin, literalOfValue(e, t)});
    }
    auto decided = [&]() {
        int64_t minValue, maxValue;
        timesRangeOf(f, [&](uint32_t i) -> TRUTH_VALUE { return view[i - begin]; }, minValue, maxValue);
        if (holds) return lo <= minValue && maxValue <= hi;
        return maxValue < lo || hi < minValue;
    };
    if (!decided()) return false;
    std::sort(raising.begin(), raising.end(), [](const auto &x, const auto &y) { return x.position > y.position; });
    // An atom with several element positions is left out at all of them at once.
    for (const AGGREGATE_REASON_ITEM &item : raising) {
        GATOM_ID e = atomOfLiteral(item.literal);
        TRUTH_VALUE t = view[item.weight];
        if (t == TRUTH_UNDEFINED) continue;
        for (uint32_t i = begin; i < end; ++i)
            if (aggregateElementAtom[i] == e) view[i - begin] = TRUTH_UNDEFINED;
        if (decided()) continue;
        for (uint32_t i = begin; i < end; ++i)
            if (aggregateElementAtom[i] == e) view[i - begin] = t;
        out.push_back(item.literal);
    }
    return true;
}

// Over a total assignment: every aggregate atom has the truth its elements give it.
bool AGGREGATE_PROPAGATION::aggregatesHold(const TRUTH_ASSIGNMENT &a) const {
    for (GATOM_ID atom : aggregateAtomList)
        if ((aggregateVerdict(atom, a, nullptr) == AGGREGATE_HOLDS) != a.isTrue(atom)) return false;
    return true;
}
