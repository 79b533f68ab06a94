// The finite-domain check: whether grounding a program with function and list terms is
// guaranteed to terminate (under -maxnesting= and -maxlist=).
//
// The check is conservative. Inside every recursive component the nesting depth that the rules
// can build at each argument is estimated by a fixpoint over the component's recursive rules
// (the output of a list built-in as deep as its inputs, an inserted element one level deeper);
// an estimate above a bound derived from the component (the most one rule can add times the sum
// of its predicates' arities) means the depth may grow without end. -maxnesting= leaves the depth
// to the grounder, but not a list that grows through its tail: without -maxlist= that tail must
// come from outside the recursion. Independently, a growing built-in ("+", "*", "#succ",
// "#append", "#insnth", "#insLast") in a recursive rule must take its inputs from literals
// outside the recursion, unless #maxint (arithmetic) or -maxlist= (lists) bounds it. The driver
// runs the check over the predicate graph it builds for grounding.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "analysis/depgraph.h"

// One occurrence of a variable inside a function or list term of a rule: the predicate and the
// 0-based argument of the atom that holds the term, and how many terms enclose the variable (1
// for X in f(X), 2 for X in f(g(X))). Variables that are arguments themselves have no record.
struct ARG_AND_NEST_LEVEL {
    uint32_t p_index;
    uint32_t arg_index;
    uint32_t nest_level;
};
// Records keyed by the variable's number.
using NEST_RECORDS = std::multimap<uint32_t, ARG_AND_NEST_LEVEL>;
// Per predicate, the largest nesting depth the component's rules can put at each argument; a
// predicate without entry reads 0 everywhere. Held in 64 bits: the bound is a product.
using NEST_ESTIMATES = std::map<uint32_t, std::vector<int64_t>>;
// Per variable that a list built-in of a rule body outputs, the bound of its depth that the
// built-in's inputs give (the largest of theirs, one more for an inserted element).
using LIST_OUTPUT_BOUNDS = std::map<uint32_t, int64_t>;

// 1 when the grounding of the program whose dependency graph is given terminates, 0 otherwise;
// the three lines of a failure ("Termination is not guaranteed because of rule:", the rule and
// a hint) go into the buffer, not onto a stream. `maxNesting` and `maxList` are the limits of
// -maxnesting= and -maxlist= (0: no limit), which bound terms that would otherwise grow.
int checkFiniteDomain(const PREDICATE_DEPGRAPH &graph, uint32_t maxNesting, uint32_t maxList, std::string &messages);

// Adds a record for every variable inside the compound term, at any depth, with nesting level
// `level` + 1 for the term's own arguments; returns the depth reached (at least `level` + 1).
uint32_t collectNestedVariables(NEST_RECORDS &records, TERM term, uint32_t level, uint32_t predicate,
                                uint32_t argumentIndex);

// The bound that the body puts on the depth of variable V: from its nested occurrences in the
// body the smallest estimate minus nesting level (returned at once when below 1), else lowered
// to the estimates at its direct occurrences in positive ordinary literals and to the bound of a
// list built-in that outputs it; 0 when V occurs in none of these ways (an integer, say).
int64_t minNestingDifference(const NEST_ESTIMATES &estimates, uint32_t variable,
                             const NEST_RECORDS &bodyRecords, const CONJUNCTION &body,
                             const LIST_OUTPUT_BOUNDS *listOutputs = nullptr);

// Whether some positive body literal of the rule outside the component of every head atom has
// the variable as a direct argument (built-ins only when they take no input, aggregates only as
// assignments).
bool isBoundOutsideComponent(TERM variable, const RULE &rule, const PREDICATE_DEPGRAPH &graph);
