// The grounder. The driver builds one INSTANTIATOR over the dependency graph of the rewritten
// program and runs it once: it grounds the rules component by component in the graph's order,
// each component by a semi-naive fixpoint (exit rules once, then the recursive rules against the
// previous iteration's new atoms), finishes the ground rules that waited for aggregates, drops
// satisfied ground rules, and finally grounds the constraints and weak constraints against the
// complete interpretation I. Its products are the ground atom table, the ground program and I.
//
// Matching a body is a backtracking walk over the body's evaluation order (ORDERED_BODY) with
// one match iterator per position, argument indices for bound arguments, backjumping, and a trail
// of the variables each position bound, which backtracking undoes. Nothing is allocated per match
// attempt: the per-statement buffers are made once per statement and reused.
//
// Grounding never writes into the stored program: a statement whose body holds aggregates is
// grounded from a working copy of its body, so messages quote the statement as it was written.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/program.h"
#include "core/substitution.h"
#include "grounding/backjump.h"
#include "grounding/ground_program.h"
#include "grounding/grounding_config.h"
#include "grounding/index.h"
#include "grounding/match_iterator.h"

template <class RULE_T, class CONSTRAINT_T> class DEPGRAPH;
using PREDICATE_DEPGRAPH = DEPGRAPH<RULE, CONSTRAINT>;
class ORDERED_BODY;
class BUILTIN_TYPE;
class AGGREGATEFUNCTION;

// The bounds of a #sum or #times aggregate in 64 bits, from its last enumeration.
struct WIDE_BOUNDS {
    bool valid = false;
    int64_t lower = 0;
    int64_t upper = 0;
};

// A ground rule that waits for aggregates over predicates of the component being grounded: the
// rule so far (head and residual body without the waiting literals), copies of the waiting
// aggregate literals, and the substitution of the instance.
struct PENDING_GRULE {
    GRULE rule;
    std::vector<LITERAL> aggregates;
    SUBSTITUTION substitution;
};

// Grounder status: 0 success; 1 a constraint is violated in every answer set; 2 an aggregate
// assignment over unsuitable predicates or a cyclic assignment dependency; 3 a cyclic dependency
// among aggregates and built-ins; 4 a value the program cannot use (a non-integer element of an
// aggregate that adds values, a weight or level of the wrong form, an aggregate value beyond the
// integer range). Grounding stops at the first status other than 0. Under status 4 the message
// is already written and nothing more is: the run ends at once with status 1.
enum GROUNDER_STATUS : int32_t {
    GROUNDER_OK = 0,
    GROUNDER_INCONSISTENT = 1,
    GROUNDER_ASSIGNMENT_ERROR = 2,
    GROUNDER_BUILTIN_CYCLE = 3,
    GROUNDER_VALUE_ERROR = 4,
};

// The terms of a head atom exceed the limits: a list tail bound to a non-list, or (with
// -maxnesting= or -maxlist=, 0 for no limit) a function term nested too deep or a list too long.
bool exceedsTermLimits(const std::vector<ATOM> &head, const SUBSTITUTION &substitution, uint32_t maxNesting,
                       uint32_t maxList);

class INSTANTIATOR {
public:
    SUBSTITUTION substitution;
    std::vector<uint8_t> noUndefinedAtoms; // per predicate
    std::vector<uint8_t> complete;         // per predicate
    std::vector<uint32_t> atomCount;       // per predicate: atoms in EDB and I
    std::unique_ptr<INTERPRETATION> Delta, NF;
    std::vector<uint32_t> deltaCount, nfCount;
    std::vector<std::unique_ptr<INDEX_TYPE>> indices; // per predicate
    std::vector<uint32_t> deltaIndexed;               // predicates whose index covers Delta
    std::vector<PENDING_GRULE> pendingRules;
    PREDICATE_DEPGRAPH *depgraph;
    bool instantiateMode;
    GROUNDING_CONFIG config;
    int32_t status = GROUNDER_OK;

