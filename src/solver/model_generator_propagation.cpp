// Propagation of assignments: the four assignment operations, the queue that drains them, and
// the inferences of rules, constraints and weak constraints. The order in which entries are
// taken and consequences drawn decides which answer set the search finds first, so it is kept
// exactly: first in, first out, and the consequences of one entry completely before the next.
#include "solver/model_generator.h"

namespace {

inline uint32_t undefinedPositive(const RULE_STATE &r) { return r.openPositive - r.mustBeTruePositive; }
inline uint32_t openLiterals(const RULE_STATE &r) {
    return r.openHead + r.openPositive - r.mustBeTruePositive + r.openNegative;
}
inline bool bodyTrue(const RULE_STATE &r) { return r.openPositive == 0 && r.openNegative == 0; }
inline bool noUndefinedBody(const RULE_STATE &r) { return undefinedPositive(r) + r.openNegative == 0; }

}  // namespace

// --- Assignment operations -------------------------------------------------------------------

void MODEL_GENERATOR::countTrueInNonHCF(GATOM_ID atom) {
    if (aggregateAtom[atom]) return;
    int32_t c = componentOfAtom[atom];
    if (c >= 0 && componentKind[c] == COMPONENT_NOT_HCF) ++lookaheadRecord.counters[HV_NON_HCF_TRUE];
}

void MODEL_GENERATOR::setFalse(TRUTH_ASSIGNMENT &a, GATOM_ID atom, MG_WHY why) {
    ++lookaheadRecord.counters[HV_ASSIGNED];
    a.setValue(atom, TRUTH_FALSE);
    noteAssigned(atom, why);
    propagationQueue.push(TRUTH_FALSE, atom);
}

void MODEL_GENERATOR::setMustBeTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom, MG_WHY why) {
    int64_t *c = lookaheadRecord.counters;
    ++c[HV_MUST_BE_TRUE];
    ++c[HV_ASSIGNED];
    if (supportCount[atom] == 2) ++c[HV_MUST_BE_TRUE_SUPPORT2];
    if (supportCount[atom] == 3) ++c[HV_MUST_BE_TRUE_SUPPORT3];
    a.setValue(atom, TRUTH_MUST_BE_TRUE);
    noteAssigned(atom, why);
    ++a.mustBeTrueCount;
    propagationQueue.push(TRUTH_MUST_BE_TRUE, atom);
}

void MODEL_GENERATOR::setTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom, MG_WHY why) {
    a.setValue(atom, TRUTH_TRUE);
    noteAssigned(atom, why);
    propagationQueue.push(TRUTH_TRUE, atom);
    ++lookaheadRecord.counters[HV_ASSIGNED];
    countTrueInNonHCF(atom);
}

void MODEL_GENERATOR::confirmMustBeTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom) {
    int64_t *c = lookaheadRecord.counters;
    ++c[HV_CONFIRMED];
    if (supportCount[atom] == 2) ++c[HV_CONFIRMED_SUPPORT2];
    if (supportCount[atom] == 3) ++c[HV_CONFIRMED_SUPPORT3];
    a.setValue(atom, TRUTH_TRUE_FROM_MUST_BE_TRUE);
    --a.mustBeTrueCount;
    propagationQueue.push(TRUTH_TRUE_FROM_MUST_BE_TRUE, atom);
    countTrueInNonHCF(atom);
}

// --- The queue -------------------------------------------------------------------------------

