// The unit tests' view of a model generator's private state: the level, the counters and trails
// that propagation changes, the per-atom data and the statistics, read and set between the steps
// of a run. `MGI::level(mg)` is a reference to the generator's member.
#ifndef QUARN_TESTS_MODEL_GENERATOR_INSIGHT_H
#define QUARN_TESTS_MODEL_GENERATOR_INSIGHT_H

#include "solver/model_generator.h"

struct MODEL_GENERATOR_INSIGHT {
    static uint32_t &level(MODEL_GENERATOR &m) { return m.level; }
    static MG_STATUS &status(MODEL_GENERATOR &m) { return m.status; }
    static std::vector<uint32_t> &supportCount(MODEL_GENERATOR &m) { return m.supportCount; }
    static std::vector<uint8_t> &chosenFlags(MODEL_GENERATOR &m) { return m.chosenFlags; }
    static std::vector<GATOM_ID> &chosenAtoms(MODEL_GENERATOR &m) { return m.chosenAtoms; }
    static UNDO_TRAIL &counterTrail(MODEL_GENERATOR &m) { return m.counterTrail; }
    static UNDO_TRAIL &supportTrail(MODEL_GENERATOR &m) { return m.supportTrail; }
    static LITERAL_QUEUE &propagationQueue(MODEL_GENERATOR &m) { return m.propagationQueue; }
    static LITERAL_QUEUE &forcedLiterals(MODEL_GENERATOR &m) { return m.forcedLiterals; }
    static HEURISTIC_VALUE &lookaheadRecord(MODEL_GENERATOR &m) { return m.lookaheadRecord; }
    static SEARCH_CONFIG &settings(MODEL_GENERATOR &m) { return m.settings; }
    static COST_VECTOR &baseCost(MODEL_GENERATOR &m) { return m.baseCost; }
    static std::vector<std::vector<AGGREGATE_OCCURRENCE>> &aggregateOccurrences(MODEL_GENERATOR &m) {
        return m.aggregates.aggregateOccurrences;
    }
    static std::vector<std::vector<GATOM_ID>> &aggregateAtomsOfFunction(MODEL_GENERATOR &m) {
        return m.aggregates.aggregateAtomsOfFunction;
    }
    static uint32_t &answerSetsComputed(MODEL_GENERATOR &m) { return m.answerSetsComputed; }
    static uint32_t &answerSetsPrinted(MODEL_GENERATOR &m) { return m.answerSetsPrinted; }
    static uint32_t &choicePoints(MODEL_GENERATOR &m) { return m.choicePoints; }
    static uint32_t &lookaheadsPerformed(MODEL_GENERATOR &m) { return m.lookaheadsPerformed; }
    static uint64_t &activityChoices(MODEL_GENERATOR &m) { return m.activityChoices; }
    static uint32_t &inconsistentLookaheads(MODEL_GENERATOR &m) { return m.inconsistentLookaheads; }
    static TIMER &firstModelTimer(MODEL_GENERATOR &m) { return m.firstModelTimer; }
    static void openLevel(MODEL_GENERATOR &m, TRUTH_ASSIGNMENT &a, MG_LITERAL choice) { m.openLevel(a, choice); }
    // Why the atom has its value, and the literals of the last contradiction.
    static bool explain(MODEL_GENERATOR &m, const TRUTH_ASSIGNMENT &a, GATOM_ID atom, std::vector<MG_LITERAL> &out) {
        return m.explain(a, atom, out);
    }
    static bool conflictLiterals(MODEL_GENERATOR &m, const TRUTH_ASSIGNMENT &a, std::vector<MG_LITERAL> &out) {
        return m.conflictLiterals(a, out);
    }
    static std::vector<uint8_t> &savedPhase(MODEL_GENERATOR &m) { return m.savedPhase; }
    static NOGOOD_STORE &nogoods(MODEL_GENERATOR &m) { return m.nogoods; }
};
using MGI = MODEL_GENERATOR_INSIGHT;

#endif
