#include "grounding/ordered_body.h"

#include <algorithm>
#include <limits>

#include "analysis/aggregate_access.h"
#include "core/builtin.h"
#include "core/printer.h"
#include "core/program.h"
#include "grounding/selectivity_statistics.h"

namespace {

PREDICATE_KIND kindOf(const LITERAL &literal) { return predicateTable.kind(literal.atom.predicate); }
bool isBuiltin(const LITERAL &literal) { return kindOf(literal) == PREDICATE_BUILTIN; }
bool isAggregate(const LITERAL &literal) { return literal.atom.isAggregate(); }

SELECTIVITY_STATISTICS &statistics() {
    // The grounder makes the object; orderings made outside a grounding run get one here.
    if (!selectivityStatistics)
        selectivityStatistics = new SELECTIVITY_STATISTICS();
    return *selectivityStatistics;
}

int32_t builtinKind(const LITERAL &literal) {
    BUILTIN_TYPE *b = lookupBuiltin(literal.atom.predicate);
    return b ? b->getKind() : -1;
}

// The number of leading input arguments; a negative count counts back from the arity.
uint32_t inputCount(const LITERAL &literal) {
    BUILTIN_TYPE *b = lookupBuiltin(literal.atom.predicate);
    int64_t n = b ? b->getInputCount() : 0;
    int64_t arity = literal.atom.argCount();
    if (n < 0)
        n += arity;
    return static_cast<uint32_t>(std::clamp<int64_t>(n, 0, arity));
}

// Calls f for every variable of the term, at any depth of compound terms.
template <class F>
void forEachVariable(TERM t, F &&f) {
    if (t.isVariable()) {
        f(t.value);
    } else if (t.isComplex() && !complexTerm(t).ground) {
        TERM_SET variables;
        complexTerm(t).collectVariables(variables);
        for (TERM v : variables)
            f(v.value);
    }
}

// Calls f once per variable occurrence, at any depth of compound terms.
template <class F>
void forEachOccurrence(TERM t, F &&f) {
    if (t.isVariable()) {
        f(t.value);
        return;
    }
    if (!t.isComplex())
        return;
    std::vector<TERM> stack{t};
    while (!stack.empty()) {
        TERM u = stack.back();
        stack.pop_back();
        if (u.isVariable()) {
            f(u.value);
        } else if (u.isComplex()) {
            std::span<const TERM> args = complexTerm(u).args();
            for (auto it = args.rbegin(); it != args.rend(); ++it)
                stack.push_back(*it);
        }
    }
}

bool variableBound(uint32_t v, const std::vector<uint8_t> &bound) {
    return v < bound.size() && bound[v];
}

// Bound: a constant, an integer, a ground function term, a variable marked bound, or a function
// term whose variables are all marked bound.
bool termBound(TERM t, const std::vector<uint8_t> &bound) {
    if (t.isVariable())
        return variableBound(t.value, bound);
    if (t.isComplex()) {
        bool all = true;
        forEachVariable(t, [&](uint32_t v) { all = all && variableBound(v, bound); });
        return all;
    }
    return true;
}

bool allArgumentsBound(const LITERAL &literal, const std::vector<uint8_t> &bound,
                       uint32_t upTo = std::numeric_limits<uint32_t>::max()) {
    std::span<const TERM> args = literal.atom.args();
    for (uint32_t i = 0; i < args.size() && i < upTo; i++)
        if (!termBound(args[i], bound))
            return false;
    return true;
}

uint32_t boundArgumentCount(const LITERAL &literal, const std::vector<uint8_t> &bound) {
    uint32_t n = 0;
    for (TERM t : literal.atom.args())
        if (termBound(t, bound))
            n++;
    return n;
}

// Global variables of an aggregate literal: the lower guard when it is a variable, the upper
// guard when it is a variable and the aggregate is no assignment, and every variable of the
// symbolic set's first literal that is not aggregated over.
template <class F>
void forEachGlobalVariable(const LITERAL &literal, F &&f) {
    const AGGREGATE_ATOM *a = literal.atom.aggregate();
    if (!a)
        return;
    if (a->lowerGuard.isVariable())
        f(a->lowerGuard.value);
    if (a->upperGuard.isVariable() && !a->assignment)
        f(a->upperGuard.value);
    const LITERAL *set = aggregateSetLiteral(literal.atom);
    if (!set)
        return;
    std::span<const TERM> aggregated = aggregatedTerms(literal.atom);
    for (TERM t : set->atom.args())
        forEachVariable(t, [&](uint32_t v) {
            for (TERM x : aggregated)
                if (x.isVariable() && x.value == v)
                    return;
            f(v);
        });
}

}  // namespace

