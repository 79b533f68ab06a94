// Instantiating one statement and storing its instances: facts into NF, ground rules with their
// residual bodies, rules that wait for aggregates, ground constraints and weak constraints, and
// the discovery that a constraint is violated in every answer set.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "analysis/aggregate_access.h"
#include "grounding/instantiator.h"
#include "grounding/ordered_body.h"
#include "support/diagnostics.h"

#include "core/printer.h"

namespace {

bool hasAggregate(const CONJUNCTION &body) {
    for (const LITERAL &l : body)
        if (l.atom.isAggregate()) return true;
    return false;
}

} // namespace

// A body with aggregates is matched from a working copy: the matcher keeps per-instance state in
// its aggregate atoms, and the stored program is never written.
static const CONJUNCTION &workingBody(const CONJUNCTION &body, std::unique_ptr<CONJUNCTION> &copy) {
    if (!hasAggregate(body)) return body;
    copy = std::make_unique<CONJUNCTION>(body);
    return *copy;
}

void INSTANTIATOR::instantiateRule(const RULE &rule, bool exit, uint8_t &newAtom, uint32_t iteration,
                                   int32_t component) {
    current = STATEMENT();
    current.kind = STATEMENT_RULE;
    current.rule = &rule;
    current.exit = exit;
    current.newAtom = &newAtom;
    current.component = component;
    instancesOfLastStatement = 0;
    growPerPredicate();
    if (!rule.body) {
        substitution.clear();
        currentBody = nullptr;
        checkRuleInstance();
        return;
    }
    for (const LITERAL &l : rule.body->positive())
        if (predicateTable.kind(l.atom.predicate) == PREDICATE_UNDEFINED) return;
    std::unique_ptr<CONJUNCTION> copy;
    const CONJUNCTION &body = workingBody(*rule.body, copy);
    currentBody = &body;
    ORDERED_BODY order(body, atomCount, deltaCount, complete, noUndefinedAtoms, exit, iteration, Delta.get(), config);
    if (order.aggregateState == 2) {
        status = GROUNDER_ASSIGNMENT_ERROR;
        return;
    }
    if (order.builtinState == 2) {
        status = GROUNDER_BUILTIN_CYCLE;
        return;
    }
    if (order.variantEmpty) {
        if (exit) return;
        while (order.variantEmpty) {
            if (order.noFurtherVariantLeft()) return;
            order.nextSemiNaiveVariant();
        }
    }
    TERM_SET headVariables;
    collectHeadVariables(rule, headVariables);
    current.headVariables = &headVariables;
    matchBody(order, STATEMENT_RULE);
    current.headVariables = nullptr;
}

void INSTANTIATOR::instantiateConstraint(const CONSTRAINT &constraint) {
    current = STATEMENT();
    current.kind = STATEMENT_CONSTRAINT;
    current.constraint = &constraint;
    instantiateCompleteBody(constraint.body, STATEMENT_CONSTRAINT);
}

void INSTANTIATOR::instantiateWeakConstraint(const WEAKCONSTRAINT &weak) {
    current = STATEMENT();
    current.kind = STATEMENT_WEAK_CONSTRAINT;
    current.weakConstraint = &weak;
    instantiateCompleteBody(weak.body, STATEMENT_WEAK_CONSTRAINT);
}

void INSTANTIATOR::instantiateCompleteBody(const CONJUNCTION &statementBody, STATEMENT_KIND kind) {
    instancesOfLastStatement = 0;
    growPerPredicate();
    std::unique_ptr<CONJUNCTION> copy;
    const CONJUNCTION &body = workingBody(statementBody, copy);
    currentBody = &body;
    ORDERED_BODY order(body, atomCount, {}, complete, noUndefinedAtoms, true, 1, Delta.get(), config);
    if (order.aggregateState == 2) status = GROUNDER_ASSIGNMENT_ERROR;
    else if (order.builtinState == 2) status = GROUNDER_BUILTIN_CYCLE;
    else if (!order.variantEmpty) matchBody(order, kind);
}

void INSTANTIATOR::onMatch() {
    switch (current.kind) {
    case STATEMENT_RULE: checkRuleInstance(); break;
    case STATEMENT_CONSTRAINT: constraintInstance(); break;
    case STATEMENT_WEAK_CONSTRAINT: weakConstraintInstance(); break;
    }
}

void INSTANTIATOR::checkRuleInstance() {
    const RULE &rule = *current.rule;
    if (exceedsTermLimits(rule.head, substitution, config.optMaxNesting, config.optMaxList)) return;
    if (isHeadTrue(rule.head)) return;
    ruleInstance();
}

