// Aggregate propagation, a part of the model generator: the values of the aggregate functions
// follow the decided elements, and inferences run both ways, from the elements to the aggregate
// atoms (their guards can no longer hold, or must hold) and from a decided aggregate atom back to
// its undecided elements.
//
// The model generator owns one AGGREGATE_PROPAGATION and calls it from propagation when an element
// atom or an aggregate atom gets a value. It keeps its own 64-bit copy of each function's values,
// restored through the model generator's aggregate trail, and leaves the function objects as
// grounding made them. Must-be-true elements count as true; where an aggregate depends on the head
// of its own rule that alone does not found it, and the model check of each candidate decides.
//
// A #times keeps no running values: a product saturated at the 64-bit limit cannot be divided
// back when an element leaves the undecided ones, and negative elements make its extremes depend
// on which of them are taken. Its range over all completions is recomputed from the assignment by
// one scan of its elements whenever one of them is decided.
#ifndef QUARN_SOLVER_AGGREGATE_PROPAGATION_H
#define QUARN_SOLVER_AGGREGATE_PROPAGATION_H

#include <cstdint>
#include <vector>

#include "core/term.h"
#include "grounding/ground_program.h"
#include "solver/aggregate_value.h"
#include "solver/nogood_store.h"
#include "solver/truth_assignment.h"

class MODEL_GENERATOR;

// An element occurrence of an atom in the ground set of an aggregate function.
struct AGGREGATE_OCCURRENCE {
    uint32_t functionIndex;
    TERM term;
};

// A decided element that a reason may name: its place on the trail, how far it moves the bound
// it belongs to, and its literal.
struct AGGREGATE_REASON_ITEM {
    uint32_t position;
    int64_t weight;
    MG_LITERAL literal;
};

class AGGREGATE_PROPAGATION {
public:
    explicit AGGREGATE_PROPAGATION(MODEL_GENERATOR &generator) : mg(generator) {}

    // --- A run ---
    // Empty occurrence tables over `atoms` atoms and `functions` interned functions.
    void startRun(uint32_t atoms, uint32_t functions);
    // Records an aggregate literal's atom and the elements of its function.
    void registerOccurrences(const GLITERAL &literal);
    // The running values from the assignment, once every literal is registered.
    void initAggregates(TRUTH_ASSIGNMENT &a);
    void release();

