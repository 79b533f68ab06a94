// The backtracking matcher: enumerates the ground instances of one body in the evaluation order
// of an ORDERED_BODY, with one match iterator per position, backjumping after failures and after
// complete matches, and, for recursive rules, the semi-naive variants of the order.
#include <algorithm>

#include "analysis/aggregate_access.h"
#include "core/builtin.h"
#include "grounding/instantiator.h"
#include "grounding/ordered_body.h"

namespace {
bool isBuiltinPredicate(uint32_t p) { return predicateTable.kind(p) == PREDICATE_BUILTIN; }
const BUILTIN_TYPE *builtinOf(uint32_t predicate) { return lookupBuiltin(predicate); }
bool builtinIsFunctional(const BUILTIN_TYPE *b) { return !b || b->isFunctional(); }
int32_t builtinKindOf(const BUILTIN_TYPE *b) { return b ? b->getKind() : -1; }
} // namespace

bool INSTANTIATOR::needsIterator(const LITERAL &literal) const {
    const ATOM &a = literal.atom;
    if (a.isAggregate()) return false;
    if (!literal.isNegated()) return true;
    return isBuiltinPredicate(a.predicate) && !builtinIsFunctional(builtinOf(a.predicate));
}

TERM INSTANTIATOR::valueOf(TERM pattern) const {
    if (pattern.isVariable()) return substitution[pattern.value];
    if (pattern.isComplex()) return instantiateTerm(pattern, substitution);
    return pattern;
}

const ATOM &INSTANTIATOR::instanceOf(const ATOM &atom) {
    std::span<const TERM> args = atom.args();
    uint32_t arity = uint32_t(args.size());
    if (scratchAtoms.size() <= arity) scratchAtoms.resize(arity + 1);
    ATOM &scratch = scratchAtoms[arity];
    if (scratch.argCount() != arity) {
        scratchArgs.assign(arity, TERM());
        scratch = ATOM(atom.predicate, std::span<const TERM>(scratchArgs));
    }
    scratch.predicate = atom.predicate;
    std::span<TERM> out = scratch.mutableArgs();
    for (uint32_t i = 0; i < arity; i++) out[i] = valueOf(args[i]);
    return scratch;
}

bool INSTANTIATOR::hasBrokenListTail(const ATOM &pattern) const {
    for (TERM t : pattern.args())
        if (t.isComplex() && !complexTerm(t).listTailsBoundToLists(substitution)) return true;
    return false;
}

bool INSTANTIATOR::containsAtom(const LITERAL &literal, uint32_t code) {
    if (hasBrokenListTail(literal.atom)) return false;
    const ATOM &a = instanceOf(literal.atom);
    uint32_t p = a.predicate;
    uint32_t row = rowOf(a);
    lastMatchedRow = row;
    if (row == ATOM_STORE::NONE) return false;
    if (predicateTable.kind(p) == PREDICATE_EDB) return EDB.containsRow(p, row);
    const INTERPRETATION *delta = matchDelta;
    auto inI = [&] { return I.positive.containsRow(p, row) || I.undefined.containsRow(p, row); };
    auto inDelta = [&] { return delta && (delta->positive.containsRow(p, row) || delta->undefined.containsRow(p, row)); };
    if (code == 0) return inI();
    if (code == 1) return inDelta();
    return inI() || inDelta();
}

bool INSTANTIATOR::isCertainlyTrue(const LITERAL &literal) {
    // A literal whose atom has no instance fails, negated or not.
    if (hasBrokenListTail(literal.atom)) return true;
    const ATOM &a = instanceOf(literal.atom);
    uint32_t p = a.predicate;
    uint32_t row = rowOf(a);
    if (row == ATOM_STORE::NONE) return false;
    if (predicateTable.kind(p) == PREDICATE_EDB) return EDB.containsRow(p, row);
    return I.positive.containsRow(p, row) || (matchDelta && matchDelta->positive.containsRow(p, row));
}

bool INSTANTIATOR::isHeadTrue(const std::vector<ATOM> &head) {
    headTerms.clear();
    headRows.clear();
    for (const ATOM &h : head) {
        for (TERM t : h.args()) headTerms.push_back(valueOf(t));
        std::span<const TERM> args(headTerms.end() - std::ptrdiff_t(h.argCount()), headTerms.end());
        uint32_t row = atomStore.find(h.predicate, args);
        if (row != ATOM_STORE::NONE && isKnownTrue(h.predicate, row)) return true;
        headRows.push_back(row);
    }
    return false;
}

