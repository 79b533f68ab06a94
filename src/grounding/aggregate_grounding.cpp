// Aggregates during grounding: enumerating an aggregate's symbolic set under the substitution,
// deciding the literal against its guards, instantiating undecided aggregate atoms and interning
// their ground sets and functions, and finishing the ground rules that waited for aggregates.
//
// Sums and products are also followed in 64 bits beside the functions' own 32-bit bounds, so
// that a sum or product beyond the integer range is decided correctly and an assignment of such
// a value is refused instead of wrapped.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "analysis/aggregate_access.h"
#include "core/aggregate_function.h"
#include "grounding/instantiator.h"
#include "support/diagnostics.h"

namespace {

constexpr int64_t WIDE_LIMIT = int64_t(1) << 62; // products saturate here

int64_t saturatingMultiply(int64_t a, int64_t b) {
    if (a == 0 || b == 0) return 0;
    if (a > WIDE_LIMIT / b) return WIDE_LIMIT;
    return a * b;
}

// The integer value of a guard, through the substitution for a variable; false when it has none.
bool guardValue(TERM guard, const SUBSTITUTION *substitution, int64_t &value) {
    TERM t = guard;
    if (t.isVariable()) {
        if (!substitution) return false;
        t = (*substitution)[t.value];
    }
    if (!t.isInteger()) return false;
    value = integerValue(t);
    return true;
}

bool isPositiveCountingKind(int32_t type) { return type == AGGREGATE_SUM || type == AGGREGATE_TIMES; }

} // namespace

// The smallest and largest value an aggregate can still take: the function's bounds, or for
// #sum and #times the 64-bit bounds of the last enumeration of this aggregate.
void INSTANTIATOR::aggregateBounds(const AGGREGATEFUNCTION &f, const WIDE_BOUNDS *wide, int64_t &lo,
                                   int64_t &hi) const {
    if (wide && wide->valid && isPositiveCountingKind(f.type)) {
        lo = wide->lower;
        hi = wide->upper;
        return;
    }
    lo = f.lower;
    hi = f.upper;
}

// The guards as 64-bit values, a strict guard moved by one. An inclusive upper guard at the
// largest integer (the one a missing upper guard gets) bounds nothing, also for the 64-bit sums.
static bool guardRange(const AGGREGATE_ATOM &a, const SUBSTITUTION *s, int64_t &l, int64_t &u) {
    if (!guardValue(a.lowerGuard, s, l) || !guardValue(a.upperGuard, s, u)) return false;
    if (!a.lowerInclusive) l += 1;
    if (!a.upperInclusive) u -= 1;
    else if (u == INT32_MAX) u = INT64_MAX;
    return true;
}

bool INSTANTIATOR::aggregateViolated(const AGGREGATE_ATOM &a, const SUBSTITUTION *s, const WIDE_BOUNDS *wide) const {
    int64_t l, u;
    if (!guardRange(a, s, l, u)) return false;
    const AGGREGATEFUNCTION *f = a.getFunction();
    if (!f) return false;
    int64_t lo, hi;
    aggregateBounds(*f, wide, lo, hi);
    return u < l || hi < l || u < lo;
}

bool INSTANTIATOR::aggregateSatisfied(const AGGREGATE_ATOM &a, const SUBSTITUTION *s, const WIDE_BOUNDS *wide) const {
    int64_t l, u;
    if (!guardRange(a, s, l, u)) return false;
    const AGGREGATEFUNCTION *f = a.getFunction();
    if (!f) return false;
    // A #min without a true element may end up without any value, and then it is false.
    if (f->type == AGGREGATE_MIN && f->getMinTrue() == INT32_MAX) return false;
    if (f->hasNoValue()) return false;
    int64_t lo, hi;
    aggregateBounds(*f, wide, lo, hi);
    return lo >= l && hi <= u;
}

