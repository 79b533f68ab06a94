#include "driver/run_model_generation.h"

#include <cstdio>
#include <functional>

#include "core/aggregate_function.h"
#include "core/printer.h"
#include "core/program.h"
#include "driver/interrupts.h"
#include "driver/model_output.h"
#include "driver/options.h"
#include "driver/statistics.h"
#include "frontends/diagnosis.h"
#include "frontends/planning.h"
#include "frontends/sql.h"
#include "grounding/ground_depgraph.h"
#include "grounding/ground_program.h"
#include "support/diagnostics.h"
#include "support/timer.h"

MODEL_CALLBACK modelCallbackOfMode() {
    switch (frontEndMode) {
    case FRONTEND_NONE: return modelCallback;
    case FRONTEND_BRAVE: return braveModelCallback;
    case FRONTEND_CAUTIOUS: return cautiousModelCallback;
    case FRONTEND_DIAGNOSIS:
    case FRONTEND_REITER: return diagnosisModelCallback;
    case FRONTEND_SQL: return nullptr;
    case FRONTEND_PLANNING_C:
    case FRONTEND_PLANNING_K: return planModelCallback;
    default: return nullptr;
    }
}

void runBeforeModelGenerationHook() {
    if (beforeModelGenerationHook) beforeModelGenerationHook();
}

bool testHeadCycleFree() {
    if (groundRules.size() <= 3 * IDB.size()) return false;
    DEPGRAPH graph(IDB, std::vector<CONSTRAINT>(), DEPGRAPH_PREDICATE_VIEW);
    return graph.isHCF();
}

void reportDecidedProgram(const RUN &run, const COST_VECTOR &costBound, const COST_VECTOR &baseCost) {
    if (!groundRules.empty() || run.options.optWellFounded) return;
    // Every atom that grounding did not prove true is false now: a residual body without a
    // positive literal is true.
    for (const GCONSTRAINT &k : groundConstraints)
        if (k.body.firstNegative == 0) finish(0);
    // The cost of the decided interpretation: the weak constraints violated in every answer set
    // and those whose residual body is true now.
    COST_VECTOR cost = baseCost;
    bool violated = !violatedWeakConstraints.empty();
    for (const GWEAKCONSTRAINT &w : groundWeakConstraints) {
        if (w.body.firstNegative != 0) continue;
        int32_t index = cost.indexOfLevel(static_cast<uint32_t>(integerValue(w.level)));
        if (index < 0) continue;
        cost.values[index] += static_cast<uint32_t>(integerValue(w.weight));
        violated = true;
    }
    if (costBound.levelNumbers == cost.levelNumbers && compareCosts(cost, costBound) > 0) finish(1);

    timers[TIMER_TOTAL].stop();
    beginOutputPiece();
    if (frontEndMode == FRONTEND_NONE) {
        bool weak = !weakConstraints.empty();
        if (weak) fputs("Best model: ", stdout);
        printModel(stdout, &I.positive, nullptr);
        fputc('\n', stdout);
        if (weak) {
            fputs("Cost ([Weight:Level]): ", stdout);
            if (violated)
                printCost(stdout, cost);
            else
                fputs("<0>", stdout);
            fputc('\n', stdout);
        }
    } else if (frontEndMode == FRONTEND_SQL) {
        printSqlAnswers(I.positive);
    } else if (MODEL_CALLBACK callback = modelCallbackOfMode()) {
        callback(nullptr, &I, nullptr);
    }
    endOutputPiece();
    if (run.options.optStats) printStatistics(run.options, nullptr);
    finish(0);
}

// The search was stopped by an interrupt. What it holds and has not written is reported: the best
// model of an optimisation, as not yet proved optimal, or, once it is proved, as the best model
// when none has been written yet (the interrupt came before the search that lists them); then the
// statistics. The run ends by the signal.
[[noreturn]] static void endInterruptedSearch(const OPTIONS &options, MODEL_GENERATOR &mg) {
    const TRUTH_ASSIGNMENT *best = mg.bestModelSoFar();
    if (best && frontEndMode == FRONTEND_NONE && mg.weighsModels() && !mg.tracesImprovements() &&
        !mg.boundGiven()) {
        if (!mg.isOptimumKnown())
            printProvisionalModel(&mg, &I, best);
        else if (mg.printedAnswerSets() == 0)
            mg.reportBestModel();
    }
    stopAnswerOutput();
    if (options.optStats) printStatistics(options, &mg);
    endByInterrupt();
}

