// The model generator as a whole: construction, one run of the answer-set search, the
// occurrence lists and counters that a run builds, and the clean-up after it.
#include "solver/model_generator.h"

#include <algorithm>
#include <cinttypes>
#include <string>
#include <memory>

#include "core/aggregate_function.h"
#include "core/predicate_table.h"
#include "core/printer.h"
#include "core/program.h"
#include "grounding/ground_depgraph.h"
#include "grounding/ground_printer.h"
#include "solver/model_checker.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

// Programs whose levels stay at or below this print every level from 1 on (the unused ones with
// cost 0); above it the cost vectors keep only the levels in use, so that one weak constraint at
// a huge level neither allocates nor compares a slot per level below it.
static const uint32_t DENSE_LEVEL_LIMIT = 64;

std::vector<uint32_t> weakConstraintLevels(uint32_t maxLevel,
                                           std::initializer_list<const std::vector<GWEAKCONSTRAINT> *> parts) {
    std::vector<uint32_t> result;
    if (maxLevel == 0) return result;
    if (maxLevel <= DENSE_LEVEL_LIMIT) {
        for (uint32_t l = 1; l <= maxLevel; ++l) result.push_back(l);
        return result;
    }
    for (const std::vector<GWEAKCONSTRAINT> *part : parts)
        for (const GWEAKCONSTRAINT &w : *part) {
            int32_t l = integerValue(w.level);
            if (l >= 1) result.push_back(static_cast<uint32_t>(l));
        }
    result.push_back(maxLevel);
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

MODEL_GENERATOR::MODEL_GENERATOR(std::vector<GRULE> &rules_, std::vector<GCONSTRAINT> &constraints_,
                                 std::vector<GWEAKCONSTRAINT> &weakConstraints_, const MG_CONFIG &config)
    : rules(rules_),
      constraints(constraints_),
      weakConstraints(weakConstraints_),
      query(config.query),
      edbFacts(config.edbFacts),
      trueAtoms(config.trueAtoms),
      maxModels(config.maxModels),
      flags(config.flags),
      modelCallback(config.modelCallback),
      candidateFilter(config.candidateFilter),
      ruleOrderChoice(config.ruleOrderChoice),
      hasAggregates(config.hasAggregates),
      hasWeakConstraints(config.hasWeakConstraints),
      programHasWeakConstraints(config.programHasWeakConstraints),
      wcTrace(config.wcTrace),
      optimumKnown(config.levels == 0),
      costBoundGiven(config.costBoundGiven),
      levels(config.levels),
      aggregateCount(config.aggregateCount),
      heuristic(config.heuristic),
      combineOperators(config.combineOperators),
      settings(config.search),
      output(config.output),
      statistics(config.statistics),
      interruption(config.interruption),
      nogoodMemoryLimit(config.nogoodMemoryLimit) {
    witness.assign(groundAtomCount, 0);
    checker.useMode(settings.optOMm);

    // The levels every cost vector of this object covers: the driver's, or those the weak
    // constraints use.
    std::vector<uint32_t> levelNumbers;
    if (levels != 0) {
        if (config.baseCost && config.baseCost->levels)
            levelNumbers = config.baseCost->levelNumbers;
        else if (config.costBound && config.costBound->levels)
            levelNumbers = config.costBound->levelNumbers;
        else
            levelNumbers = weakConstraintLevels(levels, {&weakConstraints});
        lookaheadRecord.allocateCosts(levelNumbers);
        candidateRecord.allocateCosts(levelNumbers);
        oppositeRecord.allocateCosts(levelNumbers);
    }
    supportMarks = TRUTH_ASSIGNMENT(groundAtomCount, COST_VECTOR(levelNumbers), TRUTH_UNDEFINED);

    if (config.costBound && config.costBound->levelNumbers == levelNumbers)
        costBound = *config.costBound;
    else
        costBound = COST_VECTOR(levelNumbers, COST_NO_BOUND);
    if (config.baseCost && config.baseCost->levelNumbers == levelNumbers)
        baseCost = *config.baseCost;
    else
        baseCost = COST_VECTOR(levelNumbers, 0);

    if (config.groundGraph) {
        groundGraph = config.groundGraph;
        ownsGraph = false;
    } else {
        depgraphTimer.start();
        groundGraph = new DEPGRAPH<GRULE, GCONSTRAINT>(rules, std::vector<GCONSTRAINT>(), 0);
        depgraphTimer.stop();
    }

    if ((flags & MG_UNFOUNDED_CHECKS) && groundGraph->isCyclic()) {
        for (uint32_t c = 0; c < groundGraph->componentCount(); ++c) {
            if (!groundGraph->cyclic(c) || groundGraph->isDisjunctive(c)) continue;
            if (!componentsActive) {
                componentQueue.allocate(groundGraph->componentCount());
                componentsActive = true;
            }
            componentQueue.push(c);
        }
    }
}

MODEL_GENERATOR::~MODEL_GENERATOR() {
    if (ownsGraph) delete groundGraph;
    delete bestModel;
}

void MODEL_GENERATOR::computeModels() {
    lastPassedCheckLevel = 0;
    lastLeafLevel = 0;
    totalTimer.start();
    // A second run after a model was reported leaves the first-model time as it is.
    bool timingFirstModel = answerSetsPrinted == 0;
    if (timingFirstModel) firstModelTimer.start();
    status = MG_CONTINUE;

    TRUTH_ASSIGNMENT a(groundAtomCount, baseCost, TRUTH_UNDEFINED);
    a.levelCosts.assignValues(baseCost);
    level = 0;
    chosenFlags.assign(groundAtomCount, 0);
    chosenAtoms.clear();

    initTimer.start();
    prepareRun(a);
    initDataStructures(a);
    markNonHCFRules();
    initTimer.stop();
    wellFoundedTimer.start();
    initiallyInconsistent = !propagateInitial(a);
    wellFoundedTimer.stop();

    baseCost.assignValues(a.levelCosts);

    if (!initiallyInconsistent) {
        level = 1;
        a.trailing = true;
        search(a);
        a.trailing = false;
    }

    if (timingFirstModel && answerSetsPrinted == 0) firstModelTimer.stop();
    totalTimer.stop();

    counterTrail.undoAll();
    supportTrail.undoAll();
    aggregateTrail.undoAll();
    level = 0;
    release();
}

namespace {

// One atom of a consequence list: skipped when the filter does not show its predicate,
// otherwise written after ", " unless it is the first.
void printConsequence(FILE *out, GATOM_ID atom, bool &printed, ATOM_FILTER &filter) {
    if (!filter.shows(groundAtomTable[atom].predicate)) return;
    if (printed) fputs(", ", out);
    printed = true;
    printGroundAtom(out, atom);
}

// The difference of two timers, normalised so that the microseconds lie in 0 to 999999.
TIMER timerMinus(TIMER t, const TIMER &other) {
    t.seconds -= other.seconds;
    t.microseconds -= other.microseconds;
    while (t.microseconds < 0) {
        t.microseconds += 1000000;
        --t.seconds;
    }
    while (t.microseconds >= 1000000) {
        t.microseconds -= 1000000;
        ++t.seconds;
    }
    return t;
}

void printTimeLine(FILE *out, const char *label, const TIMER &t) {
    fputs(label, out);
    TIMER::print(out, t);
    fputc('\n', out);
}

}  // namespace

void MODEL_GENERATOR::countShownAnswerSet(int callbackAnswer) {
    // A model shown before its cost is known to be optimal (under -wctrace) is no answer set yet.
    if (!(callbackAnswer & MODEL_SHOWN) || !optimumKnown) return;
    ++answerSetsPrinted;
    if (answerSetsPrinted == 1 && firstModelTimer.running) firstModelTimer.stop();
    if (maxModels != 0 && maxModels == answerSetsPrinted) status = MG_STOP;
}

// The stored optimal model is reported and counted here, timed as a part of the run.
void MODEL_GENERATOR::reportBestModel() {
    ++answerSetsComputed;
    totalTimer.start();
    if (answerSetsPrinted == 0) firstModelTimer.start();
    callbackTimer.start();
    int answer = modelCallback ? modelCallback(this, trueAtoms, bestModel) : MODEL_STOP;
    callbackTimer.stop();
    countShownAnswerSet(answer);
    if (firstModelTimer.running) firstModelTimer.stop();
    totalTimer.stop();
}

void MODEL_GENERATOR::restoreBaseCost(const COST_VECTOR &cost) {
    if (baseCost.levelNumbers == cost.levelNumbers) baseCost.assignValues(cost);
}

void MODEL_GENERATOR::zeroTimes() { depgraphTimer = TIMER(); }

void MODEL_GENERATOR::computeDeterministic(int wellFoundedMode) {
    totalTimer.start();
    firstModelTimer.start();
    wellFounded = wellFoundedMode != 0;

    TRUTH_ASSIGNMENT a(groundAtomCount, baseCost, TRUTH_UNDEFINED);
    level = 0;
    chosenFlags.assign(groundAtomCount, 0);
    chosenAtoms.clear();

    initTimer.start();
    prepareRun(a);
    initDataStructures(a);
    initTimer.stop();
    wellFoundedTimer.start();
    initiallyInconsistent = !propagateInitial(a);
    wellFoundedTimer.stop();

    if (!initiallyInconsistent) {
        FILE *out = stdout;
        fputs(wellFounded ? "True: {" : "{", out);
        const OUTPUT_CONFIG shown = output ? *output : OUTPUT_CONFIG();
        ATOM_FILTER filter(shown.optFilter, shown.optPFilter);
        bool printed = false;
        if (shown.optFacts && edbFacts) printed = printAtomSet(*edbFacts, out, printed, filter);
        if (trueAtoms) printed = printAtomSet(trueAtoms->positive, out, printed, filter);
        uint32_t n = groundAtomCount;
        for (uint32_t i = 0; i < n; ++i)
            if (a.isTrue(static_cast<GATOM_ID>(i))) printConsequence(out, static_cast<GATOM_ID>(i), printed, filter);
        fputs("}\n", out);
        if (wellFounded) {
            fputs("Undefined: {", out);
            printed = false;
            for (uint32_t i = 0; i < n; ++i) {
                GATOM_ID atom = static_cast<GATOM_ID>(i);
                if (a[atom] == TRUTH_UNDEFINED && !headOccurrences.empty(atom))
                    printConsequence(out, atom, printed, filter);
            }
            fputs("}\n", out);
        }
    }

    firstModelTimer.stop();
    totalTimer.stop();
    counterTrail.undoAll();
    supportTrail.undoAll();
    aggregateTrail.undoAll();
    release();
}

void MODEL_GENERATOR::printStatistics(FILE *out) {
    fputs("Maximum recursion level   : ", out);
    if (initiallyInconsistent) {
        fputs("n/a (inconsistency in well-founded computation)\n", out);
    } else if (deepestLevel == 0) {
        fputs("n/a (initial partial model check failed)\n", out);
    } else {
        fprintf(out, "%u\n", deepestLevel - 1);
        if (statistics >= 2) {
            uint64_t consistent = 0;
            for (uint32_t i = 1; i < deepestLevel; ++i) {
                uint32_t visits = i < levelVisits.size() ? levelVisits[i] : 0;
                fprintf(out, "         Reached level %3u: %u times\n", i, visits);
                consistent += visits;
            }
            fprintf(out, "=> Consistent choices     : %" PRIu64 "\n", consistent);
            fprintf(out, "Inconsistent choices      : %u\n", inconsistentChoices);
        }
        fprintf(out, "Choice Points             : %u\n", choicePoints);
    }
    if (statistics >= 2) {
        fprintf(out, "Lookaheads performed      : %u\n", lookaheadsPerformed);
        fprintf(out, " Inconsistent lookaheads  : %u\n", inconsistentLookaheads);
        fprintf(out, " Pruning lookaheads       : %u\n", pruningLookaheads);
        fprintf(out, "Choice Points (internal)  : %u\n", internalChoicePoints);
        fprintf(out, "Partial checks forwards   : %u\n", forwardChecks);
        fprintf(out, "         forwards (failed): %u\n", forwardChecksFailed);
        fprintf(out, "Partial checks backtracking: %u\n", backtrackingChecks);
        fprintf(out, "      backtracking (quick): %u\n", quickBacktrackingChecks);
        fprintf(out, "Answer set candidates     : %u\n", answerSetCandidates);
        fprintf(out, "Total model checks        : %u\n", modelChecks);
        fprintf(out, "Answer sets computed      : %u\n", answerSetsComputed);
        fputc('\n', out);
    }
    fprintf(out, "Answer sets printed       : %u\n", answerSetsPrinted);
}

void MODEL_GENERATOR::printTimes(FILE *out) {
    TIMER generator = timerMinus(timerMinus(timerMinus(totalTimer, modelCheckTimer), partialCheckTimer), callbackTimer);
    printTimeLine(out, "Model Generator time      : ", generator);
    if (statistics >= 2) {
        printTimeLine(out, " DS Initialisation        : ", initTimer);
        printTimeLine(out, " Depgraph                 : ", depgraphTimer);
        printTimeLine(out, " Well-founded computation : ", wellFoundedTimer);
        printTimeLine(out, " PT computation           : ", choiceTimer);
        printTimeLine(out, " Frontend callbacks       : ", callbackTimer);
    }
    TIMER checker = modelCheckTimer;
    checker.add(partialCheckTimer);
    printTimeLine(out, "Model Checker time        : ", checker);
    if (flags & MG_MODEL_CHECK) {
        printTimeLine(out, " Total Model Check time   : ", modelCheckTimer);
        printTimeLine(out, " Partial Model Check time : ", partialCheckTimer);
        if (statistics >= 2) {
            printTimeLine(out, "  Quick Partial Check time: ", quickCheckTimer);
            printModelCheckStatistics(out);
        }
    }
}

void MODEL_GENERATOR::release() {
    clearOccurrences();
    chosenFlags.clear();
    chosenFlags.shrink_to_fit();
    chosenAtoms.clear();
    lookedAheadPositive.clear();
    lookedAheadNegative.clear();
    positiveWeight.clear();
    negativeWeight.clear();
    counterTrail.clear();
    supportTrail.clear();
    aggregateTrail.clear();
    propagationQueue.clear();
    if (componentsActive) dropPendingChecks();
    if (optimumKnown) costBound = COST_VECTOR();
}

// Per-run tables read once from the ground program: the level index and weight of every weak
// constraint, which atoms are aggregate atoms, and the component of every atom.
void MODEL_GENERATOR::prepareRun(TRUTH_ASSIGNMENT &a) {
    startLearning();
    weakLevelIndex.resize(weakConstraints.size());
    weakWeight.resize(weakConstraints.size());
    for (size_t i = 0; i < weakConstraints.size(); ++i) {
        int32_t l = integerValue(weakConstraints[i].level);
        int32_t index = l >= 1 ? a.levelCosts.indexOfLevel(static_cast<uint32_t>(l)) : -1;
        if (index < 0) internalError("weak constraint level");
        weakLevelIndex[i] = static_cast<uint32_t>(index);
        // Weights are unsigned 32-bit fixed-point numbers; they add up in 64 bits.
        weakWeight[i] = static_cast<uint32_t>(integerValue(weakConstraints[i].weight));
    }

    uint32_t n = groundAtomCount;
    aggregateAtom.assign(n, 0);
    for (uint32_t i = 0; i < n && i < groundAtomTable.size(); ++i)
        aggregateAtom[i] = groundAtomTable[static_cast<GATOM_ID>(i)].isAggregate();
    aggregates.aggregateAtomList.clear();
    std::vector<uint8_t> listed(n, 0);
    auto note = [&](const GBODY &body) {
        for (const GLITERAL &l : body.literals)
            if (aggregateAtom[l.atom] && !listed[l.atom]) {
                listed[l.atom] = 1;
                aggregates.aggregateAtomList.push_back(l.atom);
            }
    };
    for (const GRULE &r : rules)
        if (r.hasBody) note(r.body);
    for (const GCONSTRAINT &k : constraints) note(k.body);
    for (const GWEAKCONSTRAINT &w : weakConstraints) note(w.body);

    buildComponentInfo();
    // Every run starts by checking each cyclic head-cycle-free component: the constructor queued
    // them for the first run, and a later run (the second search for optimal models) finds the
    // queue emptied by the clean-up of the one before.
    if (componentsActive)
        for (uint32_t c = 0; c < componentKind.size(); ++c) queueComponent(static_cast<int32_t>(c));
}

void MODEL_GENERATOR::buildComponentInfo() {
    uint32_t n = groundAtomCount;
    componentOfAtom.assign(n, -1);
    for (uint32_t i = 0; i < n; ++i) componentOfAtom[i] = groundGraph->componentOfNode(i);
    uint32_t count = groundGraph->componentCount();
    componentKind.assign(count, COMPONENT_ACYCLIC);
    for (uint32_t c = 0; c < count; ++c)
        if (groundGraph->cyclic(c))
            componentKind[c] = groundGraph->isDisjunctive(c) ? COMPONENT_NOT_HCF : COMPONENT_CYCLIC_HCF;
    sourceRule.assign(n, 0);
    sourceFlags.assign(n, 0);
    suspectSources.clear();
    componentHasAggregate.assign(count, 0);
    sourcesKnown.assign(count, 0);
    for (uint32_t i = 0; i < n; ++i)
        if (aggregateAtom[i] && componentOfAtom[i] >= 0) componentHasAggregate[componentOfAtom[i]] = 1;
}

bool MODEL_GENERATOR::isHCFGraph() {
    if (hcfCache < 0) hcfCache = groundGraph->isHCF() ? 1 : 0;
    return hcfCache == 1;
}

// ---------------------------------------------------------------------------------------------
// Occurrence lists and counters.

namespace {

// Builds one family of flat occurrence lists in two passes: counting per atom, then filling.
// Entries marked "front" go before `componentEnd`, the first of them last (each new front entry
// is placed at the very front), the others after it in the order they come.
struct LIST_BUILDER {
    OCCURRENCE_LISTS &lists;
    std::vector<uint32_t> frontCount, backFill, frontFill;
    bool counting = true;

    LIST_BUILDER(OCCURRENCE_LISTS &l, uint32_t n) : lists(l), frontCount(n, 0) {
        lists.start.assign(n + 1, 0);
        lists.items.clear();
        lists.componentEnd.clear();
    }
    void add(GATOM_ID atom, uint32_t item, bool front) {
        if (counting) {
            ++lists.start[atom + 1];
            if (front) ++frontCount[atom];
            return;
        }
        if (front)
            lists.items[--frontFill[atom]] = item;
        else
            lists.items[backFill[atom]++] = item;
    }
    void startFilling(bool withComponentEnd) {
        uint32_t n = static_cast<uint32_t>(frontCount.size());
        for (uint32_t a = 0; a < n; ++a) lists.start[a + 1] += lists.start[a];
        lists.items.assign(lists.start[n], 0);
        frontFill.resize(n);
        backFill.resize(n);
        if (withComponentEnd) lists.componentEnd.resize(n);
        for (uint32_t a = 0; a < n; ++a) {
            frontFill[a] = lists.start[a] + frontCount[a];
            backFill[a] = frontFill[a];
            if (withComponentEnd) lists.componentEnd[a] = frontFill[a];
        }
        counting = false;
    }
};

}  // namespace

int MODEL_GENERATOR::initDataStructures(TRUTH_ASSIGNMENT &a) {
    uint32_t n = groundAtomCount;
    supportCount.assign(n, 0);
    aggregates.startRun(n, aggregateCount);
    lookedAheadPositive.assign(n, 0);
    lookedAheadNegative.assign(n, 0);
    positiveWeight.assign(n, 0);
    negativeWeight.assign(n, 0);

    // The lists, in two passes over the program.
    LIST_BUILDER head(headOccurrences, n), positive(positiveBodyOccurrences, n), negative(negativeBodyOccurrences, n);
    LIST_BUILDER kPositive(positiveConstraintOccurrences, n), kNegative(negativeConstraintOccurrences, n);
    LIST_BUILDER wPositive(positiveWeakOccurrences, n), wNegative(negativeWeakOccurrences, n);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            head.startFilling(true);
            positive.startFilling(true);
            negative.startFilling(false);
            kPositive.startFilling(false);
            kNegative.startFilling(false);
            wPositive.startFilling(false);
            wNegative.startFilling(false);
        }
        for (uint32_t i = 0; i < rules.size(); ++i) {
            const GRULE &r = rules[i];
            for (GATOM_ID h : r.head) {
                bool front = false;
                if (componentsActive) {
                    int32_t c = componentOfAtom[h];
                    for (GATOM_ID other : r.head)
                        if (other != h && c >= 0 && componentOfAtom[other] == c) front = true;
                }
                head.add(h, i, front);
            }
            if (!r.hasBody) continue;
            for (const GLITERAL &l : r.body.positive()) {
                bool front = false;
                if (componentsActive) {
                    int32_t c = componentOfAtom[l.atom];
                    for (GATOM_ID h : r.head)
                        if (h != l.atom && c >= 0 && componentOfAtom[h] == c) front = true;
                }
                positive.add(l.atom, i, front);
            }
            for (const GLITERAL &l : r.body.negative()) negative.add(l.atom, i, false);
        }
        for (uint32_t k = 0; k < constraints.size(); ++k) {
            for (const GLITERAL &l : constraints[k].body.positive()) kPositive.add(l.atom, k, false);
            for (const GLITERAL &l : constraints[k].body.negative()) kNegative.add(l.atom, k, false);
        }
        for (uint32_t w = 0; w < weakConstraints.size(); ++w) {
            for (const GLITERAL &l : weakConstraints[w].body.positive()) wPositive.add(l.atom, w, false);
            for (const GLITERAL &l : weakConstraints[w].body.negative()) wNegative.add(l.atom, w, false);
        }
    }

    uint64_t size = n;
    size += headOccurrences.items.size() + positiveBodyOccurrences.items.size() + negativeBodyOccurrences.items.size();
    size += positiveConstraintOccurrences.items.size() + negativeConstraintOccurrences.items.size();
    size += positiveWeakOccurrences.items.size() + negativeWeakOccurrences.items.size();
    lookaheadBudget = std::max<uint64_t>(LOOKAHEAD_BUDGET_FLOOR, LOOKAHEAD_BUDGET_PER_ITEM * size);

    // Every counter starts at 0, also those that a contradiction found while counting leaves
    // uncounted.
    ruleState.assign(rules.size(), RULE_STATE{});
    ruleHeadCycleFree.assign(rules.size(), 1);
    ruleWaitsForSupport.assign(rules.size(), 0);
    constraintState.assign(constraints.size(), CONSTRAINT_STATE{});
    weakState.assign(weakConstraints.size(), CONSTRAINT_STATE{});
    int consistent = initRules(a) && initConstraints(a);
    if (consistent) initWeakConstraints(a);
    aggregates.initAggregates(a);
    return consistent;
}

