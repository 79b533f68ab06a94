// The variable slots that statements need: one more than the highest variable number among the
// terms, atoms and bodies shown to a VARIABLE_SPAN, nested compound terms and aggregates (their
// guards, terms and sets, aggregates inside sets too) included; 0 while no variable was shown.
// The driver sizes the grounder's substitutions from it, the rewritings their work tables and
// the numbers of the variables they add.
#pragma once

#include <cstdint>

#include "core/atom.h"
#include "core/conjunction.h"
#include "core/term.h"

struct VARIABLE_SPAN {
    uint32_t size = 0;

    void term(TERM t);
    void atom(const ATOM &a);
    void conjunction(const CONJUNCTION &c);
};
