// Rule safety. The checks of rules, bodies and aggregate bodies are members of RULE, CONJUNCTION
// and ATOM (core headers), defined in safety.cpp; their callers (the parser, the planning
// front-end) report a statement that fails them. This header adds the weak-constraint test.
#pragma once

#include "core/conjunction.h"

// 1 when the weight and the level, each where it is a variable, are bound by the body.
int weightAndLevelSafe(TERM weight, TERM level, const CONJUNCTION &body);