int MODEL_GENERATOR::propagate(TRUTH_ASSIGNMENT &a) {
    for (;;) {
        weakConstraintViolated = false;
        while (!propagationQueue.empty()) {
            LITERAL_QUEUE_ENTRY e = propagationQueue.pop();
            int ok = 1;
            switch (e.kind) {
            case TRUTH_FALSE: ok = propagateFalse(a, e.atom); break;
            case TRUTH_MUST_BE_TRUE: ok = propagateMustBeTrue(a, e.atom); break;
            case TRUTH_TRUE_FROM_MUST_BE_TRUE: ok = propagateConfirmed(a, e.atom); break;
            case TRUTH_TRUE: ok = propagateTrue(a, e.atom); break;
            default: break;
            }
            if (!ok) {
                propagationQueue.clear();
                if (componentsActive) dropPendingChecks();
                return 0;
            }
        }
        if (componentsActive) {
            while (!componentQueue.empty()) {
                uint32_t c = componentQueue.front();
                if (!checkUnfoundedComponent(a, c)) {
                    propagationQueue.clear();
                    dropPendingChecks();
                    return 0;
                }
                componentQueue.queued[c] = 0;
                componentQueue.popFront();
            }
        }
        if (!wellFounded && weakConstraintViolated) propagateWeakConstraints(a);
        if (propagationQueue.empty()) return 1;
    }
}

// --- Shared steps ----------------------------------------------------------------------------

int MODEL_GENERATOR::dropSupport(TRUTH_ASSIGNMENT &, uint32_t r) {
    RULE_STATE &s = ruleState[r];
    if (s.supportedHead == 0) return 1;
    GATOM_ID h = rules[r].head[s.supportedHead - 1];
    decrementSupport(h);
    if (componentsActive) {
        queueComponent(componentOfAtom[h]);
        sourceMayBeLost(r, h);
    }
    if (supportCount[h] == 0) return fail(CONFLICT_UNSUPPORTED, 0, h);
    setCounter(s.supportedHead, 0);
    return 1;
}

int MODEL_GENERATOR::bodyFalse(TRUTH_ASSIGNMENT &a, uint32_t r) {
    RULE_STATE &s = ruleState[r];
    if (s.satisfied == 0) {
        ++lookaheadRecord.counters[HV_SATISFIED];
        if (s.openHead == 0 || noUndefinedBody(s)) ++lookaheadRecord.counters[HV_SATISFIED_CLOSED];
        setCounter(s.satisfied, SATISFIED_BY_BODY);
        return withdrawSupport(a, r, -1);
    }
    if (s.satisfied == SATISFIED_BY_HEAD) setCounter(s.satisfied, SATISFIED_BY_HEAD | SATISFIED_BY_BODY);
    return dropSupport(a, r);
}

int MODEL_GENERATOR::headTrue(TRUTH_ASSIGNMENT &a, uint32_t r, GATOM_ID atom) {
    RULE_STATE &s = ruleState[r];
    if (s.satisfied == 0) {
        ++lookaheadRecord.counters[HV_SATISFIED];
        if (s.openHead == 0 || noUndefinedBody(s)) ++lookaheadRecord.counters[HV_SATISFIED_CLOSED];
        setCounter(s.satisfied, SATISFIED_BY_HEAD);
        if (bodyTrue(s) && !ruleHeadCycleFree[r]) ++lookaheadRecord.counters[HV_NON_HCF_BODY_TRUE];
        return withdrawSupport(a, r, atom);
    }
    if (s.satisfied == SATISFIED_BY_BODY) {
        setCounter(s.satisfied, SATISFIED_BY_HEAD | SATISFIED_BY_BODY);
        return 1;
    }
    return dropSupport(a, r);
}

void MODEL_GENERATOR::constraintSatisfied(uint32_t k) {
    CONSTRAINT_STATE &s = constraintState[k];
    if (s.satisfied) return;
    setCounter(s.satisfied, 1);
    ++lookaheadRecord.counters[HV_SATISFIED];
    ++lookaheadRecord.counters[HV_SATISFIED_CLOSED];
}

void MODEL_GENERATOR::weakConstraintSatisfied(uint32_t w) {
    CONSTRAINT_STATE &s = weakState[w];
    if (s.satisfied) return;
    setCounter(s.satisfied, 1);
    if (lookaheadRecord.hasCosts) lookaheadRecord.satisfiedWeight.values[weakLevelIndex[w]] += weakWeight[w];
}

