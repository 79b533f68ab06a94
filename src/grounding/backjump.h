// Backjumping for the grounder's matcher. After a failure at a body position the matcher jumps
// to the latest position that binds one of the failing literal's variables (or one recorded as a
// conflict), since alternatives in between cannot repair the failure; after a complete match it
// jumps to the last position that binds a relevant variable, since alternatives in between only
// repeat the same ground instance. A variable is relevant when it tells two instances apart: a
// head variable of a rule, a variable of a body literal that can stay in a residual ground body,
// and, for a weak constraint, every body variable.
//
// One BACKJUMP_STATE serves one body in one semi-naive variant; its targets are computed once per
// variant by `prepare`. Per-variable and per-position facts are flat arrays.
#pragma once

#include <cstdint>
#include <vector>

#include "core/rule.h"
#include "core/term.h"

class ORDERED_BODY;

enum STATEMENT_KIND : uint32_t {
    STATEMENT_RULE = 0,
    STATEMENT_CONSTRAINT = 1,
    STATEMENT_WEAK_CONSTRAINT = 2,
};

// Inserts every variable of every head atom, also inside function terms, into the set.
void collectHeadVariables(const RULE &rule, TERM_SET &variables);

// The variables of each literal of a body, by literal index: for an aggregate literal its global
// variables, otherwise every variable argument and every variable inside a function-term
// argument. Computed once per statement.
struct LITERAL_VARIABLES {
    std::vector<uint32_t> start; // literal i: variables[start[i] .. start[i+1])
    std::vector<uint32_t> variables;

    void compute(const ORDERED_BODY &order);
    const uint32_t *begin(uint32_t index) const { return variables.data() + start[index]; }
    const uint32_t *end(uint32_t index) const { return variables.data() + start[index + 1]; }
};

class BACKJUMP_STATE {
public:
    uint32_t positionCount = 0;
    uint32_t variableSlots = 0;
    std::vector<int32_t> bindingPosition; // per variable: first non-negated position binding it
    std::vector<int32_t> failureTarget;   // per position
    std::vector<int32_t> successTarget;   // per position
    std::vector<uint8_t> relevantVariable; // per variable
    std::vector<uint8_t> relevantPosition; // per position, plus the slot of -1 at the end
    std::vector<uint8_t> conflict;         // per variable
    int32_t lastRelevant = -1;

    BACKJUMP_STATE(const ORDERED_BODY &order, const LITERAL_VARIABLES &variables,
                   const TERM_SET *headVariables);
    // Before a new variant: keeps the relevant variables, clears everything else.
    void reset(const TERM_SET *headVariables);
    void prepare(const ORDERED_BODY &order, const std::vector<uint8_t> &noUndefinedAtoms,
                 const std::vector<uint8_t> &complete, STATEMENT_KIND kind);

    void markLiteralVariables(const ORDERED_BODY &order, uint32_t position);
    void clearVariablesBoundAt(const ORDERED_BODY &order, uint32_t position);
    // The largest binding position below `position` of a conflict variable, -1 when none.
    int32_t latestConflictPosition(int32_t position) const;

private:
    const LITERAL_VARIABLES &literalVariables;
    std::vector<uint8_t> seen;

    void addHeadVariables(const TERM_SET *headVariables);
    void recordBindingPositions(const ORDERED_BODY &order, uint32_t position);
    void computeFailureTarget(const ORDERED_BODY &order, uint32_t position);
    void addLiteralVariables(const ORDERED_BODY &order, uint32_t position);
    void addOpenLiteralVariables(const ORDERED_BODY &order, uint32_t position,
                                 const std::vector<uint8_t> &noUndefinedAtoms,
                                 const std::vector<uint8_t> &complete);
    void computeSuccessTargets();
};
