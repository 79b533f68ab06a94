#include "grounding/backjump.h"

#include <algorithm>

#include "analysis/aggregate_access.h"
#include "core/program.h"
#include "grounding/ordered_body.h"

namespace {

// Every variable of a term, at any depth, appended to `out`. The walk keeps its own stack.
void appendVariables(TERM t, std::vector<uint32_t> &out, std::vector<TERM> &stack) {
    stack.clear();
    stack.push_back(t);
    while (!stack.empty()) {
        TERM u = stack.back();
        stack.pop_back();
        if (u.isVariable()) out.push_back(u.value);
        else if (u.isComplex()) {
            const COMPLEX_TERM &c = complexTerm(u);
            if (c.ground) continue;
            for (TERM a : c.args()) stack.push_back(a);
        }
    }
}

} // namespace

void collectHeadVariables(const RULE &rule, TERM_SET &variables) {
    std::vector<uint32_t> found;
    std::vector<TERM> stack;
    for (const ATOM &h : rule.head)
        for (TERM t : h.args()) appendVariables(t, found, stack);
    for (uint32_t v : found) variables.insert(makeVariableTerm(v));
}

void LITERAL_VARIABLES::compute(const ORDERED_BODY &order) {
    const CONJUNCTION &body = *order.body;
    start.assign(body.size() + 1, 0);
    variables.clear();
    std::vector<TERM> stack;
    for (uint32_t i = 0; i < body.size(); i++) {
        start[i] = uint32_t(variables.size());
        const ATOM &atom = body[i].atom;
        if (atom.isAggregate()) {
            if (i < order.aggregateVariables.size()) {
                std::vector<uint32_t> vs(order.aggregateVariables[i].begin(),
                                         order.aggregateVariables[i].end());
                std::sort(vs.begin(), vs.end());
                variables.insert(variables.end(), vs.begin(), vs.end());
            }
        } else {
            for (TERM t : atom.args()) appendVariables(t, variables, stack);
        }
    }
    start[body.size()] = uint32_t(variables.size());
}

BACKJUMP_STATE::BACKJUMP_STATE(const ORDERED_BODY &order, const LITERAL_VARIABLES &variables,
                               const TERM_SET *headVariables)
    : literalVariables(variables) {
    positionCount = order.literalCount;
    uint32_t highest = order.highestVariable;
    for (uint32_t v : variables.variables) highest = std::max(highest, v);
    if (headVariables && !headVariables->empty())
        highest = std::max(highest, headVariables->rbegin()->value);
    variableSlots = highest + 1;
    bindingPosition.assign(variableSlots, -1);
    failureTarget.assign(positionCount, -1);
    successTarget.assign(positionCount, -1);
    relevantVariable.assign(variableSlots, 0);
    relevantPosition.assign(positionCount + 1, 0);
    conflict.assign(variableSlots, 0);
    seen.assign(variableSlots, 0);
    addHeadVariables(headVariables);
}

void BACKJUMP_STATE::addHeadVariables(const TERM_SET *headVariables) {
    if (!headVariables) return;
    for (TERM t : *headVariables)
        if (t.value < variableSlots) relevantVariable[t.value] = 1;
}

void BACKJUMP_STATE::reset(const TERM_SET *headVariables) {
    addHeadVariables(headVariables);
    std::fill(bindingPosition.begin(), bindingPosition.end(), -1);
    std::fill(failureTarget.begin(), failureTarget.end(), -1);
    std::fill(successTarget.begin(), successTarget.end(), -1);
    std::fill(conflict.begin(), conflict.end(), 0);
    std::fill(relevantPosition.begin(), relevantPosition.end(), 0);
    lastRelevant = -1;
}

void BACKJUMP_STATE::recordBindingPositions(const ORDERED_BODY &order, uint32_t k) {
    const LITERAL &l = order.literalAt(k);
    if (l.atom.isAggregate()) {
        const AGGREGATE_ATOM *a = l.atom.aggregate();
        if (a->assignment && a->lowerGuard.isVariable()) {
            uint32_t v = a->lowerGuard.value;
            if (v < variableSlots && !seen[v]) {
                seen[v] = 1;
                bindingPosition[v] = int32_t(k);
            }
        }
        return;
    }
    uint32_t index = order.literalIndexAt(k);
    for (const uint32_t *v = literalVariables.begin(index); v != literalVariables.end(index); ++v)
        if (!seen[*v]) {
            seen[*v] = 1;
            bindingPosition[*v] = int32_t(k);
        }
}

