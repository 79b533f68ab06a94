// The model checker: decides whether the atoms a truth assignment holds true are stable, that is,
// whether no non-empty set of them is unfounded. The model generator owns one MODEL_CHECKER and
// calls `TRUTH_ASSIGNMENT::modelCheck` with it for every answer-set candidate of a program that
// needs it and, for partial checks, on partial assignments during the search.
//
// A check first shrinks the candidate set U by removing atoms that have external support (a
// rule whose body does not depend on U and that has no other true head atom). What remains
// decides at once where the program or the component is head-cycle-free; otherwise a
// satisfiability problem whose models are the unfounded sets inside U decides. That problem is
// encoded once per scope (the whole program, or one component under -OMm=1) as clauses over
// variables per atom (in the set, true outside the set, false, picked as the set's chosen atom);
// each check only assumes the candidate's values, so the clauses the solver learns in one check
// serve all later ones. A failed satisfiability check leaves the unfounded set found in the
// caller's witness buffer, which the search re-tests cheaply (`checkWitnessUnfounded`,
// `recheckWitnessUnfounded`) before it runs another full check, and which is the loop nogood's
// set for a search that learns one (`MODEL_CHECKER::unfoundedSet` lists its atoms).
//
// An atom *counts as true* when its value is must-be-true or true (2, 4 or 8), and is *false*
// when its value is 1; undefined atoms (partial checks) are neither. The checker never changes
// the assignment. The encodings hold for the rules they were built from: the checker rebuilds
// them when it is handed another rule vector, graph or atom count, and `reset` drops them for a
// caller that changes its rules in place.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <vector>

#include "grounding/ground_depgraph.h"
#include "grounding/ground_program.h"
#include "solver/sat_solver.h"
#include "solver/truth_assignment.h"

// How a whole-program check decides once the candidate set is shrunk: the shrunk set alone (the
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
    // Empty, over `atoms` atoms.
    void clear(size_t atoms) {
        members.assign(atoms, 0);
        count = 0;
    }
};

// Where a failed check leaves the unfounded set it found: the caller's witness buffer (one byte
// per ground atom) and flag; either may be null.
struct CHECK_WITNESS {
    uint8_t *atoms;
    uint8_t *found;
};

// The unfounded-set check of one scope as clauses, built once. For every atom that can enter an
// unfounded set X (`inSet`, `picked`) or that a rule of the scope reads (`trueOutside`,
// `isFalse`) it keeps the variables of its roles; every rule of the scope whose positive body
// holds none of its head atoms says: a head atom in X needs a positive body atom that is in X or
// false, a negative body atom that is true, or another head atom true outside X. A tree of
// clauses over the `picked` variables demands one picked atom, and a picked atom is in X.
//
// The search decides only the `inSet` variables. Whether an atom is false, and whether an atom
// outside the scope is true, is assumed in every check; every other variable occurs so that, once
// the `inSet` variables are assigned without conflict, any of them left open completes to a
// model whatever the rest: true outside X, picked, a tree node true, a rule's "blocked" false.
class CHECK_ENCODING {
public:
    // The clauses of the rules over the scope's atoms (aggregate atoms never enter X).
    // `slots` is one entry per ground atom, all -1, and is left so.
    void build(std::span<const GRULE *const> rules, std::span<const uint32_t> scope, std::vector<int32_t> &slots);
    // Whether some X inside U holds a chosen or must-be-true atom: 1 when none does (stable), 0
    // when one does; then its atoms are in `unfounded` and, when given, in the witness buffer.
    int decide(const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags, const CANDIDATE_SET &u,
               const CHECK_WITNESS &witness, std::vector<GATOM_ID> &unfounded);

private:
    static constexpr uint32_t NONE = UINT32_MAX;
    struct ATOM_ROLES {
        GATOM_ID atom;
        uint32_t inSet = NONE, trueOutside = NONE, isFalse = NONE, picked = NONE;
    };
    uint32_t roleVariable(uint32_t ATOM_ROLES::*role, GATOM_ID atom, std::vector<int32_t> &slots);
    void addRule(const GRULE &r, std::vector<int32_t> &slots);
    void addPickTree();

    SAT_SOLVER solver;
    std::vector<ATOM_ROLES> atoms;
    std::vector<uint8_t> inScope;  // per entry of `atoms`
    std::vector<int32_t> clause, blocked, assumptions;
};

