// The grounder driver: set-up, the component loop with its semi-naive fixpoint, the finishing of
// ground rules that waited for aggregates, post-processing, constraints and weak constraints,
// the -stats-grounding++ trace, and the argument indices the matcher asks for.
#include "grounding/instantiator.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <set>

#include "analysis/aggregate_access.h"
#include "analysis/depgraph.h"
#include "core/aggregate_function.h"
#include "grounding/interpretation.h"
#include "grounding/ordered_body.h"
#include "grounding/selectivity_statistics.h"
#include "support/diagnostics.h"
#include "support/timer.h"

#include "core/builtin.h"
#include "core/printer.h"

INSTANTIATOR::INSTANTIATOR(PREDICATE_DEPGRAPH *graph, bool instantiate, uint32_t variableSlots,
                           const GROUNDING_CONFIG &config_)
    : depgraph(graph), instantiateMode(instantiate), config(config_) {
    substitution.resize(std::max<uint32_t>(variableSlots, 1));
    Delta = std::make_unique<INTERPRETATION>();
    NF = std::make_unique<INTERPRETATION>();
    growPerPredicate();
    uint32_t n = predicateTable.size();
    for (uint32_t p = 0; p < n; p++) {
        PREDICATE_KIND kind = predicateTable.kind(p);
        bool node = depgraph && depgraph->isNode(p) && depgraph->componentOfNode(p) >= 0;
        complete[p] = !(kind == PREDICATE_BUILTIN || kind == PREDICATE_AGGREGATE || node);
        atomCount[p] = uint32_t(EDB.atomsOf(p).size());
    }
    selectivityStatistics = new SELECTIVITY_STATISTICS();
}

INSTANTIATOR::~INSTANTIATOR() { cleanup(); }

void INSTANTIATOR::growPerPredicate() {
    uint32_t n = predicateTable.size();
    if (complete.size() >= n) return;
    noUndefinedAtoms.resize(n, 1);
    complete.resize(n, 1);
    atomCount.resize(n, 0);
    deltaCount.resize(n, 0);
    nfCount.resize(n, 0);
    indices.resize(n);
}

int32_t INSTANTIATOR::componentOfPredicate(uint32_t predicate) const {
    return depgraph && depgraph->isNode(predicate) ? depgraph->componentOfNode(predicate) : -1;
}

int32_t INSTANTIATOR::componentOfAtom(const ATOM &atom) const {
    return depgraph ? depgraph->componentOf(atom) : -1;
}

void INSTANTIATOR::cleanup() {
    if (cleanedUp) return;
    cleanedUp = true;
    Delta.reset();
    NF.reset();
    indices.clear();
    deltaIndexed.clear();
    pendingRules.clear();
    resetSelectivityStatistics();
    deleteBuiltins();
}

// ---------------------------------------------------------------------------------------------
// Argument indices

void INSTANTIATOR::fillIndex(INDEX_TYPE &index, uint32_t position, const ATOM_SET &atoms, uint32_t part) {
    if (atoms.empty()) return;
    const ATOM_STORE::RELATION &relation = *atomStore.relationOf(atoms.predicate());
    for (uint32_t row : atoms.rows()) {
        std::span<const TERM> args = relation.args(row);
        if (position < args.size()) index.insert(position, args[position], row, part);
    }
}

size_t INSTANTIATOR::indexMemoryUse() const {
    size_t bytes = 0;
    for (const auto &index : indices)
        if (index) bytes += index->memoryUse();
    return bytes;
}

