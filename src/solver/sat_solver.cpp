#include "solver/sat_solver.h"

#include <algorithm>
#include <limits>

#include "driver/diagnostics.h"

void SAT_SOLVER::reset(uint32_t variableCount) {
    // Literal codes run to 2n - 1 in 32 bits; ground atom numbers never come near that.
    if (variableCount > uint32_t(std::numeric_limits<int32_t>::max() / 2)) internalError("model check");
    n = variableCount;
    emptyClause = false;
    literals.clear();
    clauseStart.assign(1, 0);
    active.clear();
    freeCount.clear();
    literalMark.assign(size_t(2) * n, 0);
    loadStamp = 0;
}

void SAT_SOLVER::addClause(const int32_t *clause, size_t count) {
    if (++loadStamp == 0) {
        literalMark.assign(literalMark.size(), 0);
        loadStamp = 1;
    }
    size_t start = literals.size();
    for (size_t i = 0; i < count; ++i) {
        int32_t l = clause[i];
        if (literalMark[size_t(l)] == loadStamp) continue;
        if (literalMark[size_t(complement(l))] == loadStamp) {
            literals.resize(start);  // a tautology constrains nothing
            return;
        }
        literalMark[size_t(l)] = loadStamp;
        literals.push_back(l);
    }
    size_t length = literals.size() - start;
    if (length == 0) emptyClause = true;
    clauseStart.push_back(literals.size());
    active.push_back(1);
    freeCount.push_back(uint32_t(length));
}

void SAT_SOLVER::buildOccurrences() {
    size_t literalCodes = size_t(2) * n;
    occurrenceStart.assign(literalCodes + 1, 0);
    for (int32_t l : literals) ++occurrenceStart[size_t(l) + 1];
    for (size_t i = 0; i < literalCodes; ++i) occurrenceStart[i + 1] += occurrenceStart[i];
    occurrences.resize(literals.size());
    occurrenceFill.assign(occurrenceStart.begin(), occurrenceStart.end() - 1);
    std::vector<size_t> &fill = occurrenceFill;
    uint32_t clauses = uint32_t(active.size());
    for (uint32_t c = 0; c < clauses; ++c)
        for (const int32_t *p = clauseBegin(c); p != clauseEnd(c); ++p) occurrences[fill[size_t(*p)]++] = c;
}

// Walks the clauses that hold the literal just made false. The conflict-testing variants stop at
// a clause whose last free literal this is; the real variants record every shortening so that
// backtracking can give it back, the tentative ones leave unit clauses to the unit list alone.
bool SAT_SOLVER::shorten(int32_t falseLiteral, bool real, bool conflictTest) {
    for (const uint32_t *p = occurrenceBegin(falseLiteral); p != occurrenceEnd(falseLiteral); ++p) {
        uint32_t c = *p;
        if (!active[c]) continue;
        if (freeCount[c] == 1 && conflictTest) return false;
        if (freeCount[c] == 2) {
            unitList.push_back(c);
            freeCount[c] = 1;
            if (real) shortenedTrail.push_back(c);
        } else {
            if (freeCount[c] > 0) --freeCount[c];
            shortenedTrail.push_back(c);
        }
    }
    return true;
}

void SAT_SOLVER::satisfy(int32_t trueLiteral) {
    for (const uint32_t *p = occurrenceBegin(trueLiteral); p != occurrenceEnd(trueLiteral); ++p) {
        if (!active[*p]) continue;
        active[*p] = 0;
        satisfiedTrail.push_back(*p);
    }
}

void SAT_SOLVER::assignForced(int32_t trueLiteral) {
    uint32_t v = variableOf(trueLiteral);
    value[v] = isPositive(trueLiteral) ? 1 : 0;
    alternative[v] = -1;
    isFree[v] = 0;
    stack.push_back(v);
    shorten(complement(trueLiteral), true, false);
    satisfy(trueLiteral);
}

void SAT_SOLVER::assignTentative(int32_t trueLiteral) {
    uint32_t v = variableOf(trueLiteral);
    value[v] = isPositive(trueLiteral) ? 1 : 0;
    isFree[v] = 0;
    stack.push_back(v);
    shorten(complement(trueLiteral), false, false);
}

bool SAT_SOLVER::unitPropagate() {
    for (size_t i = 0; i < unitList.size(); ++i) {
        uint32_t c = unitList[i];
        if (!active[c]) continue;
        const int32_t *p = clauseBegin(c);
        while (p != clauseEnd(c) && !isFree[variableOf(*p)]) ++p;
        if (p == clauseEnd(c)) continue;
        uint32_t v = variableOf(*p);
        value[v] = isPositive(*p) ? 1 : 0;
        alternative[v] = -1;
        if (!shorten(complement(*p), true, true)) return false;
        isFree[v] = 0;
        stack.push_back(v);
        satisfy(*p);
    }
    unitList.clear();
    return true;
}

