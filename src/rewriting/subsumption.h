// Subsumption checking: a rule r subsumes a rule s when one substitution of r's variables maps
// every head atom of r onto a head atom of s and every body literal of r onto a body literal of
// s; then every interpretation that satisfies r satisfies s, and s can be dropped. Run over the
// rules under -OS; the magic-set rewriting asks it about its own rules.
//
// The test is syntactic and greedy: it takes the literal with the fewest candidates first and
// commits to one match without backtracking, so it may miss a subsumption but never reports a
// wrong one. Function and list terms match structurally, their variables mapped like the
// arguments' own. Aggregate literals never match; "==", "!=", "+" and "*" match with their first
// two arguments in either order.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "core/rule.h"

// A substitution of subsumption checking: pairs (variable of the subsuming rule, term of the
// other rule), each pair at most once.
using SUBSUMPTION_SUBSTITUTION = std::vector<std::pair<TERM, TERM>>;

// Some substitution maps every head atom of the rule onto a head atom of the other and every
// body literal onto a body literal (greedy: a miss is possible, a wrong 1 is not).
int subsumes(const RULE &rule, const RULE &other);
// Walks the rules from `first` to `last`: 1 as soon as one subsumes the rule; a rule that the
// rule subsumes is erased (the order of the rest kept).
int checkSubsumption(const RULE &rule, std::vector<RULE> &rules, size_t first, size_t last);
// `checkSubsumption` over the whole vector, which must not hold the rule.
int isSubsumed(const RULE &rule, std::vector<RULE> &rules);

// 0 when the literal cannot be mapped onto the other under the substitution, 1 when it can (the
// substitution is extended), 2 when it can both directly and with the first two arguments of a
// symmetric built-in swapped.
int match(const LITERAL &literal, const LITERAL &other, SUBSUMPTION_SUBSTITUTION &substitution);
// The arguments alone, tested on a copy of the substitution.
int matchArguments(const LITERAL &literal, const LITERAL &other, const SUBSUMPTION_SUBSTITUTION &substitution);
// `match` summed over the atoms of a head (as positive literals), each on a copy of the
// substitution; `lastMatch` is the last atom that matched (the end when none did).
int countMatches(const LITERAL &literal, const std::vector<ATOM> &head, std::vector<ATOM>::const_iterator &lastMatch,
                 const SUBSUMPTION_SUBSTITUTION &substitution);

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