bool exceedsTermLimits(const std::vector<ATOM> &head, const SUBSTITUTION &substitution, uint32_t maxNesting,
                       uint32_t maxList) {
    for (const ATOM &h : head)
        for (TERM t : h.args())
            if (t.isComplex() && !complexTerm(t).listTailsBoundToLists(substitution)) return true;
    if (maxNesting == 0 && maxList == 0) return false;
    for (const ATOM &h : head)
        for (TERM t : h.args()) {
            TERM value = instantiateAnyTerm(t, substitution);
            if (!value.isComplex()) continue;
            const COMPLEX_TERM &c = complexTerm(value);
            if (maxNesting != 0 && c.nestingDepth() > maxNesting) return true;
            // Lists inside function terms count too: f(L) would otherwise grow without end.
            if (maxList != 0 && complexTermTable.longestList(value.value) > maxList) return true;
        }
    return false;
}

bool INSTANTIATOR::matchTerm(TERM pattern, TERM ground) {
    if (pattern.isVariable()) {
        TERM v = substitution[pattern.value];
        if (v.isNull()) {
            bindVariable(pattern.value, ground);
            return true;
        }
        return v == ground;
    }
    if (pattern.isComplex()) return ground.isComplex() && matchFunctionTerm(pattern, ground);
    return pattern == ground;
}

// Structural matching of a pattern against a ground term with an explicit stack of pairs still
// to match, so terms nested to any depth are safe. A failure undoes every binding it made.
bool INSTANTIATOR::matchFunctionTerm(TERM pattern, TERM ground) {
    uint32_t mark = uint32_t(trail.size());
    size_t base = termPairs.size();
    termPairs.push_back({pattern, ground});
    bool ok = true;
    while (ok && termPairs.size() > base) {
        auto [p, g] = termPairs.back();
        termPairs.pop_back();
        if (p.isVariable()) {
            TERM v = substitution[p.value];
            if (v.isNull()) bindVariable(p.value, g);
            else ok = v == g;
            continue;
        }
        if (!p.isComplex()) {
            ok = p == g;
            continue;
        }
        if (!g.isComplex()) {
            ok = false;
            continue;
        }
        const COMPLEX_TERM &pc = complexTerm(p);
        if (pc.ground) {
            ok = p == g;
            continue;
        }
        const COMPLEX_TERM &gc = complexTerm(g);
        if (pc.kind != gc.kind || (pc.isFunction() && pc.functor != gc.functor)) {
            ok = false;
            continue;
        }
        if (pc.hasTail()) {
            // [H|T]: H takes the first element, T the list of the others.
            if (gc.argCount == 0) {
                ok = false;
                continue;
            }
            std::span<const TERM> elements = gc.args();
            TERM rest = makeComplexTerm(COMPLEX_TERM::list(elements.subspan(1), false, true));
            termPairs.push_back({pc.argData[1], rest});
            termPairs.push_back({pc.argData[0], elements[0]});
            continue;
        }
        if (pc.argCount != gc.argCount) {
            ok = false;
            continue;
        }
        for (uint32_t i = pc.argCount; i-- > 0;) termPairs.push_back({pc.argData[i], gc.argData[i]});
    }
    termPairs.resize(base);
    if (!ok) undoTrail(mark);
    return ok;
}

bool INSTANTIATOR::matchNextAtom(const LITERAL &literal, MATCH_ITERATOR &it) {
    std::span<const TERM> pattern = literal.atom.args();
    const INTERPRETATION *delta = matchDelta;
    const INDEX_TYPE *idx = indexOf(literal.atom.predicate);
    while (!it.exhausted()) {
        std::span<const TERM> args = it.currentArgs();
        uint32_t mark = uint32_t(trail.size());
        bool ok = args.size() == pattern.size();
        for (uint32_t i = 0; ok && i < pattern.size(); i++) {
            TERM p = pattern[i];
            TERM g = args[i];
            if (it.freeArguments.test(i)) {
                if (p.isVariable()) {
                    TERM v = substitution[p.value];
                    if (v.isNull()) bindVariable(p.value, g);
                    else ok = v == g; // the variable occurs earlier in the literal
                } else {
                    ok = g.isComplex() && matchFunctionTerm(p, g);
                }
            } else {
                ok = valueOf(p) == g;
            }
        }
        if (ok) lastMatchedRow = it.currentRow();
        it.next(literal, delta, substitution, idx);
        if (ok) return true;
        undoTrail(mark);
    }
    return false;
}

bool INSTANTIATOR::evaluateBuiltin(const LITERAL &literal, MATCH_ITERATOR *iterator, uint32_t index) {
    const BUILTIN_TYPE *b = builtins[index];
    if (!b) return false;
    if (b->isFunctional())
        return static_cast<const FUNCTIONAL_BUILTIN *>(b)->evaluate(literal.atom, substitution) != 0;
    int32_t scratchState = 0;
    int32_t &state = iterator ? iterator->state : scratchState;
    return static_cast<const NON_FUNCTIONAL_BUILTIN *>(b)->evaluate(literal.atom, substitution, state) != 0;
}

