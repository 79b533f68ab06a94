// The ground program: ground literals and bodies over ground atom numbers, the records GRULE,
// GCONSTRAINT and GWEAKCONSTRAINT, and the global vectors that hold them. The grounders fill
// them; the printers, the driver and the model generator read them, and only read them: the
// search keeps its counters of each rule and constraint in arrays of its own, indexed by the
// record's position, so that several searches may run over one ground program. Heads of up to
// two atoms and bodies of one literal live inside their record, so most ground rules cost their
// 48 bytes and no heap block.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/gatom_table.h"
#include "core/term.h"
#include "support/small_vector.h"

struct GLITERAL {
    GATOM_ID atom = 0;
    uint8_t negated = 0;

    GLITERAL() = default;
    GLITERAL(GATOM_ID a, bool neg) : atom(a), negated(neg) {}
    friend bool operator==(GLITERAL a, GLITERAL b) { return a.atom == b.atom && a.negated == b.negated; }
};

// A ground body keeps its positive literals first; `firstNegative` is the index of the first
// negated one (the size when there is none).
using GLITERAL_LIST = SMALL_VECTOR<GLITERAL, 1>;
using GATOM_LIST = SMALL_VECTOR<GATOM_ID, 2>;

struct GBODY {
    GLITERAL_LIST literals;
    uint32_t firstNegative = 0;

    uint32_t size() const { return uint32_t(literals.size()); }
    bool empty() const { return literals.empty(); }
    std::span<const GLITERAL> positive() const { return {literals.data(), firstNegative}; }
    std::span<const GLITERAL> negative() const {
        return {literals.data() + firstNegative, literals.size() - firstNegative};
    }
    // Adds the literal unless an equal one is present, positives before negated ones.
    void add(GLITERAL literal);
    // The same without the duplicate test.
    void append(GLITERAL literal);
    // Removes the literal at the position, keeping the order of the others.
    void erase(uint32_t position);
    // Sets firstNegative by scanning for the first negated literal.
    void recomputeFirstNegative();
};

// A ground rule: the distinct head atoms in the order of the rule's head, and a body (none for an
// instance of a rule without body).
struct GRULE {
    GATOM_LIST head;
    GBODY body;
    bool hasBody = false;

    GRULE() = default;
    // Deep copies of both; a null body means none; the first-negated position is recomputed.
    GRULE(const std::vector<GATOM_ID> *head, const GBODY *body);
    // Takes over head and body.
    GRULE(GATOM_LIST &&head, GBODY &&body, bool hasBody);
    GRULE(const std::vector<GATOM_ID> &head, GBODY &&body, bool hasBody)
        : GRULE(GATOM_LIST(head), std::move(body), hasBody) {}
    GRULE(const GRULE &other) = default;
    GRULE(GRULE &&other) noexcept = default;
    GRULE &operator=(const GRULE &other) = default;
    GRULE &operator=(GRULE &&other) noexcept = default;
};

// A ground constraint: its residual body. A copy recomputes the first negated position.
struct GCONSTRAINT {
    GBODY body;

    GCONSTRAINT() = default;
    explicit GCONSTRAINT(const GBODY &b) : body(b) { body.recomputeFirstNegative(); }
    explicit GCONSTRAINT(GBODY &&b) : body(std::move(b)) { body.recomputeFirstNegative(); }
    GCONSTRAINT(const GCONSTRAINT &other);
    GCONSTRAINT(GCONSTRAINT &&other) noexcept = default;
    GCONSTRAINT &operator=(const GCONSTRAINT &other);
    GCONSTRAINT &operator=(GCONSTRAINT &&other) noexcept = default;
};

// A ground weak constraint: weight (an interned integer, the weight times 1000) and level (an
// interned integer, at least 1).
struct GWEAKCONSTRAINT : GCONSTRAINT {
    TERM weight;
    TERM level;

    GWEAKCONSTRAINT() = default;
    GWEAKCONSTRAINT(const GBODY &b, TERM w, TERM l) : GCONSTRAINT(b), weight(w), level(l) {}
    GWEAKCONSTRAINT(GBODY &&b, TERM w, TERM l) : GCONSTRAINT(std::move(b)), weight(w), level(l) {}
};

// The number of ground atoms, fixed when the driver freezes the table after grounding.
extern uint32_t groundAtomCount;
extern std::vector<GRULE> groundRules;
extern std::vector<GCONSTRAINT> groundConstraints;
extern std::vector<GWEAKCONSTRAINT> groundWeakConstraints; // with a non-empty body
extern std::vector<GWEAKCONSTRAINT> violatedWeakConstraints; // body empty: violated always
extern uint32_t maxLevel;

// Puts the ground program and the ground atom table (core/gatom_table.h) back as the process
// starts them: empty and not frozen.
void resetGroundProgram();
