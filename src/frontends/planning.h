// The planning front-end (-FP..., -FPc): ".plan" files in the action languages "K" and "C",
// their translation into rules, the secure checks of candidate plans and the plan output.
#pragma once

#include <cstdint>
#include <cstdio>

#include "solver/model_generator.h"

// Set by the driver before it calls the parser.
extern FILE *planyyin;

// Reads `planyyin` into the planning tables; counts syntax errors in parserErrors.
int planyyparse();

// The after-parsing hook: translates the planning problem into rules of the program.
void translatePlanningProgram();
// The before-model-generation hook: prepares the plan checks over the ground program.
void preparePlanChecks();

// The model callback: prints the plan of an answer set and counts it against -n=; under -FP it
// asks the interactive questions.
int planModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);
// The candidate filter: 1 unless secure plans are asked for; otherwise the security check.
int planSecurityFilter(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *candidate);

// Counters that the statistics print.
extern uint32_t secureCheckCount;
extern uint32_t planCacheHits;