void INSTANTIATOR::makeIterator(ORDERED_BODY &order, uint32_t k) {
    const LITERAL &l = order.literalAt(k);
    MATCH_ITERATOR &it = iterators[k];
    const INTERPRETATION *delta = matchDelta;
    uint32_t p = l.atom.predicate;
    if (isBuiltinPredicate(p)) it.init(l, substitution, delta, 0, nullptr, -1);
    else it.init(l, substitution, delta, order.semiNaiveCodeAt(k), indexOf(p), indexArgumentAt[k]);
    it.trailMark = uint32_t(trail.size());
}

void INSTANTIATOR::unbindVariables(const LITERAL &literal, MATCH_ITERATOR &it) {
    if (isBuiltinPredicate(literal.atom.predicate)) {
        // A built-in binds its free variable arguments directly, without the trail.
        std::span<const TERM> args = literal.atom.args();
        for (uint32_t i = 0; i < args.size(); i++)
            if (it.freeArguments.test(i) && args[i].isVariable()) substitution.unbind(args[i].value);
        return;
    }
    undoTrail(it.trailMark);
}

bool INSTANTIATOR::skippedByJumps(const ORDERED_BODY &order, int32_t position) const {
    const LITERAL &l = order.literalAt(uint32_t(position));
    if (l.atom.isAggregate()) return true;
    if (!isBuiltinPredicate(l.atom.predicate)) return false;
    return builtinKindOf(builtins[order.literalIndexAt(uint32_t(position))]) != BUILTIN_INT;
}

void INSTANTIATOR::jumpBack(ORDERED_BODY &order, int32_t target) {
    int32_t k = int32_t(order.currentPosition);
    while (k != -1 && k >= target) {
        const LITERAL &l = order.literalAt(uint32_t(k));
        if (l.atom.isAggregate()) resetAggregate(const_cast<ATOM &>(l.atom));
        else if (needsIterator(l)) unbindVariables(l, iterators[uint32_t(k)]);
        if (k != 0 && k > target) order.currentPosition--;
        k--;
    }
}

int32_t INSTANTIATOR::backjump(ORDERED_BODY &order, BACKJUMP_STATE &state, int32_t &s) {
    int32_t t = state.lastRelevant;
    s = t;
    while (t != -1) {
        if (skippedByJumps(order, t)) {
            state.markLiteralVariables(order, uint32_t(t));
            s = state.successTarget[uint32_t(t)];
            t = std::max(state.successTarget[uint32_t(t)], state.latestConflictPosition(t));
        } else {
            s = state.successTarget[uint32_t(t)];
            break;
        }
    }
    jumpBack(order, t);
    return t;
}

void INSTANTIATOR::startVariant(ORDERED_BODY &order, BACKJUMP_STATE &state, bool afterSwitch) {
    createIndices(order);
    if (afterSwitch) state.reset(current.headVariables);
    state.prepare(order, noUndefinedAtoms, complete, current.kind);
    // Nothing from an earlier variant survives: no binding, no trail entry, no iterator.
    substitution.clear();
    trail.clear();
    order.currentPosition = 0;
}

bool INSTANTIATOR::aggregateWaits(const LITERAL &literal, int32_t component) const {
    if (component < 0) return false;
    const LITERAL *inner = aggregateSetLiteral(literal.atom);
    if (inner) return uint32_t(componentOfAtom(inner->atom)) >= uint32_t(component);
    return isAggregateRecursive(*literal.atom.aggregate(), component);
}

// The steps of the matching loop are inlined into it: they run once per match attempt.
[[gnu::always_inline]] inline INSTANTIATOR::LITERAL_MATCH INSTANTIATOR::matchLiteralAt(ORDERED_BODY &order, uint32_t k, bool firstTry) {
    const LITERAL &l = order.literalAt(k);
    uint32_t index = order.literalIndexAt(k);
    if (l.atom.isAggregate()) {
        if (aggregateWaits(l, current.component)) return firstTry ? MATCHED : FAILED;
        matchPosition = k;
        WIDE_BOUNDS &wide = wideBounds[index];
        bool matched = firstTry && instantiateAggregate(l, wide) && !evaluateAggregate(l, wide);
        if (status == GROUNDER_VALUE_ERROR || (matched && status == GROUNDER_ASSIGNMENT_ERROR)) return ABORTED;
        return matched ? MATCHED : AGGREGATE_FAILED;
    }
    if (isBuiltinPredicate(l.atom.predicate)) {
        // Only an enumeration ("#int") has a further value when the matcher comes back.
        if (!firstTry && builtinIsFunctional(builtins[index])) return FAILED;
        bool r = evaluateBuiltin(l, needsIterator(l) ? &iterators[k] : nullptr, index);
        return (l.isNegated() ? !r : r) ? MATCHED : FAILED;
    }
    if (l.isNegated()) return firstTry && !isCertainlyTrue(l) ? MATCHED : FAILED;
    MATCH_ITERATOR &it = iterators[k];
    bool matched;
    if (it.allBound) matched = firstTry && containsAtom(l, it.code);
    else matched = !it.exhausted() && matchNextAtom(l, it);
    if (!matched) return FAILED;
    matchedRows[index] = lastMatchedRow;
    return MATCHED;
}

