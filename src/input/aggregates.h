// Aggregates in the parser: an aggregate literal such as X = #count{Y : p(Y, Z), not q(Y)} becomes
// an ATOM of the aggregate's pseudo-predicate ("#count", ...) that owns an AGGREGATE_ATOM with its
// guards and its AGGREGATEFUNCTION. Before a rule body, constraint or weak constraint is stored,
// processAggregates checks the aggregated-over variables, gives each aggregate the literals of the
// enclosing body that bind its variables, and replaces a conjunction that is more than one simple
// literal by one atom of an auxiliary "aux#" predicate whose defining rule joins the program; the
// grounder then evaluates every aggregate over one predicate. The query's aggregates are left as
// written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/aggregate_function.h"
#include "core/conjunction.h"
#include "core/program.h"

// A guard as the parser keeps it: a variable or an integer (or the invalid-guard constant after a
// reported error) and whether it is inclusive.
struct AGGREGATE_GUARD {
    TERM term;
    bool inclusive = true;
};

AGGREGATE_SPEC makeAggregateSpec(int32_t kind, const TERMS &terms, const CONJUNCTION &body);
// Checks a written guard; a strict integer guard becomes inclusive.
AGGREGATE_GUARD makeAggregateGuard(TERM term, bool inclusive, bool isLower);
ATOM makeAggregateAtom(const AGGREGATE_GUARD &lower, const AGGREGATE_GUARD &upper,
                       const AGGREGATE_SPEC &spec);
// Grammar helpers: take over their pointer arguments (a null guard is left out: lower 0, upper
// 2147483647, both inclusive) and return a new atom.
ATOM *aggregateAtom(TERM *lower, bool lowerInclusive, AGGREGATE_SPEC *spec, TERM *upper,
                    bool upperInclusive);
// X = #f{...} and #f{...} = X: both guards are the term, inclusive.
ATOM *assignmentAggregateAtom(TERM *term, AGGREGATE_SPEC *spec);

// Prepares every aggregate literal of the body before the body is stored.
void processAggregates(CONJUNCTION &body);

// The variables of the literal (of a built-in with an output only its inputs) that occur in no
// positive ordinary literal of the conjunction.
std::vector<TERM> unboundVariables(const LITERAL &literal, const CONJUNCTION &conjunction);