// Entries before the unit list's current length were visited by an enclosing propagation; a
// nested run (a probe inside a look-ahead) starts after them.
bool SAT_SOLVER::tentativePropagate() {
    ++lookaheadCounter;
    for (size_t i = 0; i < unitList.size(); ++i) {
        uint32_t c = unitList[i];
        const int32_t *p = clauseBegin(c);
        while (p != clauseEnd(c) && !isFree[variableOf(*p)]) ++p;
        if (p == clauseEnd(c)) continue;
        uint32_t v = variableOf(*p);
        value[v] = isPositive(*p) ? 1 : 0;
        if (!shorten(complement(*p), false, true)) return false;
        isFree[v] = 0;
        stack.push_back(v);
    }
    return true;
}

void SAT_SOLVER::undoLookahead(const MARKS &m) {
    for (size_t i = m.units; i < unitList.size(); ++i) ++freeCount[unitList[i]];
    unitList.resize(m.units);
    for (size_t i = m.stack; i < stack.size(); ++i) isFree[stack[i]] = 1;
    stack.resize(m.stack);
    for (size_t i = m.shortened; i < shortenedTrail.size(); ++i) ++freeCount[shortenedTrail[i]];
    shortenedTrail.resize(m.shortened);
}

int64_t SAT_SOLVER::runScore(size_t shortenedMark, SCORE kind) const {
    int64_t score = 0;
    for (size_t i = shortenedMark; i < shortenedTrail.size(); ++i) {
        uint32_t c = shortenedTrail[i];
        if (freeCount[c] != 2) continue;
        for (const int32_t *p = clauseBegin(c); p != clauseEnd(c); ++p) {
            uint32_t v = variableOf(*p);
            if (!isFree[v]) continue;
            bool positiveLiteral = isPositive(*p);
            int64_t two = positiveLiteral ? negativeTwo[v] : positiveTwo[v];
            int64_t other = positiveLiteral ? negativeOther[v] : positiveOther[v];
            score += kind == SCORE_SIMPLE ? two : other + 5 * two;
        }
    }
    return score;
}

SAT_SOLVER::LOOKAHEAD SAT_SOLVER::lookahead(uint32_t v, SCORE kind) {
    MARKS m = marks();
    assignTentative(positive(v));
    if (!tentativePropagate()) {
        undoLookahead(m);
        assignForced(negative(v));
        return LOOKAHEAD_FORCED;
    }
    trueScore[v] = runScore(m.shortened, kind);
    undoLookahead(m);
    assignTentative(negative(v));
    if (!tentativePropagate()) {
        undoLookahead(m);
        assignForced(positive(v));
        return LOOKAHEAD_FORCED;
    }
    falseScore[v] = runScore(m.shortened, kind);
    undoLookahead(m);
    candidates.push_back(v);
    return LOOKAHEAD_SCORED;
}

SAT_SOLVER::LOOKAHEAD SAT_SOLVER::doubleLookaheadOf(uint32_t v) {
    MARKS m = marks();
    for (int side = 1; side >= 0; --side) {
        int32_t literal = side ? positive(v) : negative(v);
        assignTentative(literal);
        bool consistent = tentativePropagate();
        int64_t reduction = int64_t(shortenedTrail.size() - m.shortened);
        if (consistent && reduction > int64_t(doubleThreshold) && reduction > largestReduction) {
            largestReduction = reduction;
            consistent = doubleLookahead(m.shortened);
        }
        undoLookahead(m);
        if (!consistent) {
            assignForced(complement(literal));
            return LOOKAHEAD_FORCED;
        }
        (side ? trueScore : falseScore)[v] = reduction;
    }
    candidates.push_back(v);
    return LOOKAHEAD_SCORED;
}

bool SAT_SOLVER::doubleLookahead(size_t shortenedMark) {
    for (size_t i = shortenedMark; i < shortenedTrail.size(); ++i) {
        uint32_t c = shortenedTrail[i];
        if (freeCount[c] != 2) continue;
        for (const int32_t *p = clauseBegin(c); p != clauseEnd(c); ++p) {
            uint32_t w = variableOf(*p);
            if (!isFree[w] || stamp[w] >= lookaheadCounter) continue;
            stamp[w] = lookaheadCounter;
            bool ok = true;
            if (isPositive(*p)) {
                if (negativeTwo[w] > 0) ok = probe(w, true);
            } else if (positiveTwo[w] > 0) {
                ok = probe(w, false);
            }
            if (!ok) {
                largestReduction = -1;
                return false;
            }
        }
    }
    return true;
}

