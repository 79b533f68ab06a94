// Rules, constraints and weak constraints of the non-ground program. A rule owns a disjunctive
// head (empty when absent) and a body (none for a fact); all copies are deep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/conjunction.h"
#include "support/diagnostics.h"

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
