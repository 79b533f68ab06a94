// Printers of terms, atoms, rules, ground programs and atom sets, in the syntax of the rule
// language. Every subsystem prints through them: program dumps to standard output, rules quoted
// in messages to standard error. Output is compact and fixed to the character (no blanks inside
// atoms and terms, ", " between body literals, " v " between head atoms); no printer writes a
// line end of its own except `printFacts`. Each printer takes the stream first and returns it.
//
// The printers write through C stdio without flushing and allocate nothing per call (their
// scratch stacks grow once); compound terms nested to any depth print with an explicit stack.
#pragma once

#include <cstdio>
#include <span>
#include <vector>

#include "core/atom.h"
#include "core/atom_sets.h"
#include "core/conjunction.h"
#include "core/rule.h"
#include "core/term.h"
#include "grounding/aggregate_function.h"
#include "grounding/ground_program.h"

FILE *printTerm(FILE *out, TERM term);
FILE *printComplexTerm(FILE *out, const COMPLEX_TERM &term);
FILE *printTermList(FILE *out, std::span<const TERM> terms, const char *separator);
FILE *printTerms(FILE *out, std::span<const TERM> terms);
FILE *printAtom(FILE *out, const ATOM &atom);
FILE *printAtom(FILE *out, const ATOM_VIEW &atom);
FILE *printAtom(FILE *out, const ATOM_REF &atom);
// The aggregate's name and braces around its ground set when that is not empty, else around
// its symbolic set (the aggregated-over terms, " : " and the atom of the set's first literal).
FILE *printAggregateFunction(FILE *out, const AGGREGATEFUNCTION &function);
// "<term:atom>" per element, separated by ",".
FILE *printGroundSetElements(FILE *out, const GROUND_SET &elements);
FILE *printLiterals(FILE *out, std::span<const LITERAL> literals);
FILE *printConjunction(FILE *out, const CONJUNCTION &conjunction);
FILE *printRule(FILE *out, const RULE &rule);
FILE *printRules(FILE *out, const std::vector<RULE> &rules, const char *separator);
FILE *printConstraint(FILE *out, const CONSTRAINT &constraint);
FILE *printConstraints(FILE *out, const std::vector<CONSTRAINT> &constraints, const char *separator);
FILE *printWeakConstraint(FILE *out, const WEAKCONSTRAINT &constraint);
FILE *printWeakConstraints(FILE *out, const std::vector<WEAKCONSTRAINT> &constraints,
                           const char *separator);

// A ground atom of the ground program: the atom, or its number under -satlike (aggregate atoms
// print in full even then).
FILE *printGroundAtom(FILE *out, GATOM_ID atom);
FILE *printGroundRule(FILE *out, const GRULE &rule);
FILE *printGroundRules(FILE *out, const std::vector<GRULE> &rules, const char *separator);
FILE *printGroundConstraint(FILE *out, const GCONSTRAINT &constraint);
FILE *printGroundConstraints(FILE *out, const std::vector<GCONSTRAINT> &constraints,
                             const char *separator);
FILE *printGroundWeakConstraint(FILE *out, const GWEAKCONSTRAINT &constraint);
FILE *printGroundWeakConstraints(FILE *out, const std::vector<GWEAKCONSTRAINT> &constraints,
                                 const char *separator);

// Every atom, internal ones included, each followed by one blank.
FILE *printAtoms(FILE *out, const ATOM_SETS &atoms);
// Every atom as a fact on a line of its own.
FILE *printFacts(FILE *out, const ATOM_SETS &atoms);
// The atoms an answer shows: internal predicates skipped, -filter= and -pfilter= applied, the
// object argument dropped when objects are in use; ", " before each atom but the first, and
// before the first too when `alreadyPrinted`. Answers whether anything was printed before or now.
bool printAtomSet(const ATOM_SETS &atoms, FILE *out, bool alreadyPrinted);
