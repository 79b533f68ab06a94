#include "analysis/aggregate_access.h"

#include "core/aggregate_function.h"

const LITERAL *aggregateSetLiteral(const ATOM &atom) {
    const AGGREGATE_ATOM *aggregate = atom.aggregate();
    const AGGREGATEFUNCTION *function = aggregate ? aggregate->getFunction() : nullptr;
    if (!function || function->conjunction.empty()) return nullptr;
    return &function->conjunction[0];
}

std::span<const TERM> aggregatedTerms(const ATOM &atom) {
    const AGGREGATE_ATOM *aggregate = atom.aggregate();
    const AGGREGATEFUNCTION *function = aggregate ? aggregate->getFunction() : nullptr;
    if (!function) return {};
    return function->terms;
}

std::vector<GATOM_ID> groundSetAtoms(const ATOM &atom) {
    std::vector<GATOM_ID> atoms;
    const AGGREGATE_ATOM *aggregate = atom.aggregate();
    const AGGREGATEFUNCTION *function = aggregate ? aggregate->getFunction() : nullptr;
    if (!function) return atoms;
    for (const GROUND_SET_ELEMENT &e : function->groundSet())
        atoms.push_back(e.atom);
    return atoms;
}