    INSTANTIATOR(PREDICATE_DEPGRAPH *depgraph, bool instantiateMode, uint32_t variableSlots,
                 const GROUNDING_CONFIG &config);
    ~INSTANTIATOR();
    INSTANTIATOR(const INSTANTIATOR &) = delete;
    INSTANTIATOR &operator=(const INSTANTIATOR &) = delete;

    // Grounds the whole program; 1 when every statement was grounded, 0 when grounding stopped.
    // errorFlag is 1 when it stopped because of an error.
    bool run(uint8_t &errorFlag);
    // Teardown: frees the grounder's own data and deletes the built-in objects. Runs once, on
    // every exit path of `run` (and from the destructor when `run` never ran to its end).
    void cleanup();
    bool isConstraintRedundant(const CONSTRAINT &constraint) const;

    // One statement.
    void instantiateRule(const RULE &rule, bool exit, uint8_t &newAtom, uint32_t iteration,
                         int32_t component);
    void instantiateConstraint(const CONSTRAINT &constraint);
    void instantiateWeakConstraint(const WEAKCONSTRAINT &weakConstraint);
    // The body of the current constraint or weak constraint, matched once against the complete
    // interpretation.
    void instantiateCompleteBody(const CONJUNCTION &statementBody, STATEMENT_KIND kind);

    // Argument indices.
    void createIndices(const ORDERED_BODY &order);
    void ensureIndex(const LITERAL &literal, uint32_t position, bool recursive);
    void fillIndex(INDEX_TYPE &index, uint32_t position, const ATOM_SET &atoms, uint32_t part);
    // Bytes held by the argument indices, for the statistics of the benchmarks.
    size_t indexMemoryUse() const;

    // Truth tests over the instance of a literal under the substitution; none builds an atom.
    bool containsAtom(const LITERAL &literal, uint32_t code);
    bool isCertainlyTrue(const LITERAL &literal);
    bool isHeadTrue(const std::vector<ATOM> &head);
    bool isAggregateRecursive(const AGGREGATE_ATOM &aggregate, int32_t component) const;

    // Matching one literal against candidate atoms; bindings go to the trail.
    bool matchNextAtom(const LITERAL &literal, MATCH_ITERATOR &iterator);
    bool matchFunctionTerm(TERM pattern, TERM ground);
    bool matchTerm(TERM pattern, TERM ground);

    // Aggregates during grounding.
    // Each aggregate literal of a body keeps the 64-bit bounds of its own last enumeration in
    // `wide`: several aggregates of one body are enumerated before any of them is added to the
    // ground body, so these bounds must never be shared between literals.
    int instantiateAggregate(const LITERAL &literal, WIDE_BOUNDS &wide);
    int finishAggregate(const LITERAL &literal, WIDE_BOUNDS &wide);
    int evaluateAggregate(const LITERAL &literal, const WIDE_BOUNDS &wide);
    void resetAggregate(ATOM &aggregate);
    // Guard tests, the guards read through the substitution when given.
    bool aggregateViolated(const AGGREGATE_ATOM &a, const SUBSTITUTION *s, const WIDE_BOUNDS *wide) const;
    bool aggregateSatisfied(const AGGREGATE_ATOM &a, const SUBSTITUTION *s, const WIDE_BOUNDS *wide) const;