bool ORDERED_BODY::isComplete(uint32_t predicate) const {
    return predicate < complete.size() && complete[predicate];
}

int ORDERED_BODY::recursiveFlag(uint32_t predicate) const {
    PREDICATE_KIND k = predicateTable.kind(predicate);
    if (k == PREDICATE_EDB || k == PREDICATE_BUILTIN)
        return 0;
    return isComplete(predicate) ? 0 : 1;
}

bool ORDERED_BODY::withDelta(uint32_t predicate) const { return recursiveFlag(predicate) == 1; }

// Variable slots: one more than the highest variable number anywhere in the body.
void ORDERED_BODY::countVariableSlots() {
    const CONJUNCTION &b = *body;
    uint32_t highest = 0;
    bool any = false;
    auto see = [&](uint32_t v) {
        highest = std::max(highest, v);
        any = true;
    };
    for (const LITERAL &l : b) {
        if (const AGGREGATE_ATOM *a = l.atom.aggregate()) {
            if (a->lowerGuard.isVariable()) see(a->lowerGuard.value);
            if (a->upperGuard.isVariable()) see(a->upperGuard.value);
            if (const LITERAL *set = aggregateSetLiteral(l.atom))
                for (TERM t : set->atom.args()) forEachOccurrence(t, see);
        } else {
            for (TERM t : l.atom.args()) forEachOccurrence(t, see);
        }
    }
    variableSlots = any ? highest + 1 : 0;
    occurrences.assign(variableSlots, 0);
}

// Per literal: whether it is recursive and its semi-naive code (the first recursive literal is
// the Delta literal under -OGs); whether aggregates and built-ins occur; the occurrences of each
// variable, and the highest variable that occurs.
void ORDERED_BODY::classifyLiterals(uint32_t iteration) {
    const CONJUNCTION &b = *body;
    const uint32_t n = literalCount;
    auto count = [&](uint32_t v) { occurrences[v]++; };

    for (uint32_t i = 0; i < n; i++) {
        const LITERAL &l = b[i];
        if (isBuiltin(l))
            builtinState = 1;
        uint32_t p = l.atom.predicate;
        PREDICATE_KIND k = predicateTable.kind(p);
        // An aggregate literal is evaluated against its complete symbolic set whatever its code,
        // so it never takes part in the semi-naive variants: were it the Delta literal, a
        // variant would repeat the instances of the previous iteration.
        bool rec = !exitFlag && !l.isNegated() && k != PREDICATE_EDB && k != PREDICATE_BUILTIN &&
                   !isComplete(p) && !isAggregate(l);
        if (rec) {
            lastRecursive = static_cast<int32_t>(i);
            recursive[i] = 1;
            if (deltaLiteral != -1 || !config.optOGs) {
                semiNaiveCode[i] = SEMI_NAIVE_I_DELTA;
            } else {
                deltaLiteral = static_cast<int32_t>(i);
                semiNaiveCode[i] = iteration == 0 ? SEMI_NAIVE_I_DELTA : SEMI_NAIVE_DELTA;
            }
        }
        if (const AGGREGATE_ATOM *a = l.atom.aggregate()) {
            aggregateState = 1;
            if (a->lowerGuard.isVariable())
                count(a->lowerGuard.value);
            if (a->upperGuard.isVariable() && compareTerm(a->upperGuard, a->lowerGuard) != 0)
                count(a->upperGuard.value);
            if (const LITERAL *set = aggregateSetLiteral(l.atom))
                for (TERM t : set->atom.args()) forEachOccurrence(t, count);
        } else if (l.atom.argCount() > 0) {
            if (!l.isNegated() && k != PREDICATE_EDB && k != PREDICATE_BUILTIN && !isComplete(p))
                statistics().invalidate(p);
            for (TERM t : l.atom.args()) forEachOccurrence(t, count);
        }
    }
    for (uint32_t v = variableSlots; v-- > 0;)
        if (occurrences[v] != 0) {
            highestVariable = v;
            break;
        }
}