    // --- Propagation ---
    // An element atom (not an aggregate atom) became false, must-be-true or true: 0 is a
    // contradiction.
    int updateAggregatesOfAtom(TRUTH_ASSIGNMENT &a, GATOM_ID atom, bool elementTrue);
    // An aggregate atom became false, or must-be-true: its guards must keep failing, or come to
    // hold.
    int propagateFalseAggregate(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    int propagateTrueAggregate(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    // The aggregate atoms of every function, as the initial consequences see them.
    int propagateAll(TRUTH_ASSIGNMENT &a);

    // The literals an inference of an aggregate atom g's function rests on, `data` holding g and the
    // kinds of elements it read: g's value (unless the inference is g's own and not a contradiction)
    // and, of the elements decided before `before`, the fewest that force it, the first on the
    // trail. False when g has no propagated function.
    bool explain(const TRUTH_ASSIGNMENT &a, uint32_t data, GATOM_ID atom, uint32_t before, std::vector<MG_LITERAL> &out,
                 bool contradiction = false) const;

    // Over a total assignment: every aggregate atom has the truth value its elements give it.
    bool aggregatesHold(const TRUTH_ASSIGNMENT &a) const;
    // Whether the atom is an element of some aggregate function.
    bool isElement(GATOM_ID atom) const { return !aggregateOccurrences[atom].empty(); }
    // Some positive aggregate literal depends on its own rule's head: such candidates are always
    // model-checked, since propagation counts must-be-true elements as true.
    bool recursive() const { return recursiveAggregates; }

    // The aggregate atoms that occur in the ground program, collected by the model generator at
    // the start of a run. A candidate counts only when each of them has the truth value that its
    // elements give it.
    std::vector<GATOM_ID> aggregateAtomList;

private:
    friend struct MODEL_GENERATOR_INSIGHT;

    MODEL_GENERATOR &mg;

    // Per atom its element occurrences, per function index its aggregate atoms.
    std::vector<std::vector<AGGREGATE_OCCURRENCE>> aggregateOccurrences;
    std::vector<std::vector<GATOM_ID>> aggregateAtomsOfFunction;

    // The values of the aggregate functions during the search, per function index, in 64 bits:
    // for #count and #sum the sum of the true (and must-be-true) elements with grounding's true
    // part, and the sums of the positive and of the negative undecided element values; for #max
    // and #min the extreme true and undecided values (INT64_MIN or INT64_MAX for none); for
    // #times, in aggregateTrueSum, only the product of the elements grounding found true, the
    // rest being recomputed from the assignment (`timesRange`).
    std::vector<int64_t> aggregateTrueSum;
    std::vector<int64_t> aggregateOpenPositive;
    std::vector<int64_t> aggregateOpenNegative;
    std::vector<int64_t> aggregateTrueExtreme;
    std::vector<int64_t> aggregateOpenExtreme;
    // For #max the position (into the flat element arrays) of the largest undecided element, one
    // before the function's first element for none; for #min that of the smallest, its end for
    // none. Every element beyond it (above for #max, below for #min) is decided, so the scans for
    // the next open extreme and for the undecided elements beyond a guard start there.
    std::vector<int64_t> aggregateOpenPosition;
    std::vector<int32_t> aggregateType;  // 0 for a function that is not propagated
    // Per function: a #count, or a #sum without negative elements, and its least and greatest value
    // before any element is decided (grounding's true part, and that with every element).
    std::vector<uint8_t> aggregateMonotone;
    std::vector<int64_t> aggregateBase;
    std::vector<int64_t> aggregateTotal;
    // Per function what grounding decided: for #count and #sum the value of the elements it found
    // true, for #max and #min their extreme (INT64_MIN or INT64_MAX for none). Reasons start from
    // it, since every element the search decides may be left out of one.
    std::vector<int64_t> aggregateGrounded;
    // Per function its undecided elements in ground-set order (ascending value), flat:
    // elements f are aggregateElementStart[f] .. aggregateElementStart[f + 1].
    std::vector<uint32_t> aggregateElementStart;
    std::vector<int64_t> aggregateElementValue;
    std::vector<GATOM_ID> aggregateElementAtom;
    // Per ground atom: the guard interval of an aggregate atom and its function index.
    std::vector<int64_t> aggregateLow;
    std::vector<int64_t> aggregateHigh;
    std::vector<uint32_t> aggregateFunctionOf;
    static constexpr uint32_t NO_AGGREGATE_FUNCTION = UINT32_MAX;  // an atom the program does not use
    bool propagatedAggregate(GATOM_ID atom) const {
        uint32_t f = aggregateFunctionOf[atom];
        return f != NO_AGGREGATE_FUNCTION && aggregateType[f] != 0;
    }
    bool recursiveAggregates = false;

    // Reasons: an inference of aggregate atom g's function is explained by the fewest elements,
    // taken in the order of the trail, that make g's guards hold (`holds`) or fail, the elements
    // of atom `supposed` (unless it is -1) taken with the value `supposedTrue` and every other
    // element with its value before trail position `before`. False when those values do not
    // decide the guards that way.
    mutable std::vector<AGGREGATE_REASON_ITEM> raising, lowering;
    // The value that element atom e has for such a reason: `supposedTrue` for `supposed`, its value
    // for the others, undefined when it was decided at or after `before`.
    TRUTH_VALUE valueForReason(const TRUTH_ASSIGNMENT &a, GATOM_ID e, GATOM_ID supposed, bool supposedTrue,
                               uint32_t before) const;
    // `side`: the kinds of decided elements the inference read (both, unless the function has no
    // negative elements).
    bool explainSum(const TRUTH_ASSIGNMENT &a, GATOM_ID g, uint32_t side, GATOM_ID supposed, bool supposedTrue,
                    uint32_t before, bool holds, std::vector<MG_LITERAL> &out) const;
    bool explainExtreme(const TRUTH_ASSIGNMENT &a, GATOM_ID g, GATOM_ID supposed, bool supposedTrue, uint32_t before,
                        bool holds, std::vector<MG_LITERAL> &out) const;
    bool explainTimes(const TRUTH_ASSIGNMENT &a, GATOM_ID g, GATOM_ID supposed, bool supposedTrue, uint32_t before,
                      bool holds, std::vector<MG_LITERAL> &out) const;
    template <class VALUE_OF>
    void timesRangeOf(uint32_t function, VALUE_OF valueOf, int64_t &minValue, int64_t &maxValue) const;

    int propagateAggregate(TRUTH_ASSIGNMENT &a, uint32_t function);
    int checkAggregateAtom(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    AGGREGATE_VERDICT aggregateState(const TRUTH_ASSIGNMENT &a, GATOM_ID atom) const;
    void timesRange(const TRUTH_ASSIGNMENT &a, uint32_t function, bool hasForced, GATOM_ID forced, bool forcedTrue,
                    int64_t &minValue, int64_t &maxValue) const;
    AGGREGATE_VERDICT timesVerdict(const TRUTH_ASSIGNMENT &a, GATOM_ID atom, bool hasForced, GATOM_ID forced,
                                   bool forcedTrue) const;
    bool timesInferenceAffordable(const TRUTH_ASSIGNMENT &a, uint32_t function) const;
    void propagateTimes(TRUTH_ASSIGNMENT &a, GATOM_ID atom, AGGREGATE_VERDICT refused);
    void advanceOpenExtreme(TRUTH_ASSIGNMENT &a, uint32_t function);
    void propagateMustHoldByType(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    void propagateFalseByType(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    void setAggregateElementsFalse(TRUTH_ASSIGNMENT &a, GATOM_ID g, uint32_t function, uint32_t side);
    void setAggregateElementsMustBeTrue(TRUTH_ASSIGNMENT &a, GATOM_ID g, uint32_t function, uint32_t side);
    uint32_t sideOf(uint32_t function, bool readsLeast, bool readsGreatest) const;
    uint32_t verdictSide(GATOM_ID g, AGGREGATE_VERDICT verdict) const;
    void propagateTrueSum(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    void propagateTrueMax(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    void propagateTrueMin(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    void propagateFalseCount(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    void propagateFalseSum(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    void propagateFalseMax(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    void propagateFalseMin(TRUTH_ASSIGNMENT &a, GATOM_ID atom);
    // Element positions (into the flat element arrays) for the #max and #min inferences, -1 for
    // none.
    bool anyElementWithin(const TRUTH_ASSIGNMENT &a, uint32_t function, int64_t lo, int64_t hi) const;
    int64_t aggregateSingleElementWithin(const TRUTH_ASSIGNMENT &a, uint32_t function, int64_t lo, int64_t hi) const;
    int64_t aggregateSingleUndefinedAbove(const TRUTH_ASSIGNMENT &a, uint32_t function, int64_t bound) const;
    int64_t aggregateSingleUndefinedBelow(const TRUTH_ASSIGNMENT &a, uint32_t function, int64_t bound) const;
};

#endif
