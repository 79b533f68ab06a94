// Subsumption checking: a rule r subsumes a rule s when one substitution of r's variables maps
// every head atom of r onto a head atom of s and every body literal of r onto a body literal of
// s; then every interpretation that satisfies r satisfies s, and s can be dropped. Run over the
// rules under -OS; the magic-set rewriting asks it about its own rules.
//
// The test is syntactic and greedy: it takes the literal with the fewest candidates first and
// commits to one match without backtracking, so it may miss a subsumption but never reports a
// wrong one. Function and list terms match structurally, their variables mapped like the
// arguments' own. Aggregate literals never match; "==", "!=", "+" and "*" match with their first
// two arguments in either order. The members of RULE and LITERAL it adds are declared in their core
// headers.
#pragma once

#include <cstddef>
#include <vector>

#include "core/rule.h"

// Tests every rule from the start position on against the rules after it: a rule that a later
// one subsumes is removed (the last rule takes its place and is tested next), a later rule that
// it subsumes is erased. Rules before the start are neither tested nor used. Returns 1.
int removeSubsumedRules(std::vector<RULE> &rules, size_t start);

// Adds the pair (variable, term) for every variable of the first literal's arguments that the
// substitution does not map yet, at any depth, with the term at its place in the second
// literal's arguments. The first literal must match the second.
void extendSubstitution(SUBSUMPTION_SUBSTITUTION &substitution, const LITERAL &from, const LITERAL &to);

// 1 when a has more distinct top-level variables that the substitution does not bind than b.
int subsumptionTieBreak(const LITERAL &a, const LITERAL &b, const SUBSUMPTION_SUBSTITUTION &substitution);