int MODEL_GENERATOR::initRules(TRUTH_ASSIGNMENT &a) {
    for (uint32_t index = 0; index < rules.size(); ++index) {
        const GRULE &r = rules[index];
        RULE_STATE &s = ruleState[index];
        bool violated = true;
        for (uint32_t i = 0; i < r.head.size(); ++i) {
            TRUTH_VALUE v = a[r.head[i]];
            if (v == TRUTH_UNDEFINED) {
                ++s.openHead;
            } else if (v == TRUTH_MUST_BE_TRUE) {
                ++s.openHead;
                ++s.mustBeTrueHead;
            } else if (isTrueValue(v)) {
                if (s.satisfied == 0) {
                    s.satisfied = SATISFIED_BY_HEAD;
                    s.supportedHead = i + 1;
                } else {
                    s.supportedHead = 0;
                }
            }
            if (v != TRUTH_FALSE) violated = false;
        }
        if (r.hasBody) {
            for (const GLITERAL &l : r.body.positive()) {
                if (aggregateAtom[l.atom]) aggregates.registerOccurrences(l);
                TRUTH_VALUE v = a[l.atom];
                if (v == TRUTH_UNDEFINED) {
                    ++s.openPositive;
                    violated = false;
                } else if (v == TRUTH_MUST_BE_TRUE) {
                    ++s.openPositive;
                    ++s.mustBeTruePositive;
                } else if (v == TRUTH_FALSE) {
                    s.satisfied |= SATISFIED_BY_BODY;
                    s.supportedHead = 0;
                    violated = false;
                }
            }
            for (const GLITERAL &l : r.body.negative()) {
                if (aggregateAtom[l.atom]) aggregates.registerOccurrences(l);
                TRUTH_VALUE v = a[l.atom];
                if (v == TRUTH_UNDEFINED) {
                    ++s.openNegative;
                    violated = false;
                } else if (v != TRUTH_FALSE) {
                    s.satisfied |= SATISFIED_BY_BODY;
                    s.supportedHead = 0;
                    violated = false;
                }
            }
        }
        for (uint32_t i = 0; i < r.head.size(); ++i) {
            if (s.supportedHead != 0) {
                if (s.supportedHead == i + 1) ++supportCount[r.head[i]];
            } else if (s.satisfied == 0) {
                ++supportCount[r.head[i]];
            }
        }
        if (violated) return 0;
    }
    return 1;
}

