// Rules, constraints and weak constraints of the non-ground program. A rule owns a disjunctive
// head (empty when absent) and a body (none for a fact); all copies are deep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/conjunction.h"

// Where the user wrote a statement: an input (core/diagnostics.h, `sourceFileName`) and a line.
// Line 0 stands for a statement the system made itself. Rewritings pass it on to the rules they
// derive, so that a message about a rewritten rule can point at the user's.
struct SOURCE_POSITION {
    uint32_t file = 0;
    uint32_t line = 0;
    bool known() const { return line != 0; }
};

struct RULE {
    std::vector<ATOM> head;
    std::unique_ptr<CONJUNCTION> body; // none for a fact
    SOURCE_POSITION source{};

    RULE() = default;
    // Deep copies; a null body stays none.
    RULE(const std::vector<ATOM> *head, const CONJUNCTION *body);
    // Takes over the head and the body.
    explicit RULE(std::vector<ATOM> &&head) : head(std::move(head)) {}
    RULE(std::vector<ATOM> &&head, CONJUNCTION &&body);
    RULE(const RULE &other);
    RULE(RULE &&other) noexcept = default;
    RULE &operator=(const RULE &other);
    RULE &operator=(RULE &&other) noexcept = default;

    bool hasBody() const { return body != nullptr; }
    // A copy of the n-th atom, from 1 over the head atoms and then the body literals' atoms.
    ATOM atomAt(uint32_t n) const;
    // Safety (input/safety.cpp): every head variable is bound by the body, and the body is safe.
    int isSafe() const;

    // Subsumption (rewriting/subsumption.cpp). `subsumes`: some substitution maps every head
    // atom of this rule onto a head atom of the other and every body literal onto a body
    // literal (greedy: a miss is possible, a wrong 1 is not). `checkSubsumption` walks the rules
    // from `first` to `last`: 1 as soon as one subsumes this rule; a rule this one subsumes is
    // erased (the order of the rest kept). `isSubsumed` does that over the whole vector, which
    // must not hold this rule.
    int subsumes(const RULE &other) const;
    int checkSubsumption(std::vector<RULE> &rules, size_t first, size_t last) const;
    int isSubsumed(std::vector<RULE> &rules) const;
};

struct CONSTRAINT {
    CONJUNCTION body;
    bool generated = false; // added by the system (query, strong negation)
    // One of the constraints that stand for a ground query's literals (or, under cautious
    // reasoning, for the whole query); the only constraints that magic sets may leave beside
    // the rewritten rules.
    bool fromQuery = false;
    SOURCE_POSITION source{};
};

struct WEAKCONSTRAINT {
    CONJUNCTION body;
    uint8_t generated = 0;
    TERM weight; // an integer holding the weight times 1000, or a variable
    TERM level;  // an integer of at least 1, or a variable
    SOURCE_POSITION source{};
};
