// The value of a ground aggregate atom under a (partial) truth assignment, shared by the model
// generator's candidate check and the model checker's unfounded-set test.
//
// Grounding folds the elements it found true into the function's bounds and keeps only the
// undecided ones in the ground set, and the model generator never changes the function objects:
// what grounding left there is the base every evaluation starts from. Values are followed in 64
// bits (products saturate), so a sum beyond the integer range is compared as it is, not wrapped.
#ifndef QUARN_SOLVER_AGGREGATE_VALUE_H
#define QUARN_SOLVER_AGGREGATE_VALUE_H

#include <cstdint>

#include "core/gatom_table.h"
#include "solver/truth_assignment.h"

struct AGGREGATE_ATOM;
class TIMESFUNCTION;

// Products saturate at PRODUCT_LIMIT in magnitude, sign kept: far beyond any guard, which is a
// 32-bit integer, so a saturated product compares with the guards as the exact one would.
constexpr int64_t PRODUCT_LIMIT = int64_t(1) << 62;
int64_t saturatingProduct(int64_t a, int64_t b);

// The product of the elements of a #times that grounding found true (and left out of its set).
int64_t timesBase(const TIMESFUNCTION &t);

// The guard interval [lo, hi] of an aggregate atom with the inclusive flags applied. A guard at
// the end of the integer range (what a missing guard gets) bounds nothing.
void aggregateGuardInterval(const AGGREGATE_ATOM &part, int64_t &lo, int64_t &hi);

enum AGGREGATE_VERDICT : int { AGGREGATE_FAILS = 0, AGGREGATE_HOLDS = 1, AGGREGATE_OPEN = 2 };

// Whether the guards of aggregate atom `atom` hold for every completion of `a` (HOLDS), for none
// (FAILS), or may go either way (OPEN). An element counts as true when its atom is must-be-true
// or true, as undecided when undefined, and as false when false or when `removed` marks it.
AGGREGATE_VERDICT aggregateVerdict(GATOM_ID atom, const TRUTH_ASSIGNMENT &a, const uint8_t *removed);

#endif