void INSTANTIATOR::ruleInstance() {
    const RULE &rule = *current.rule;
    GBODY body;
    scratchWaiting.clear();
    if (rule.body) groundBody(body, *currentBody, Delta.get(), current.component, &scratchWaiting);
    bool bodyDecided = body.empty() && scratchWaiting.empty();

    auto addFact = [&](uint32_t p, uint32_t row) {
        if (NF->undefined.eraseRow(p, row)) {
            NF->positive.insertRow(p, row);
            return;
        }
        *current.newAtom = 1;
        NF->positive.insertRow(p, row);
        growPerPredicate();
        nfCount[p]++;
    };
    // The head instances are those that isHeadTrue made; a row it did not find may have been
    // stored since (by a negated body literal), so it is looked up again.
    std::span<const TERM> headArgs(headTerms);
    if (bodyDecided && rule.head.size() == 1) {
        uint32_t p = rule.head[0].predicate;
        addFact(p, headRows[0] != ATOM_STORE::NONE ? headRows[0] : atomStore.insert(p, headArgs).first);
        return;
    }
    GATOM_LIST head;
    head.reserve(rule.head.size());
    for (uint32_t i = 0; i < rule.head.size(); i++) {
        const ATOM &h = rule.head[i];
        std::span<const TERM> args = headArgs.first(h.argCount());
        headArgs = headArgs.subspan(h.argCount());
        GATOM_ID id = headRows[i] != ATOM_STORE::NONE ? groundAtomTable.addRow(h.predicate, headRows[i])
                                                      : groundAtomTable.add(h.predicate, args);
        bool seen = false;
        for (GATOM_ID x : head) seen = seen || x == id;
        if (!seen) head.push_back(id);
    }
    if (bodyDecided && head.size() == 1) {
        ATOM_REF h = groundAtomTable[head[0]];
        addFact(h.predicate, h.row);
        return;
    }
    GATOM_LIST heads = head;
    GRULE g(std::move(head), std::move(body), rule.body != nullptr);
    if (scratchWaiting.empty()) groundRules.push_back(std::move(g));
    else pendingRules.push_back(PENDING_GRULE{std::move(g), scratchWaiting, substitution});
    for (GATOM_ID id : heads) {
        // No head atom is true (the instance would have been dropped), so an atom made undefined
        // before is still in the undefined part of I, Delta or NF.
        if (madeUndefined.size() <= size_t(id)) madeUndefined.resize(size_t(id) + 1024, 0);
        if (madeUndefined[size_t(id)]) continue;
        madeUndefined[size_t(id)] = 1;
        ATOM_REF a = groundAtomTable[id];
        *current.newAtom = 1;
        NF->undefined.insert(a);
        growPerPredicate();
        noUndefinedAtoms[a.predicate] = 0;
        nfCount[a.predicate]++;
    }
}

void INSTANTIATOR::groundBody(GBODY &out, const CONJUNCTION &body, const INTERPRETATION *delta,
                              int32_t component, std::vector<LITERAL> *waiting) {
    for (uint32_t i = 0; i < body.size(); i++) {
        const LITERAL &l = body[i];
        uint32_t p = l.atom.predicate;
        PREDICATE_KIND kind = predicateTable.kind(p);
        if (kind == PREDICATE_AGGREGATE) {
            if (waiting && aggregateWaits(l, component)) waiting->push_back(l);
            else addAggregateLiteral(out, l, wideBounds[i]);
            continue;
        }
        if (kind != PREDICATE_IDB && kind != PREDICATE_QUERY) continue;
        if (!l.isNegated()) {
            // The atom the literal matched is its instance.
            uint32_t row = matchedRows[i];
            if (I.positive.containsRow(p, row) || (delta && delta->positive.containsRow(p, row))) continue;
            out.add(GLITERAL(groundAtomTable.addRow(p, row), false));
            continue;
        }
        const ATOM &a = instanceOf(l.atom);
        bool add;
        if (!complete[p]) add = true;
        else if (noUndefinedAtoms[p]) add = false;
        else {
            uint32_t row = rowOf(a);
            add = I.undefined.containsRow(p, row) || (delta && delta->undefined.containsRow(p, row));
        }
        if (add) out.add(GLITERAL(groundAtomTable.add(a.predicate, a.args()), true));
    }
}

void INSTANTIATOR::constraintInstance() {
    GBODY body;
    groundBody(body, *currentBody, nullptr, -1, nullptr);
    if (!body.empty()) {
        groundConstraints.emplace_back(std::move(body));
        return;
    }
    status = GROUNDER_INCONSISTENT;
    if (instantiateMode) {
        printf("%% The following constraint will always be violated\n%% ");
        printConstraint(stdout, *current.constraint);
        printf("\n%% so this program does not have any answer set.\n"
               ":- not a_Constant_Never_Occurring_In_Regular_Programs.\n");
        groundRules.clear();
        groundConstraints.clear();
    }
}

// A variable weight or level of the wrong form stops grounding with a value error.
void INSTANTIATOR::weakConstraintError(const char *message, const WEAKCONSTRAINT &weak) {
    FILE *err = errorOutput();
    fputs(message, err);
    printWeakConstraint(err, weak);
    fputc('\n', err);
    printSourceNote(err, weak.source);
    fflush(err);
    status = GROUNDER_VALUE_ERROR;
}

void INSTANTIATOR::weakConstraintInstance() {
    const WEAKCONSTRAINT &weak = *current.weakConstraint;
    GBODY body;
    groundBody(body, *currentBody, nullptr, -1, nullptr);
    TERM weight = weak.weight;
    if (weight.isVariable()) {
        TERM v = substitution[weight.value];
        // The weight is stored times 1000; a value whose product does not fit is refused, never
        // wrapped.
        if (!v.isInteger() || integerValue(v) < 0 || int64_t(integerValue(v)) * 1000 > INT32_MAX)
            return weakConstraintError("Weight must be a non-negative integer in ", weak);
        weight = makeIntegerTerm(integerValue(v) * 1000);
    }
    TERM level = weak.level;
    if (level.isVariable()) {
        TERM v = substitution[level.value];
        if (!v.isInteger() || integerValue(v) <= 0)
            return weakConstraintError("Level must be a positive integer in ", weak);
        level = v;
    }
    int32_t levelValue = level.isInteger() ? integerValue(level) : 0;
    if (!weight.isInteger() || integerValue(weight) != 0) {
        if (body.empty()) violatedWeakConstraints.emplace_back(std::move(body), weight, level);
        else groundWeakConstraints.emplace_back(std::move(body), weight, level);
    }
    if (levelValue > 0 && uint32_t(levelValue) > maxLevel) maxLevel = uint32_t(levelValue);
}
