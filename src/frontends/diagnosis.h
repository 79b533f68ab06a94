// The diagnosis front-end: hypothesis (".hyp") and observation (".obs") files, their
// translation into rules for abductive (-FD...) and consistency-based (-FR...) diagnosis.
#pragma once

#include <cstdio>
#include <vector>

#include "core/atom.h"
#include "core/rule.h"
#include "solver/model_generator.h"

// Set by the driver before it calls the parser: the open file, and whether it holds observations.
extern FILE *diagyyin;
extern bool readingObservations;

// What the diagnosis files declared.
extern std::vector<ATOM> hypotheses;
extern std::vector<ATOM> observations;

// Reads `diagyyin` into the hypotheses or the observations; counts syntax errors in parserErrors.
int diagyyparse();

// The model callback: prints "Diagnosis:" and the hypotheses of the answer set and counts it
// against -n=; also called by the driver without a model generator.
int diagnosisModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);

// Checks the diagnosis problem and adds its translation to the program by frontEndMode and
// frontEndSubMode; its errors end the run themselves.
int setupDiagnosis(std::vector<RULE> &rules, std::vector<CONSTRAINT> &constraints,
                   std::vector<WEAKCONSTRAINT> &weakConstraints, std::vector<ATOM> &hypotheses,
                   std::vector<ATOM> &observations);
