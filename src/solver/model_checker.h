// The model checker: decides whether the atoms a truth assignment holds true are stable, that is,
// whether no non-empty set of them is unfounded. The model generator calls
// `TRUTH_ASSIGNMENT::modelCheck` for every answer-set candidate of a program that needs it and,
// for partial checks, on partial assignments during the search.
//
// A check first shrinks the candidate set U by removing atoms that have external support (a
// rule whose body does not depend on U and that has no other true head atom). What remains
// decides at once where the program or the component is head-cycle-free; otherwise the check
// builds a small program over U whose models are the unfounded sets and hands it to the
// satisfiability solver. A failed satisfiability check leaves the unfounded set found in the
// caller's witness buffer, which the search re-tests cheaply (`checkWitnessUnfounded`,
// `recheckWitnessUnfounded`) before it runs another full check.
//
// An atom *counts as true* when its value is must-be-true or true (2, 4 or 8), and is *false*
// when its value is 1; undefined atoms (partial checks) are neither. The checker never changes
// the assignment. Every buffer of a check is owned by the check and released on every return.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "grounding/depgraph.h"
#include "grounding/ground_program.h"
#include "solver/sat_solver.h"
#include "solver/truth_assignment.h"

// How `checkCandidate` decides once the candidate set is shrunk: the shrunk set alone (the
// program is head-cycle-free), or the satisfiability check. 1 is not used.
enum CHECK_TYPE : uint32_t {
    CHECK_SHRINK_ONLY = 0,
    CHECK_SAT = 2,
};

// The candidate set: one byte per ground atom, non-zero for members, and the member count.
struct CANDIDATE_SET {
    std::vector<uint8_t> members;
    uint32_t count = 0;

    explicit CANDIDATE_SET(size_t atoms) : members(atoms, 0) {}
    bool contains(GATOM_ID atom) const { return members[size_t(atom)] != 0; }
    void insert(GATOM_ID atom) {
        if (!members[size_t(atom)]) {
            members[size_t(atom)] = 1;
            ++count;
        }
    }
    void erase(GATOM_ID atom) {
        if (members[size_t(atom)]) {
            members[size_t(atom)] = 0;
            --count;
        }
    }
};

// Where a failed check leaves the unfounded set it found: the caller's witness buffer (one byte
// per ground atom) and flag; either may be null.
struct CHECK_WITNESS {
    uint8_t *atoms;
    uint8_t *found;
};

// The three statistics of the run that -stats++ prints.
extern double worstModelCheckTime;
extern double worstInnerCheckTime;
extern uint32_t maxInnerCheckAtoms;
// The statistics at zero, as the process starts them.
void resetModelChecker();

inline bool countsAsTrue(TRUTH_VALUE v) { return v >= TRUTH_MUST_BE_TRUE; }

// One pass of the shrinking step over all rules, or over the rules of one component: removes
// from U every atom with external support; true when some atom left U.
bool shrinkUnfounded(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u);
bool shrinkUnfoundedInComponent(std::span<const GRULE *const> rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u);

// The shrinking step repeated until nothing leaves U. A few passes serve the common case; when
// atoms are still leaving after `passes` of them (long support chains), the rest is done in one
// linear sweep that reaches the same fixpoint.
void shrinkToFixpoint(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u,
                      uint32_t passes = 4);
void shrinkComponentToFixpoint(std::span<const GRULE *const> rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u,
                               uint32_t passes = 4);

// The check program: first a rule without body whose head is every atom of U (among `atoms`, in
// ascending order) that is chosen or must-be-true, then the check rule of every relevant rule in
// the unfounded-set encoding. Both return the number of relevant rules.
uint32_t buildCheckProgram(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                           const CANDIDATE_SET &u, std::vector<GRULE> &checkRules,
                           std::vector<GCONSTRAINT> &checkConstraints);
uint32_t buildComponentCheckProgram(std::span<const GRULE *const> rules, std::span<const uint32_t> atoms,
                                    const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags, const CANDIDATE_SET &u,
                                    std::vector<GRULE> &checkRules, std::vector<GCONSTRAINT> &checkConstraints);

// The satisfiability check of one component (its rules and its atoms): 1 stable, 0 not.
int checkComponentBySat(std::span<const GRULE *const> rules, std::span<const uint32_t> atoms,
                        const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags, const CANDIDATE_SET &u,
                        SAT_SOLVER &solver, const CHECK_WITNESS &witness);

// One whole-program check on the model generator's ground graph: 1 stable, 0 not.
int checkCandidate(GROUND_DEPGRAPH &graph, const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a,
                   const uint8_t *chosenFlags, bool shrink, CHECK_TYPE type, SAT_SOLVER &solver,
                   const CHECK_WITNESS &witness);

// Writes the three statistics lines on the stream (standard error under -stats++).
void printModelCheckStatistics(FILE *out);