void BACKJUMP_STATE::computeFailureTarget(const ORDERED_BODY &order, uint32_t k) {
    uint32_t index = order.literalIndexAt(k);
    int32_t target = -1;
    for (const uint32_t *v = literalVariables.begin(index); v != literalVariables.end(index); ++v) {
        int32_t p = bindingPosition[*v];
        if (p != int32_t(k) && p > target) target = p;
    }
    failureTarget[k] = target;
}

void BACKJUMP_STATE::addLiteralVariables(const ORDERED_BODY &order, uint32_t k) {
    uint32_t index = order.literalIndexAt(k);
    for (const uint32_t *v = literalVariables.begin(index); v != literalVariables.end(index); ++v)
        relevantVariable[*v] = 1;
}

void BACKJUMP_STATE::addOpenLiteralVariables(const ORDERED_BODY &order, uint32_t k,
                                             const std::vector<uint8_t> &noUndefinedAtoms,
                                             const std::vector<uint8_t> &complete) {
    const LITERAL &l = order.literalAt(k);
    auto decided = [&](uint32_t p) {
        return p < complete.size() && complete[p] && p < noUndefinedAtoms.size() && noUndefinedAtoms[p];
    };
    if (l.atom.isAggregate()) {
        const LITERAL *inner = aggregateSetLiteral(l.atom);
        if (inner && decided(inner->atom.predicate)) return;
    } else {
        if (l.atom.argCount() == 0) return;
        // A built-in is decided by the match and never stays in a residual body.
        if (predicateTable.kind(l.atom.predicate) == PREDICATE_BUILTIN) return;
        if (decided(l.atom.predicate)) return;
    }
    addLiteralVariables(order, k);
}

void BACKJUMP_STATE::computeSuccessTargets() {
    int32_t best = -1;
    for (uint32_t k = 0; k < positionCount; k++) {
        successTarget[k] = best;
        if (relevantPosition[k]) best = int32_t(k);
    }
    lastRelevant = best;
}

void BACKJUMP_STATE::prepare(const ORDERED_BODY &order, const std::vector<uint8_t> &noUndefinedAtoms,
                             const std::vector<uint8_t> &complete, STATEMENT_KIND kind) {
    std::fill(seen.begin(), seen.end(), 0);
    for (uint32_t k = 0; k < positionCount; k++) {
        if (!order.literalAt(k).isNegated()) recordBindingPositions(order, k);
        computeFailureTarget(order, k);
        if (kind == STATEMENT_WEAK_CONSTRAINT) addLiteralVariables(order, k);
        else addOpenLiteralVariables(order, k, noUndefinedAtoms, complete);
    }
    // A relevant variable that no literal binds contributes -1, which no position is.
    for (uint32_t v = 0; v < variableSlots; v++)
        if (relevantVariable[v] && bindingPosition[v] >= 0) relevantPosition[uint32_t(bindingPosition[v])] = 1;
    computeSuccessTargets();
}

void BACKJUMP_STATE::markLiteralVariables(const ORDERED_BODY &order, uint32_t k) {
    uint32_t index = order.literalIndexAt(k);
    for (const uint32_t *v = literalVariables.begin(index); v != literalVariables.end(index); ++v)
        conflict[*v] = 1;
}

void BACKJUMP_STATE::clearVariablesBoundAt(const ORDERED_BODY &order, uint32_t k) {
    uint32_t index = order.literalIndexAt(k);
    for (const uint32_t *v = literalVariables.begin(index); v != literalVariables.end(index); ++v)
        if (bindingPosition[*v] == int32_t(k)) conflict[*v] = 0;
}

int32_t BACKJUMP_STATE::latestConflictPosition(int32_t k) const {
    int32_t best = -1;
    for (uint32_t v = 0; v < variableSlots; v++)
        if (conflict[v] && bindingPosition[v] < k && bindingPosition[v] > best) best = bindingPosition[v];
    return best;
}
