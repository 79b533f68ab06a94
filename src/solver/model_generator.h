// The model generator: the search object that computes the answer sets of a ground program.
//
// The driver builds one on its stack after grounding, over the residual ground rules,
// constraints and weak constraints, and runs `computeModels`. A run builds flat occurrence lists
// of every ground atom and the counters of every ground rule and constraint (in arrays of its
// own, by rule and constraint number: the ground program is only read), propagates the
// consequences known before any choice, and then searches conflict-driven: each level chooses
// a literal and propagates it, until no choice is left (a candidate, which is closed, checked and
// handed to the model callback) or a contradiction. A contradiction is analysed through the
// reasons of the assignments into a learned nogood, and the search jumps back to the highest
// level where that nogood asserts a literal (model_generator_learning.cpp); after a candidate the
// last choice is flipped above a floor that later backjumps respect, so that an enumeration lists
// every answer set once, and restarts after a Luby number of contradictions take back the
// choices above that floor (model_generator_search.cpp). Every change of a value, a cost or a
// counter is recorded on a trail stamped with the search level, so that a backjump undoes exactly
// what the levels above its target did.
//
// Propagation is the inner loop: an assignment touches only the counters of the places where its
// atom occurs, nothing is allocated per assignment, inferences are queued (first in, first out)
// rather than followed depth first, and the search keeps its levels on an explicit stack.
#ifndef QUARN_SOLVER_MODEL_GENERATOR_H
#define QUARN_SOLVER_MODEL_GENERATOR_H

#include <csignal>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "grounding/ground_program.h"
#include "solver/activity_heap.h"
#include "solver/aggregate_propagation.h"
#include "solver/heuristic_value.h"
#include "solver/model_checker.h"
#include "solver/nogood_store.h"
#include "solver/search_config.h"
#include "solver/truth_assignment.h"
#include "support/output_config.h"
#include "support/timer.h"

class ATOM_SETS;
struct INTERPRETATION;
struct CONJUNCTION;
class MODEL_GENERATOR;
struct SEARCH_LEVEL;
struct SEARCH_STATE;

typedef uint32_t MG_FLAGS;
enum : MG_FLAGS {
    MG_PROGRAM_HCF = 1,       // the program is known to be head-cycle-free
    MG_MODEL_CHECK = 2,       // candidates are model-checked, partial checks run
    MG_UNFOUNDED_CHECKS = 4,  // unfounded-set checks of cyclic head-cycle-free components
};

typedef uint32_t MG_STATUS;
enum : MG_STATUS {
    MG_CONTINUE = 0,
    MG_STOP = 1,    // the enumeration ends: every level returns at once
    MG_REJECT = 2,  // the last candidate (or partial interpretation) is not stable
};

// What a callback writes before a model that the search reports (under -wctrace) while its cost
// is not yet known to be optimal.
inline constexpr char PROVISIONAL_MODEL_MARK[] = "Current model [maybe not optimal]: ";

// What a model callback answers: MODEL_GO_ON when the search is to go on (without it the search
// stops), with MODEL_SHOWN when it showed the answer set. The search counts the answer sets
// shown once their cost is known to be optimal, and stops itself at the -n= limit.
enum : int {
    MODEL_STOP = 0,
    MODEL_GO_ON = 1,
    MODEL_SHOWN = 2,
};

// Called for each accepted answer set, answering as above. Without a model generator and a model
// (the driver's call when grounding decided everything) it reports `trueAtoms` alone.
typedef int (*MODEL_CALLBACK)(MODEL_GENERATOR *, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model);
// Called for each candidate that passed the model check; 0 rejects it.
typedef int (*CANDIDATE_FILTER)(MODEL_GENERATOR *, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *candidate);

// A first-in first-out queue of {new truth value, atom}.
struct LITERAL_QUEUE_ENTRY {
    TRUTH_VALUE kind;
    GATOM_ID atom;
};

class LITERAL_QUEUE {
public:
    bool empty() const { return head == entries.size(); }
    void push(TRUTH_VALUE kind, GATOM_ID atom) { entries.push_back({kind, atom}); }
    LITERAL_QUEUE_ENTRY pop() {
        LITERAL_QUEUE_ENTRY e = entries[head++];
        if (head == entries.size()) clear();
        return e;
    }
    void clear() {
        entries.clear();
        head = 0;
    }

private:
    std::vector<LITERAL_QUEUE_ENTRY> entries;  // the buffer is kept: no allocation once grown
    size_t head = 0;
};

// Component numbers waiting for an unfounded-set check; a component is never queued twice.
class COMPONENT_QUEUE {
public:
    std::vector<uint8_t> queued;
    uint32_t componentCount = 0;

    void allocate(uint32_t count) {
        componentCount = count;
        queued.assign(count, 0);
    }
    bool empty() const { return head == entries.size(); }
    void push(uint32_t c) {
        queued[c] = 1;
        entries.push_back(c);
    }
    uint32_t front() const { return entries[head]; }
    void popFront() {
        ++head;
        if (head == entries.size()) {
            entries.clear();
            head = 0;
        }
    }
    void clear() {
        for (uint32_t c : entries) queued[c] = 0;
        entries.clear();
        head = 0;
    }

private:
    std::vector<uint32_t> entries;
    size_t head = 0;
};

