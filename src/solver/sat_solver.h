// Satisfiability solver used by the model checker: decides whether a clause set has a model under
// a list of assumed literals, and returns one. It is incremental: variables and clauses can be
// added between calls, and what a call learns (its conflict clauses) stays for the later ones, so
// that a clause set encoding a check once serves many candidates, each given as assumptions.
// `SAT_SOLVER::satSolve` turns the records of a check program into a fresh clause set.
//
// The search is conflict-driven clause learning: unit propagation over two watched literals per
// clause, decisions on the most active free variable (false first), analysis of each conflict to
// its first unique implication point with the learned clause minimised, backjumping, restarts
// after a Luby sequence of conflicts, and a bounded store of learned clauses from which those
// spanning the most decision levels are dropped first. All assumptions sit on decision level 1;
// a conflict that needs nothing above that level proves the clause set unsatisfiable under them.
//
// Literals are coded as variable v true = 2v, v false = 2v + 1. Facts (clauses of one literal,
// and what they propagate) hold on level 0 for the life of the clause set. A call's model stays
// readable (`isTrue`) until the next clause, variable or call. All buffers belong to the solver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "grounding/ground_program.h"
#include "solver/activity_heap.h"

class SAT_SOLVER {
public:
    // Starts a new clause set over `variableCount` fresh variables; drops everything of the last one.
    void reset(uint32_t variableCount);
    // A new variable, numbered after the others. The search decides only decision variables: a
    // call reports a model once they are all assigned without conflict, and leaves open any other
    // variable that propagation did not assign. The caller uses others only where such an
    // assignment always extends to a model (variables assumed in every call, or ones whose every
    // clause a fixed value of theirs satisfies once the decision variables hold).
    uint32_t addVariable(bool decision = true);
    // Appends one clause (literal codes as above) for the life of the clause set. Repeated
    // literals count once; a clause holding a literal and its complement is dropped.
    void addClause(const int32_t *literals, size_t count);
    void addClause(const std::vector<int32_t> &literals) { addClause(literals.data(), literals.size()); }
    // Runs the search under the assumed literals; true when the clause set has a model in which
    // they all hold. Afterwards `isTrue` reads the model.
    bool solve(const int32_t *assumptions, size_t count);
    bool solve() { return solve(nullptr, 0); }
    // After a satisfiable `solve`: whether the variable is true in the model (assigned and true).
    bool isTrue(uint32_t variable) const { return value[positive(variable)] > 0; }

    uint32_t variableCount() const { return uint32_t(level.size()); }
    static int32_t positive(uint32_t variable) { return int32_t(variable << 1); }
    static int32_t negative(uint32_t variable) { return int32_t((variable << 1) | 1); }

    // The work done so far on this clause set.
    uint64_t conflictCount() const { return conflicts; }
    uint32_t learnedCount() const { return uint32_t(learned.size()); }

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
    static constexpr uint32_t NO_CLAUSE = UINT32_MAX;
    static constexpr uint32_t NO_VARIABLE = UINT32_MAX;
    // A clause in the arena: its size, its flags and glue (the number of decision levels among
    // its literals when it was learned), then its literals; the two watched ones come first, and
    // a clause that is the reason of a literal holds that literal first.
    enum : uint32_t { HEADER = 2, LEARNED = 1, DELETED = 2, GLUE_SHIFT = 2 };
    // The learned clauses kept before the first reduction of the store.
    static constexpr size_t FIRST_LEARNED_LIMIT = 300;
    // A watch of a clause, with one of its other literals: while that one is true the clause is
    // satisfied and passed over without being read.
    struct WATCH {
        uint32_t clause;
        int32_t blocker;
    };

    static uint32_t variableOf(int32_t literal) { return uint32_t(literal) >> 1; }
    uint32_t clauseSize(uint32_t c) const { return arena[c]; }
    int32_t *clauseLiterals(uint32_t c) { return reinterpret_cast<int32_t *>(arena.data() + c + HEADER); }
    uint32_t decisionLevel() const { return uint32_t(levelStart.size()); }

    uint32_t storeClause(const int32_t *literals, uint32_t count, bool learnedClause, uint32_t glue);
    void watchClause(uint32_t c);
    void assign(int32_t literal, uint32_t reasonClause);
    uint32_t propagate();
    void analyze(uint32_t conflict, uint32_t &backjumpLevel, uint32_t &glue);
    bool redundant(int32_t literal, uint32_t levels);
    void backtrack(uint32_t toLevel);
    bool assume(const int32_t *assumptions, size_t count);
    uint32_t chooseVariable();
    void bumpVariable(uint32_t v);
    void reduceLearned();
    void compactArena();


    bool unsatisfiable = false;

    // Clauses: the arena, the learned clauses' positions in it, and the words of deleted clauses.
    std::vector<uint32_t> arena;
    std::vector<uint32_t> learned;
    size_t wasted = 0;
    size_t learnedLimit = FIRST_LEARNED_LIMIT;
    std::vector<std::vector<WATCH>> watches;  // per literal: the clauses to visit when it becomes false

    // Per literal: 1 true, -1 false, 0 unassigned (both literals of a variable are kept).
    std::vector<int8_t> value;
    // Per variable.
    std::vector<uint32_t> level, reason;
    std::vector<uint8_t> decides;
    uint32_t openDecisions = 0;  // decision variables not assigned
    std::vector<uint8_t> seen;
    // The assignment in order, the trail position where each decision level starts, and the
    // first entry not yet propagated.
    std::vector<int32_t> trail;
    std::vector<uint32_t> levelStart;
    size_t propagated = 0;
    // The variable order: the decision variables by activity, ties as the heap meets them.
    ACTIVITY_ORDER<false> order;

    uint64_t conflicts = 0;
    uint64_t restartLimit = 0;

    // Scratch of one call: a clause as it is built or learned, the analysis stacks, the level stamps.
    std::vector<int32_t> clauseBuffer;
    std::vector<int32_t> analyzeStack, analyzeClear;
    std::vector<uint32_t> levelMark;
    uint32_t levelStamp = 0;

    // The check program's atoms and variables, kept between calls of `satSolve`.
    std::vector<int32_t> variableOfAtom;
    std::vector<GATOM_ID> atomOfVariable;
    std::vector<int32_t> recordClause;
};