// The initial order: the positive literals, then the others as written. False when a positive
// literal has an empty extension and no variant can match (`noFurtherVariant` is then set).
bool ORDERED_BODY::placePositiveLiterals() {
    const CONJUNCTION &b = *body;
    const uint32_t n = literalCount;
    // Initial order of the positive literals: solved literals fill the positive range from its
    // end (the first solved literal last); the others are sorted by extension size, stable.
    uint32_t placed = 0;  // non-solved literals placed so far, at positions [0, placed)
    for (uint32_t i = 0; i < positiveCount; i++) {
        const LITERAL &l = b[i];
        uint32_t e = extensionSize(i);
        if (config.optOGo == 0) {
            if (e == 0) {
                variantEmpty = 1;
                if (semiNaiveCode[i] != SEMI_NAIVE_DELTA || deltaLiteral == lastRecursive) {
                    noFurtherVariant = 1;
                    return false;
                }
            }
            order[i] = i;
        } else if (e == 0) {
            variantEmpty = 1;
            if (semiNaiveCode[i] != SEMI_NAIVE_DELTA || deltaLiteral == lastRecursive) {
                noFurtherVariant = 1;
                return false;
            }
            if (isSolvedLiteral(l)) {
                order[positiveCount - 1 - solvedCount] = i;
                solvedCount++;
            } else {
                for (uint32_t k = placed; k > 0; k--)
                    order[k] = order[k - 1];
                order[0] = i;
                placed++;
            }
        } else if (isSolvedLiteral(l)) {
            order[positiveCount - 1 - solvedCount] = i;
            solvedCount++;
        } else {
            uint32_t k = placed;
            while (k > 0 && extensionSize(order[k - 1]) > e) {
                order[k] = order[k - 1];
                k--;
            }
            order[k] = i;
            placed++;
        }
        if (static_cast<int32_t>(i) == deltaLiteral)
            deltaExtension = e;
    }
    for (uint32_t i = positiveCount; i < n; i++)
        order[i] = i;
    return true;
}

ORDERED_BODY::ORDERED_BODY(const CONJUNCTION &b, std::span<const uint32_t> atomCount_,
                           std::span<const uint32_t> deltaCount_, std::span<const uint8_t> complete_,
                           std::span<const uint8_t> noUndefinedAtoms_, bool exit, uint32_t iteration,
                           const INTERPRETATION *delta_, const GROUNDING_CONFIG &config_)
    : body(&b), exitFlag(exit), atomCount(atomCount_), deltaCount(deltaCount_),
      complete(complete_), noUndefinedAtoms(noUndefinedAtoms_), delta(delta_), config(config_) {
    literalCount = b.size();
    positiveCount = b.firstNegative;
    uint32_t n = literalCount;
    order.assign(n, 0);
    recursive.assign(n, 0);
    semiNaiveCode.assign(n, SEMI_NAIVE_I);
    positionOf.assign(n, 0);
    aggregateVariables.assign(n, {});

    countVariableSlots();
    classifyLiterals(iteration);
    if (!placePositiveLiterals()) return;
    for (uint32_t k = 0; k < n; k++)
        positionOf[order[k]] = k;

    if (config.optOGo < 2 && aggregateState != 0 && !variantEmpty)
        placeAggregatesAfterBinders();
    collectAggregateVariables();
    if (!variantEmpty && config.optOGo >= 2)
        orderAdvanced();
    computeFirstBindings();
}

