#include "driver/statistics.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "core/aggregate_function.h"
#include "core/program.h"
#include "frontends/planning.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "support/timer.h"

namespace {

// The sizes are counted in 64 bits and stop at the largest value instead of wrapping, so that a
// Herbrand base beyond 2^32 (a few predicates of high arity suffice) is never shown as a small
// number.
uint64_t saturatingAdd(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }

uint64_t saturatingMultiply(uint64_t a, uint64_t b) {
    if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
    return a * b;
}

// u to the power n.
uint64_t power(uint64_t u, uint32_t n) {
    uint64_t result = 1;
    for (uint64_t base = u; n != 0; n >>= 1) {
        if (n & 1) result = saturatingMultiply(result, base);
        if (n > 1) base = saturatingMultiply(base, base);
    }
    return result;
}

// The variables that occur directly as arguments of the literals (aggregate literals skipped);
// `variables` collects them, duplicates removed afterwards.
void collectArgumentVariables(const CONJUNCTION &body, std::vector<uint32_t> &variables) {
    for (const LITERAL &literal : body) {
        if (literal.atom.isAggregate()) continue;
        for (TERM t : literal.atom.args())
            if (t.isVariable()) variables.push_back(t.value);
    }
}

uint32_t distinctCount(std::vector<uint32_t> &variables) {
    std::sort(variables.begin(), variables.end());
    return uint32_t(std::unique(variables.begin(), variables.end()) - variables.begin());
}

void printTimer(FILE *out, const char *label, const TIMER &timer) {
    fputs(label, out);
    TIMER::print(out, timer);
    fputc('\n', out);
}

} // namespace

uint64_t herbrandBaseSize(PREDICATE_KIND kind, uint64_t u) {
    uint64_t size = 0;
    for (uint32_t p = 0; p < predicateTable.size(); p++)
        if (predicateTable.kind(p) == kind) size = saturatingAdd(size, power(u, predicateTable.arity(p)));
    return size;
}

uint64_t fullGroundingSizeOfRules(const std::vector<RULE> &rules, uint64_t u) {
    uint64_t size = 0;
    std::vector<uint32_t> variables;
    for (const RULE &rule : rules) {
        variables.clear();
        for (const ATOM &atom : rule.head)
            for (TERM t : atom.args())
                if (t.isVariable()) variables.push_back(t.value);
        if (rule.body) collectArgumentVariables(*rule.body, variables);
        size = saturatingAdd(size, power(u, distinctCount(variables)));
    }
    return size;
}

uint64_t fullGroundingSizeOfConstraints(const std::vector<CONSTRAINT> &constraints, uint64_t u) {
    uint64_t size = 0;
    std::vector<uint32_t> variables;
    for (const CONSTRAINT &constraint : constraints) {
        variables.clear();
        collectArgumentVariables(constraint.body, variables);
        size = saturatingAdd(size, power(u, distinctCount(variables)));
    }
    return size;
}

// The number of ground-set elements of the aggregate literals of a body.
static uint64_t aggregateElements(const GBODY &body) {
    uint64_t size = 0;
    for (const GLITERAL &literal : body.literals) {
        const AGGREGATE_ATOM *aggregate = groundAtomTable[literal.atom].aggregate();
        if (!aggregate) continue;
        if (const AGGREGATEFUNCTION *f = aggregate->getFunction()) size += f->groundSet().size();
    }
    return size;
}

uint64_t structuralSize(const std::vector<GRULE> &rules, const std::vector<GCONSTRAINT> &constraints,
                        const std::vector<GWEAKCONSTRAINT> &weakConstraints) {
    uint64_t size = 0;
    for (const GRULE &rule : rules) size += rule.head.size() + rule.body.size() + aggregateElements(rule.body);
    for (const GCONSTRAINT &constraint : constraints)
        size += constraint.body.size() + aggregateElements(constraint.body);
    for (const GWEAKCONSTRAINT &weak : weakConstraints) size += weak.body.size();
    return size;
}

