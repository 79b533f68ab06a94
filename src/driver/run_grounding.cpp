#include "driver/run_grounding.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/printer.h"
#include "core/program.h"
#include "driver/interrupts.h"
#include "driver/statistics.h"
#include "grounding/ground_depgraph.h"
#include "grounding/ground_printer.h"
#include "grounding/ground_program.h"
#include "grounding/instantiator.h"
#include "grounding/propositional_grounder.h"
#include "rewriting/finite_domain.h"
#include "solver/model_generator.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "support/timer.h"

void groundProgram(RUN &run) {
    maxVariable = countVariables();
    run.groundingStatus = 0;
    timers[TIMER_INSTANTIATION].start();
    if (run.options.grounding.optOGo < 2 && run.hasBuiltins) {
        fprintf(errorOutput(), "Options -OGo0 and -OGo1 are not applicable if builtins are used.\n");
        finish(1);
    }
    // A program whose statements are all ground, without built-ins, takes one linear pass.
    if (run.options.optOGp && rulesAreGround && constraintsAreGround && weakConstraintsAreGround && queryIsGround &&
        !run.hasBuiltins) {
        run.groundingFailed = !groundPropositional(IDB, constraints, weakConstraints, EDB, groundRules,
                                                   groundConstraints, groundWeakConstraints,
                                                   violatedWeakConstraints, run.options.optInstantiate);
        run.preMagicRules.reset();
        timers[TIMER_INSTANTIATION].stop();
        return;
    }
    const GROUNDING_CONFIG &config = run.options.grounding;
    const std::vector<CONSTRAINT> noConstraints;
    timers[TIMER_DEPGRAPH].start();
    auto graph = std::make_unique<PREDICATE_DEPGRAPH>(IDB, noConstraints,
                                                      DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
    timers[TIMER_DEPGRAPH].stop();
    if (run.options.optFiniteCheck) {
        std::string messages;
        if (!checkFiniteDomain(*graph, config.optMaxNesting, config.optMaxList, messages)) {
            if (!run.preMagicRules) {
                fputs(messages.c_str(), errorOutput());
                finish(1);
            }
            timers[TIMER_DEPGRAPH].start();
            auto original = std::make_unique<PREDICATE_DEPGRAPH>(
                *run.preMagicRules, noConstraints, DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
            timers[TIMER_DEPGRAPH].stop();
            std::string again;
            if (!checkFiniteDomain(*original, config.optMaxNesting, config.optMaxList, again)) {
                fputs(again.c_str(), errorOutput());
                finish(1);
            }
            if (run.options.rewriting.magicSetsRequested) {
                fprintf(errorOutput(),
                        "The magic set rewriting generated a program, for which termination is not "
                        "guaranteed.\nUse option -nofinitecheck in order to evaluate this program "
                        "anyway.\n");
                finish(1);
            }
            graph.reset();
            IDB = std::move(*run.preMagicRules);
            // The rules before magic sets may hold more variables than the rewritten ones.
            maxVariable = countVariables();
            graph = std::make_unique<PREDICATE_DEPGRAPH>(IDB, noConstraints,
                                                         DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_NEGATIVE_ORDER);
        }
    }
    uint8_t errorFlag = 0;
    {
        INSTANTIATOR grounder(graph.get(), run.options.optInstantiate, maxVariable, config);
        run.groundingFailed = !grounder.run(errorFlag);
        run.groundingValueError = grounder.status == GROUNDER_VALUE_ERROR;
    }
    run.groundingStatus = errorFlag;
    graph.reset();
    run.preMagicRules.reset();
    timers[TIMER_INSTANTIATION].stop();
}

namespace {

// The ground program is written one piece of output per line (a rule, a constraint, a fact, a
// heading): an interrupt that arrives while a line is written waits until it is whole, and one
// that arrives between lines ends the output after the last whole one.
void printLine(const char *text) {
    beginOutputPiece();
    fputs(text, stdout);
    endOutputPiece();
}

// One item per line; an empty list still writes its empty line.
template <typename ITEM, typename PRINT>
void printLines(const std::vector<ITEM> &items, PRINT print) {
    for (const ITEM &item : items) {
        beginOutputPiece();
        print(stdout, item);
        putchar('\n');
        endOutputPiece();
    }
    if (items.empty()) printLine("\n");
}

void printFactLines(const ATOM_SETS &atoms) {
    for (const ATOM_SET &set : atoms)
        for (ATOM_REF atom : set) {
            beginOutputPiece();
            printAtom(stdout, atom);
            fputs(".\n", stdout);
            endOutputPiece();
        }
}

}  // namespace

void stopOnGroundingValueError(const RUN &run) {
    // At once, as where the value was met: no ground output, no statistics, no verdict, no wait.
    if (run.groundingValueError) exit(1);
}

void printGroundDumps(const RUN &run) {
    if (run.options.optPrintGIDB) printLines(groundRules, printGroundRule);
    if (run.options.optPrintGConstraints) printLines(groundConstraints, printGroundConstraint);
    if (run.options.optPrintGWConstraints) printLines(groundWeakConstraints, printGroundWeakConstraint);
    if (run.options.optPrintInterpret) {
        beginOutputPiece();
        fputs("< {", stdout);
        printAtoms(stdout, I.positive);
        fputs("} , {", stdout);
        printAtoms(stdout, I.undefined);
        fputs("} >\n", stdout);
        endOutputPiece();
    }
}

void computeBaseCost(RUN &run) {
    // One entry per level in use: a level number like 999999999 costs one entry, not a billion.
    std::vector<uint32_t> levels = weakConstraintLevels(maxLevel, {&groundWeakConstraints, &violatedWeakConstraints});
    run.costBound = COST_VECTOR(levels, UINT64_MAX);
    for (uint32_t i = 0; i < levels.size(); i++) {
        int64_t bound = run.options.costBoundOfLevel(levels[i]);
        if (bound != COSTBOUND_NONE) run.costBound.values[i] = uint64_t(bound);
    }
    run.baseCost = COST_VECTOR(levels, 0);
    for (const GWEAKCONSTRAINT &w : violatedWeakConstraints) {
        int32_t level = w.level.isInteger() ? integerValue(w.level) : 0;
        int32_t index = level >= 1 ? run.baseCost.indexOfLevel(uint32_t(level)) : -1;
        if (index < 0) continue;
        // Costs are summed in 64 bits, so many heavy weights never wrap.
        run.baseCost.values[uint32_t(index)] += uint64_t(w.weight.isInteger() ? integerValue(w.weight) : 0);
        for (uint32_t k = uint32_t(levels.size()); k >= 1; k--) {
            uint64_t bound = run.costBound.values[k - 1], cost = run.baseCost.values[k - 1];
            if (bound == cost) continue;
            if (bound < cost) finish(1);
            break;
        }
    }
}

void freezeGroundAtoms() {
    groundAtomTable.freeze();
    groundAtomCount = groundAtomTable.size();
}

void dumpDependencyGraphs() {
    if (!optDepgraph) return;
    printDependencyGraphs(IDB, constraints, groundRules, groundConstraints);
    fflush(stdout);
    exit(0);
}

void printInstantiation(const RUN &run) {
    if (!run.options.optInstantiate) return;
    if (run.options.output.optFacts) {
        printLine("% EDB facts:\n");
        printFactLines(EDB);
    }
    if (!I.positive.empty()) printLine("% Facts derived to be true in every answer set:\n");
    printFactLines(I.positive);
    if (!groundRules.empty() || !groundConstraints.empty() || !groundWeakConstraints.empty())
        printLine("% Residual ground instantiation of the program:\n");
    printLines(groundRules, printGroundRule);
    printLines(groundConstraints, printGroundConstraint);
    printLines(groundWeakConstraints, printGroundWeakConstraint);
    if (optSatlike)
        for (uint32_t k = 0; k < groundAtomTable.size(); k++) {
            beginOutputPiece();
            printf("%u\t", k);
            printAtom(stdout, groundAtomTable[GATOM_ID(k)]);
            putchar('\n');
            endOutputPiece();
        }
    if (run.options.optStats) printStatistics(run.options, nullptr);
    finish(run.groundingStatus);
}

void stopOnFailedGrounding(const RUN &run) {
    if (!run.groundingFailed) return;
    if (run.options.optStats) printStatistics(run.options, nullptr);
    finish(run.groundingStatus);
}
