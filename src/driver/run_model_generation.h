// The run sequence after the ground program: the planning hook, the head-cycle test, the report
// of a program that grounding decided completely, and the model generator's run (with the second
// search that lists the models of optimal cost). `main` calls these in order; each ends the run
// itself when it is the last step.
#pragma once

#include <functional>

#include "driver/run.h"
#include "solver/model_generator.h"
#include "solver/truth_assignment.h"

// The model callback of the reasoning mode or front-end.
MODEL_CALLBACK modelCallbackOfMode();
// Calls the before-model-generation hook when one is set.
void runBeforeModelGenerationHook();
// Whether the non-ground program is known to be head-cycle-free: tested only when grounding made
// more than three ground rules per rule.
bool testHeadCycleFree();
// When no ground rule is left (and -wf is not given) every atom is decided: reports the one
// answer set, or ends the run without one, and ends the run. Returns when ground rules are left.
void reportDecidedProgram(const RUN &run, const COST_VECTOR &costBound, const COST_VECTOR &baseCost);
// Under -FS the answer is one table, which needs every atom decided by grounding: when ground
// rules are left for the search, the run ends with a message and status 1 instead.
void refuseSqlAnswersWithChoices(const RUN &run);
// Builds the model generator and runs its search: once, or twice when the first search of an
// optimisation ended without proving its best model optimal (the second lists the models of
// optimal cost). `done`, when given, reads the generator before it goes.
void runModelGenerator(const RUN &run, bool headCycleFree, const COST_VECTOR &costBound, const COST_VECTOR &baseCost,
                       const std::function<void(MODEL_GENERATOR &)> &done);
// Runs the model generator, prints its statistics under -stats, and ends the run.
[[noreturn]] void generateModels(const RUN &run, bool headCycleFree, const COST_VECTOR &costBound,
                                 const COST_VECTOR &baseCost);
