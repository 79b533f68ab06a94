// Printers of the ground program: ground rules, constraints and weak constraints, whose atoms
// are numbers in `groundAtomTable`. An atom prints as itself or, under -satlike, as its number
// (aggregate atoms print in full even then). They write like the printers of core/printer.h: to
// the stream the caller passes, compact and fixed to the character, no line end of their own;
// each takes the stream first and returns it.
#pragma once

#include <cstdio>
#include <vector>

#include "grounding/ground_program.h"

FILE *printGroundAtom(FILE *out, GATOM_ID atom);
FILE *printGroundRule(FILE *out, const GRULE &rule);
FILE *printGroundRules(FILE *out, const std::vector<GRULE> &rules, const char *separator);
FILE *printGroundConstraint(FILE *out, const GCONSTRAINT &constraint);
FILE *printGroundConstraints(FILE *out, const std::vector<GCONSTRAINT> &constraints,
                             const char *separator);
FILE *printGroundWeakConstraint(FILE *out, const GWEAKCONSTRAINT &constraint);
FILE *printGroundWeakConstraints(FILE *out, const std::vector<GWEAKCONSTRAINT> &constraints,
                                 const char *separator);