// Per-atom lists of rule (or constraint) numbers in one contiguous array: the list of atom a is
// items[start[a] .. start[a + 1]). For head and positive-body lists of rules, while unfounded-set
// checks are active, the rules that matter inside the atom's own component come first, up to
// componentEnd[a].
struct OCCURRENCE_LISTS {
    std::vector<uint32_t> start;
    std::vector<uint32_t> items;
    std::vector<uint32_t> componentEnd;

    const uint32_t *begin(GATOM_ID a) const { return items.data() + start[a]; }
    const uint32_t *end(GATOM_ID a) const { return items.data() + start[a + 1]; }
    std::span<const uint32_t> of(GATOM_ID a) const { return {begin(a), end(a)}; }
    // The part of the list that matters inside the atom's component.
    std::span<const uint32_t> insideComponent(GATOM_ID a) const {
        return {begin(a), items.data() + componentEnd[a]};
    }
    bool empty(GATOM_ID a) const { return start[a] == start[a + 1]; }
    void clear() {
        start.clear();
        items.clear();
        componentEnd.clear();
    }
};

// The search's counters of one ground rule, kept by rule number beside the ground program
// (`ruleState[i]` belongs to `rules[i]`), so that the ground program stays read-only and several
// searches can run over it. They count the head atoms and the positive and negative body
// literals still open and how many of those are must-be-true; 32 bits each, so that long
// generated bodies cannot wrap them. Eight of them make one 32-byte record: the counters of the
// rules that an assignment touches are read without the rules' heads and bodies.
enum : uint32_t {
    SATISFIED_BY_BODY = 1,
    SATISFIED_BY_HEAD = 2,
};
struct RULE_STATE {
    uint32_t satisfied;           // SATISFIED_BY_BODY | SATISFIED_BY_HEAD
    uint32_t openHead;
    uint32_t openPositive;
    uint32_t openNegative;
    uint32_t mustBeTrueHead;
    uint32_t mustBeTruePositive;
    uint32_t supportedHead;       // the head atom that the rule alone supports, its position plus one
    int32_t unsupportedInside;    // unfounded-set check: unsupported positive atoms inside
};
static_assert(sizeof(RULE_STATE) == 32);

// The counters of one ground constraint or weak constraint, by its number.
struct CONSTRAINT_STATE {
    uint32_t satisfied;
    uint32_t openPositive;
    uint32_t openNegative;
};

// Why an atom has its value (as true, must-be-true counted as true, or false): the inference that
// gave it and what it read. Conflict analysis turns a reason into the literals assigned before the
// atom that imply its value; most reasons are read back from the program when analysis asks.
enum MG_REASON : uint8_t {
    REASON_CHOICE = 0,       // a choice of the search, or the opposite of a choice whose branch is done
    REASON_RULE_HEAD,        // data: the rule, whose body is true and whose other head atoms are false
    REASON_RULE_BODY,        // data: the rule, whose head is false and whose other body literals are true
    REASON_CONSTRAINT,       // data: the constraint, whose other literals are true
    REASON_WEAK_CONSTRAINT,  // data: the weak constraint whose violation would reach the best cost
    REASON_UNSUPPORTED,      // every rule with the atom in its head is blocked
    REASON_SUPPORT,          // data: the true atom whose single supporting rule this makes supporting
    REASON_RECORD,           // data: a reason recorded on the branch (an unfounded set's blocking literals, or
                             // the nogood of a failed look-ahead without its literal)
    REASON_AGGREGATE,        // data: the aggregate atom whose function decided this
    REASON_NOGOOD,           // data: a learned nogood
    REASON_CHOICES,          // the choices made so far: an atom closed false at a leaf
};
struct MG_WHY {
    MG_REASON kind;
    uint32_t data;
};

// What a contradiction found violated: its literals all hold.
enum MG_CONFLICT : uint8_t {
    CONFLICT_RULE,         // data: a rule with a true body and a false head
    CONFLICT_CONSTRAINT,   // data: a violated constraint
    CONFLICT_COST,         // the violated weak constraints reach the best cost
    CONFLICT_UNSUPPORTED,  // atom: a true atom whose every rule is blocked
    CONFLICT_RECORD,       // data: a recorded reason; atom: an atom whose value contradicts it
    CONFLICT_AGGREGATE,    // atom: an aggregate atom whose value its decided elements contradict
    CONFLICT_NOGOOD,       // data: a learned nogood
    CONFLICT_CHOICES,      // the choices made so far (a contradiction whose reasons cannot be read back)
};

// The levels that the cost vectors of a ground program cover, given its highest level and its
// ground weak constraints: every level from 1 for programs with few levels, otherwise only the
// levels in use (and the highest).
std::vector<uint32_t> weakConstraintLevels(uint32_t maxLevel,
                                           std::initializer_list<const std::vector<GWEAKCONSTRAINT> *> parts);

// The bound of the look-ahead work of one candidate computation, in values and counters changed:
// this many per atom and occurrence of the program, and never less than the floor, which small
// and medium programs do not reach.
inline constexpr uint64_t LOOKAHEAD_BUDGET_PER_ITEM = 32;
inline constexpr uint64_t LOOKAHEAD_BUDGET_FLOOR = uint64_t(1) << 22;