// Without the greedy ordering an aggregate written before the literals that bind its global
// variables would be evaluated with those variables unbound: move it behind the first position
// by which they are all bound. Each aggregate moves at most once, so two aggregates that wait for
// each other stay where they are.
void ORDERED_BODY::placeAggregatesAfterBinders() {
    std::vector<uint8_t> moved(literalCount, 0);
    std::vector<uint8_t> bound(variableSlots, 0);
    auto bindAt = [&](uint32_t k, std::vector<uint8_t> &marks) {
        const LITERAL &l = literalAt(k);
        if (l.isNegated())
            return;
        if (const AGGREGATE_ATOM *a = l.atom.aggregate()) {
            if (a->assignment && a->lowerGuard.isVariable() && a->lowerGuard.value < marks.size())
                marks[a->lowerGuard.value] = 1;
            return;
        }
        for (TERM t : l.atom.args())
            forEachVariable(t, [&](uint32_t v) {
                if (v < marks.size()) marks[v] = 1;
            });
    };
    auto waiting = [&](const LITERAL &l, const std::vector<uint8_t> &marks) {
        const AGGREGATE_ATOM *a = l.atom.aggregate();
        bool waits = false;
        forEachGlobalVariable(l, [&](uint32_t v) {
            if (a->assignment && a->lowerGuard.isVariable() && a->lowerGuard.value == v)
                return;  // the assignment binds it
            if (!variableBound(v, marks))
                waits = true;
        });
        return waits;
    };
    for (uint32_t k = 0; k < positiveCount; k++) {
        uint32_t index = order[k];
        const LITERAL &l = (*body)[index];
        if (isAggregate(l) && !moved[index] && waiting(l, bound)) {
            std::vector<uint8_t> marks = bound;
            uint32_t target = k;
            for (uint32_t j = k + 1; j < positiveCount; j++) {
                bindAt(j, marks);
                if (!waiting(l, marks)) {
                    target = j;
                    break;
                }
            }
            if (target != k) {
                moved[index] = 1;
                for (uint32_t j = k; j < target; j++)
                    order[j] = order[j + 1];
                order[target] = index;
                for (uint32_t j = k; j <= target; j++)
                    positionOf[order[j]] = j;
                k--;  // examine the literal that moved into place k
                continue;
            }
        }
        bindAt(k, bound);
    }
}

uint32_t ORDERED_BODY::extensionSizeOf(uint32_t index, uint32_t code) const {
    const LITERAL &l = (*body)[index];
    uint32_t p = l.atom.predicate;
    if (isAggregate(l))
        return 0xFFFFFFFFu;
    PREDICATE_KIND k = predicateTable.kind(p);
    uint64_t atoms = p < atomCount.size() ? atomCount[p] : 0;
    if (k == PREDICATE_EDB)
        return static_cast<uint32_t>(atoms);
    if (k == PREDICATE_BUILTIN)
        return 1;
    uint64_t deltas = p < deltaCount.size() ? deltaCount[p] : 0;
    uint64_t e = code == SEMI_NAIVE_I ? atoms : code == SEMI_NAIVE_DELTA ? deltas : atoms + deltas;
    return static_cast<uint32_t>(std::min<uint64_t>(e, 0xFFFFFFFFu));
}

uint32_t ORDERED_BODY::extensionSize(uint32_t index) const {
    return extensionSizeOf(index, semiNaiveCode[index]);
}

bool ORDERED_BODY::isSolvedLiteral(const LITERAL &literal) const {
    if (isBuiltin(literal) || isAggregate(literal))
        return false;
    std::span<const TERM> args = literal.atom.args();
    if (args.empty())
        return false;
    auto once = [&](uint32_t v) { return v >= occurrences.size() || occurrences[v] <= 1; };
    for (TERM t : args) {
        if (t.isVariable()) {
            if (!once(t.value))
                return false;
            continue;
        }
        if (!t.isComplex())
            return false;
        // A function term ends the examination: its variable arguments must occur once; its
        // first nested function term ends the examination of it in the same way.
        TERM f = t;
        for (;;) {
            TERM nested{};
            bool descend = false;
            for (TERM u : complexTerm(f).args()) {
                if (u.isVariable()) {
                    if (!once(u.value))
                        return false;
                } else if (u.isComplex()) {
                    nested = u;
                    descend = true;
                    break;
                }
            }
            if (!descend)
                return true;
            f = nested;
        }
    }
    return true;
}

