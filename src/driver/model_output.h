// What a run reports of its answer sets: the printer of one answer set, the model callbacks that
// the run sequence hands to the model generator (plain enumeration, brave and cautious
// reasoning), and the answers of a non-ground query that `finish` prints at the end.
//
// A callback that counts answer sets counts them in the model generator and asks it to stop
// once the -n= limit is reached. The driver also calls a callback itself, without a model
// generator and without a model, when grounding decided every atom; it then reports the atoms
// grounding proved true.
//
// What the output keeps between answer sets is one MODEL_OUTPUT, which the run owns. The callbacks
// are plain functions that the model generator calls, and `finish` may end the run from any step,
// so the run names its MODEL_OUTPUT once (`useModelOutput`) before anything is reported.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "core/atom_sets.h"
#include "support/output_config.h"
#include "driver/answer_text.h"
#include "solver/model_generator.h"
#include "solver/truth_assignment.h"

struct MODEL_OUTPUT {
    // The answers of a non-ground brave or cautious query, collected over the answer sets seen:
    // the union (brave) or intersection (cautious) of the true "#query" atoms. None until a
    // callback first needs it.
    std::unique_ptr<TRUTH_ASSIGNMENT> queryConsequences;
    // Set once a callback has printed the verdict of a ground query; `finish` then prints none.
    bool queryAnswered = false;
    // The ground atoms of the predicate "#query", found once, when first asked for.
    std::vector<GATOM_ID> queryAtomList;
    bool queryAtomsFound = false;
    // The query atoms that an answer set of a non-ground query may still change.
    std::vector<GATOM_ID> openQueryAtoms;
    // The callback of the mode, while the answer output wraps it.
    MODEL_CALLBACK modeCallback = nullptr;
    // The answer sets' text, kept while the model generator runs.
    ANSWER_TEXT answerText;
    // What the command line asks of the output; none: the defaults.
    const OUTPUT_CONFIG *settings = nullptr;
};

// The MODEL_OUTPUT that the callbacks, the printers and `finish` use from now on; none (null)
// leaves `finish` nothing to report and must not be followed by a callback or a printed model.
void useModelOutput(MODEL_OUTPUT *output);
// The MODEL_OUTPUT in use, or null.
MODEL_OUTPUT *modelOutputInUse();
// Forgets the consequences, the verdict and the "#query" atoms found, and ends the answer output
// (the signals back to their handling before it), as the process starts.
void resetModelOutput();

// One answer set between braces, without a newline: the facts (unless -nofacts), the atoms
// grounding proved true, and the atoms true in the model when one is given; internal predicates
// hidden, -filter= and -pfilter= applied.
void printModel(FILE *out, const ATOM_SETS *trueAtoms, const TRUTH_ASSIGNMENT *model);

int modelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);
int braveModelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);
int cautiousModelCallback(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);

// While the model generator runs, its callback is wrapped so that each answer set reaches the
// output whole: a failed write ends the run after the answer set (a closed pipe stops the search
// early), and each answer set is one piece of output for the interrupt handling
// (driver/interrupts.h). Without `catchInterrupted` SIGINT and SIGTERM get their default
// handling back for the search (interactive planning asks its questions within the callback).
// Answer output is not flushed after every answer set: on a pipe that nearly doubles the time of
// enumerating small answer sets.
//
// Returns the callback to hand to the model generator (null for a null callback).
MODEL_CALLBACK startAnswerOutput(MODEL_CALLBACK callback, bool catchInterrupted);
// Back to the default handling of the two signals, before what follows the search is written.
void stopAnswerOutput();

// The best model of an optimisation that an interrupt stopped before its cost was proved optimal,
// written as the search reports improving models under -wctrace: marked as maybe not optimal,
// then its cost line.
void printProvisionalModel(MODEL_GENERATOR *mg, INTERPRETATION *trueAtoms, const TRUTH_ASSIGNMENT *model);

// The answers of a non-ground query, one line each: the "#query" atoms that grounding proved
// true, then those true in the collected consequences, each as its arguments joined by ", ".
void printQueryAnswers(FILE *out, const TRUTH_ASSIGNMENT *consequences);