inline int MODEL_GENERATOR::constraintLiteralTrue(TRUTH_ASSIGNMENT &a, uint32_t k, bool negative) {
    CONSTRAINT_STATE &s = constraintState[k];
    if (s.satisfied) return 1;
    decrementCounter(negative ? s.openNegative : s.openPositive);
    if (s.openPositive + s.openNegative < 2) return propagateConstraint(a, k);
    return 1;
}

int MODEL_GENERATOR::weakConstraintLiteralTrue(TRUTH_ASSIGNMENT &a, uint32_t w, bool negative) {
    CONSTRAINT_STATE &s = weakState[w];
    if (s.satisfied) return 1;
    decrementCounter(negative ? s.openNegative : s.openPositive);
    uint32_t n = s.openPositive + s.openNegative;
    if (!wellFounded && n == 1 && exceedsBestCost(w, a.levelCosts)) {
        forceLastOpenLiteral(a, weakConstraints[w].body, s.openPositive, s.openNegative, {REASON_WEAK_CONSTRAINT, w});
        return 1;
    }
    if (n == 0) {
        a.addCost(weakLevelIndex[w], weakWeight[w]);
        if (costFailsBest(a.levelCosts)) return fail(CONFLICT_COST, 0, 0);
        weakConstraintViolated = true;
    }
    return 1;
}

// While optimising a cost that reaches the best cost fails; once the optimum is known only a
// greater one does.
bool MODEL_GENERATOR::costFailsBest(const COST_VECTOR &cost) const {
    if (!hasBestCost) return false;
    int c = compareCosts(cost, bestCost);
    return optimumKnown ? c > 0 : c >= 0;
}

bool MODEL_GENERATOR::exceedsBestCost(uint32_t i, const COST_VECTOR &cost) const {
    if (!hasBestCost) return false;
    uint32_t index = weakLevelIndex[i];
    // The cost with the weight added, compared from the highest level down without a copy.
    int c = 0;
    for (uint32_t l = cost.levels; l-- > 0;) {
        uint64_t v = cost.values[l] + (l == index ? weakWeight[i] : 0);
        if (v != bestCost.values[l]) {
            c = v > bestCost.values[l] ? 1 : -1;
            break;
        }
    }
    return optimumKnown ? c > 0 : c >= 0;
}

// --- Consequences per kind -------------------------------------------------------------------

// A body literal of R became true: its open counter drops (`open` is openPositive or
// openNegative of R). An atom confirmed from must-be-true was counted as true already; it only
// leaves mustBeTruePositive. A rule with at most one open literal left infers; one whose body is
// now true confirms a must-be-true head atom.
int MODEL_GENERATOR::bodyLiteralTrue(TRUTH_ASSIGNMENT &a, uint32_t r, uint32_t &open, bool confirmed) {
    RULE_STATE &s = ruleState[r];
    if (s.satisfied & SATISFIED_BY_BODY) return 1;
    decrementCounter(open);
    if (s.satisfied == SATISFIED_BY_HEAD) {
        if (bodyTrue(s) && !ruleHeadCycleFree[r]) ++lookaheadRecord.counters[HV_NON_HCF_BODY_TRUE];
        return 1;
    }
    if (s.satisfied != 0) return 1;
    if (confirmed) decrementCounter(s.mustBeTruePositive);
    if (openLiterals(s) < 2) {
        if (!propagateRule(a, r)) return 0;
    } else if (s.mustBeTrueHead && bodyTrue(s) && !wellFounded) {
        if (!confirmSupportedHead(a, r)) return 0;
    }
    if (!confirmed && noUndefinedBody(s)) ++lookaheadRecord.counters[HV_BODY_DECIDED];
    return 1;
}