class MODEL_CHECKER {
public:
    // The mode of -OMm= (0, 1, 5 or 9) that `check` uses; 0 unless told otherwise.
    void useMode(uint32_t optOMm) { mode = optOMm; }
    // 1 when the atoms that `a` holds true are stable, 0 when not, by the mode of -OMm=; see
    // `TRUTH_ASSIGNMENT::modelCheck`.
    int check(const TRUTH_ASSIGNMENT &a, const std::vector<GRULE> &rules, bool programHCF, GROUND_DEPGRAPH &graph,
              const uint8_t *chosenFlags, uint8_t *witness, uint8_t *witnessFound);
    // The atoms of the unfounded set that the last check found by satisfiability, ascending; empty
    // when it found none (a stable candidate, or a verdict of the shrinking step alone).
    const std::vector<GATOM_ID> &unfoundedSet() const { return unfounded; }
    // Drops the encodings, for rules that changed in place.
    void reset();

private:
    int checkCandidate(GROUND_DEPGRAPH &graph, const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a,
                       const uint8_t *chosenFlags, bool shrink, CHECK_TYPE type, const CHECK_WITNESS &witness);
    int checkByComponents(GROUND_DEPGRAPH &graph, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                          const CHECK_WITNESS &witness);
    int checkByReduct(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                      const CHECK_WITNESS &witness);
    // The satisfiability check of a scope's encoding (needed only when U is not empty), timed and
    // counted as an inner check.
    int innerCheck(CHECK_ENCODING *encoding, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                   const CHECK_WITNESS &witness);
    CHECK_ENCODING &programEncoding(const std::vector<GRULE> &rules);
    CHECK_ENCODING &componentEncoding(GROUND_DEPGRAPH &graph, uint32_t c);
    void follow(const std::vector<GRULE> &rules, const GROUND_DEPGRAPH &graph, size_t atomCount);
    // U := the atoms that count as true, aggregate atoms excepted.
    void collectTrueAtoms(const TRUTH_ASSIGNMENT &a);
    // The shrinking fixpoint over all rules (`shrinkToFixpoint`), in one sweep over the rules.
    void shrinkProgram(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a);

    // What the encodings were built from.
    const std::vector<GRULE> *encodedRules = nullptr;
    size_t encodedRuleCount = 0;
    const GROUND_DEPGRAPH *encodedGraph = nullptr;
    size_t encodedAtoms = 0;
    std::unique_ptr<CHECK_ENCODING> program;
    std::vector<std::unique_ptr<CHECK_ENCODING>> components;
    // Per atom: whether it is an aggregate atom; the rules holding it in their positive body
    // (`bodyRules[bodyStart[x] .. bodyStart[x + 1])`, built at the first sweep); whether some rule
    // has an aggregate atom in its positive body. An aggregate's verdict under U may change either
    // way as U shrinks, so such programs keep the shrinking passes.
    std::vector<uint8_t> aggregateAtom;
    std::vector<uint32_t> bodyStart, bodyRules;
    bool aggregateBodies = false;
    // Per rule during a sweep: the single true head atom it can support, or -1, and its positive
    // body atoms still in U; the atoms that lost their last unsupported rule.
    std::vector<GATOM_ID> sweepTarget;
    std::vector<uint32_t> sweepRemaining;
    std::vector<GATOM_ID> sweepQueue;

    uint32_t mode = 0;
    CANDIDATE_SET u{0};
    std::vector<uint8_t> noneChosen;
    std::vector<int32_t> slots;
    std::vector<GATOM_ID> unfounded;
    SAT_SOLVER reductSolver;  // the check programs of the reduct mode, one per candidate
    std::vector<uint8_t> reductModel;
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

// The model checker's view of a rule over the candidate set U (one byte per ground atom):
// whether the rule enters the check program, and its check rule, in the unfounded-set encoding
// or, with `reduct`, in the reduct encoding.
bool isRelevantForCheck(const GRULE &rule, const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &u);
void buildCheckRule(const GRULE &rule, const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &u,
                    std::vector<GRULE> &checkRules, std::vector<GCONSTRAINT> &checkConstraints, bool reduct);

// The check program of the reduct mode's components: first a rule without body whose head is
// every atom of U (among `atoms`, in ascending order) that is chosen or must-be-true, then the
// check rule of every relevant rule in the unfounded-set encoding. Returns the number of
// relevant rules.
uint32_t buildComponentCheckProgram(std::span<const GRULE *const> rules, std::span<const uint32_t> atoms,
                                    const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags, const CANDIDATE_SET &u,
                                    std::vector<GRULE> &checkRules, std::vector<GCONSTRAINT> &checkConstraints);

// Writes the three statistics lines on the stream (standard error under -stats++).
void printModelCheckStatistics(FILE *out);