    // The number of complete matches of the last statement grounded (read by the tests).
    uint64_t instancesOfLastStatement = 0;

private:
    // The statement being matched and the data its instances need.
    struct STATEMENT {
        STATEMENT_KIND kind = STATEMENT_RULE;
        const RULE *rule = nullptr;
        const CONSTRAINT *constraint = nullptr;
        const WEAKCONSTRAINT *weakConstraint = nullptr;
        bool exit = true;
        uint8_t *newAtom = nullptr;
        int32_t component = -1;
        const TERM_SET *headVariables = nullptr;
    };
    STATEMENT current;
    const CONJUNCTION *currentBody = nullptr;     // the body being matched (a working copy or the statement's)
    const INTERPRETATION *matchDelta = nullptr;   // what the iterators see of Delta: none for constraints
    uint32_t matchPosition = 0;                   // the position being matched
    std::vector<WIDE_BOUNDS> wideBounds;          // by literal index of the body being matched
    // By literal index: the atom-store row of the atom that a positive literal matched last, so
    // that the instance's body is read from the matches instead of instantiated again.
    std::vector<uint32_t> matchedRows;
    uint32_t lastMatchedRow = 0;                  // the row of the last atom matched or tested
    // The instances of the head atoms that the last `isHeadTrue` made, their arguments one after
    // the other, and their rows (NONE when not stored yet); complete when it answered false.
    TERMS headTerms;
    std::vector<uint32_t> headRows;
    bool cleanedUp = false;

    // Ground atoms made undefined while the components are grounded.
    std::vector<uint8_t> madeUndefined; // by ground atom number

    // The row of an instance in the atom store; NONE when it was never stored, so that it is in
    // no atom set. Membership in a part is then a bit test.
    static uint32_t rowOf(const ATOM &instance) { return atomStore.find(instance.predicate, instance.args()); }
    // In the positive part of I, Delta or NF, or a fact.
    bool isKnownTrue(uint32_t predicate, uint32_t row) const {
        return EDB.containsRow(predicate, row) || I.positive.containsRow(predicate, row) ||
               Delta->positive.containsRow(predicate, row) || NF->positive.containsRow(predicate, row);
    }
    // Whether the instance of a pattern atom has a list tail bound to something that is not a
    // list: such an atom denotes no atom at all.
    bool hasBrokenListTail(const ATOM &pattern) const;

    // Per-statement matcher buffers, reused from statement to statement.
    std::vector<MATCH_ITERATOR> iterators;        // by position
    std::vector<int32_t> indexArgumentAt;         // by position: the argument looked up, or -1
    std::vector<const BUILTIN_TYPE *> builtins;   // by literal index
    std::vector<uint32_t> trail;                  // variables bound by matchNextAtom
    std::vector<std::pair<TERM, TERM>> termPairs; // pattern and ground term still to match
    LITERAL_VARIABLES literalVariables;
    TERMS scratchArgs;                            // instantiated arguments of a truth test
    std::vector<ATOM> scratchAtoms;               // one reusable atom per arity
    std::vector<LITERAL> scratchWaiting;

    INDEX_TYPE *indexOf(uint32_t predicate) const {
        return predicate < indices.size() ? indices[predicate].get() : nullptr;
    }
    // The component of an atom's predicate in the grounder's graph, -1 when it has none.
    int32_t componentOfAtom(const ATOM &atom) const;
    int32_t componentOfPredicate(uint32_t predicate) const;
    void growPerPredicate();

    void bindVariable(uint32_t variable, TERM value) {
        substitution.bind(variable, value);
        trail.push_back(variable);
    }
    void undoTrail(uint32_t mark) {
        while (trail.size() > mark) {
            substitution.unbind(trail.back());
            trail.pop_back();
        }
    }
    // The instance of an atom in a reusable scratch atom (valid until the next call).
    const ATOM &instanceOf(const ATOM &atom);
    TERM valueOf(TERM pattern) const;