// The aggregate part under a substitution: integer guards, all inclusive, and a clone of the
// function whose symbolic set is its first literal instantiated.
void instantiateAggregateAtom(AGGREGATE_ATOM &destination, const AGGREGATE_ATOM &source,
                              const SUBSTITUTION &substitution) {
    auto guard = [&](TERM g, bool inclusive, int64_t step, TERM &out, uint8_t &outInclusive) {
        int64_t v;
        if (!guardValue(g, &substitution, v)) {
            out = g;
            outInclusive = inclusive;
            return;
        }
        if (!inclusive) v += step;
        // A guard moved beyond the integer range is kept at the range's end, which no value of
        // the aggregate passes either.
        if (v > INT32_MAX) v = INT32_MAX;
        if (v < INT32_MIN) v = INT32_MIN;
        out = makeIntegerTerm(int32_t(v));
        outInclusive = 1;
    };
    destination.lowerGuard = TERM();
    destination.upperGuard = TERM();
    destination.lowerInclusive = destination.upperInclusive = 0;
    guard(source.lowerGuard, source.lowerInclusive, +1, destination.lowerGuard, destination.lowerInclusive);
    guard(source.upperGuard, source.upperInclusive, -1, destination.upperGuard, destination.upperInclusive);
    destination.assignment = source.assignment;
    delete destination.function;
    destination.function = nullptr;
    const AGGREGATEFUNCTION *f = source.getFunction();
    if (!f) return;
    destination.function = f->clone();
    if (!destination.function) return;
    if (!f->conjunction.empty()) {
        CONJUNCTION set;
        set.append(LITERAL(instantiateAtom(f->conjunction[0].atom, substitution), false));
        destination.function->conjunction = std::move(set);
    }
}

// Interns the function of a stored aggregate atom (its ground set first) and keeps its number.
static void internFunction(AGGREGATE_ATOM &a) {
    if (!a.function) return;
    a.function->internGroundSet();
    a.functionIndex = aggregateFunctionTable.intern(*a.function).first;
    delete a.function;
    a.function = nullptr;
}

int INSTANTIATOR::enumerateAggregate(const LITERAL &literal, int32_t indexArgument, WIDE_BOUNDS &wide) {
    AGGREGATE_ATOM &a = *const_cast<ATOM &>(literal.atom).aggregate();
    AGGREGATEFUNCTION *f = a.getFunction();
    wide = WIDE_BOUNDS();
    if (!f) return 0;
    f->reset();
    if (!f->ownSet) f->ownSet = std::make_unique<GROUND_SET>();
    f->ownSet->clear();
    // Guards: a bound guard variable makes an assignment a comparison from now on. This comes
    // before the empty set is taken as decided: an assignment whose variable an earlier literal
    // bound would otherwise rebind it to the empty set's value.
    if (a.lowerGuard.isVariable()) {
        TERM v = substitution[a.lowerGuard.value];
        if (!v.isNull()) {
            a.assignment = 0;
            if (!v.isInteger()) return 0;
        } else if (!a.assignment) {
            return 0;
        }
    }
    if (!a.assignment && a.upperGuard.isVariable() && !substitution[a.upperGuard.value].isInteger()) return 0;
    if (f->conjunction.empty()) {
        f->finishBounds();
        return 1;
    }
    const LITERAL inner(f->conjunction[0].atom, false);
    uint32_t p = inner.atom.predicate;
    growPerPredicate();

    if (atomCount[p] == 0) {
        f->finishBounds();
        wide.valid = true;
        wide.lower = f->type == AGGREGATE_TIMES ? f->lower : 0;
        wide.upper = f->type == AGGREGATE_TIMES ? f->upper : 0;
        return 1;
    }

    int64_t sumTrue = 0, sumAll = 0, productTrue = 1, productPositive = 1;
    bool undefinedZero = false;
    TERM valueTerm = f->terms.empty() ? TERM() : f->terms[0];
    // An element value that the function cannot add stops the enumeration with a value error.
    auto element = [&](const ATOM &g) {
        TERM value = valueTerm.isVariable() ? substitution[valueTerm.value] : valueTerm;
        if (!f->acceptsElement(value)) {
            f->reportNonIntegerElement();
            status = GROUNDER_VALUE_ERROR;
            return;
        }
        uint32_t row = rowOf(g);
        bool isTrue = (predicateTable.kind(g.predicate) == PREDICATE_EDB ? EDB : I.positive).containsRow(g.predicate, row);
        if (isTrue) {
            f->decideElement(value, true);
        } else {
            GATOM_ID id = groundAtomTable.add(g.predicate, g.args());
            f->ownSet->insert(GROUND_SET_ELEMENT{value, id});
        }
        f->addElement(value);
        if (value.isInteger()) {
            int64_t v = integerValue(value);
            sumAll += v;
            if (isTrue) sumTrue += v, productTrue = saturatingMultiply(productTrue, v);
            else if (v == 0) undefinedZero = true;
            if (v > 0) productPositive = saturatingMultiply(productPositive, v);
        }
    };

    MATCH_ITERATOR it;
    it.init(inner, substitution, nullptr, 0, indexOf(p), indexArgument);
    if (it.allBound) {
        const ATOM &g = instanceOf(inner.atom);
        bool present = predicateTable.kind(p) == PREDICATE_EDB
                           ? EDB.contains(g)
                           : I.positive.contains(g) || I.undefined.contains(g);
        if (present) element(ATOM(g));
    } else {
        uint32_t mark = uint32_t(trail.size());
        it.trailMark = mark;
        const INTERPRETATION *saved = matchDelta;
        matchDelta = nullptr; // the set is read from I alone
        while (matchNextAtom(inner, it)) {
            element(instanceOf(inner.atom));
            undoTrail(mark);
            if (status == GROUNDER_VALUE_ERROR) break;
        }
        matchDelta = saved;
    }
    if (status == GROUNDER_VALUE_ERROR) return 0;
    f->finishBounds();
    wide.valid = true;
    if (f->type == AGGREGATE_SUM) {
        wide.lower = sumTrue;
        wide.upper = sumAll;
    } else if (f->type == AGGREGATE_TIMES) {
        wide.lower = undefinedZero ? 0 : productTrue;
        wide.upper = productTrue == 0 ? 0 : productPositive;
    }
    return 1;
}

