// Satisfiability solver used by the model checker: decides whether a clause set over the atoms of a
// candidate has a model, and returns one. `SAT_SOLVER::satSolve` turns check-program records into
// clauses; the rest of `SAT_SOLVER` is the clause-level search itself (Davis-Putnam with unit propagation, pure
// literals, look-ahead with failed-literal detection, a double look-ahead and chronological
// backtracking).
//
// Literals are coded per call: variable v asserted true is v, asserted false is v + n, where n is
// the number of variables. Every array is sized per call from the clause set, so there is no
// capacity beyond memory; all buffers are owned by the solver object and freed with it. The model
// generator keeps one solver for its checks, so that the buffers of small checks are reused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "grounding/ground_program.h"

class SAT_SOLVER {
public:
    // Starts a new clause set over `variableCount` variables; drops everything of the last one.
    void reset(uint32_t variableCount);
    // Appends one clause (literal codes as above). Repeated literals count once; a clause holding
    // a literal and its complement is always satisfied and is dropped.
    void addClause(const int32_t *literals, size_t count);
    void addClause(const std::vector<int32_t> &literals) { addClause(literals.data(), literals.size()); }
    // Runs the search; true when the clause set is satisfiable. Afterwards `isTrue` reads the model.
    bool solve();
    // After a satisfiable `solve`: whether the variable is assigned true (an unassigned variable
    // counts as false).
    bool isTrue(uint32_t variable) const { return !isFree[variable] && value[variable] == 1; }

    uint32_t variableCount() const { return n; }
    int32_t positive(uint32_t variable) const { return int32_t(variable); }
    int32_t negative(uint32_t variable) const { return int32_t(variable + n); }

    // The satisfiability test of a check program. The variables are the selected atoms (one byte
    // per ground atom, non-zero when selected), numbered in ascending atom order. A rule record is
    // the clause of its head atoms and the negations of its body atoms; a constraint record the
    // clause of the negations of its body atoms; rules come first. Returns true when the clauses
    // have a model; then, when `model` is given, it gets one byte per ground atom: 1 for the
    // selected atoms the model makes true, 0 for all others. An atom outside the selection is an
    // internal error.
    bool satSolve(const std::vector<GRULE> &rules, const std::vector<GCONSTRAINT> &constraints,
                  const std::vector<uint8_t> &selection, uint8_t *model);

private:
    enum STEP { STEP_CONFLICT, STEP_DECIDED, STEP_NO_DECISION };
    enum LOOKAHEAD { LOOKAHEAD_FORCED, LOOKAHEAD_SCORED };
    enum SCORE { SCORE_SIMPLE, SCORE_WEIGHTED };
    struct MARKS {
        size_t stack, shortened, units;
    };

    uint32_t variableOf(int32_t literal) const { return uint32_t(literal) < n ? uint32_t(literal) : uint32_t(literal) - n; }
    bool isPositive(int32_t literal) const { return uint32_t(literal) < n; }
    int32_t complement(int32_t literal) const {
        return isPositive(literal) ? int32_t(uint32_t(literal) + n) : int32_t(uint32_t(literal) - n);
    }
    const int32_t *clauseBegin(uint32_t c) const { return literals.data() + clauseStart[c]; }
    const int32_t *clauseEnd(uint32_t c) const { return literals.data() + clauseStart[c + 1]; }
    const uint32_t *occurrenceBegin(int32_t literal) const { return occurrences.data() + occurrenceStart[literal]; }
    const uint32_t *occurrenceEnd(int32_t literal) const { return occurrences.data() + occurrenceStart[literal + 1]; }

    void buildOccurrences();
    bool shorten(int32_t falseLiteral, bool real, bool conflictTest);
    void satisfy(int32_t trueLiteral);
    void assignForced(int32_t trueLiteral);
    void assignTentative(int32_t trueLiteral);
    bool unitPropagate();
    bool tentativePropagate();
    MARKS marks() const { return {stack.size(), shortenedTrail.size(), unitList.size()}; }
    void undoLookahead(const MARKS &m);
    int64_t runScore(size_t shortenedMark, SCORE kind) const;
    LOOKAHEAD lookahead(uint32_t v, SCORE kind);
    LOOKAHEAD doubleLookaheadOf(uint32_t v);
    bool doubleLookahead(size_t shortenedMark);
    bool probe(uint32_t w, bool b);
    STEP branch();
    bool backtrack();

    uint32_t n = 0;
    bool emptyClause = false;

    // Clauses: literals flat, clause c at [clauseStart[c], clauseStart[c + 1]).
    std::vector<int32_t> literals;
    std::vector<size_t> clauseStart{0};
    std::vector<uint8_t> active;
    std::vector<uint32_t> freeCount;
    std::vector<uint32_t> literalMark;  // load-time duplicate test, one stamp per literal code
    uint32_t loadStamp = 0;

    // Occurrences: the clauses holding literal l at [occurrenceStart[l], occurrenceStart[l + 1]).
    std::vector<size_t> occurrenceStart;
    std::vector<uint32_t> occurrences;
    std::vector<size_t> occurrenceFill;

    // Per variable.
    std::vector<int8_t> value;
    std::vector<uint8_t> isFree;
    std::vector<int8_t> alternative;  // value still to try after a decision, -1 when forced
    std::vector<size_t> savedSatisfied, savedShortened;
    std::vector<uint32_t> positiveTwo, negativeTwo, positiveOther, negativeOther;
    std::vector<int64_t> trueScore, falseScore;
    std::vector<uint64_t> stamp;

    // Solver-wide.
    size_t clausesToSatisfy = 0;
    std::vector<uint32_t> satisfiedTrail, shortenedTrail, unitList, stack, candidates;
    size_t doubleThreshold = 0;
    int64_t largestReduction = -1;
    uint64_t lookaheadCounter = 0;

    // The check program's atoms and variables, and one clause as it is built; kept between calls,
    // and given back after a call over a large clause set.
    std::vector<int32_t> variableOfAtom;
    std::vector<GATOM_ID> atomOfVariable;
    std::vector<int32_t> clauseBuffer;
};