void INSTANTIATOR::ensureIndex(const LITERAL &literal, uint32_t i, bool recursive) {
    uint32_t p = literal.atom.predicate;
    growPerPredicate();
    PREDICATE_KIND kind = predicateTable.kind(p);
    std::unique_ptr<INDEX_TYPE> &slot = indices[p];
    if (kind == PREDICATE_EDB) {
        if (!slot) slot = std::make_unique<INDEX_ON_EDB>(p);
        if (i >= slot->states.size() || slot->states[i] != INDEX_STATE_NONE) return;
        fillIndex(*slot, i, EDB.atomsOf(p), 1);
        slot->states[i] = INDEX_STATE_EDB;
    } else if (kind == PREDICATE_IDB && recursive) {
        if (!slot) {
            slot = std::make_unique<INDEX_ON_I_DELTANF>(p);
            deltaIndexed.push_back(p);
        }
        if (i >= slot->states.size()) return;
        uint32_t &state = slot->states[i];
        if (state == INDEX_STATE_NONE) {
            slot->indexOverI(i);
        } else if (state != INDEX_STATE_I) {
            return;
        }
        fillIndex(*slot, i, Delta->positive.atomsOf(p), 3);
        fillIndex(*slot, i, Delta->undefined.atomsOf(p), 4);
        state = INDEX_STATE_I_DELTA;
    } else if (kind == PREDICATE_IDB) {
        if (!slot) slot = std::make_unique<INDEX_ON_I>(p);
        if (i >= slot->states.size() || slot->states[i] != INDEX_STATE_NONE) return;
        slot->indexOverI(i);
        slot->states[i] = INDEX_STATE_I;
    }
    // Any other kind ("#query" included) has no index: its literals are scanned.
}

void INSTANTIATOR::createIndices(const ORDERED_BODY &order) {
    uint32_t n = order.literalCount;
    indexArgumentAt.assign(n, -1);
    std::span<const int32_t> first(order.firstBinding);
    for (uint32_t k = 0; k < n; k++) {
        const LITERAL &l = order.literalAt(k);
        if (l.atom.isAggregate()) {
            const LITERAL *inner = aggregateSetLiteral(l.atom);
            if (!inner) continue;
            int32_t arg = chooseIndexArgument(*inner, k, first, false, Delta.get());
            indexArgumentAt[k] = arg;
            if (arg >= 0) ensureIndex(*inner, uint32_t(arg), false);
            continue;
        }
        uint32_t p = l.atom.predicate;
        PREDICATE_KIND kind = predicateTable.kind(p);
        if (l.atom.argCount() == 0 || kind == PREDICATE_BUILTIN || l.isNegated()) continue;
        bool recursive = kind != PREDICATE_EDB && !(p < complete.size() && complete[p]);
        int32_t arg = chooseIndexArgument(l, k, first, recursive, Delta.get());
        indexArgumentAt[k] = arg;
        if (arg >= 0) ensureIndex(l, uint32_t(arg), recursive);
    }
}

// ---------------------------------------------------------------------------------------------
// The run

namespace {

void printInstantiationTime(FILE *out, const TIMER &timer) {
    if (timer.seconds < 0 || timer.microseconds < 0) fprintf(out, "TIMING ERROR.");
    else fprintf(out, "%5lld.%06d", (long long)timer.seconds, timer.microseconds);
    fprintf(out, "   inst. time \n");
    fprintf(out, "               ------------------------------\n\n");
}

// Trace and status check around one statement.
struct STATEMENT_TRACE {
    bool on;
    template <class PRINT> STATEMENT_TRACE(bool traced, PRINT &&print) : on(traced) {
        if (!on) return;
        FILE *err = errorOutput();
        fprintf(err, "               ");
        print(err);
        fprintf(err, "\n");
        timers[TIMER_RULE_INSTANTIATION].start();
    }
    void end() const {
        if (!on) return;
        timers[TIMER_RULE_INSTANTIATION].stop();
        printInstantiationTime(errorOutput(), timers[TIMER_RULE_INSTANTIATION]);
        timers[TIMER_RULE_INSTANTIATION] = TIMER();
    }
};

} // namespace

bool INSTANTIATOR::run(uint8_t &errorFlag) {
    errorFlag = 0;
    srand(unsigned(time(nullptr)));
    uint32_t componentCount = depgraph ? depgraph->componentCount() : 0;
    for (uint32_t c = 0; c < componentCount; c++)
        if (!groundComponent(c, errorFlag)) {
            cleanup();
            return false;
        }

    timers[TIMER_POSTPROCESSING].start();
    simplifyByTrueAtoms();
    selectivityStatistics->clear();
    timers[TIMER_POSTPROCESSING].stop();

    timers[TIMER_CONSTRAINTS].start();
    if (!groundAllConstraints(errorFlag)) {
        cleanup();
        timers[TIMER_CONSTRAINTS].stop();
        return false;
    }
    timers[TIMER_CONSTRAINTS].stop();
    bool grounded = groundAllWeakConstraints(errorFlag);
    cleanup();
    return grounded;
}