int INSTANTIATOR::instantiateAggregate(const LITERAL &literal, WIDE_BOUNDS &wide) {
    int32_t arg = -1;
    if (matchPosition < indexArgumentAt.size()) arg = indexArgumentAt[matchPosition];
    return enumerateAggregate(literal, arg, wide);
}

int INSTANTIATOR::finishAggregate(const LITERAL &literal, WIDE_BOUNDS &wide) {
    return enumerateAggregate(literal, -1, wide);
}

// An aggregate's value that must become an integer term but lies beyond the range.
void INSTANTIATOR::aggregateRangeError(int32_t type) {
    FILE *err = errorOutput();
    fprintf(err, "Error: the value of the %s aggregate does not fit in an integer.\n", aggregateName(type));
    fflush(err);
    status = GROUNDER_VALUE_ERROR;
}

int INSTANTIATOR::evaluateAggregate(const LITERAL &literal, const WIDE_BOUNDS &wide) {
    AGGREGATE_ATOM &a = *const_cast<ATOM &>(literal.atom).aggregate();
    const AGGREGATEFUNCTION *f = a.getFunction();
    if (!f) return 1;
    bool negated = literal.isNegated();
    if (f->hasNoValue()) return negated ? 0 : 1;
    if (a.assignment) {
        const LITERAL *inner = aggregateSetLiteral(literal.atom);
        uint32_t p = inner ? inner->atom.predicate : 0;
        if (!inner || (p < noUndefinedAtoms.size() && noUndefinedAtoms[p])) {
            int64_t lo, hi;
            aggregateBounds(*f, &wide, lo, hi);
            if (lo < INT32_MIN || lo > INT32_MAX) {
                aggregateRangeError(f->type);
                return 0;
            }
            if (a.lowerGuard.isVariable()) substitution.bind(a.lowerGuard.value, makeIntegerTerm(int32_t(lo)));
            return 0;
        }
        FILE *err = errorOutput();
        fprintf(err, "Aggregate function cannot be applied on disjunctive or unstratified predicates, "
                     "if it is used in an assignment with an unbounded variable.\n");
        status = GROUNDER_ASSIGNMENT_ERROR;
        return 0;
    }
    if (aggregateViolated(a, &substitution, &wide)) return negated ? 0 : 1;
    if (aggregateSatisfied(a, &substitution, &wide)) return negated ? 1 : 0;
    return 0;
}

