#include "core/variable_span.h"

#include <algorithm>

#include "core/aggregate_function.h"

void VARIABLE_SPAN::term(TERM t) {
    if (t.isVariable()) {
        size = std::max(size, t.value + 1);
    } else if (t.isComplex()) {
        uint32_t highest = 0;
        if (complexTermMaxVariable(t, highest)) size = std::max(size, highest + 1);
    }
}

void VARIABLE_SPAN::atom(const ATOM &a) {
    if (const AGGREGATE_ATOM *aggregate = a.aggregate()) {
        term(aggregate->lowerGuard);
        term(aggregate->upperGuard);
        if (const AGGREGATEFUNCTION *function = aggregate->getFunction()) {
            for (TERM t : function->terms) term(t);
            conjunction(function->conjunction);
        }
        return;
    }
    for (TERM t : a.args()) term(t);
}

void VARIABLE_SPAN::conjunction(const CONJUNCTION &c) {
    for (const LITERAL &literal : c) atom(literal.atom);
}
