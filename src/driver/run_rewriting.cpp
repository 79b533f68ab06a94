// Run sequence: the rewriting steps in their order (basic rewriting, projection with the renaming
// of internal predicates, subsumption, magic sets), the program dumps, and the variable count.
#include <cstdio>
#include <string>

#include "core/aggregate_function.h"
#include "core/printer.h"
#include "core/program.h"
#include "core/variable_span.h"
#include "driver/run.h"
#include "rewriting/basic_rewriting.h"
#include "rewriting/magic_sets.h"
#include "rewriting/projection.h"
#include "rewriting/subsumption.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "support/timer.h"

uint32_t maxVariable = 0;

namespace {

// The next "pred<k>" name that the predicate table does not hold yet.
std::string nextFreePredName(uint32_t &counter) {
    for (;; ++counter) {
        std::string name = "pred" + std::to_string(counter);
        if (!predicateTable.find(name).second) {
            ++counter;
            return name;
        }
    }
}

void renameInternalPredicates() {
    uint32_t counter = 0;
    uint32_t count = predicateTable.size();
    for (uint32_t p = 0; p < count; ++p) {
        if (!predicateTable.isInternal(p) || predicateTable.kind(p) == PREDICATE_AGGREGATE ||
            predicateTable.nameView(p) == "#query")
            continue;
        predicateTable.rename(p, nextFreePredName(counter));
    }
}

}  // namespace

uint32_t countVariables() {
    // Every place a statement can hold a variable is looked at, heads and weights included, so
    // that a substitution sized from this count is never indexed past its end.
    VARIABLE_SPAN span;
    for (const RULE &rule : IDB) {
        for (const ATOM &a : rule.head) span.atom(a);
        if (rule.hasBody()) span.conjunction(*rule.body);
    }
    for (const CONSTRAINT &constraint : constraints) span.conjunction(constraint.body);
    for (const WEAKCONSTRAINT &weak : weakConstraints) {
        span.conjunction(weak.body);
        span.term(weak.weight);
        span.term(weak.level);
    }
    if (query) span.conjunction(*query);
    return span.size;
}

void rewriteBasic(RUN &run) {
    timers[TIMER_REWRITING_BASIC].start();
    bool consistent = basicRewriting(IDB, constraints, weakConstraints, run.hasBuiltins, run.hasAggregates,
                                     run.hasNegation, run.options.rewriting, run.options.optWellFounded);
    // A constraint that lost its whole body: no answer set, and the verdict that goes with it.
    if (!consistent) finish(0);
    timers[TIMER_REWRITING_BASIC].stop();
    maxVariable = countVariables();
}

void rewriteProjection(const RUN &run) {
    if (!run.options.rewriting.optORp) return;
    timers[TIMER_REWRITING_PROJECTION].start();
    if (!rulesAreGround) projectRules(IDB);
    if (!constraintsAreGround) projectConstraints(constraints, IDB);
    renameInternalPredicates();
    timers[TIMER_REWRITING_PROJECTION].stop();
    maxVariable = countVariables();
}

void removeSubsumed(const RUN &run) {
    if (!run.options.rewriting.optOS) return;
    timers[TIMER_SUBSUMPTION].start();
    removeSubsumedRules(IDB, 0);
    timers[TIMER_SUBSUMPTION].stop();
    maxVariable = countVariables();
}

void rewriteMagicSets(RUN &run) {
    const REWRITING_CONFIG &config = run.options.rewriting;
    if (!config.optODMS && !config.optOODMS) return;
    bool apply = true;
    if (run.hasNegation) {
        if (!config.magicSetsRequested) {
            apply = false;
        } else {
            FILE *err = errorOutput();
            fputs("Warning: The program contains negative literals.\n", err);
            fputs("The correctness of Magic Sets is only guaranteed for super-coherent programs.\n", err);
        }
    }
    if (apply) {
        run.preMagicRules = std::make_unique<std::vector<RULE>>(IDB);
        applyMagicSets(run.hasAggregates, frontEndMode == FRONTEND_BRAVE || frontEndMode == FRONTEND_CAUTIOUS,
                       config);
        maxVariable = countVariables();
    }
    if (!config.optPrintMagic) return;
    if (config.optORb)
        fputs("Warning: predicates without definitions are simplified by basic rewriting. This behavior "
              "of Quarn can be disabled by using the command-line option -ORb-.\n",
              errorOutput());
    const char *savedPrefix = variablePrefix;
    variablePrefix = "X";
    printRules(stdout, IDB, "\n");
    putchar('\n');
    if (!constraints.empty()) {
        printConstraints(stdout, constraints, "\n");
        putchar('\n');
    }
    if (!weakConstraints.empty()) {
        printWeakConstraints(stdout, weakConstraints, "\n");
        putchar('\n');
    }
    variablePrefix = savedPrefix;
    finish(1);
}

void printProgramDumps(const RUN &run) {
    if (run.options.optPrintEDB) {
        putchar('{');
        printAtoms(stdout, EDB);
        puts("}");
    }
    if (run.options.optPrintIDB) {
        printRules(stdout, IDB, "\n");
        putchar('\n');
    }
    if (run.options.optPrintConstraints) {
        printConstraints(stdout, constraints, "\n");
        putchar('\n');
    }
    if (run.options.optPrintWConstraints) {
        printWeakConstraints(stdout, weakConstraints, "\n");
        putchar('\n');
    }
}