    // The steps of `run`. Each that can stop grounding answers false when it did.
    // One component: its exit rules once, then its recursive rules against the atoms the
    // previous iteration added, until an iteration adds none; then its predicates are complete
    // and the ground rules that waited for its aggregates are finished.
    bool groundComponent(uint32_t component, uint8_t &errorFlag);
    // The aggregates of a rule of the component range over earlier components only; otherwise
    // the rule is reported and errorFlag set.
    bool aggregatesFromEarlierComponents(const RULE &rule, uint32_t component, uint8_t &errorFlag) const;
    // Grounds one statement between its -stats-grounding++ trace lines; an aggregate assignment
    // error or a cycle among aggregates and built-ins is reported with the statement and sets
    // errorFlag.
    template <class STATEMENT_TYPE, class GROUND>
    bool groundStatement(const STATEMENT_TYPE &statement, FILE *(*print)(FILE *, const STATEMENT_TYPE &),
                         uint8_t &errorFlag, GROUND &&ground);
    // The end of a semi-naive iteration: the new atoms of Delta join I.
    void moveDeltaIntoI();
    // Drops from the ground rules what the atoms true in I decide.
    void simplifyByTrueAtoms();
    bool groundAllConstraints(uint8_t &errorFlag);
    bool groundAllWeakConstraints(uint8_t &errorFlag);

    // Matching a body: every semi-naive variant in turn, each a backtracking walk over the
    // positions with backjumping.
    void matchBody(ORDERED_BODY &order, STATEMENT_KIND kind);
    // One variant to its end: true when the next variant may follow, false when the statement
    // is done (an inconsistency found, an aggregate assignment error, an aggregate that failed
    // with nothing left to retry).
    bool matchVariant(ORDERED_BODY &order, BACKJUMP_STATE &state);
    // What one try of the literal at a position gave (the first try after the positions before
    // it matched, or a retry for a further match).
    enum LITERAL_MATCH : uint8_t { MATCHED, FAILED, AGGREGATE_FAILED, ABORTED };
    LITERAL_MATCH matchLiteralAt(ORDERED_BODY &order, uint32_t position, bool firstTry);
    // The position to retry after the literal at `position` failed, -1 when none; it marks the
    // variables of the conflict and may move the success target `s` of the last complete match.
    int32_t positionAfterFailure(ORDERED_BODY &order, BACKJUMP_STATE &state, uint32_t position, bool firstTry,
                                 int32_t &s);
    // From a conflict position back through the latest conflicts to one that backjumping has not
    // skipped, marking the variables on the way; -1 when none.
    int32_t unskippedConflict(ORDERED_BODY &order, BACKJUMP_STATE &state, int32_t position);
    bool evaluateBuiltin(const LITERAL &literal, MATCH_ITERATOR *iterator, uint32_t literalIndex);
    void startVariant(ORDERED_BODY &order, BACKJUMP_STATE &state, bool afterSwitch);
    void makeIterator(ORDERED_BODY &order, uint32_t position);
    bool needsIterator(const LITERAL &literal) const;
    void unbindVariables(const LITERAL &literal, MATCH_ITERATOR &iterator);
    void jumpBack(ORDERED_BODY &order, int32_t target);
    // After a complete match: returns the target position, -1 when nothing is left.
    int32_t backjump(ORDERED_BODY &order, BACKJUMP_STATE &state, int32_t &successTarget);
    bool skippedByJumps(const ORDERED_BODY &order, int32_t position) const;
    int enumerateAggregate(const LITERAL &literal, int32_t indexArgument, WIDE_BOUNDS &wide);
    void aggregateBounds(const AGGREGATEFUNCTION &f, const WIDE_BOUNDS *wide, int64_t &lo, int64_t &hi) const;
    bool aggregateWaits(const LITERAL &literal, int32_t component) const;

    void onMatch();
    void checkRuleInstance();
    void ruleInstance();
    void constraintInstance();
    void weakConstraintInstance();
    // The value errors: each writes its message and sets GROUNDER_VALUE_ERROR.
    void weakConstraintError(const char *message, const WEAKCONSTRAINT &weak);
    void aggregateRangeError(int32_t type);
    void groundBody(GBODY &out, const CONJUNCTION &body, const INTERPRETATION *delta,
                    int32_t component, std::vector<LITERAL> *waiting);
    void addAggregateLiteral(GBODY &out, const LITERAL &literal, const WIDE_BOUNDS &wide);
    void finishPendingRules();
};