int MODEL_GENERATOR::propagateFalse(TRUTH_ASSIGNMENT &a, GATOM_ID atom) {
    if (!propagateNogoods(a, falseLiteral(atom))) return 0;
    if (!wellFounded) {
        int ok = aggregateAtom[atom] ? aggregates.propagateFalseAggregate(a, atom)
                                     : aggregates.updateAggregatesOfAtom(a, atom, false);
        if (!ok) return 0;
    }
    for (uint32_t r : positiveBodyOccurrences.of(atom))
        if (!bodyFalse(a, r)) return 0;
    for (uint32_t k : positiveConstraintOccurrences.of(atom)) constraintSatisfied(k);
    for (uint32_t w : positiveWeakOccurrences.of(atom)) weakConstraintSatisfied(w);
    for (uint32_t r : negativeBodyOccurrences.of(atom))
        if (!bodyLiteralTrue(a, r, ruleState[r].openNegative, false)) return 0;
    for (uint32_t r : headOccurrences.of(atom)) {
        RULE_STATE &s = ruleState[r];
        if (s.satisfied) continue;
        decrementCounter(s.openHead);
        if (openLiterals(s) < 2 && !propagateRule(a, r)) return 0;
        if (s.openHead == 0) ++lookaheadRecord.counters[HV_BODY_DECIDED];
    }
    for (uint32_t k : negativeConstraintOccurrences.of(atom))
        if (!constraintLiteralTrue(a, k, true)) return 0;
    for (uint32_t w : negativeWeakOccurrences.of(atom))
        if (!weakConstraintLiteralTrue(a, w, true)) return 0;
    return 1;
}

int MODEL_GENERATOR::propagateMustBeTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom) {
    if (!propagateNogoods(a, trueLiteral(atom))) return 0;
    if (aggregateAtom[atom]) {
        if (!aggregates.propagateTrueAggregate(a, atom)) return 0;
    } else if (!wellFounded) {
        if (!aggregates.updateAggregatesOfAtom(a, atom, true)) return 0;
    }
    for (uint32_t r : negativeBodyOccurrences.of(atom))
        if (!bodyFalse(a, r)) return 0;
    for (uint32_t k : negativeConstraintOccurrences.of(atom)) constraintSatisfied(k);
    for (uint32_t w : negativeWeakOccurrences.of(atom)) weakConstraintSatisfied(w);
    if (supportCount[atom] == 1 && !forceSupportingRule(a, atom)) return 0;
    for (uint32_t r : headOccurrences.of(atom)) {
        RULE_STATE &s = ruleState[r];
        // A must-be-true head atom takes the rule from the atoms it sources in other components.
        if (componentsActive && !(s.satisfied & SATISFIED_BY_BODY)) {
            const GATOM_LIST &head = rules[r].head;
            if (s.satisfied == 0) {
                for (GATOM_ID h : head)
                    if (h != atom) sourceMayBeLost(r, h);
            } else if (s.supportedHead != 0 && head[s.supportedHead - 1] != atom) {
                sourceMayBeLost(r, head[s.supportedHead - 1]);
            }
        }
        if (s.satisfied) continue;
        incrementCounter(s.mustBeTrueHead);
        if (bodyTrue(s) && !wellFounded && !confirmSupportedHead(a, r)) return 0;
    }
    for (uint32_t r : positiveBodyOccurrences.of(atom)) {
        RULE_STATE &s = ruleState[r];
        if (s.satisfied) continue;
        incrementCounter(s.mustBeTruePositive);
        if (openLiterals(s) < 2 && !propagateRule(a, r)) return 0;
        if (noUndefinedBody(s)) ++lookaheadRecord.counters[HV_BODY_DECIDED];
    }
    for (uint32_t k : positiveConstraintOccurrences.of(atom))
        if (!constraintLiteralTrue(a, k, false)) return 0;
    for (uint32_t w : positiveWeakOccurrences.of(atom))
        if (!weakConstraintLiteralTrue(a, w, false)) return 0;
    return 1;
}