void printProgramStatistics(const OPTIONS &options) {
    if (!options.optStats) return;
    FILE *err = errorOutput();
    fprintf(err,
            "\n\nOptions:   ORb = %d  ORp = %d  ORdr = %d  ODMS = %d  ODMS+ = %d  OODMS = %d  OS = %d  OGp = %d"
            "  OGo = %u  OGs = %d  OH = %d  OPf = %d\n\n",
            options.rewriting.optORb, options.rewriting.optORp, options.rewriting.optORdr, options.rewriting.optODMS,
            options.rewriting.optODMSPlus, options.rewriting.optOODMS, options.rewriting.optOS, options.optOGp,
            options.grounding.optOGo,
            options.grounding.optOGs, options.search.optOH, options.search.optOPf);
    uint64_t facts = EDB.atomCount();
    if (options.optStats >= 2) {
        // The residual Herbrand universe: constants and integers; complex terms are not counted.
        uint64_t u = uint64_t(constantTable.size()) + integerTable.size();
        fputc('\n', err);
        fprintf(err, "Predicates                : %u\n", predicateTable.size());
        fprintf(err, "|Herbrand Base|           : %" PRIu64 "\n",
                saturatingAdd(herbrandBaseSize(PREDICATE_EDB, u), herbrandBaseSize(PREDICATE_IDB, u)));
        fprintf(err, "|Residual Herbrand Univ.| : %" PRIu64 "\n", u);
        fprintf(err, "|Residual Herbrand Base|  : %u\n", groundAtomCount);
        fprintf(err, "Facts (EDB)               : %" PRIu64 "\n", facts);
        fprintf(err, "Rules (IDB)               : %zu\n", IDB.size());
        fprintf(err, " are ground?              : %s\n", rulesAreGround ? "yes" : "no");
        fprintf(err, " full grounding           : %" PRIu64 "\n", fullGroundingSizeOfRules(IDB, u));
        fprintf(err, " actual grounding         : %zu\n", groundRules.size());
        fprintf(err, "Constraints               : %zu\n", constraints.size());
        fprintf(err, " are ground?              : %s\n", constraintsAreGround ? "yes" : "no");
        fprintf(err, " full grounding           : %" PRIu64 "\n", fullGroundingSizeOfConstraints(constraints, u));
        fprintf(err, " actual grounding         : %zu\n", groundConstraints.size());
        fprintf(err, "Weak Constraints          : %zu\n", weakConstraints.size());
        fprintf(err, " (actual) grounding       : %zu\n", groundWeakConstraints.size());
    } else {
        fputc('\n', err);
        fputs("Residual Instantiation\n", err);
        fprintf(err, " Rules                    : %zu\n", groundRules.size());
        fprintf(err, " Constraints              : %zu\n", groundConstraints.size());
        fprintf(err, " Weak Constraints         : %zu\n", groundWeakConstraints.size());
    }
    fprintf(err, "Structural Size           : %" PRIu64 "\n",
            saturatingAdd(structuralSize(groundRules, groundConstraints, groundWeakConstraints), facts));
}

void printStatistics(const OPTIONS &options, MODEL_GENERATOR *generator) {
    FILE *err = errorOutput();
    const TIMER &total = timers[TIMER_TOTAL];
    std::vector<GRULE> noRules;
    std::vector<GCONSTRAINT> noConstraints;
    std::vector<GWEAKCONSTRAINT> noWeakConstraints;
    // Without a generator of the run, one over the empty program prints the generator's times.
    std::unique_ptr<MODEL_GENERATOR> empty;
    if (generator) {
        generator->printStatistics(err);
        bool found = generator->computedAnswerSets() != 0;
        fputs("Time for first answer set : ", err);
        if (found) {
            TIMER first = generator->firstModelTime();
            first.add(total);
            TIMER::print(err, first);
        } else {
            fputs("n/a", err);
        }
        fputs("\n (including instantiation)\nTime for all answer sets  : ", err);
        if (found) {
            TIMER all = generator->totalTime();
            all.add(total);
            TIMER::print(err, all);
        } else {
            fputs("n/a", err);
        }
    } else {
        empty = std::make_unique<MODEL_GENERATOR>(noRules, noConstraints, noWeakConstraints,
                                                  MG_CONFIG{.flags = MG_MODEL_CHECK,
                                                            .search = options.search,
                                                            .statistics = options.optStats});
        // Building it is no work of the run: every time it prints is zero.
        empty->zeroTimes();
        fputs("Time for first answer set : ", err);
        TIMER::print(err, total);
        fputs("\n (including instantiation)\nTime for all answer sets  : ", err);
        TIMER::print(err, total);
    }
    fputs("\n (including instantiation)\n", err);
    if (options.optStats >= 2) {
        printTimer(err, "Parsing                   : ", timers[TIMER_PARSING]);
        printTimer(err, "Rewriting-Basic           : ", timers[TIMER_REWRITING_BASIC]);
        printTimer(err, "Rewriting-Projection      : ", timers[TIMER_REWRITING_PROJECTION]);
        printTimer(err, "SubsumptionChecking       : ", timers[TIMER_SUBSUMPTION]);
    }
    printTimer(err, "Instantiation time        : ", timers[TIMER_INSTANTIATION]);
    if (options.optStats >= 2) {
        printTimer(err, " Depgraph                 : ", timers[TIMER_DEPGRAPH]);
        printTimer(err, " Postprocessing           : ", timers[TIMER_POSTPROCESSING]);
        printTimer(err, " Constraints              : ", timers[TIMER_CONSTRAINTS]);
        if (frontEndMode == FRONTEND_PLANNING_K && (planningMode & PLANNING_SECURE))
            fprintf(err, "Plan sec.checks/cache hits: %u/%u\n", planRun.secureCheckCount, planRun.planCacheHits);
    }
    (generator ? generator : empty.get())->printTimes(err);
    fputs("\n(Timers are informational only and must not be used for benchmarks.  See\n"
          "<https://quarn.org/doc/statistics.html> for further information.)\n",
          err);
    fflush(err);
}