bool INSTANTIATOR::groundComponent(uint32_t c, uint8_t &errorFlag) {
    Delta->clear();
    NF->clear();
    selectivityStatistics->newDelta();
    uint8_t newAtom = 1;
    const auto &rules = depgraph->componentRules[c];
    auto groundRule = [&](const RULE &rule, bool exit, uint32_t iteration) {
        if (!aggregatesFromEarlierComponents(rule, c, errorFlag)) return false;
        // A rule with a head atom in an earlier component was grounded there.
        for (const ATOM &h : rule.head)
            if (uint32_t(componentOfAtom(h)) < c) return true;
        return groundStatement(rule, printRule, errorFlag,
                               [&] { instantiateRule(rule, exit, newAtom, iteration, int32_t(c)); });
    };

    for (const RULE *rule : rules.exitRules())
        if (!groundRule(*rule, true, 1)) return false;
    for (uint32_t d = 0;; d++) {
        std::swap(Delta, NF);
        selectivityStatistics->newDelta();
        std::swap(deltaCount, nfCount);
        newAtom = 0;
        NF->clear();
        for (const RULE *rule : rules.recursiveRules())
            if (!groundRule(*rule, false, d)) return false;
        moveDeltaIntoI();
        if (!newAtom) break;
    }
    for (uint32_t node : depgraph->components[c])
        if (node < complete.size()) complete[node] = 1;
    finishPendingRules();
    return status == GROUNDER_OK;
}

bool INSTANTIATOR::aggregatesFromEarlierComponents(const RULE &rule, uint32_t c, uint8_t &errorFlag) const {
    if (!rule.body) return true;
    for (const LITERAL &l : rule.body->literals) {
        if (!l.atom.isAggregate()) continue;
        const LITERAL *inner = aggregateSetLiteral(l.atom);
        int32_t ic = inner ? componentOfAtom(inner->atom) : -1;
        if (uint32_t(ic) >= c) {
            FILE *err = errorOutput();
            fprintf(err, "Error on rule ");
            printRule(err, rule);
            fprintf(err, " : the predicates appearing in the aggregate atom cannot be "
                         "recursive with the head of the rule.\n");
            printSourceNote(err, rule.source);
            errorFlag = 1;
            return false;
        }
    }
    return true;
}

template <class STATEMENT_TYPE, class GROUND>
bool INSTANTIATOR::groundStatement(const STATEMENT_TYPE &statement, FILE *(*print)(FILE *, const STATEMENT_TYPE &),
                                   uint8_t &errorFlag, GROUND &&ground) {
    STATEMENT_TRACE trace(config.optStatsGrounding, [&](FILE *out) { print(out, statement); });
    ground();
    // A value error's message is the last line of the run.
    if (status == GROUNDER_VALUE_ERROR) return false;
    trace.end();
    errorFlag = 0;
    if (status == GROUNDER_ASSIGNMENT_ERROR || status == GROUNDER_BUILTIN_CYCLE) {
        errorFlag = 1;
        FILE *err = errorOutput();
        fprintf(err, "Error occurs in \n");
        print(err, statement);
        fprintf(err, "\n");
        printSourceNote(err, statement.source);
    }
    return status == GROUNDER_OK;
}

void INSTANTIATOR::moveDeltaIntoI() {
    // Everything here walks what Delta holds and the predicates that have a Delta index or
    // counted statistics, never the whole predicate table: a program of many small independent
    // components pays for each component only what that component grounds.
    for (const ATOM_SETS *part : {&Delta->positive, &Delta->undefined})
        for (uint32_t p : part->usedPredicates())
            for (ATOM_REF a : (*part)[p]) selectivityStatistics->absorb(a.predicate, a.args());
    mergeDelta(I, *Delta, std::span<uint32_t>(atomCount), std::span<uint32_t>(deltaCount), indices);
    selectivityStatistics->newDelta();
    // A predicate that is complete never has atoms in Delta again: its index is cleared once
    // more and leaves the list, so later components do not walk it.
    size_t kept = 0;
    for (uint32_t p : deltaIndexed) {
        if (indices[p] && indices[p]->getKind() == INDEX_KIND_I_DELTANF)
            static_cast<INDEX_ON_I_DELTANF &>(*indices[p]).clearDelta();
        if (!(p < complete.size() && complete[p])) deltaIndexed[kept++] = p;
    }
    deltaIndexed.resize(kept);
    selectivityStatistics->invalidateWhere([&](uint32_t p) { return p < complete.size() && !complete[p]; });
}