// How a model generator runs, besides the ground program it searches over. Callers name the
// fields they set; the rest keep these defaults.
struct MG_CONFIG {
    CONJUNCTION *query = nullptr;
    ATOM_SETS *edbFacts = nullptr;        // the input facts, printed with the consequences
    INTERPRETATION *trueAtoms = nullptr;  // what grounding found true, handed to the callbacks
    uint32_t maxModels = 0;               // the -n= limit on the answer sets shown, 0 for none
    const COST_VECTOR *costBound = nullptr;
    MG_FLAGS flags = 0;
    MODEL_CALLBACK modelCallback = nullptr;
    CANDIDATE_FILTER candidateFilter = nullptr;
    // Choose by rule order even under -OH: for the many small programs that a caller searches
    // once each, the look-ahead at every level costs more than the search it saves.
    bool ruleOrderChoice = false;
    // The dependency graph of `rules` when the caller keeps one: a caller that searches many
    // programs over the same rules, which differ only in negated body literals (they add no edge),
    // builds it once. The rules must not move while the graph lives. None: the generator builds it.
    DEPGRAPH<GRULE, GCONSTRAINT> *groundGraph = nullptr;
    bool hasAggregates = false;
    const COST_VECTOR *baseCost = nullptr;       // the weights of the weak constraints violated already
    bool hasWeakConstraints = false;             // the ground program has weak constraints
    bool programHasWeakConstraints = false;      // the program as read has weak constraints
    bool wcTrace = false;                        // every improving model is reported (-wctrace)
    bool costBoundGiven = false;                 // -costbound= was given
    uint32_t levels = 0;                         // the highest weak-constraint level
    uint32_t aggregateCount = 0;                 // the number of interned aggregate functions
    std::vector<int32_t> heuristic = {};         // the criteria of --heuristic=
    std::vector<int32_t> combineOperators = {};  // the operators of --combineheuristic=
    SEARCH_CONFIG search = {};
    // What -det and -wf show of their consequences; none: every predicate, the facts included.
    const OUTPUT_CONFIG *output = nullptr;
    uint32_t statistics = 0;                     // what -stats (1) or -stats++ (2) asks the counters to keep
    // A flag that a signal handler sets: the search reads it at each choice and, once it is not
    // 0, stops as if a callback had asked it to. None: nothing interrupts the search.
    const volatile sig_atomic_t *interruption = nullptr;
    uint64_t nogoodMemoryLimit = NOGOOD_STORE::MEMORY_LIMIT;  // bytes the learned nogoods may take
};

class MODEL_GENERATOR {
public:
    MODEL_GENERATOR(std::vector<GRULE> &rules, std::vector<GCONSTRAINT> &constraints,
                    std::vector<GWEAKCONSTRAINT> &weakConstraints, const MG_CONFIG &config);
    ~MODEL_GENERATOR();
    MODEL_GENERATOR(const MODEL_GENERATOR &) = delete;
    MODEL_GENERATOR &operator=(const MODEL_GENERATOR &) = delete;

    // One run of the answer-set search; may run again on the same object.
    void computeModels();
    // The deterministic (0) or well-founded (1) consequences.
    void computeDeterministic(int wellFoundedMode);
    void printStatistics(FILE *out);
    void printTimes(FILE *out);
    // The stand-in generator of a run that needed none prints zero times: its construction was
    // no work of the run.
    void zeroTimes();

    // What the model callbacks read. The answer sets that a callback showed (MODEL_SHOWN) are
    // counted once their cost is known to be optimal; at the -n= limit the search stops.
    uint32_t printedAnswerSets() const { return answerSetsPrinted; }
    uint32_t computedAnswerSets() const { return answerSetsComputed; }
    bool isOptimumKnown() const { return optimumKnown; }
    bool weighsModels() const { return hasWeakConstraints || programHasWeakConstraints; }
    bool boundGiven() const { return costBoundGiven; }
    bool tracesImprovements() const { return wcTrace; }
    // A candidate filter that rejects a candidate may name the atoms whose values alone decided
    // the rejection: every candidate that gives them the same values would be rejected as well.
    // The search then learns a nogood over these values instead of only taking back its last
    // choice, and never reaches such a candidate again.
    void rejectByValuesOf(const std::vector<GATOM_ID> &atoms) { rejectionAtoms.assign(atoms.begin(), atoms.end()); }
    // A caller that runs the search again after changing negated body literals of its rules in
    // place (heads, positive bodies and the rules' places unchanged, so the dependency graph still
    // holds) calls this first: what the model checks kept of the rules is dropped.
    void negativeBodiesChanged() { checker.reset(); }
    // The counters of a rule or constraint by its number, between the steps of a run.
    const RULE_STATE &stateOfRule(uint32_t r) const { return ruleState[r]; }
    const CONSTRAINT_STATE &stateOfConstraint(uint32_t k) const { return constraintState[k]; }
    // A model callback that lets the search go on may narrow what is left of it: no later answer
    // set of this run gives every one of `atoms` the value `value`. Brave reasoning asks that the
    // next answer set make true a query instance that none before made true, cautious reasoning
    // that it make false one that every answer set before made true; the answer set just found
    // gives them all that value, so the search leaves it through the contradiction, as after a
    // learned nogood, instead of listing its neighbours. Each answer set then adds an answer, and
    // the search computes at most one per query instance, plus the last. The nogood is never
    // thinned away.
    void excludeAnswerSetsWhere(const std::vector<GATOM_ID> &atoms, bool value);
    const TIMER &firstModelTime() const { return firstModelTimer; }
    const TIMER &totalTime() const { return totalTimer; }