void runModelGenerator(const RUN &run, bool headCycleFree, const COST_VECTOR &costBound, const COST_VECTOR &baseCost,
                       const std::function<void(MODEL_GENERATOR &)> &done) {
    std::vector<int32_t> heuristic = run.options.optHeuristic;
    if (heuristic.empty()) parseHeuristicList("0,2,4,15,37,7,8,9,10,11", heuristic);
    std::vector<int32_t> combineOperators = run.options.optCombineHeuristic;
    if (run.options.search.optComplPt) {
        if (combineOperators.empty()) {
            combineOperators.assign(heuristic.size(), static_cast<int32_t>(run.options.optCombineComplPt));
        } else if (combineOperators.size() != heuristic.size()) {
            fputs("Length of --heuristic does not match length of --combineheuristic.\n", errorOutput());
            finish(1);
        }
    }
    timers[TIMER_TOTAL].stop();

    MG_FLAGS flags = 0;
    if (headCycleFree) flags |= MG_PROGRAM_HCF;
    if (!run.options.optNoModelCheck) flags |= MG_MODEL_CHECK;
    // The well-founded model is the one without unfounded sets: -wf finds them whatever --noGUS
    // says for the search.
    if (run.options.optGUS || run.options.optWellFounded) flags |= MG_UNFOUNDED_CHECKS;
    bool planning = frontEndMode == FRONTEND_PLANNING_C || frontEndMode == FRONTEND_PLANNING_K;
    bool enumerating = !run.options.optDeterministic && !run.options.optWellFounded;
    bool groundWeak = !groundWeakConstraints.empty() || !violatedWeakConstraints.empty();
    // Interactive planning asks its questions on standard input from within the callback: an
    // interrupt there keeps its default effect. So do the deterministic and well-founded modes.
    bool interactive = planning && (planningMode & PLANNING_INTERACTIVE);
    MODEL_CALLBACK callback = modelCallbackOfMode();
    if (enumerating)
        callback = startAnswerOutput(callback, !interactive);
    else
        releaseInterrupts();
    // An interrupt stops the search rather than ending the run when the search holds more than
    // it has written: the statistics, or the best model of an optimisation whose improving models
    // are not reported as they are found.
    setInterruptStopsSearch(run.options.optStats || (groundWeak && frontEndMode == FRONTEND_NONE && !run.options.optWctrace &&
                                         !run.options.optCostBound));
    CANDIDATE_FILTER filter = planning ? planSecurityFilter : nullptr;
    if (planning) {
        planRun.search = run.options.search;
        planRun.heuristic = heuristic;
        planRun.combineOperators = combineOperators;
    }
    MODEL_GENERATOR mg(groundRules, groundConstraints, groundWeakConstraints,
                       {.query = query.get(),
                        .edbFacts = &EDB,
                        .trueAtoms = &I,
                        .maxModels = run.options.optMaxModels,
                        .costBound = &costBound,
                        .flags = flags,
                        .modelCallback = callback,
                        .candidateFilter = filter,
                        .hasAggregates = run.hasAggregates,
                        .baseCost = &baseCost,
                        .hasWeakConstraints = groundWeak,
                        .programHasWeakConstraints = !weakConstraints.empty(),
                        .wcTrace = run.options.optWctrace,
                        .costBoundGiven = run.options.optCostBound,
                        .levels = maxLevel,
                        .aggregateCount = static_cast<uint32_t>(aggregateFunctionTable.size()),
                        .heuristic = heuristic,
                        .combineOperators = combineOperators,
                        .search = run.options.search,
                        .output = &run.options.output,
                        .statistics = run.options.optStats,
                        .interruption = &interruptSignal});

    if (run.options.optDeterministic || run.options.optWellFounded) {
        mg.computeDeterministic(run.options.optWellFounded ? 1 : 0);
    } else {
        mg.computeModels();
        if (interruptSignal) endInterruptedSearch(run.options, mg);
        // A search that ended without proving its best model optimal has found the optimum. A
        // callback that asked to stop has ended the enumeration: no second search.
        if (mg.bestModelUnproved()) {
            mg.acceptBestModel();
            // With -n=1 the stored best model is the one answer set to report, except for the
            // answers of a non-ground query: they come from every best model, whatever -n= says.
            bool everyBestModel = (frontEndMode == FRONTEND_BRAVE || frontEndMode == FRONTEND_CAUTIOUS) &&
                                  !queryIsGround;
            if (run.options.optMaxModels == 1 && !everyBestModel) {
                mg.reportBestModel();
            } else {
                mg.restoreBaseCost(baseCost);
                mg.computeModels();
                if (interruptSignal) endInterruptedSearch(run.options, mg);
            }
        }
    }
    stopAnswerOutput();
    if (done) done(mg);
}

// Rules left by grounding come from choices (disjunction, or negation through a cycle, in the
// rule-language files beside the query); the answer would be a table per answer set, which no
// reader of the table could tell apart from one table.
void refuseSqlAnswersWithChoices(const RUN &run) {
    if (frontEndMode != FRONTEND_SQL || groundRules.empty()) return;
    fflush(stdout);
    fputs("The SQL answer table needs a program whose grounding decides every atom, but choices "
          "remain (disjunction, or negation through a cycle): no table is printed.\n",
          errorOutput());
    if (run.options.optStats) printStatistics(run.options, nullptr);
    finish(1);
}

void generateModels(const RUN &run, bool headCycleFree, const COST_VECTOR &costBound, const COST_VECTOR &baseCost) {
    runModelGenerator(run, headCycleFree, costBound, baseCost, [&run](MODEL_GENERATOR &mg) {
        if (run.options.optStats) printStatistics(run.options, &mg);
    });
    finish(0);
}