// A probe whose value fails leaves the opposite value in effect for the rest of the enclosing
// look-ahead, which undoes it with everything else.
bool SAT_SOLVER::probe(uint32_t w, bool b) {
    MARKS m = marks();
    assignTentative(b ? positive(w) : negative(w));
    bool consistent = tentativePropagate();
    undoLookahead(m);
    if (consistent) {
        --lookaheadCounter;
        return true;
    }
    assignTentative(b ? negative(w) : positive(w));
    return tentativePropagate();
}

SAT_SOLVER::STEP SAT_SOLVER::branch() {
    candidates.clear();
    largestReduction = -1;

    for (uint32_t v = 0; v < n; ++v) {
        if (!isFree[v]) continue;
        trueScore[v] = falseScore[v] = 0;
        uint32_t two = 0, other = 0;
        for (const uint32_t *p = occurrenceBegin(negative(v)); p != occurrenceEnd(negative(v)); ++p)
            if (active[*p]) ++(freeCount[*p] == 2 ? two : other);
        negativeTwo[v] = two;
        negativeOther[v] = other;
        if (two + other == 0) {
            value[v] = 1;
            alternative[v] = -1;
            isFree[v] = 0;
            stack.push_back(v);
            satisfy(positive(v));
            continue;
        }
        two = other = 0;
        for (const uint32_t *p = occurrenceBegin(positive(v)); p != occurrenceEnd(positive(v)); ++p)
            if (active[*p]) ++(freeCount[*p] == 2 ? two : other);
        positiveTwo[v] = two;
        positiveOther[v] = other;
        if (two + other == 0) {
            value[v] = 0;
            alternative[v] = -1;
            isFree[v] = 0;
            stack.push_back(v);
            satisfy(negative(v));
            continue;
        }
        if (positiveTwo[v] > 0 && negativeTwo[v] > 0 && uint64_t(positiveTwo[v]) + negativeTwo[v] > 3) {
            if (doubleLookaheadOf(v) == LOOKAHEAD_FORCED && !unitPropagate()) return STEP_CONFLICT;
        }
    }

    if (candidates.size() < 10) {
        candidates.clear();
        for (uint32_t v = 0; v < n; ++v) {
            if (!isFree[v] || positiveTwo[v] == 0 || negativeTwo[v] == 0) continue;
            if (positiveTwo[v] <= 1 && negativeTwo[v] <= 1) continue;
            if (lookahead(v, SCORE_SIMPLE) == LOOKAHEAD_FORCED && !unitPropagate()) return STEP_CONFLICT;
        }
    }
    if (candidates.size() < 10) {
        candidates.clear();
        for (uint32_t v = 0; v < n; ++v) {
            if (!isFree[v]) continue;
            if (lookahead(v, SCORE_WEIGHTED) == LOOKAHEAD_FORCED && !unitPropagate()) return STEP_CONFLICT;
        }
    }

    // Candidates scored early may have been assigned by a later forced value: only free ones
    // qualify, and when none is left the step decides nothing.
    bool found = false;
    uint32_t best = 0;
    int64_t bestValue = 0;
    for (uint32_t v : candidates) {
        if (!isFree[v]) continue;
        int64_t t = trueScore[v], f = falseScore[v], product;
        int64_t score;
        if (__builtin_mul_overflow(t, f, &product) || __builtin_mul_overflow(product, int64_t(1024), &product) ||
            __builtin_add_overflow(product, t + f + 1, &score))
            score = std::numeric_limits<int64_t>::max();
        if (!found || score > bestValue) {
            found = true;
            best = v;
            bestValue = score;
        }
    }
    if (!found) {
        // With every variable assigned and no conflict every clause is satisfied; anything else
        // would loop forever, so it is taken as a conflict.
        if (satisfiedTrail.size() != clausesToSatisfy) {
            for (uint32_t v = 0; v < n; ++v)
                if (isFree[v]) return STEP_NO_DECISION;
            return STEP_CONFLICT;
        }
        return STEP_NO_DECISION;
    }

    isFree[best] = 0;
    savedSatisfied[best] = satisfiedTrail.size();
    savedShortened[best] = shortenedTrail.size();
    stack.push_back(best);
    value[best] = 1;
    alternative[best] = 0;
    shorten(negative(best), true, false);
    satisfy(positive(best));
    return STEP_DECIDED;
}

