// The propositional grounder: when every rule, constraint and weak constraint is already ground,
// the run grounds the program with one linear pass instead of the dependency graph and the
// component grounder. The pass decides the literals of EDB predicates against the facts and
// carries everything else over unchanged: it derives no fact, leaves I empty, keeps bodiless
// rules as ground rules, and numbers ground atoms in the order it meets them (each rule's head,
// then its body, rule after rule, then the constraints, then the weak constraints). Atoms of EDB
// predicates get no number. All further reasoning is left to the model generator.
#pragma once

#include <vector>

#include "core/atom_sets.h"
#include "core/conjunction.h"
#include "core/rule.h"
#include "grounding/ground_program.h"

// Converts a ground body into a GBODY. Literals of EDB predicates are decided by the facts and
// dropped when true; every other literal becomes a ground literal on the atom's number (added to
// groundAtomTable when new), each literal once, positive literals first, each group in the order
// of first occurrence. Returns 0 at the first literal that is false under the facts (`out` then
// holds what was converted before it and is to be discarded), 1 otherwise. `out` is empty on
// entry.
bool convertBody(const CONJUNCTION &body, const ATOM_SETS &facts, GBODY &out);

// Grounds a program whose rules, constraints and weak constraints are all ground, appending to
// the four output vectors (and raising maxLevel). Returns 0 as soon as a constraint is violated
// in every answer set: under -instantiate (`instantiate`) it then writes the notice of the
// always-violated constraint on standard output and empties the ground rules and constraints.
bool groundPropositional(const std::vector<RULE> &rules, const std::vector<CONSTRAINT> &programConstraints,
                         const std::vector<WEAKCONSTRAINT> &programWeakConstraints, const ATOM_SETS &facts,
                         std::vector<GRULE> &outRules, std::vector<GCONSTRAINT> &outConstraints,
                         std::vector<GWEAKCONSTRAINT> &outWeakConstraints,
                         std::vector<GWEAKCONSTRAINT> &outViolatedWeakConstraints, bool instantiate);