void INSTANTIATOR::simplifyByTrueAtoms() {
    if (I.positive.empty()) return;
    std::vector<uint8_t> trueAtoms(groundAtomTable.size());
    for (uint32_t a = 0; a < trueAtoms.size(); a++) {
        ATOM_REF atom = groundAtomTable[GATOM_ID(a)];
        trueAtoms[a] = !atom.general && I.positive.containsRow(atom.predicate, atom.row);
    }
    simplifyGroundRules(trueAtoms);
}

bool INSTANTIATOR::groundAllConstraints(uint8_t &errorFlag) {
    for (auto &index : indices) index.reset();
    deltaIndexed.clear();
    for (const CONSTRAINT &constraint : constraints) {
        if (isConstraintRedundant(constraint)) continue;
        if (!groundStatement(constraint, printConstraint, errorFlag, [&] { instantiateConstraint(constraint); }))
            return false;
    }
    return true;
}

bool INSTANTIATOR::groundAllWeakConstraints(uint8_t &errorFlag) {
    for (const WEAKCONSTRAINT &weak : weakConstraints)
        if (!groundStatement(weak, printWeakConstraint, errorFlag, [&] { instantiateWeakConstraint(weak); }))
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Redundant constraints: atoms with identical arguments of two or more predicates that one
// disjunctive rule, and no other rule, defines are never true together in an answer set, so a
// constraint over them is skipped without grounding.

namespace {

bool sameName(uint32_t a, uint32_t b) { return a == b || predicateTable.nameView(a) == predicateTable.nameView(b); }

// The single rule of the list with the predicate in a head atom, or null.
const RULE *findSingleDefiningRule(std::span<const RULE *const> rules, uint32_t predicate) {
    const RULE *found = nullptr;
    for (const RULE *r : rules)
        for (const ATOM &h : r->head)
            if (sameName(h.predicate, predicate)) {
                if (found && found != r) return nullptr;
                found = r;
                break;
            }
    return found;
}

} // namespace

bool INSTANTIATOR::isConstraintRedundant(const CONSTRAINT &constraint) const {
    auto idbLike = [](uint32_t p) {
        PREDICATE_KIND k = predicateTable.kind(p);
        return k == PREDICATE_IDB || k == PREDICATE_QUERY;
    };
    std::span<const LITERAL> positive = constraint.body.positive();
    uint32_t first = 0;
    while (first < positive.size() && !idbLike(positive[first].atom.predicate)) first++;
    if (first == positive.size()) return false;
    const ATOM &a0 = positive[first].atom;
    int32_t a = componentOfAtom(a0);
    if (a < 0) return true;
    const auto &list = depgraph->componentRules[uint32_t(a)].rules;
    std::span<const RULE *const> rules(list.data(), list.size());
    const RULE *r = findSingleDefiningRule(rules, a0.predicate);
    if (!r) return false;
    uint32_t found = 1;
    for (uint32_t i = first + 1; i < positive.size(); i++) {
        const ATOM &b = positive[i].atom;
        if (!idbLike(b.predicate)) continue;
        if (componentOfAtom(b) < 0) return true;
        if (compareTerms(b.args(), a0.args()) != 0) return false;
        for (uint32_t j = 0; j < i; j++)
            if (sameName(positive[j].atom.predicate, b.predicate)) return false;
        if (findSingleDefiningRule(rules, b.predicate) != r) return false;
        found++;
    }
    if (found == 1) return false;
    for (const ATOM &h : r->head)
        if (compareTerms(h.args(), r->head[0].args()) != 0) return false;
    return true;
}