bool ORDERED_BODY::canEvaluateAssignment(const LITERAL &literal,
                                         const std::vector<uint8_t> &bound) const {
    const LITERAL *set = aggregateSetLiteral(literal.atom);
    if (!set)
        return false;
    uint32_t index = literalIndexOf(literal);
    for (TERM t : set->atom.args())
        if (t.isVariable() && aggregateVariables[index].count(t.value) && !variableBound(t.value, bound))
            return false;
    uint32_t p = set->atom.predicate;
    return isComplete(p) && p < noUndefinedAtoms.size() && noUndefinedAtoms[p];
}

bool ORDERED_BODY::isAggregateReady(uint32_t index, const std::vector<uint8_t> &bound) const {
    uint32_t unbound = 0;
    for (uint32_t v : aggregateVariables[index])
        if (!variableBound(v, bound))
            unbound++;
    if (unbound == 0)
        return true;
    const LITERAL &l = (*body)[index];
    return unbound == 1 && l.atom.aggregate()->assignment && canEvaluateAssignment(l, bound);
}

int ORDERED_BODY::classifyLiteral(const LITERAL &literal, const std::vector<uint8_t> &bound) const {
    if (isAggregate(literal))
        return isAggregateReady(literalIndexOf(literal), bound) ? 4 : 10;
    if (isSolvedLiteral(literal))
        return 6;
    if (literal.isNegated())
        return allArgumentsBound(literal, bound) ? 2 : 9;
    if (!isBuiltin(literal))
        return allArgumentsBound(literal, bound) ? 1 : 3;
    uint32_t inputs = inputCount(literal);
    bool inputsBound = allArgumentsBound(literal, bound, inputs);
    int32_t kind = builtinKind(literal);
    if (kind == 11)  // #rand
        return (allArgumentsBound(literal, bound) || inputs == 0 || inputsBound) ? 7 : 8;
    if (allArgumentsBound(literal, bound))
        return 0;
    // #int enumerates its output early, but only once its range is known; with an unbound
    // bound of the range it waits like any built-in.
    if (kind == 6)
        return inputsBound ? 5 : 8;
    return (inputs == 0 || inputsBound) ? 0 : 8;
}

void ORDERED_BODY::estimateVariableDomains(std::vector<double> &domain, std::vector<uint32_t> &count) {
    domain.assign(variableSlots, 0.0);
    count.assign(variableSlots, 0);
    for (uint32_t k = 0; k < literalCount; k++) {
        const LITERAL &l = literalAt(k);
        if (isAggregate(l) || l.atom.argCount() == 0)
            continue;
        std::span<const TERM> args = l.atom.args();
        uint32_t p = l.atom.predicate;
        for (uint32_t j = 0; j < args.size(); j++) {
            if (!args[j].isVariable())
                continue;
            uint32_t v = args[j].value;
            count[v] += 1;
            if (!l.isNegated() && !isBuiltin(l)) {
                statistics().ensure(l, withDelta(p), delta);
                double d = statistics().count(p, j);
                if (domain[v] < d)
                    domain[v] = d;
            }
        }
    }
}

void ORDERED_BODY::updateVariableSelectivity(const LITERAL &literal, std::vector<double> &selectivity,
                                             const std::vector<double> &domain) {
    std::span<const TERM> args = literal.atom.args();
    uint32_t p = literal.atom.predicate;
    bool builtin = isBuiltin(literal);
    for (uint32_t j = 0; j < args.size(); j++) {
        if (!args[j].isVariable())
            continue;
        uint32_t v = args[j].value;
        double x = 1.0;
        if (!builtin) {
            statistics().ensure(literal, withDelta(p), delta);
            x = statistics().count(p, j);
        }
        selectivity[v] = (x * selectivity[v]) / domain[v];
    }
}

double ORDERED_BODY::estimateResultSize(const LITERAL &literal, uint32_t extension,
                                        const std::vector<uint8_t> &bound,
                                        const std::vector<double> &selectivity,
                                        const std::vector<double> &domain,
                                        const std::vector<uint32_t> &count) {
    double r = static_cast<double>(extension);
    std::span<const TERM> args = literal.atom.args();
    uint32_t p = literal.atom.predicate;
    for (uint32_t j = 0; j < args.size(); j++) {
        if (!args[j].isVariable())
            continue;
        uint32_t v = args[j].value;
        if (count[v] > 1)
            r = (r * selectivity[v]) / (domain[v] * domain[v]);
        if (variableBound(v, bound)) {
            statistics().ensure(literal, withDelta(p), delta);
            r = (r * statistics().count(p, j)) / (domain[v] * domain[v]);
        }
    }
    return r;
}