bool SAT_SOLVER::backtrack() {
    unitList.clear();
    while (!stack.empty()) {
        uint32_t v = stack.back();
        stack.pop_back();
        if (alternative[v] == -1) {
            isFree[v] = 1;
            continue;
        }
        for (size_t i = savedSatisfied[v]; i < satisfiedTrail.size(); ++i) active[satisfiedTrail[i]] = 1;
        satisfiedTrail.resize(savedSatisfied[v]);
        for (size_t i = savedShortened[v]; i < shortenedTrail.size(); ++i) ++freeCount[shortenedTrail[i]];
        shortenedTrail.resize(savedShortened[v]);
        value[v] = alternative[v];
        alternative[v] = -1;
        stack.push_back(v);
        int32_t literal = value[v] ? positive(v) : negative(v);
        shorten(complement(literal), true, false);
        satisfy(literal);
        return true;
    }
    return false;
}

bool SAT_SOLVER::solve() {
    if (emptyClause) return false;
    uint32_t clauses = uint32_t(active.size());
    buildOccurrences();
    value.assign(n, 0);
    isFree.assign(n, 1);
    alternative.assign(n, -1);
    savedSatisfied.assign(n, 0);
    savedShortened.assign(n, 0);
    positiveTwo.assign(n, 0);
    negativeTwo.assign(n, 0);
    positiveOther.assign(n, 0);
    negativeOther.assign(n, 0);
    trueScore.assign(n, 0);
    falseScore.assign(n, 0);
    stamp.assign(n, 0);

    // The trails never hold more than one entry per literal occurrence, the stack one per variable:
    // reserving that much keeps the search free of allocation.
    satisfiedTrail.clear();
    satisfiedTrail.reserve(clauses);
    shortenedTrail.clear();
    shortenedTrail.reserve(literals.size());
    unitList.clear();
    unitList.reserve(literals.size() + clauses);
    stack.clear();
    stack.reserve(n);
    candidates.clear();
    candidates.reserve(n);

    for (uint32_t c = 0; c < clauses; ++c)
        if (freeCount[c] == 1) unitList.push_back(c);
    if (!unitPropagate()) return false;
    clausesToSatisfy = 0;
    for (uint32_t c = 0; c < clauses; ++c) clausesToSatisfy += active[c];
    // The initial consequences are permanent: forget them rather than undo them.
    stack.clear();
    satisfiedTrail.clear();
    shortenedTrail.clear();
    lookaheadCounter = 0;
    doubleThreshold = n / 6;

    for (;;) {
        if (unitList.empty() && branch() == STEP_CONFLICT && !backtrack()) return false;
        if (!unitPropagate() && !backtrack()) return false;
        if (stack.empty()) return satisfiedTrail.size() == clausesToSatisfy;
        if (satisfiedTrail.size() == clausesToSatisfy) return true;
    }
}

// A call over a large clause set gives its memory back when it ends.
static constexpr size_t KEEP_LIMIT = size_t(1) << 20;

bool SAT_SOLVER::satSolve(const std::vector<GRULE> &rules, const std::vector<GCONSTRAINT> &constraints,
                          const std::vector<uint8_t> &selection, uint8_t *model) {
    if (variableOfAtom.size() < selection.size()) variableOfAtom.resize(selection.size(), -1);
    atomOfVariable.clear();
    for (size_t i = 0; i < selection.size(); ++i)
        if (selection[i]) {
            variableOfAtom[i] = int32_t(atomOfVariable.size());
            atomOfVariable.push_back(GATOM_ID(i));
        }
    reset(uint32_t(atomOfVariable.size()));
    auto variable = [&](GATOM_ID atom) {
        if (atom < 0 || size_t(atom) >= selection.size() || !selection[size_t(atom)]) internalError("model check");
        return uint32_t(variableOfAtom[size_t(atom)]);
    };
    size_t literalCount = 0;
    for (const GRULE &r : rules) {
        clauseBuffer.clear();
        for (GATOM_ID h : r.head) clauseBuffer.push_back(positive(variable(h)));
        for (const GLITERAL &l : r.body.literals) clauseBuffer.push_back(negative(variable(l.atom)));
        literalCount += clauseBuffer.size();
        addClause(clauseBuffer);
    }
    for (const GCONSTRAINT &k : constraints) {
        clauseBuffer.clear();
        for (const GLITERAL &l : k.body.literals) clauseBuffer.push_back(negative(variable(l.atom)));
        literalCount += clauseBuffer.size();
        addClause(clauseBuffer);
    }
    bool satisfiable = solve();
    if (satisfiable && model) {
        std::fill(model, model + selection.size(), uint8_t(0));
        for (uint32_t v = 0; v < atomOfVariable.size(); ++v)
            if (isTrue(v)) model[size_t(atomOfVariable[v])] = 1;
    }
    for (GATOM_ID atom : atomOfVariable) variableOfAtom[size_t(atom)] = -1;
    if (selection.size() > KEEP_LIMIT || literalCount > KEEP_LIMIT) *this = SAT_SOLVER();
    return satisfiable;
}
