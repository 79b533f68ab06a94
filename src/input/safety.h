// Rule safety. The checks of rules, bodies and aggregate bodies are members of RULE, CONJUNCTION
// and ATOM (core headers), defined in safety.cpp; their callers (the parser, the planning
// front-end) report a statement that fails them. This header adds the weak-constraint test.
#pragma once

#include <vector>

#include "core/conjunction.h"

// 1 when the weight and the level, each where it is a variable, are bound by the body.
int weightAndLevelSafe(TERM weight, TERM level, const CONJUNCTION &body);

// The variables that make a statement unsafe, by number, each once: head variables the body does
// not bind, variables of body literals that can never be evaluated, and a weight or level the
// body does not bind. Head or body may be null; weight and level are looked at when variables.
std::vector<TERM> unsafeVariables(const std::vector<ATOM> *head, const CONJUNCTION *body,
                                  TERM weight = TERM(), TERM level = TERM());