bool ORDERED_BODY::isBetterCandidate(uint32_t a, uint32_t b, int codeA, int codeB,
                                     const std::vector<uint8_t> &bound,
                                     const std::vector<double> &selectivity,
                                     const std::vector<double> &domain,
                                     const std::vector<uint32_t> &count) {
    if (codeA != 3 || codeB != 3)
        return codeA <= codeB;
    const LITERAL &A = (*body)[a];
    const LITERAL &B = (*body)[b];
    int64_t bA = boundArgumentCount(A, bound);
    int64_t bB = boundArgumentCount(B, bound);
    uint32_t eA = extensionSize(a);
    uint32_t eB = extensionSize(b);
    double rA = estimateResultSize(A, eA, bound, selectivity, domain, count);
    double rB = estimateResultSize(B, eB, bound, selectivity, domain, count);
    if (rA < rB)
        return true;
    if (rA == rB && eA < eB)
        return true;
    if (rA == rB && eA == eB) {
        int64_t arityA = predicateTable.arity(A.atom.predicate);
        int64_t arityB = predicateTable.arity(B.atom.predicate);
        return arityA - bA >= arityB - bB;
    }
    return false;
}

// A magic literal (the bindings that a query passes to a rule, made by magic sets) over a
// predicate that is already complete binds what the rule is asked about. A literal that has no
// bound argument yet and shares a variable with such a literal still to be placed waits for it:
// placed first, it would be scanned whole instead of looked up by the asked bindings.
void ORDERED_BODY::markWaitingForMagic(uint32_t k, const std::vector<uint8_t> &bound,
                                       std::vector<uint8_t> &waits) const {
    waits.assign(literalCount, 0);
    auto isMagic = [&](const LITERAL &l) {
        return !l.isNegated() && !isAggregate(l) && isComplete(l.atom.predicate) &&
               predicateTable.nameView(l.atom.predicate).starts_with("magic#");
    };
    for (uint32_t m = k; m < literalCount; m++) {
        const LITERAL &magic = literalAt(m);
        if (!isMagic(magic))
            continue;
        for (uint32_t j = k; j < literalCount; j++) {
            const LITERAL &l = literalAt(j);
            if (j == m || l.isNegated() || isAggregate(l) || isBuiltin(l) || boundArgumentCount(l, bound) != 0)
                continue;
            for (TERM t : magic.atom.args())
                if (t.isVariable() && termsContain(l.atom.args(), t))
                    waits[order[j]] = 1;
        }
    }
}

void ORDERED_BODY::swapPositions(uint32_t k, uint32_t j) {
    std::swap(order[k], order[j]);
    positionOf[order[k]] = k;
    positionOf[order[j]] = j;
}

