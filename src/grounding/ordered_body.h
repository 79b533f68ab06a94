// The evaluation order of one body for the grounder's matcher.
//
// Before a rule, constraint or weak constraint is matched, its body's literals are put into the
// order in which they will be matched: -OGo0 keeps the written order, -OGo1 sorts the positive
// literals by extension size, -OGo2 (the default) then builds the order greedily from literal
// codes and selectivity estimates. For a recursive rule the object also steps through the
// semi-naive variants of one iteration: in each variant one recursive literal, the Delta
// literal, is matched against `Delta` only. The order is printed under -stats-grounding++, so
// every tie-break below is part of the system's behaviour.
//
// One ORDERED_BODY lives for one statement in one iteration. A literal's index is its place in
// the body (positives first), a position its place in the evaluation order. An order is usable
// when `variantEmpty` and `noFurtherVariant` are both clear; after construction the caller first
// checks `hasError()`.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <unordered_set>
#include <vector>

#include "core/atom_sets.h"
#include "core/conjunction.h"
#include "grounding/grounding_config.h"

// Semi-naive codes: which parts a literal is matched against.
enum : uint32_t {
    SEMI_NAIVE_I = 0,        // I (and, for EDB predicates, the EDB)
    SEMI_NAIVE_DELTA = 1,    // Delta only
    SEMI_NAIVE_I_DELTA = 2,  // I and Delta
};

class ORDERED_BODY {
public:
    const CONJUNCTION *body;
    std::vector<uint32_t> order;  // order[k]: index of the literal at position k
    uint8_t exitFlag;
    std::vector<uint8_t> recursive;        // by literal index
    std::vector<uint32_t> semiNaiveCode;   // by literal index
    std::vector<uint32_t> positionOf;      // by literal index, the inverse of order
    int32_t deltaLiteral = -1;
    int32_t lastRecursive = -1;            // -1 when no literal is recursive
    uint32_t positiveCount = 0;
    uint32_t literalCount = 0;
    uint32_t highestVariable = 0;
    std::vector<uint32_t> occurrences;     // per variable number
    uint32_t currentPosition = 0;
    uint32_t deltaExtension = 0;
    uint32_t solvedCount = 0;
    std::span<const uint32_t> atomCount;
    std::span<const uint32_t> deltaCount;  // empty for constraints and weak constraints
    std::span<const uint8_t> complete;
    std::span<const uint8_t> noUndefinedAtoms;
    std::vector<int32_t> firstBinding;     // per variable, highestVariable + 1 entries; -1: never
    uint8_t variantEmpty = 0;
    uint8_t noFurtherVariant = 0;
    int32_t aggregateState = 0;  // 0 none, 1 aggregates present, 2 cyclic assignment reported
    int32_t builtinState = 0;    // 0 none, 1 built-ins present, 2 cyclic dependency reported
    const INTERPRETATION *delta;
    std::vector<std::unordered_set<uint32_t>> aggregateVariables;  // by literal index

    // `deltaCount` is empty for constraints and weak constraints; exit rules, constraints and
    // weak constraints pass exitFlag 1; only whether `iteration` is 0 matters.
    ORDERED_BODY(const CONJUNCTION &body, std::span<const uint32_t> atomCount,
                 std::span<const uint32_t> deltaCount, std::span<const uint8_t> complete,
                 std::span<const uint8_t> noUndefinedAtoms, bool exitFlag, uint32_t iteration,
                 const INTERPRETATION *delta, const GROUNDING_CONFIG &config);

    // Switches to the next semi-naive variant; call only while `noFurtherVariantLeft()` is false.
    void nextSemiNaiveVariant();

    // Accessors of the evaluation order; under -OGo0 the written order.
    const LITERAL &literalAt(uint32_t position) const;
    uint32_t literalIndexAt(uint32_t position) const;
    uint32_t positionOfLiteral(uint32_t index) const;
    uint32_t literalIndexOf(const LITERAL &literal) const {
        return static_cast<uint32_t>(&literal - body->literals.data());
    }
    // currentPosition + 1 and the literal there, or null after the last position.
    const LITERAL *stepForward();
    // currentPosition - 1 and the literal there.
    const LITERAL &stepBack();
    uint32_t currentSemiNaiveCode() const { return semiNaiveCode[literalIndexAt(currentPosition)]; }
    uint32_t semiNaiveCodeAt(uint32_t position) const {
        return semiNaiveCode[literalIndexAt(position)];
    }
    bool noFurtherVariantLeft() const;
    bool hasError() const { return aggregateState == 2 || builtinState == 2; }
    // 0 for EDB and built-in predicates, else 1 while the predicate is not complete.
    int recursiveFlag(uint32_t predicate) const;
    bool aggregateHasVariable(uint32_t index, uint32_t variable) const {
        return aggregateVariables[index].count(variable) != 0;
    }

    // Ordering steps, public for the trace and the tests.
    int classifyLiteral(const LITERAL &literal, const std::vector<uint8_t> &bound) const;
    uint32_t extensionSize(uint32_t index) const;
    bool isSolvedLiteral(const LITERAL &literal) const;
    bool isAggregateReady(uint32_t index, const std::vector<uint8_t> &bound) const;
    bool canEvaluateAssignment(const LITERAL &literal, const std::vector<uint8_t> &bound) const;
    void orderAdvanced();
    void computeFirstBindings();
    void collectAggregateVariables();
    void swapPositions(uint32_t k, uint32_t j);
    void print(FILE *stream) const;

    // Selectivity estimates of the greedy ordering, one entry per variable slot.
    void estimateVariableDomains(std::vector<double> &domain, std::vector<uint32_t> &count);
    void updateVariableSelectivity(const LITERAL &literal, std::vector<double> &selectivity,
                                   const std::vector<double> &domain);
    double estimateResultSize(const LITERAL &literal, uint32_t extension,
                              const std::vector<uint8_t> &bound,
                              const std::vector<double> &selectivity,
                              const std::vector<double> &domain,
                              const std::vector<uint32_t> &count);
    // By literal index: 1 for a literal placed at k or later that waits for a magic literal.
    void markWaitingForMagic(uint32_t k, const std::vector<uint8_t> &bound, std::vector<uint8_t> &waits) const;
    bool isBetterCandidate(uint32_t a, uint32_t b, int codeA, int codeB,
                           const std::vector<uint8_t> &bound,
                           const std::vector<double> &selectivity,
                           const std::vector<double> &domain, const std::vector<uint32_t> &count);

private:
    GROUNDING_CONFIG config;
    uint32_t variableSlots = 0;  // one more than the highest variable number in the body
    // The steps of the constructor.
    void countVariableSlots();
    void classifyLiterals(uint32_t iteration);
    bool placePositiveLiterals();
    bool withDelta(uint32_t predicate) const;
    bool isComplete(uint32_t predicate) const;
    uint32_t extensionSizeOf(uint32_t index, uint32_t code) const;
    void placeAggregatesAfterBinders();
    void moveLiteral(uint32_t from, uint32_t to);
};

// The argument by which the match iterator of the literal at `position` looks its atoms up, or
// -1: a literal whose arguments are all bound before `position` is tested by membership, one
// without a bound argument is scanned. Among the bound arguments the one with the most distinct
// values wins, the earlier on ties. `recursive` (1 while the predicate is not complete) adds
// `delta` to the counted atoms. A variable that no literal binds (first binding -1) is unbound.
// The grounder's INSTANTIATOR::chooseIndexArgument is this.
int32_t chooseIndexArgument(const LITERAL &literal, uint32_t position,
                            std::span<const int32_t> firstBinding, bool recursive,
                            const INTERPRETATION *delta);