[[gnu::always_inline]] inline int32_t INSTANTIATOR::unskippedConflict(ORDERED_BODY &order, BACKJUMP_STATE &state, int32_t t) {
    while (t != -1 && skippedByJumps(order, t)) {
        state.markLiteralVariables(order, uint32_t(t));
        t = state.latestConflictPosition(t);
    }
    return t;
}

[[gnu::always_inline]] inline int32_t INSTANTIATOR::positionAfterFailure(ORDERED_BODY &order, BACKJUMP_STATE &state, uint32_t k, bool firstTry,
                                           int32_t &s) {
    if (k == 0) return -1;
    state.markLiteralVariables(order, k);
    if (firstTry) return unskippedConflict(order, state, state.failureTarget[k]);
    int32_t t = std::max(state.latestConflictPosition(int32_t(k)), s);
    if (t != -1 && t == s) s = state.successTarget[uint32_t(s)];
    while (t != -1 && skippedByJumps(order, t)) {
        state.markLiteralVariables(order, uint32_t(t));
        t = std::max(s, state.latestConflictPosition(t));
        if (t != -1 && t == s) s = state.successTarget[uint32_t(s)];
    }
    return t;
}

bool INSTANTIATOR::matchVariant(ORDERED_BODY &order, BACKJUMP_STATE &state) {
    const uint32_t n = order.literalCount;
    int32_t s = -1; // the success target of the last complete match
    bool firstTry = true;
    uint32_t k = 0;
    if (needsIterator(order.literalAt(0))) makeIterator(order, 0);
    for (;;) {
        LITERAL_MATCH result = matchLiteralAt(order, k, firstTry);
        if (result == ABORTED) return false;
        int32_t t;
        if (result == MATCHED) {
            state.clearVariablesBoundAt(order, k);
            if (k + 1 < n) {
                k++;
                order.currentPosition = k;
                if (needsIterator(order.literalAt(k))) makeIterator(order, k);
                firstTry = true;
                continue;
            }
            instancesOfLastStatement++;
            onMatch();
            if (status == GROUNDER_INCONSISTENT || status == GROUNDER_VALUE_ERROR) return false;
            t = backjump(order, state, s);
            if (t == -1) return true;
        } else if (result == AGGREGATE_FAILED) {
            state.markLiteralVariables(order, k);
            t = unskippedConflict(order, state, state.failureTarget[k]);
            jumpBack(order, t);
            // No further variant after an aggregate failure.
            if (t == -1) return false;
        } else {
            t = positionAfterFailure(order, state, k, firstTry, s);
            jumpBack(order, t);
            if (t == -1) return true;
        }
        k = uint32_t(t);
        firstTry = false;
    }
}

void INSTANTIATOR::matchBody(ORDERED_BODY &order, STATEMENT_KIND kind) {
    current.kind = kind;
    matchDelta = kind == STATEMENT_RULE ? Delta.get() : nullptr;
    uint32_t n = order.literalCount;
    wideBounds.assign(order.body->size(), WIDE_BOUNDS());
    matchedRows.assign(order.body->size(), ATOM_STORE::NONE);
    if (n == 0) {
        onMatch();
        return;
    }
    if (iterators.size() < n) iterators.resize(n);
    indexArgumentAt.assign(n, -1);
    const CONJUNCTION &body = *order.body;
    builtins.assign(body.size(), nullptr);
    for (uint32_t i = 0; i < body.size(); i++)
        if (isBuiltinPredicate(body[i].atom.predicate)) builtins[i] = builtinOf(body[i].atom.predicate);
    literalVariables.compute(order);
    BACKJUMP_STATE state(order, literalVariables, current.headVariables);
    trail.reserve(substitution.size() + 16);

    startVariant(order, state, false);
    while (matchVariant(order, state)) {
        if (kind != STATEMENT_RULE || current.exit || order.noFurtherVariantLeft()) return;
        order.nextSemiNaiveVariant();
        while (order.variantEmpty) {
            if (order.noFurtherVariantLeft()) return;
            order.nextSemiNaiveVariant();
        }
        startVariant(order, state, true);
    }
}
