// What a run reports of its answer sets: the printer of one answer set, the model callbacks that
// the run sequence hands to the model generator (plain enumeration, brave and cautious
// reasoning), and the answers of a non-ground query that `finish` prints at the end.
//
// A callback that counts answer sets counts them in the model generator and asks it to stop
// once the -n= limit is reached. The driver also calls a callback itself, without a model
// generator and without a model, when grounding decided every atom; it then reports the atoms
// grounding proved true.
#pragma once

#include <cstdio>
#include <memory>

#include "core/atom_sets.h"
#include "solver/model_generator.h"
#include "solver/truth_assignment.h"

// The answers of a non-ground brave or cautious query, collected over the answer sets seen: the
// union (brave) or intersection (cautious) of the true "#query" atoms. None until a callback
// first needs it.
extern std::unique_ptr<TRUTH_ASSIGNMENT> queryConsequences;
// Set once a callback has printed the verdict of a ground query; `finish` then prints none.
extern bool queryAnswered;

// One answer set between braces, without a newline: the facts (unless -nofacts), the atoms
// grounding proved true, and the atoms true in the model when one is given; internal predicates
// hidden, -filter= and -pfilter= applied.
void printModel(FILE *out, const ATOM_SETS *trueAtoms, const TRUTH_ASSIGNMENT *model);

int modelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);
int braveModelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);
int cautiousModelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);

// The answers of a non-ground query, one line each: the "#query" atoms that grounding proved
// true, then those true in the collected consequences, each as its arguments joined by ", ".
void printQueryAnswers(FILE *out, const TRUTH_ASSIGNMENT *consequences);
