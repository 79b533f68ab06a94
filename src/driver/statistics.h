// Statistics of -stats and -stats++ on standard error: the options line and the program sizes,
// written right after grounding, and the timing block at the end of a run. The timing block reads
// the global timers and asks the model generator to print its own counters and times. The size
// measures are counted in 64 bits and stop at the largest value rather than wrap around.
#pragma once

#include <cstdint>
#include <vector>

#include "core/predicate_table.h"
#include "core/rule.h"
#include "driver/options.h"
#include "grounding/ground_program.h"
#include "solver/model_generator.h"

// Under -stats: the options line and the program sizes (after grounding and the freeze of the
// ground atoms).
void printProgramStatistics(const OPTIONS &options);
// The timing block, with the counters and times of the given model generator; without one, a
// generator over an empty program prints the generator's times.
void printStatistics(const OPTIONS &options, MODEL_GENERATOR *generator);

// The sum over the predicates of the kind of u raised to their arity.
uint64_t herbrandBaseSize(PREDICATE_KIND kind, uint64_t u);
// The sum over the rules of u raised to the number of distinct variables that occur directly as
// arguments of head atoms and body literals (aggregate literals skipped).
uint64_t fullGroundingSizeOfRules(const std::vector<RULE> &rules, uint64_t u);
// The same over the body literals of the constraints.
uint64_t fullGroundingSizeOfConstraints(const std::vector<CONSTRAINT> &constraints, uint64_t u);
// Head atoms and body literals of the ground program, plus the elements of the ground set of
// every aggregate literal in a ground rule or constraint.
uint64_t structuralSize(const std::vector<GRULE> &rules, const std::vector<GCONSTRAINT> &constraints,
                        const std::vector<GWEAKCONSTRAINT> &weakConstraints);
