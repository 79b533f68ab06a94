// Rule safety: the checks of rules, bodies, aggregate bodies and weak constraints, which only
// answer; their callers (the parser, the planning front-end, the magic-set rewriting) report a
// statement that fails them. Also the bound-argument tests over per-variable marks.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/conjunction.h"
#include "core/rule.h"

// Every head variable is bound by the body, and the body is safe.
int isSafe(const RULE &rule);
// Every literal that needs bound variables can be evaluated once the others have bound them.
int isSafe(const CONJUNCTION &body);
// Some literal of the body binds the variable.
int bindsVariable(const CONJUNCTION &body, TERM variable);
// The fixpoint that moves pending literals into the safe part as they become evaluable; 0 when
// some are left that never do.
int bindPendingLiterals(std::vector<LITERAL> &pending, CONJUNCTION &safe);
// A built-in atom: 1 when the variable first occurs at an output position.
int builtinBindsVariable(const ATOM &atom, TERM variable);

// Bound-argument tests over per-variable marks (nonzero: bound). An argument is bound when it is
// a constant, an integer, the null term, a marked variable, or a compound term without unmarked
// variables. A count below 0 counts back from the arity.
int leadingArgumentsBound(const ATOM &atom, std::span<const uint8_t> marks, int32_t n);
int countBoundArguments(const ATOM &atom, std::span<const uint8_t> marks);
// Whether a variable inside the compound term, at any depth, has mark 0.
int hasUnmarkedVariable(const COMPLEX_TERM &term, std::span<const uint8_t> marks);

// 1 when the weight and the level, each where it is a variable, are bound by the body.
int weightAndLevelSafe(TERM weight, TERM level, const CONJUNCTION &body);

// The variables that make a statement unsafe, by number, each once: head variables the body does
// not bind, variables of body literals that can never be evaluated, and a weight or level the
// body does not bind. Head or body may be null; weight and level are looked at when variables.
std::vector<TERM> unsafeVariables(const std::vector<ATOM> *head, const CONJUNCTION *body,
                                  TERM weight = TERM(), TERM level = TERM());