void INSTANTIATOR::resetAggregate(ATOM &atom) {
    AGGREGATE_ATOM *a = atom.aggregate();
    if (!a) return;
    if (a->assignment && a->lowerGuard.isVariable()) substitution.unbind(a->lowerGuard.value);
    AGGREGATEFUNCTION *f = a->getFunction();
    if (!f) return;
    f->reset();
    if (f->ownSet) f->ownSet->clear();
}

bool INSTANTIATOR::isAggregateRecursive(const AGGREGATE_ATOM &aggregate, int32_t component) const {
    const AGGREGATEFUNCTION *f = aggregate.getFunction();
    if (!f) return false;
    for (const GROUND_SET_ELEMENT &e : f->groundSet())
        if (uint32_t(componentOfPredicate(groundAtomTable[e.atom].predicate)) >= uint32_t(component)) return true;
    return false;
}

// An aggregate literal of an instance's body: left out when the match decided it, else its
// ground aggregate atom is numbered, completed in the table and added.
void INSTANTIATOR::addAggregateLiteral(GBODY &out, const LITERAL &literal, const WIDE_BOUNDS &wide) {
    const AGGREGATE_ATOM &a = *literal.atom.aggregate();
    const LITERAL *inner = aggregateSetLiteral(literal.atom);
    if (a.assignment) return;
    if (inner) {
        uint32_t p = inner->atom.predicate;
        if (p < noUndefinedAtoms.size() && noUndefinedAtoms[p]) return;
    }
    if (aggregateSatisfied(a, &substitution, &wide)) return;
    if (literal.isNegated() && aggregateViolated(a, &substitution, &wide)) return;
    ATOM ground(literal.atom.predicate, AGGREGATE_ATOM());
    instantiateAggregateAtom(*ground.aggregate(), a, substitution);
    GATOM_ID id = groundAtomTable.add(std::move(ground));
    internFunction(*groundAtomTable.mutableAggregate(id).aggregate());
    out.add(GLITERAL(id, literal.isNegated()));
}

void INSTANTIATOR::finishPendingRules() {
    struct FINISHED {
        GATOM_ID id;
        WIDE_BOUNDS wide;
    };
    // Every unfinished aggregate atom maps to the ground atom its finished form numbers, so
    // that two rules waiting for the same aggregate share one ground atom.
    std::map<ATOM, FINISHED, ATOM_LESS> finished;
    std::vector<PENDING_GRULE> pending;
    pending.swap(pendingRules);
    for (PENDING_GRULE &rule : pending) {
        bool keep = true;
        substitution = rule.substitution;
        for (const LITERAL &l : rule.aggregates) {
            ATOM unfinished(l.atom.predicate, AGGREGATE_ATOM());
            instantiateAggregateAtom(*unfinished.aggregate(), *l.atom.aggregate(), substitution);
            auto found = finished.find(unfinished);
            FINISHED result;
            if (found == finished.end()) {
                ATOM atom = unfinished;
                LITERAL working(atom, l.isNegated());
                finishAggregate(working, result.wide);
                if (status == GROUNDER_VALUE_ERROR) return;
                result.id = groundAtomTable.add(working.atom);
                finished.emplace(std::move(unfinished), result);
            } else {
                result = found->second;
            }
            AGGREGATE_ATOM &stored = *groundAtomTable.mutableAggregate(result.id).aggregate();
            internFunction(stored);
            bool satisfied = aggregateSatisfied(stored, nullptr, &result.wide);
            bool violated = aggregateViolated(stored, nullptr, &result.wide);
            if (!l.isNegated()) {
                if (violated) keep = false;
                else if (!satisfied) rule.rule.body.add(GLITERAL(result.id, false));
            } else {
                if (satisfied) keep = false;
                else if (!violated) rule.rule.body.add(GLITERAL(result.id, true));
            }
        }
        if (keep) groundRules.push_back(std::move(rule.rule));
    }
    substitution.clear();
}
