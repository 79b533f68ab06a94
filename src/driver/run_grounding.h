// The run sequence from the rewritten program to the ground program: grounding, the ground
// dumps, the base cost of the weak constraints violated in every answer set with the -costbound=
// check, the freeze of the ground atom table, -instantiate, the end of a run whose grounding
// failed, and the report of a program that grounding decided completely. `main` calls these in
// order; each step falls through to the next or ends the run itself.
#pragma once

#include "driver/run.h"

// Grounds the program: with the propositional grounder when every statement is ground, otherwise
// with the dependency graph of the rules, the finite-domain check and the component grounder;
// records in the RUN whether grounding failed and with which status.
void groundProgram(RUN &run);
// Ends the run with status 1 when grounding met a value the program cannot use; the grounder has
// written the message.
void stopOnGroundingValueError(const RUN &run);
// --print-gidb, --print-gconstraints, --print-gwconstraints, --print-interpret.
void printGroundDumps(const RUN &run);
// Adds up the weights of the always violated weak constraints per level and ends the run with
// status 1 when that cost exceeds the -costbound= bound.
void computeBaseCost(RUN &run);
// From here on a new ground atom is an internal error.
void freezeGroundAtoms();
// --depgraph: prints the four dependency graphs and ends the run at once with status 0.
void dumpDependencyGraphs();
// -instantiate: prints the ground program and ends the run with the grounding status.
void printInstantiation(const RUN &run);
// Ends the run when grounding failed or found that the program has no answer set.
void stopOnFailedGrounding(const RUN &run);