namespace {

// Counts a constraint's literals by value; true when the constraint is violated already.
bool countConstraint(const GCONSTRAINT &k, CONSTRAINT_STATE &s, const TRUTH_ASSIGNMENT &a) {
    s = CONSTRAINT_STATE{};
    bool violated = true;
    for (const GLITERAL &l : k.body.positive()) {
        TRUTH_VALUE v = a[l.atom];
        if (v == TRUTH_UNDEFINED) {
            ++s.openPositive;
            violated = false;
        } else if (v == TRUTH_FALSE) {
            s.satisfied = 1;
            violated = false;
        }
    }
    for (const GLITERAL &l : k.body.negative()) {
        TRUTH_VALUE v = a[l.atom];
        if (v == TRUTH_UNDEFINED) {
            ++s.openNegative;
            violated = false;
        } else if (v != TRUTH_FALSE) {
            s.satisfied = 1;
            violated = false;
        }
    }
    return violated;
}

}  // namespace

int MODEL_GENERATOR::initConstraints(TRUTH_ASSIGNMENT &a) {
    for (size_t i = 0; i < constraints.size(); ++i) {
        const GCONSTRAINT &k = constraints[i];
        for (const GLITERAL &l : k.body.literals)
            if (aggregateAtom[l.atom]) aggregates.registerOccurrences(l);
        if (countConstraint(k, constraintState[i], a)) return 0;
    }
    return 1;
}