    // After an optimising search: the best model it found is optimal when the search ended without
    // proving it (and was not stopped). The driver accepts it, and either reports it or runs the
    // search again with the base cost it was given to list every model of optimal cost.
    bool bestModelUnproved() const { return bestModel && !optimumKnown && status != MG_STOP; }
    void acceptBestModel() { optimumKnown = true; }
    // The cheapest model found so far, or none.
    const TRUTH_ASSIGNMENT *bestModelSoFar() const { return bestModel; }
    void reportBestModel();
    void restoreBaseCost(const COST_VECTOR &cost);

    // --- Data structures ---
    int initDataStructures(TRUTH_ASSIGNMENT &a);
    int initRules(TRUTH_ASSIGNMENT &a);
    int initConstraints(TRUTH_ASSIGNMENT &a);
    void initWeakConstraints(TRUTH_ASSIGNMENT &a);
    void markNonHCFRules();
    void clearOccurrences();
    void release();

    // --- Propagation ---
    void setFalse(TRUTH_ASSIGNMENT &a, GATOM_ID atom, MG_WHY why);
    void setMustBeTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom, MG_WHY why);
    void setTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom, MG_WHY why);
    void confirmMustBeTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    int propagate(TRUTH_ASSIGNMENT &a);
    int propagateFalse(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    int propagateTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    int propagateMustBeTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    int propagateConfirmed(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    int propagateRule(TRUTH_ASSIGNMENT &a, uint32_t r);
    int propagateConstraint(TRUTH_ASSIGNMENT &a, uint32_t k);
    int forceLastOpenLiteral(TRUTH_ASSIGNMENT &a, const GBODY &body, uint32_t openPositive, uint32_t openNegative,
                             MG_WHY why);
    int propagateWeakConstraints(TRUTH_ASSIGNMENT &a);
    int propagateInitial(TRUTH_ASSIGNMENT &a);
    int closeInterpretation(TRUTH_ASSIGNMENT &a);
    bool exceedsBestCost(uint32_t w, const COST_VECTOR &cost) const;

    // --- Support counters and unfounded sets ---
    int withdrawSupport(TRUTH_ASSIGNMENT &a, uint32_t r, GATOM_ID atom);
    int forceSupportingRule(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    int confirmSupportedHead(TRUTH_ASSIGNMENT &a, uint32_t r);
    void queueComponent(int32_t component);
    int checkUnfoundedComponent(TRUTH_ASSIGNMENT &a, uint32_t component);
    int propagateComponentSupport(TRUTH_ASSIGNMENT &a, uint32_t component);
    int falsifyUnfounded(TRUTH_ASSIGNMENT &a, uint32_t component);
    void spreadSupport(uint32_t component, bool lostOnly);
    bool hasTrueHeadOutside(const TRUTH_ASSIGNMENT &a, uint32_t r, uint32_t component) const;

    // --- Heuristic choice: look-ahead ---
    // 1 when the look-ahead of the literal failed (its opposite is queued in forcedLiterals).
    int lookahead(GATOM_ID atom, bool makeFalse, bool fromUndefined, TRUTH_ASSIGNMENT &a);
    // 1 when every look-ahead made succeeded; the records (when given) take the measurements.
    int lookaheadBoth(GATOM_ID atom, uint8_t polarity, TRUTH_ASSIGNMENT &a, HEURISTIC_VALUE *record,
                      HEURISTIC_VALUE *opposite);
    int applyForcedLiterals(TRUTH_ASSIGNMENT &a);
    void markLookedAhead(GATOM_ID atom, uint8_t polarity);
    bool isPossiblyTrue(GATOM_ID atom, const TRUTH_ASSIGNMENT &a) const;
    bool isNegativeCandidate(GATOM_ID atom, const TRUTH_ASSIGNMENT &a) const;
    bool isHeadCandidate(GATOM_ID atom, const TRUTH_ASSIGNMENT &a) const;
    uint64_t positiveOccurrenceWeight(GATOM_ID atom) const;
    void countOccurrenceWeights(GATOM_ID atom);

    // --- Search ---
    void search(TRUTH_ASSIGNMENT &a);
    int checkModel(TRUTH_ASSIGNMENT &a, uint8_t *witnessBuffer, uint8_t *witnessFlag);
    void modelFound(TRUTH_ASSIGNMENT &a);
    // Counts an answer set that the model callback showed and stops the search at the -n= limit.
    void countShownAnswerSet(int callbackAnswer);

    // Per-run tables read once from the ground program (weak-constraint levels and weights,
    // aggregate atoms, components); run before the occurrence lists are built.
    void prepareRun(TRUTH_ASSIGNMENT &a);

private:
    // The candidate list of a search level and the aggregate propagation read the occurrence
    // lists, the counters and the assignment operations; the unit
    // tests look at the state through an inspector of their own.
    friend class PT_CANDIDATES;
    friend class AGGREGATE_PROPAGATION;
    friend struct MODEL_GENERATOR_INSIGHT;

    // --- Members, by role ---
    LITERAL_QUEUE propagationQueue;
    LITERAL_QUEUE forcedLiterals;
    std::vector<uint32_t> forcedRecords;  // the recorded reason of each entry of forcedLiterals
    UNDO_TRAIL counterTrail;
    UNDO_TRAIL supportTrail;
    WIDE_UNDO_TRAIL aggregateTrail;
    LITERAL_QUEUE supportQueue;
    COMPONENT_QUEUE componentQueue;

    OCCURRENCE_LISTS headOccurrences;
    OCCURRENCE_LISTS positiveBodyOccurrences;
    OCCURRENCE_LISTS negativeBodyOccurrences;
    OCCURRENCE_LISTS positiveConstraintOccurrences;
    OCCURRENCE_LISTS negativeConstraintOccurrences;
    OCCURRENCE_LISTS positiveWeakOccurrences;
    OCCURRENCE_LISTS negativeWeakOccurrences;
    std::vector<uint32_t> supportCount;
    // The counters of the rules, constraints and weak constraints, by number; sized when a run
    // starts and never moved during it (the counter trail points into them).
    std::vector<RULE_STATE> ruleState;
    std::vector<CONSTRAINT_STATE> constraintState;
    std::vector<CONSTRAINT_STATE> weakState;
    // Per rule: 0 when a head atom lies in a component that is not head-cycle-free; 1 while the
    // unfounded-set check waits for the rule's inside positive body atoms to be founded.
    std::vector<uint8_t> ruleHeadCycleFree;
    std::vector<uint8_t> ruleWaitsForSupport;

    // The look-aheads of one candidate computation may change at most `lookaheadBudget` values
    // and counters in all (a multiple of the program's size, at least a fixed floor); beyond it no
    // further candidate is tried once one is kept. A root where every candidate's look-ahead
    // decides a large part of the program (one long disjunction) would otherwise cost the square
    // of the program's size. `lookaheadWork` is what the computation spent so far.
    uint64_t lookaheadBudget = 0;
    uint64_t lookaheadWork = 0;
    std::vector<uint8_t> lookedAheadPositive;
    std::vector<uint8_t> lookedAheadNegative;
    std::vector<GATOM_ID> lookedAhead;  // the atoms marked in either, to be cleared
    bool rootLookedAhead = false;       // the first choice of the run looked ahead every candidate
    uint32_t rootCandidates = 0;        // the candidates of that first choice (0 with positive recursion)
    // Once the search keeps meeting contradictions, the most active candidate is chosen without a
    // look-ahead (set at the first choice: see PT_CANDIDATES::lookAheadMostActive).
    bool activityChoice = false;
    uint64_t activityChoices = 0;  // the choices made that way
    // Occurrence weights add up over the repeated passes of one computation: 64 bits.
    std::vector<uint64_t> positiveWeight;
    std::vector<uint64_t> negativeWeight;

    std::vector<GRULE> &rules;
    std::vector<GCONSTRAINT> &constraints;
    std::vector<GWEAKCONSTRAINT> &weakConstraints;
    CONJUNCTION *query;
    ATOM_SETS *edbFacts;
    INTERPRETATION *trueAtoms;
    uint32_t maxModels;
    MG_FLAGS flags;
    MODEL_CALLBACK modelCallback;
    CANDIDATE_FILTER candidateFilter;
    bool ruleOrderChoice;  // the rule order chooses even under -OH
    // The atoms that the filter named for the candidate it rejected last (rejectByValuesOf).
    std::vector<GATOM_ID> rejectionAtoms;
    // What the model callback asked to exclude after the answer set it was given
    // (excludeAnswerSetsWhere): the literals of the nogood, learned once the callback returns.
    std::vector<MG_LITERAL> exclusion;
    bool exclusionAsked = false;
    // The values that the next answer set should try first, taken as saved phases after the
    // restart that leaves the excluded answer set (which saves its own values first).
    std::vector<MG_LITERAL> preferredPhases;
    bool excludedModelLeft = false;  // the last contradiction was the exclusion of an answer set
    void preferExcludedChange(const TRUTH_ASSIGNMENT &a);

    DEPGRAPH<GRULE, GCONSTRAINT> *groundGraph = nullptr;
    bool ownsGraph = true;  // false for a graph the caller handed over (MG_CONFIG::groundGraph)

    bool componentsActive = false;
    bool hasAggregates;

    MG_STATUS status = MG_CONTINUE;
    uint32_t level = 0;
    uint32_t deepestLevel = 0;
    std::vector<uint32_t> levelVisits;

    uint32_t inconsistentChoices = 0;
    uint32_t choicePoints = 0;
    uint32_t internalChoicePoints = 0;
    uint32_t answerSetCandidates = 0;
    uint32_t modelChecks = 0;
    uint32_t forwardChecks = 0;
    uint32_t forwardChecksFailed = 0;
    // Printed under -stats++ and never changed: the partial checks of the depth-first search's
    // backtracking are gone, a backjump runs none, so both stay 0 (and so does quickCheckTimer).
    uint32_t backtrackingChecks = 0;
    uint32_t quickBacktrackingChecks = 0;
    uint32_t answerSetsComputed = 0;
    uint32_t answerSetsPrinted = 0;
    uint32_t lookaheadsPerformed = 0;
    uint32_t inconsistentLookaheads = 0;
    uint32_t pruningLookaheads = 0;

    std::vector<uint8_t> chosenFlags;
    std::vector<GATOM_ID> chosenAtoms;

    std::vector<uint8_t> witness;
    uint8_t witnessFound = 0;
    MODEL_CHECKER checker;  // keeps what the checks learn for the later ones

    uint32_t lastPassedCheckLevel = 0;
    uint32_t lastLeafLevel = 0;

    bool initiallyInconsistent = false;

    COST_VECTOR costBound;
    COST_VECTOR baseCost;
    COST_VECTOR bestCost;
    bool hasBestCost = false;
    TRUTH_ASSIGNMENT *bestModel = nullptr;

    bool hasWeakConstraints;
    bool programHasWeakConstraints;
    bool wcTrace;
    // False while the search reports models (under -wctrace) whose cost is not yet known to be
    // optimal; the callbacks print PROVISIONAL_MODEL_MARK before such a model and do not count it.
    bool optimumKnown;
    bool costBoundGiven;
    bool weakConstraintViolated = false;
    uint32_t levels;
    uint32_t aggregateCount;

    HEURISTIC_VALUE lookaheadRecord;
    HEURISTIC_VALUE candidateRecord;
    HEURISTIC_VALUE oppositeRecord;

    std::vector<int32_t> heuristic;
    std::vector<int32_t> combineOperators;
    SEARCH_CONFIG settings;  // the search settings of the run
    const OUTPUT_CONFIG *output;
    const uint32_t statistics;  // 2 under -stats++: the level visits are counted
    const volatile sig_atomic_t *interruption;

    TIMER totalTimer;
    TIMER firstModelTimer;
    TIMER initTimer;
    TIMER wellFoundedTimer;
    TIMER depgraphTimer;
    TIMER modelCheckTimer;
    TIMER partialCheckTimer;
    TIMER quickCheckTimer;  // never started: see backtrackingChecks
    TIMER choiceTimer;
    TIMER callbackTimer;

    bool wellFounded = false;
    TRUTH_ASSIGNMENT supportMarks;

    // Per weak constraint (by position in `weakConstraints`): the index of its level in the cost
    // vectors and its weight, read once from its terms when a run starts.
    std::vector<uint32_t> weakLevelIndex;
    std::vector<uint64_t> weakWeight;
    // One byte per ground atom: 1 for the atoms of aggregate predicates.
    std::vector<uint8_t> aggregateAtom;
    AGGREGATE_PROPAGATION aggregates{*this};

    // Per ground atom its component in the ground graph (-1 for none), read once per run.
    std::vector<int32_t> componentOfAtom;
    // Per component of the ground graph: acyclic; cyclic and not head-cycle-free (its rules are
    // marked so, and the model checker decides its minimality); cyclic and head-cycle-free (its
    // atoms are founded through source rules by the unfounded-set check).
    enum COMPONENT_KIND : uint8_t {
        COMPONENT_ACYCLIC = 0,
        COMPONENT_NOT_HCF = 1,
        COMPONENT_CYCLIC_HCF = 2,
    };
    std::vector<COMPONENT_KIND> componentKind;
    // Per atom of a cyclic head-cycle-free component: the rule through which the last
    // unfounded-set check of its component founded it, as its index plus one (0 for none).
    // Checks set them in the order they found the atoms, so they never form a cycle; an atom
    // keeps its source while the rule stays usable (body not false, no head outside the
    // component true, no positive body atom inside the component false) and its inside body
    // atoms keep theirs. They change on the support trail: an atom that becomes false keeps a
    // source that later checks no longer look at, so backtracking must restore theirs too.
    std::vector<uint32_t> sourceRule;
    static constexpr uint32_t NO_RULE = UINT32_MAX;
    uint32_t sourceOf(GATOM_ID atom) const {
        uint32_t s = sourceRule[atom];
        return s ? s - 1 : NO_RULE;
    }
    void setSource(GATOM_ID atom, uint32_t r) {
        uint32_t s = r == NO_RULE ? 0 : r + 1;
        if (sourceRule[atom] == s) return;
        supportTrail.push(level, &sourceRule[atom]);
        sourceRule[atom] = s;
    }
    // Per component: 1 when it holds an aggregate atom (checked completely every time).
    std::vector<uint8_t> componentHasAggregate;
    // Per component: 1 once a complete check has set its source rules.
    std::vector<uint8_t> sourcesKnown;
    std::vector<GATOM_ID> lostSources;  // kept between checks: no allocation once grown
    // Atoms whose source rule may have become unusable since their component's last check: a
    // rule stops being usable only when it is satisfied by its body (a positive body atom inside
    // the component false included) or gets a true or must-be-true head atom outside, and each
    // of those steps marks the atoms it sources and queues their component. A propagation that
    // succeeds has checked them all, so a state the search returns to has none pending; a
    // contradiction drops them with the queue.
    std::vector<GATOM_ID> suspectSources;
    enum : uint8_t { SOURCE_SUSPECT = 1, SOURCE_LOST = 2 };
    std::vector<uint8_t> sourceFlags;  // per atom
    void sourceMayBeLost(uint32_t r, GATOM_ID atom) {
        if (sourceRule[atom] != r + 1) return;
        if (!(sourceFlags[atom] & SOURCE_SUSPECT)) {
            sourceFlags[atom] |= SOURCE_SUSPECT;
            suspectSources.push_back(atom);
        }
        queueComponent(componentOfAtom[atom]);
    }
    void dropPendingChecks();
    bool sourceUsable(const TRUTH_ASSIGNMENT &a, uint32_t r, uint32_t component) const;
    // The check of a component whose sources are known: only the suspect atoms whose source
    // rule is no longer usable, and the atoms founded through them, are founded anew.
    int recheckLostSources(TRUTH_ASSIGNMENT &a, uint32_t component);

    // Rule and constraint counters change through these: the old value goes on the trail of the
    // current level first.
    void setCounter(uint32_t &counter, uint32_t value) {
        counterTrail.push(level, &counter);
        counter = value;
    }
    void decrementCounter(uint32_t &counter) {
        counterTrail.push(level, &counter);
        --counter;
    }
    void incrementCounter(uint32_t &counter) {
        counterTrail.push(level, &counter);
        ++counter;
    }
    void decrementSupport(GATOM_ID atom) {
        supportTrail.push(level, &supportCount[atom]);
        --supportCount[atom];
    }

    int dropSupport(TRUTH_ASSIGNMENT &a, uint32_t r);
    int bodyFalse(TRUTH_ASSIGNMENT &a, uint32_t r);
    int headTrue(TRUTH_ASSIGNMENT &a, uint32_t r, GATOM_ID atom);
    int bodyLiteralTrue(TRUTH_ASSIGNMENT &a, uint32_t r, uint32_t &open, bool confirmed);
    void constraintSatisfied(uint32_t k);
    void weakConstraintSatisfied(uint32_t w);
    int constraintLiteralTrue(TRUTH_ASSIGNMENT &a, uint32_t k, bool negative);
    int weakConstraintLiteralTrue(TRUTH_ASSIGNMENT &a, uint32_t w, bool negative);
    void countTrueInNonHCF(GATOM_ID atom);
    bool costFailsBest(const COST_VECTOR &cost) const;
    void buildComponentInfo();
    bool isHCFGraph();
    // The steps of the search (model_generator_search.cpp).
    enum CHOICE { CHOICE_FOUND, CHOICE_NONE, CHOICE_CONTRADICTION };
    // What a step left to the search: nothing, a contradiction to analyse, a rejected candidate or
    // unstable interpretation (with a loop nogood to analyse, or without one), an accepted answer
    // set, or a stopped enumeration.
    // An exhausted search: no answer set that the callback still wants can follow.
    enum OUTCOME { OUTCOME_GO_ON, OUTCOME_CONFLICT, OUTCOME_UNSTABLE, OUTCOME_REJECTED, OUTCOME_ACCEPTED,
                   OUTCOME_STOPPED, OUTCOME_EXHAUSTED };
    void enterLevel();
    OUTCOME forwardCheck(TRUTH_ASSIGNMENT &a);
    CHOICE chooseLiteral(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s, SEARCH_LEVEL &f);
    void decide(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s, const SEARCH_LEVEL &f);
    OUTCOME leaf(TRUTH_ASSIGNMENT &a);
    OUTCOME candidateFound(TRUTH_ASSIGNMENT &a);
    OUTCOME rejectUnstable(TRUTH_ASSIGNMENT &a);
    OUTCOME rejectByFilter(TRUTH_ASSIGNMENT &a);
    OUTCOME learnExclusion(TRUTH_ASSIGNMENT &a, OUTCOME otherwise);
    bool resolveConflict(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s);
    bool flipChoice(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s);
    void backjump(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s, uint32_t target);
    bool chooseFromRules(uint32_t from, bool wrap, const TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f);
    bool chooseAggregate(const TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f);

    // --- Conflict-driven search (model_generator_learning.cpp) ---
    // Per atom: the level at which it got its value, its place on the trail and its reason.
    std::vector<uint32_t> atomLevel;
    std::vector<uint32_t> trailPosition;
    std::vector<MG_REASON> reasonKind;
    std::vector<uint32_t> reasonData;
    // The atoms in the order they got their values, and where each level begins on it.
    std::vector<GATOM_ID> trail;
    std::vector<uint32_t> levelStart;
    // Per level: the choice that opened it, and the chosen atoms and recorded reasons before it.
    std::vector<MG_LITERAL> levelChoice;
    std::vector<uint32_t> levelChosen;
    std::vector<uint32_t> levelRecords;
    // The reasons recorded on the current branch, kept until their level is taken back: the blocking
    // literals of the unfounded sets found, and the nogoods of failed look-aheads without their
    // literal. Record i is recordLiterals[recordStart[i] .. recordStart[i + 1]).
    std::vector<MG_LITERAL> recordLiterals;
    std::vector<uint32_t> recordStart;
    NOGOOD_STORE nogoods;
    uint64_t nogoodMemoryLimit;
    ACTIVITY_HEAP activity;
    // Per atom the value it had when the search last took it back: 0 none, 1 true, 2 false.
    std::vector<uint8_t> savedPhase;
    std::vector<uint32_t> unitNogoods;  // learned nogoods of one literal, asserted after every backjump
    uint64_t conflictCount = 0;
    uint64_t restartAt = 0;
    uint64_t restarts = 0;
    // Contradictions between restarts, times the Luby sequence (solver/luby.h).
    static constexpr uint64_t RESTART_UNIT = 100;
    // The learned nogoods are thinned when the contradictions reach reduceAt: first after
    // reduceBase, then after reduceBase + REDUCE_STEP * the number of thinnings so far.
    uint64_t reduceAt = 0;
    uint64_t reduceBase = 0;
    uint64_t reductions = 0;
    static constexpr uint64_t REDUCE_STEP = 300;
    // The last contradiction that propagation found.
    MG_CONFLICT conflictKind = CONFLICT_NOGOOD;
    uint32_t conflictData = 0;
    GATOM_ID conflictAtom = 0;
    // Backjumps stop at the floor: the levels up to it hold the opposites of choices whose
    // branches the enumeration has listed, which no nogood accounts for.
    uint32_t floorLevel = 1;
    // Scratch of the analysis, kept between conflicts.
    std::vector<uint8_t> seen;
    std::vector<GATOM_ID> seenAtoms;
    std::vector<MG_LITERAL> reasonBuffer;
    std::vector<MG_LITERAL> conflictBuffer;
    std::vector<MG_LITERAL> learned;
    std::vector<GATOM_ID> pending;
    std::vector<uint32_t> literalMark;
    uint32_t markStamp = 0;

    void noteAssigned(GATOM_ID atom, MG_WHY why) {
        atomLevel[atom] = level;
        trailPosition[atom] = static_cast<uint32_t>(trail.size());
        reasonKind[atom] = why.kind;
        reasonData[atom] = why.data;
        trail.push_back(atom);
    }
    int fail(MG_CONFLICT kind, uint32_t data, GATOM_ID atom) {
        conflictKind = kind;
        conflictData = data;
        conflictAtom = atom;
        return 0;
    }
    static constexpr uint32_t NO_RECORD = UINT32_MAX;
    static constexpr uint32_t NO_NOGOOD = UINT32_MAX;
    void startLearning();
    void noteLevels();
    void openLevel(TRUTH_ASSIGNMENT &a, MG_LITERAL choice);
    void closeLevelsTo(TRUTH_ASSIGNMENT &a, uint32_t target, bool savePhases = false);
    int propagateNogoods(TRUTH_ASSIGNMENT &a, MG_LITERAL holding);
    void assertLiteral(TRUTH_ASSIGNMENT &a, MG_LITERAL l, MG_WHY why);
    int assertUnitNogoods(TRUTH_ASSIGNMENT &a);
    uint32_t learnNogood(std::vector<MG_LITERAL> &literals);
    void reduceNogoods(const TRUTH_ASSIGNMENT &a);
    bool blockingLiteral(const TRUTH_ASSIGNMENT &a, const GRULE *r, GATOM_ID head, uint32_t before,
                         MG_LITERAL &out) const;
    bool addBlockers(const TRUTH_ASSIGNMENT &a, GATOM_ID atom, uint32_t before, bool skipOne,
                     std::vector<MG_LITERAL> &out);
    void addCostLiterals(const TRUTH_ASSIGNMENT &a, uint32_t before, uint32_t except, std::vector<MG_LITERAL> &out);
    void addChoices(const TRUTH_ASSIGNMENT &a, uint32_t before, uint32_t upToLevel, std::vector<MG_LITERAL> &out);
    bool explain(const TRUTH_ASSIGNMENT &a, GATOM_ID atom, std::vector<MG_LITERAL> &out);
    bool conflictLiterals(const TRUTH_ASSIGNMENT &a, std::vector<MG_LITERAL> &out);
    uint32_t addComponentLoop(const TRUTH_ASSIGNMENT &a, uint32_t component);
    uint32_t learnLoopOfWitness(const TRUTH_ASSIGNMENT &a);
    uint32_t learnRejection(const TRUTH_ASSIGNMENT &a);
    bool analyze(const TRUTH_ASSIGNMENT &a, const std::vector<MG_LITERAL> &conflict, bool toChoice);
    void analyzeFailedLiteral(const TRUTH_ASSIGNMENT &a);
    bool impliedByNogood(const TRUTH_ASSIGNMENT &a, GATOM_ID atom, uint32_t levels);
    uint32_t addRecord(const MG_LITERAL *begin, const MG_LITERAL *end);

    int hcfCache = -1;
};

#endif