int MODEL_GENERATOR::propagateConfirmed(TRUTH_ASSIGNMENT &a, GATOM_ID atom) {
    for (uint32_t r : headOccurrences.of(atom))
        if (!headTrue(a, r, atom)) return 0;
    if (supportCount[atom] == 1 && !forceSupportingRule(a, atom)) return 0;
    for (uint32_t r : positiveBodyOccurrences.of(atom))
        if (!bodyLiteralTrue(a, r, ruleState[r].openPositive, true)) return 0;
    return 1;
}

int MODEL_GENERATOR::propagateTrue(TRUTH_ASSIGNMENT &a, GATOM_ID atom) {
    if (!propagateNogoods(a, trueLiteral(atom))) return 0;
    if (!wellFounded && !aggregates.updateAggregatesOfAtom(a, atom, true)) return 0;
    for (uint32_t r : negativeBodyOccurrences.of(atom))
        if (!bodyFalse(a, r)) return 0;
    for (uint32_t r : headOccurrences.of(atom))
        if (!headTrue(a, r, atom)) return 0;
    for (uint32_t k : negativeConstraintOccurrences.of(atom)) constraintSatisfied(k);
    for (uint32_t w : negativeWeakOccurrences.of(atom)) weakConstraintSatisfied(w);
    if (supportCount[atom] == 1 && !forceSupportingRule(a, atom)) return 0;
    for (uint32_t r : positiveBodyOccurrences.of(atom))
        if (!bodyLiteralTrue(a, r, ruleState[r].openPositive, false)) return 0;
    for (uint32_t k : positiveConstraintOccurrences.of(atom))
        if (!constraintLiteralTrue(a, k, false)) return 0;
    for (uint32_t w : positiveWeakOccurrences.of(atom))
        if (!weakConstraintLiteralTrue(a, w, false)) return 0;
    return 1;
}

// --- Inferences ------------------------------------------------------------------------------

int MODEL_GENERATOR::propagateRule(TRUTH_ASSIGNMENT &a, uint32_t r) {
    const RULE_STATE &s = ruleState[r];
    if (s.openHead == 1) {
        for (GATOM_ID h : rules[r].head) {
            TRUTH_VALUE v = a[h];
            if (v == TRUTH_UNDEFINED) {
                if (s.mustBeTruePositive == 0)
                    setTrue(a, h, {REASON_RULE_HEAD, r});
                else
                    setMustBeTrue(a, h, {REASON_RULE_HEAD, r});
                break;
            }
            if (v == TRUTH_MUST_BE_TRUE) {
                if (s.mustBeTruePositive == 0) confirmMustBeTrue(a, h);
                break;
            }
        }
        return 1;
    }
    if (forceLastOpenLiteral(a, rules[r].body, undefinedPositive(s), s.openNegative, {REASON_RULE_BODY, r})) return 1;
    return fail(CONFLICT_RULE, r, 0);
}

// A body that must not become true and has exactly one undecided literal left: that literal
// takes the value that keeps the body false (a positive one false, a negative one must-be-true).
// Answers 1 when the body had such a literal, also under -wf, which draws no such inference.
int MODEL_GENERATOR::forceLastOpenLiteral(TRUTH_ASSIGNMENT &a, const GBODY &body, uint32_t openPositive,
                                          uint32_t openNegative, MG_WHY why) {
    if (openPositive == 1) {
        if (wellFounded) return 1;
        for (const GLITERAL &l : body.positive())
            if (a[l.atom] == TRUTH_UNDEFINED) {
                setFalse(a, l.atom, why);
                break;
            }
        return 1;
    }
    if (openNegative == 1) {
        if (wellFounded) return 1;
        for (const GLITERAL &l : body.negative())
            if (a[l.atom] == TRUTH_UNDEFINED) {
                setMustBeTrue(a, l.atom, why);
                break;
            }
        return 1;
    }
    return 0;
}

