// The measurements of one look-ahead and the criteria that rank them.
//
// Propagation counts twelve counters into the model generator's `lookaheadRecord` (which
// assignments and satisfactions a literal caused) and, for programs with weak-constraint levels,
// the cost after the look-ahead and the weight of the weak constraints it satisfied. The
// heuristic choice keeps a copy per candidate literal and ranks candidates by a list of criteria
// (`--heuristic=`): the first criterion that tells two records apart decides. Under --complpt a
// candidate carries the records of both of its polarities, which an operator per criterion
// (`--combineheuristic=`) combines before they are compared.
//
// Every sum, product and weighted score is computed in 64 bits and saturates instead of wrapping,
// and a comparison returns only the sign of a difference, so large programs and the
// multiplying operators never turn a better candidate into a worse one.
#ifndef QUARN_SOLVER_HEURISTIC_VALUE_H
#define QUARN_SOLVER_HEURISTIC_VALUE_H

#include <cstdint>
#include <vector>

#include "solver/truth_assignment.h"

// The counters of a look-ahead record, by what propagation counted into them. The support
// count is the atom's number of potentially supporting rules at that moment; the three classes
// of confirmed and of must-be-true atoms are read as balances (confirmed minus must-be-true).
enum HV_COUNTER : int {
    HV_CONFIRMED = 0,           // must-be-true atoms that became true
    HV_CONFIRMED_SUPPORT2 = 1,  // of those, atoms with support count 2
    HV_CONFIRMED_SUPPORT3 = 2,  // of those, support count 3; and must-be-true atoms whose count dropped to 2
    HV_MUST_BE_TRUE = 3,        // atoms that became must-be-true
    HV_MUST_BE_TRUE_SUPPORT2 = 4,  // of those, support count 2; and must-be-true atoms whose count dropped to 2
    HV_MUST_BE_TRUE_SUPPORT3 = 5,  // of those, support count 3; and must-be-true atoms whose count dropped to 3
    HV_SATISFIED = 6,           // rules and constraints that became satisfied
    HV_SATISFIED_CLOSED = 7,    // of those, constraints and rules with no open head or no undefined body left
    HV_BODY_DECIDED = 8,        // unsatisfied rules that lost their last undefined body literal or open head
    HV_ASSIGNED = 9,            // atoms made false, must-be-true, or true from undefined
    HV_NON_HCF_BODY_TRUE = 10,  // rules satisfied by their head in non-head-cycle-free components, body now true
    HV_NON_HCF_TRUE = 11,       // atoms made true in non-head-cycle-free components
    HV_COUNTERS = 12,
};
// The balance of support class k (0, 1, 2): confirmed minus must-be-true atoms of that class.
constexpr int HV_BALANCE_OFFSET = HV_MUST_BE_TRUE - HV_CONFIRMED;

// One look-ahead record. The two cost vectors exist (`hasCosts`) exactly when the program has
// weak-constraint levels; records of one model generator all cover the same levels. Copies are
// deep; assigning between records of the same levels allocates nothing.
struct HEURISTIC_VALUE {
    int64_t counters[HV_COUNTERS] = {};
    bool hasCosts = false;
    COST_VECTOR cost;             // the cost of the assignment after the look-ahead
    COST_VECTOR satisfiedWeight;  // per level, the weight of the weak constraints it satisfied

    void reset() {
        for (int64_t &c : counters) c = 0;
        cost.fill(0);
        satisfiedWeight.fill(0);
    }
    // Two cost vectors over the given level numbers, all 0.
    void allocateCosts(const std::vector<uint32_t> &levelNumbers) {
        hasCosts = true;
        cost = COST_VECTOR(levelNumbers);
        satisfiedWeight = COST_VECTOR(levelNumbers);
    }
    // Two cost vectors over the levels 1 to `levels`, all 0.
    void initCosts(uint32_t levels) {
        hasCosts = true;
        cost = COST_VECTOR(levels);
        satisfiedWeight = COST_VECTOR(levels);
    }

    // Counter by counter (and, when A has cost vectors, entry by entry) A + B, A x B, A + k, A x k.
    static HEURISTIC_VALUE add(const HEURISTIC_VALUE &a, const HEURISTIC_VALUE &b);
    static HEURISTIC_VALUE multiply(const HEURISTIC_VALUE &a, const HEURISTIC_VALUE &b);
    static HEURISTIC_VALUE addConstant(const HEURISTIC_VALUE &a, int64_t k);
    static HEURISTIC_VALUE multiplyConstant(const HEURISTIC_VALUE &a, int64_t k);
};

// A candidate literal's two records: its own look-ahead and, under --complpt, its opposite's.
struct HEURISTIC_PAIR {
    const HEURISTIC_VALUE *result;
    const HEURISTIC_VALUE *opposite;
};

// Positive when A is better by the criterion, negative when B is, 0 when it does not tell them
// apart. Every 1000 added to an index reverses its direction. An index that names no criterion
// ends the run with status 1 ("17: Invalid heuristic comparison index.").
int compareByCriterion(int32_t criterion, const HEURISTIC_VALUE &a, const HEURISTIC_VALUE &b);

// Along the criteria list the first criterion that tells A and B apart decides: true when A is
// better; true when none does.
bool compareByCriteriaList(const std::vector<int32_t> &criteria, const HEURISTIC_VALUE &a,
                           const HEURISTIC_VALUE &b);

// The integer combining operator of `--combineheuristic=`; 0 for an unknown operator.
int64_t combineValues(int32_t op, int64_t a, int64_t b);

// The record combining operator over a candidate's two records (an unknown operator combines as
// operator 0, the sum). Operators 5 to 8 pick the lesser or greater record by the criteria list.
HEURISTIC_VALUE combineCandidate(int32_t op, const HEURISTIC_PAIR &candidate, const std::vector<int32_t> &criteria);

// The comparison of two candidates under --complpt: their records combined by the operator.
int compareByCombinedCriterion(int32_t criterion, int32_t op, const HEURISTIC_PAIR &a, const HEURISTIC_PAIR &b,
                               const std::vector<int32_t> &criteria);

#endif
