// The measurements of one look-ahead: twelve counters that propagation counts up (which
// assignments and satisfactions a literal caused) and, for programs with weak-constraint levels,
// the cost after the look-ahead and the weight of the weak constraints it satisfied.
#ifndef QUARN_SOLVER_HEURISTIC_VALUE_H
#define QUARN_SOLVER_HEURISTIC_VALUE_H

#include <cstdint>

#include "solver/truth_assignment.h"

// The comparison criteria and the combining operators of look-ahead values are not built yet:
// only the record that propagation counts into exists.
struct HEURISTIC_VALUE {
    int32_t counters[12] = {};
    bool hasCosts = false;
    COST_VECTOR cost;
    COST_VECTOR satisfiedWeight;

    void reset() {
        for (int32_t &c : counters) c = 0;
        cost.fill(0);
        satisfiedWeight.fill(0);
    }
    void allocateCosts(const std::vector<uint32_t> &levelNumbers) {
        hasCosts = true;
        cost = COST_VECTOR(levelNumbers);
        satisfiedWeight = COST_VECTOR(levelNumbers);
    }
};

#endif