int MODEL_GENERATOR::propagateConstraint(TRUTH_ASSIGNMENT &a, uint32_t k) {
    const CONSTRAINT_STATE &s = constraintState[k];
    if (forceLastOpenLiteral(a, constraints[k].body, s.openPositive, s.openNegative, {REASON_CONSTRAINT, k})) return 1;
    return fail(CONFLICT_CONSTRAINT, k, 0);
}

int MODEL_GENERATOR::propagateWeakConstraints(TRUTH_ASSIGNMENT &a) {
    if (wellFounded) return 1;
    for (uint32_t w = 0; w < weakState.size(); ++w) {
        const CONSTRAINT_STATE &s = weakState[w];
        if (!s.satisfied && s.openPositive + s.openNegative == 1 && exceedsBestCost(w, a.levelCosts))
            forceLastOpenLiteral(a, weakConstraints[w].body, s.openPositive, s.openNegative, {REASON_WEAK_CONSTRAINT, w});
    }
    return 1;
}

int MODEL_GENERATOR::propagateInitial(TRUTH_ASSIGNMENT &a) {
    if (!optimumKnown) {
        bestCost = costBound;
        if (bestCost.levelNumbers != a.levelCosts.levelNumbers)
            bestCost = COST_VECTOR(a.levelCosts.levelNumbers, COST_NO_BOUND);
        hasBestCost = true;
        optimumKnown = costBoundGiven;
    }
    uint32_t n = groundAtomCount;
    for (uint32_t i = 0; i < n; ++i) {
        GATOM_ID atom = static_cast<GATOM_ID>(i);
        if (supportCount[atom] != 0 || aggregateAtom[atom] || a[atom] != TRUTH_UNDEFINED) continue;
        // An atom that occurs nowhere else is made false silently; one that is an element of an
        // aggregate goes through the queue like any other, so that the aggregate learns of it.
        if (positiveBodyOccurrences.empty(atom) && negativeBodyOccurrences.empty(atom) &&
            positiveConstraintOccurrences.empty(atom) && negativeConstraintOccurrences.empty(atom) &&
            positiveWeakOccurrences.empty(atom) && negativeWeakOccurrences.empty(atom) && !aggregates.isElement(atom))
        {
            a.setValue(atom, TRUTH_FALSE);
            noteAssigned(atom, {REASON_UNSUPPORTED, 0});
        } else {
            setFalse(a, atom, {REASON_UNSUPPORTED, 0});
        }
    }
    for (uint32_t r = 0; r < ruleState.size(); ++r)
        if (openLiterals(ruleState[r]) < 2 && !propagateRule(a, r)) return 0;
    if (!wellFounded) {
        for (uint32_t k = 0; k < constraintState.size(); ++k) {
            const CONSTRAINT_STATE &s = constraintState[k];
            if (s.openPositive + s.openNegative < 2 && !propagateConstraint(a, k)) return 0;
        }
        for (uint32_t w = 0; w < weakState.size(); ++w) {
            const CONSTRAINT_STATE &s = weakState[w];
            if (s.openPositive + s.openNegative == 1 && exceedsBestCost(w, a.levelCosts))
                forceLastOpenLiteral(a, weakConstraints[w].body, s.openPositive, s.openNegative,
                                     {REASON_WEAK_CONSTRAINT, w});
        }
        if (!aggregates.propagateAll(a)) return 0;
    }
    return propagate(a);
}

// A must-be-true atom waits while the others close: making an atom false may complete the body
// of the rule that supports it (a rule "g :- not f" for a must-be-true g). Whatever is still
// must-be-true when every atom is decided has no support.
int MODEL_GENERATOR::closeInterpretation(TRUTH_ASSIGNMENT &a) {
    uint32_t n = groundAtomCount;
    for (uint32_t i = 0; i < n; ++i) {
        GATOM_ID atom = static_cast<GATOM_ID>(i);
        if (a[atom] != TRUTH_UNDEFINED) continue;
        setFalse(a, atom, {REASON_CHOICES, 0});
        if (!propagate(a)) return 0;
    }
    return a.mustBeTrueCount == 0;
}