void ORDERED_BODY::orderAdvanced() {
    uint32_t n = literalCount;
    if (builtinState == 0 && aggregateState == 0 && n - solvedCount <= 1)
        return;
    std::vector<uint8_t> bound(variableSlots, 0);
    std::vector<double> domain;
    std::vector<uint32_t> count;
    estimateVariableDomains(domain, count);
    std::vector<double> selectivity = domain;
    std::vector<uint8_t> waits;

    for (uint32_t k = 0; k < n; k++) {
        uint32_t best = k;
        int bestCode = classifyLiteral(literalAt(k), bound);
        markWaitingForMagic(k, bound, waits);
        for (uint32_t j = k + 1; j < n; j++) {
            int code = classifyLiteral(literalAt(j), bound);
            bool keep = bestCode == 3 && code == 3 && waits[order[best]] != waits[order[j]]
                            ? !waits[order[best]]
                            : isBetterCandidate(order[best], order[j], bestCode, code, bound,
                                                selectivity, domain, count);
            if (!keep) {
                best = j;
                bestCode = code;
            }
        }
        if (bestCode == 10) {
            const LITERAL &l = literalAt(best);
            const LITERAL *set = aggregateSetLiteral(l.atom);
            uint32_t p = set ? set->atom.predicate : 0;
            if (set && isComplete(p) && p < noUndefinedAtoms.size() && noUndefinedAtoms[p]) {
                fflush(stdout);
                fprintf(stderr, "Cyclic assignment dependency for _%u in %s",
                        l.atom.aggregate()->lowerGuard.value, l.isNegated() ? "not " : "");
                printAtom(stderr, l.atom);
                fputc('\n', stderr);
                aggregateState = 2;
                return;
            }
            break;  // the matcher deals with the aggregates left where they are
        }
        if (bestCode == 8) {
            fflush(stdout);
            fputs("Cyclic dependency among aggregates and builtins \n", stderr);
            builtinState = 2;
            return;
        }
        if (best != k)
            swapPositions(k, best);
        const LITERAL &l = literalAt(k);
        if (const AGGREGATE_ATOM *a = l.atom.aggregate()) {
            if (const LITERAL *set = aggregateSetLiteral(l.atom))
                statistics().ensure(*set, false, delta);
            if (!l.isNegated() && a->assignment && a->lowerGuard.isVariable() &&
                a->lowerGuard.value < bound.size())
                bound[a->lowerGuard.value] = 1;
        } else if (!l.isNegated() && l.atom.argCount() > 0) {
            updateVariableSelectivity(l, selectivity, domain);
            for (TERM t : l.atom.args())
                forEachVariable(t, [&](uint32_t v) {
                    if (v < bound.size()) bound[v] = 1;
                });
        }
    }
    if (!variantEmpty && config.optStatsGrounding) {
        fflush(stdout);
        print(stderr);
    }
}

void ORDERED_BODY::print(FILE *stream) const {
    if (!config.optStatsGrounding)
        return;
    fputs("               Ordered Body:\n               ", stream);
    for (uint32_t k = 0; k < literalCount; k++) {
        const LITERAL &l = literalAt(k);
        if (k > 0)
            fputs(", ", stream);
        if (l.isNegated())
            fputs("not ", stream);
        printAtom(stream, l.atom);
    }
    fputc('\n', stream);
}

void ORDERED_BODY::computeFirstBindings() {
    firstBinding.assign(static_cast<size_t>(highestVariable) + 1, -1);
    auto give = [&](uint32_t v, uint32_t k) {
        if (v < firstBinding.size() && firstBinding[v] == -1)
            firstBinding[v] = static_cast<int32_t>(k);
    };
    for (uint32_t k = 0; k < literalCount; k++) {
        const LITERAL &l = literalAt(k);
        if (const AGGREGATE_ATOM *a = l.atom.aggregate()) {
            if (a->assignment && a->lowerGuard.isVariable())
                give(a->lowerGuard.value, k);
            continue;
        }
        for (TERM t : l.atom.args())
            forEachVariable(t, [&](uint32_t v) { give(v, k); });
    }
}

void ORDERED_BODY::collectAggregateVariables() {
    for (std::unordered_set<uint32_t> &s : aggregateVariables)
        s.clear();
    for (uint32_t k = 0; k < literalCount; k++) {
        const LITERAL &l = literalAt(k);
        if (!isAggregate(l))
            continue;
        std::unordered_set<uint32_t> &s = aggregateVariables[literalIndexAt(k)];
        forEachGlobalVariable(l, [&](uint32_t v) { s.insert(v); });
    }
}

// Moves the literal at `from` to `to`, shifting the literals between by one place.
void ORDERED_BODY::moveLiteral(uint32_t from, uint32_t to) {
    uint32_t index = order[from];
    if (from > to)
        for (uint32_t j = from; j > to; j--)
            order[j] = order[j - 1];
    else
        for (uint32_t j = from; j < to; j++)
            order[j] = order[j + 1];
    order[to] = index;
    for (uint32_t j = std::min(from, to); j <= std::max(from, to); j++)
        positionOf[order[j]] = j;
}