void MODEL_GENERATOR::initWeakConstraints(TRUTH_ASSIGNMENT &a) {
    for (size_t i = 0; i < weakConstraints.size(); ++i) {
        const GWEAKCONSTRAINT &w = weakConstraints[i];
        for (const GLITERAL &l : w.body.literals)
            if (aggregateAtom[l.atom]) aggregates.registerOccurrences(l);
        if (countConstraint(w, weakState[i], a)) a.addCost(weakLevelIndex[i], weakWeight[i]);
    }
}

void MODEL_GENERATOR::markNonHCFRules() {
    for (uint32_t c = 0; c < componentKind.size(); ++c) {
        if (componentKind[c] != COMPONENT_NOT_HCF) continue;
        for (uint32_t atom : groundGraph->components[c]) {
            if (atom >= groundAtomCount) continue;
            for (uint32_t r : headOccurrences.of(atom)) ruleHeadCycleFree[r] = 0;
        }
    }
}

void MODEL_GENERATOR::clearOccurrences() {
    headOccurrences.clear();
    positiveBodyOccurrences.clear();
    negativeBodyOccurrences.clear();
    positiveConstraintOccurrences.clear();
    negativeConstraintOccurrences.clear();
    positiveWeakOccurrences.clear();
    negativeWeakOccurrences.clear();
    supportCount.clear();
    aggregates.release();
}
