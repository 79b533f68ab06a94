// A rule body: literals kept with every positive literal before every negated one;
// `firstNegative` is the index of the first negated literal (the size when there is none). Every
// operation restores this. The positive part is [0, firstNegative), the negative part
// [firstNegative, size).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/atom.h"

struct CONJUNCTION {
    std::vector<LITERAL> literals;
    uint32_t firstNegative = 0;

    CONJUNCTION() = default;
    CONJUNCTION(const CONJUNCTION &other);
    CONJUNCTION(CONJUNCTION &&other) noexcept = default;
    CONJUNCTION &operator=(const CONJUNCTION &other);
    CONJUNCTION &operator=(CONJUNCTION &&other) noexcept = default;

    uint32_t size() const { return uint32_t(literals.size()); }
    bool empty() const { return literals.empty(); }
    const LITERAL &operator[](uint32_t i) const { return literals[i]; }
    LITERAL &operator[](uint32_t i) { return literals[i]; }
    std::span<const LITERAL> positive() const { return {literals.data(), firstNegative}; }
    std::span<const LITERAL> negative() const {
        return {literals.data() + firstNegative, literals.size() - firstNegative};
    }
    auto begin() const { return literals.begin(); }
    auto end() const { return literals.end(); }

    // Position of an equal literal in the part matching its flag, or size() when absent.
    uint32_t find(const LITERAL &literal) const;
    // Inserts a copy in atom order within its part unless an equal literal is there; returns the
    // position of the equal or new literal.
    uint32_t insertSorted(const LITERAL &literal);
    // Adds a positive literal at the end of the positive part and a negated one at the end,
    // without a duplicate test.
    void append(const LITERAL &literal);
    void append(LITERAL &&literal);
    // Removes the literal at the position.
    void erase(uint32_t position);
    // Sets firstNegative by scanning for the first negated literal.
    void recomputeFirstNegative();

    // Whether the term occurs (top level or inside a compound argument) in a positive literal;
    // for a positive aggregate literal only an assignment's lower guard counts.
    bool occursInPositive(TERM t) const;
    // Overwrites every top-level argument equal to the target with the replacement (for an
    // aggregate literal: in the first literal of its symbolic set and in its guards).
    void replaceTerm(TERM replacement, TERM target);
};