void ORDERED_BODY::nextSemiNaiveVariant() {
    if (deltaLiteral < 0)
        return;
    uint32_t d = static_cast<uint32_t>(deltaLiteral);
    variantEmpty = 0;
    semiNaiveCode[d] = SEMI_NAIVE_I;
    uint32_t e = extensionSize(d);
    if (e == 0) {
        variantEmpty = 1;
        noFurtherVariant = 1;
        return;
    }
    uint32_t rangeEnd = positiveCount - solvedCount;  // end of the non-solved positive range
    if (config.optOGo != 0) {
        uint32_t p = positionOf[d];
        if (p < rangeEnd) {
            if (e < deltaExtension) {
                uint32_t to = p;
                while (to > 0 && extensionSize(order[to - 1]) > e)
                    to--;
                moveLiteral(p, to);
            } else if (e > deltaExtension && p + 1 < rangeEnd) {
                uint32_t to = p;
                while (to + 1 < rangeEnd && extensionSize(order[to + 1]) < e)
                    to++;
                moveLiteral(p, to);
            }
        }
    }
    uint32_t next = d + 1;
    while (next < literalCount && !recursive[next])
        next++;
    if (next >= literalCount) {  // no later recursive literal: nothing is left to vary
        noFurtherVariant = 1;
        return;
    }
    deltaLiteral = static_cast<int32_t>(next);
    semiNaiveCode[next] = SEMI_NAIVE_DELTA;
    uint32_t e2 = extensionSize(next);
    uint32_t p2 = positionOf[next];
    if (e2 == 0) {
        variantEmpty = 1;
        if (deltaLiteral == lastRecursive)
            return;
        if (config.optOGo != 0 && p2 != 0 && p2 < rangeEnd)
            moveLiteral(p2, 0);
    } else if (config.optOGo != 0 && p2 != 0 && p2 < rangeEnd) {
        uint32_t to = p2;
        while (to > 0 && extensionSize(order[to - 1]) > e2)
            to--;
        moveLiteral(p2, to);
    }
    deltaExtension = e2;
    currentPosition = 0;
    if (config.optOGo < 2 && aggregateState != 0 && !variantEmpty)
        placeAggregatesAfterBinders();
    if (!variantEmpty && config.optOGo >= 2)
        orderAdvanced();
    collectAggregateVariables();
    computeFirstBindings();
}

const LITERAL &ORDERED_BODY::literalAt(uint32_t position) const { return (*body)[order[position]]; }
uint32_t ORDERED_BODY::literalIndexAt(uint32_t position) const { return order[position]; }
uint32_t ORDERED_BODY::positionOfLiteral(uint32_t index) const { return positionOf[index]; }

const LITERAL *ORDERED_BODY::stepForward() {
    currentPosition++;
    if (currentPosition >= literalCount)
        return nullptr;
    return &literalAt(currentPosition);
}

const LITERAL &ORDERED_BODY::stepBack() {
    currentPosition--;
    return literalAt(currentPosition);
}

bool ORDERED_BODY::noFurtherVariantLeft() const {
    return noFurtherVariant || deltaLiteral == lastRecursive || !config.optOGs;
}

int32_t chooseIndexArgument(const LITERAL &literal, uint32_t position,
                            std::span<const int32_t> firstBinding, bool recursive,
                            const INTERPRETATION *delta) {
    std::span<const TERM> args = literal.atom.args();
    if (args.empty())
        return -1;
    // A variable that no literal binds (first binding -1) stays unbound whatever the position.
    auto unboundHere = [&](uint32_t v) {
        return v >= firstBinding.size() || firstBinding[v] < 0 ||
               static_cast<uint32_t>(firstBinding[v]) >= position;
    };
    bool allBound = true;
    double bestCount = -1.0;
    int32_t best = -1;
    for (uint32_t i = 0; i < args.size(); i++) {
        TERM t = args[i];
        bool unbound = false;
        if (t.isVariable())
            unbound = unboundHere(t.value);
        else if (t.isComplex())
            forEachVariable(t, [&](uint32_t v) { unbound = unbound || unboundHere(v); });
        if (unbound) {
            allBound = false;
            continue;
        }
        statistics().ensure(literal, recursive, delta);
        double c = statistics().count(literal.atom.predicate, i);
        if (c > bestCount) {
            bestCount = c;
            best = static_cast<int32_t>(i);
        }
    }
    return allBound ? -1 : best;
}
