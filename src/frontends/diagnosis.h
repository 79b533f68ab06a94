// The diagnosis front-end: hypothesis (".hyp") and observation (".obs") files, their
// translation into rules for abductive (-FD...) and consistency-based (-FR...) diagnosis, and the
// printing of each diagnosis.
//
// The driver reads every ".hyp" and ".obs" file with `diagyyparse` (after setting `diagyyin` and
// `readingObservations`), whatever front-end is selected; the atoms named there make their
// predicates rule-defined. Under a diagnosis option it then calls `setupDiagnosis` once, which
// adds the translation to the program store, and installs `diagnosisModelCallback`.
//
// Hypothesis i (counted from 1) is element i-1 of `hypotheses`; the translation names it by the
// constant "i" in the atoms of `_sol`, and the callback reads that name back, so the reading order
// is part of the contract between the three.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/atom.h"
#include "core/rule.h"
#include "solver/model_generator.h"

// An atom a diagnosis may assume, with its weight (0 when none was given).
struct HYPOTHESIS {
    ATOM atom;
    uint32_t weight = 0;
};

// Set by the driver before it calls the parser: the open file, and whether it holds observations.
extern FILE *diagyyin;
extern bool readingObservations;

// What the diagnosis files declared, in reading order over all files.
extern std::vector<HYPOTHESIS> hypotheses;
extern std::vector<LITERAL> observations;
// Forgets what the diagnosis files declared and puts their scanner back in its first state.
void resetDiagnosis();

// The largest hypothesis weight: its cost, 1000 times the weight, must fit a weak-constraint
// weight (a 32-bit integer term).
constexpr uint32_t MAX_HYPOTHESIS_WEIGHT = 2147483;

// Reads `diagyyin` to its end or to its first syntax error into the hypotheses or the
// observations; counts errors in parserErrors. 0 when the whole file was read, 1 after a syntax
// error, 2 when the parser's stack was exhausted.
int diagyyparse();

// Statement actions of the diagnosis parser. An atom named in a diagnosis file makes its
// predicate rule-defined (its facts so far become bodiless rules). A statement is a hypothesis
// or an observation by `readingObservations`; `weight` is the text of the bracketed number, none
// for an unweighted statement.
ATOM makeDiagnosisAtom(const char *name, const TERMS *arguments);
// The atom's predicate has just become rule-defined: its facts so far move, in fact order, to the
// end of IDB as rules without body.
void moveFactsToRules(const ATOM &atom);
TERM makeDiagnosisNumberTerm(const char *digits);
void addDiagnosisStatement(LITERAL &literal, const char *weight);

// The model callback: prints "Diagnosis:" and the hypotheses of the answer set and counts it
// against -n=; also called by the driver without a model generator.
int diagnosisModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);

// Checks the diagnosis problem and adds its translation to the program by frontEndMode and
// frontEndSubMode. Returns nullptr when the translation was added, otherwise the line (without
// its newline) that refuses the problem; the program store is then left half translated.
const char *setupDiagnosis(std::vector<RULE> &rules, std::vector<CONSTRAINT> &constraints,
                           std::vector<WEAKCONSTRAINT> &weakConstraints, std::vector<HYPOTHESIS> &hypotheses,
                           std::vector<LITERAL> &observations);

// Pieces of the translation, appended to the rule vector in the order of the hypotheses.
// h_i :- _sol(i).
void addHypothesisLinks(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses);
// _sol(i) v _notsol(i).
void addSolutionGuess(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses);
// _sol(1) v ... v _sol(n).; without hypotheses nothing is added and the refusal is returned
// (nullptr otherwise).
const char *addSingleErrorGuess(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses);

// The subset-minimality check: a copy of the theory per chosen hypothesis j, evaluated without
// hypothesis j, must fail (violate a constraint or an observation, or hold an atom with its
// strong negation). Copies of the first `theoryRules` rules and `theoryConstraints` constraints
// live in the "="-prefixed predicates with an extra last argument, the copy's number.
void addMinimalDiagnosisRules(std::vector<RULE> &rules, uint32_t theoryRules, const std::vector<HYPOTHESIS> &hypotheses,
                              const std::vector<LITERAL> &observations, std::vector<CONSTRAINT> &constraints,
                              uint32_t theoryConstraints);
// _notobs(X) :- =h_i(X), _hyp(X), not _sol1(i, X). for each hypothesis whose atom another
// hypothesis or a positive observation shares (for the others the rule could never fire).
void addNotObsRules(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses,
                    const std::vector<LITERAL> &observations);
// _hyp(i). _succ(i-1, i).
void addHypothesisOrder(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses);
// =h_i(X) :- _sol1(i, X).
void addHypothesisCopies(std::vector<RULE> &rules, const std::vector<HYPOTHESIS> &hypotheses);
