// The heuristic choice: possibly-true candidates, their occurrence weights and the look-ahead.
#include "solver/heuristic_choice.h"

#include <algorithm>
#include <iterator>

#include "support/option_values.h"

namespace {

inline bool bodyTrue(const RULE_STATE &r) { return r.openPositive == 0 && r.openNegative == 0; }
inline uint32_t openCount(const RULE_STATE &r) {
    return r.openHead + (r.openPositive - r.mustBeTruePositive) + r.openNegative;
}
inline uint32_t openCount(const CONSTRAINT_STATE &k) { return k.openPositive + k.openNegative; }

// A record copied into a list's slot, its cost vectors only when it has them: a program without
// weak constraints copies twelve counters per record, not two empty vectors besides. A slot's
// vectors without `hasCosts` are never read.
inline void copyRecord(HEURISTIC_VALUE &to, const HEURISTIC_VALUE &from) {
    std::copy(std::begin(from.counters), std::end(from.counters), std::begin(to.counters));
    to.hasCosts = from.hasCosts;
    if (from.hasCosts) {
        to.cost = from.cost;
        to.satisfiedWeight = from.satisfiedWeight;
    }
}

}  // namespace

// An undefined atom under `not` in an unsatisfied rule whose positive body is true.
bool MODEL_GENERATOR::isNegativeCandidate(GATOM_ID atom, const TRUTH_ASSIGNMENT &a) const {
    if (a[atom] != TRUTH_UNDEFINED) return false;
    for (uint32_t r : negativeBodyOccurrences.of(atom))
        if (ruleState[r].satisfied == 0 && ruleState[r].openPositive == 0) return true;
    return false;
}

// Under --pospts: an undefined atom in the head of an unsatisfied rule whose positive body is
// true.
bool MODEL_GENERATOR::isHeadCandidate(GATOM_ID atom, const TRUTH_ASSIGNMENT &a) const {
    if (a[atom] != TRUTH_UNDEFINED) return false;
    for (uint32_t r : headOccurrences.of(atom))
        if (ruleState[r].satisfied == 0 && ruleState[r].openPositive == 0) return true;
    return false;
}

// The rules and constraints that making the atom false would bring one step from an inference.
uint64_t MODEL_GENERATOR::positiveOccurrenceWeight(GATOM_ID atom) const {
    uint64_t w = 0;
    for (uint32_t r : positiveBodyOccurrences.of(atom))
        if (ruleState[r].satisfied == 0 && openCount(ruleState[r]) == 2) ++w;
    for (uint32_t k : positiveConstraintOccurrences.of(atom))
        if (constraintState[k].satisfied == 0 && openCount(constraintState[k]) == 2) ++w;
    return w;
}

// --- Look-ahead, members of the model generator ----------------------------------------------

bool MODEL_GENERATOR::isPossiblyTrue(GATOM_ID atom, const TRUTH_ASSIGNMENT &a) const {
    if (a[atom] != TRUTH_UNDEFINED) return false;
    if (hasAggregates && aggregateAtom[atom]) {
        // An aggregate atom is derived by its elements, unless it is part of a recursion.
        int32_t c = componentOfAtom[atom];
        if (c < 0) return false;
        for (uint32_t r : positiveBodyOccurrences.of(atom))
            for (GATOM_ID h : rules[r].head)
                if (h != atom && componentOfAtom[h] == c) return true;
        return false;
    }
    for (uint32_t r : headOccurrences.of(atom))
        if (ruleState[r].satisfied == 0 && bodyTrue(ruleState[r])) return true;
    return false;
}

void MODEL_GENERATOR::countOccurrenceWeights(GATOM_ID atom) {
    uint64_t w = 0;
    for (uint32_t r : headOccurrences.of(atom))
        if (ruleState[r].satisfied == 0 && openCount(ruleState[r]) == 2) ++w;
    for (uint32_t r : negativeBodyOccurrences.of(atom))
        if (ruleState[r].satisfied == 0 && openCount(ruleState[r]) == 2) ++w;
    for (uint32_t k : negativeConstraintOccurrences.of(atom))
        if (constraintState[k].satisfied == 0 && openCount(constraintState[k]) == 2) ++w;
    negativeWeight[atom] += w;
}

void MODEL_GENERATOR::markLookedAhead(GATOM_ID atom, uint8_t polarity) {
    (polarity == 0 ? lookedAheadPositive : lookedAheadNegative)[atom] = 1;
    lookedAhead.push_back(atom);
}

int MODEL_GENERATOR::lookahead(GATOM_ID atom, bool makeFalse, bool fromUndefined, TRUTH_ASSIGNMENT &a) {
    openLevel(a, makeFalse ? falseLiteral(atom) : trueLiteral(atom));
    lookaheadRecord.reset();
    if (makeFalse)
        setFalse(a, atom, {REASON_CHOICE, 0});
    else if (fromUndefined)
        setTrue(a, atom, {REASON_CHOICE, 0});
    else
        setMustBeTrue(a, atom, {REASON_CHOICE, 0});
    size_t before = a.valueTrail.size() + counterTrail.entries.size() + supportTrail.entries.size() +
                    aggregateTrail.entries.size();
    int ok = propagate(a);
    lookaheadWork += a.valueTrail.size() + counterTrail.entries.size() + supportTrail.entries.size() +
                     aggregateTrail.entries.size() - before;
    if (lookaheadRecord.hasCosts && lookaheadRecord.cost.values.size() == a.levelCosts.values.size())
        lookaheadRecord.cost.assignValues(a.levelCosts);
    // A failed literal: the contradiction, traced back to the literal, is the reason of its
    // opposite, recorded at the level the look-ahead started from.
    if (!ok) analyzeFailedLiteral(a);
    closeLevelsTo(a, level - 1);
    if (ok) return 0;
    forcedLiterals.push(makeFalse ? TRUTH_MUST_BE_TRUE : TRUTH_FALSE, atom);
    forcedRecords.push_back(addRecord(learned.data() + 1, learned.data() + learned.size()));
    return 1;
}

int MODEL_GENERATOR::lookaheadBoth(GATOM_ID atom, uint8_t polarity, TRUTH_ASSIGNMENT &a, HEURISTIC_VALUE *record,
                                   HEURISTIC_VALUE *opposite) {
    int ok = 1;
    if (record) {
        ++lookaheadsPerformed;
        if (lookahead(atom, polarity == 1, true, a)) {
            ++inconsistentLookaheads;
            ok = 0;
        } else {
            *record = lookaheadRecord;
        }
    }
    if (ok && opposite) {
        ++lookaheadsPerformed;
        if (lookahead(atom, polarity == 0, false, a)) {
            ++inconsistentLookaheads;
            ok = 0;
        } else {
            *opposite = lookaheadRecord;
        }
    }
    return ok;
}

int MODEL_GENERATOR::applyForcedLiterals(TRUTH_ASSIGNMENT &a) {
    size_t next = 0;
    while (!forcedLiterals.empty()) {
        LITERAL_QUEUE_ENTRY e = forcedLiterals.pop();
        uint32_t record = forcedRecords[next++];
        TRUTH_VALUE v = a[e.atom];
        bool contradiction = false;
        if (e.kind == TRUTH_FALSE) {
            if (v == TRUTH_UNDEFINED)
                setFalse(a, e.atom, {REASON_RECORD, record});
            else if (v != TRUTH_FALSE)
                contradiction = true;
        } else {
            if (v == TRUTH_UNDEFINED)
                setMustBeTrue(a, e.atom, {REASON_RECORD, record});
            else if (v == TRUTH_FALSE)
                contradiction = true;
        }
        if (contradiction) {
            forcedLiterals.clear();
            forcedRecords.clear();
            return fail(CONFLICT_RECORD, record, e.atom);
        }
    }
    forcedRecords.clear();
    return propagate(a);
}

// --- The candidate list ----------------------------------------------------------------------

void PT_CANDIDATES::start(MODEL_GENERATOR *generator, TRUTH_ASSIGNMENT *a, uint32_t listCapacity) {
    mg = generator;
    assignment = a;
    capacity = listCapacity;
    clear();
}

void PT_CANDIDATES::clear() {
    for (uint32_t s : order) freeSlots.push_back(s);
    order.clear();
    count = 0;
    done = false;
    byActivity = false;
}

uint32_t PT_CANDIDATES::takeSlot() {
    if (!freeSlots.empty()) {
        uint32_t s = freeSlots.back();
        freeSlots.pop_back();
        return s;
    }
    slots.emplace_back();
    return static_cast<uint32_t>(slots.size() - 1);
}

void PT_CANDIDATES::removeFirst() {
    freeSlots.push_back(order.front());
    order.erase(order.begin());
    --count;
}

int PT_CANDIDATES::chooseCandidate() {
    MODEL_GENERATOR &m = *mg;
    done = false;
    for (;;) {
        for (GATOM_ID atom : m.lookedAhead) m.lookedAheadPositive[atom] = m.lookedAheadNegative[atom] = 0;
        m.lookedAhead.clear();
        int ok;
        if (m.rootLookedAhead) {
            ok = lookAheadMostActive();
        } else {
            // At the first choice of a run every candidate is looked ahead.
            std::fill(m.positiveWeight.begin(), m.positiveWeight.end(), 0);
            std::fill(m.negativeWeight.begin(), m.negativeWeight.end(), 0);
            m.rootLookedAhead = true;
            m.rootCandidates = UINT32_MAX;
            ok = computePossiblyTrue();
        }
        if (!ok) return 0;
        if (count == 0) {
            done = true;
            return 1;
        }
        // Forced literals of later look-aheads may have decided the entries: then the
        // candidates of the changed interpretation are computed afresh.
        dropStaleCandidates();
        if (count != 0) return 1;
    }
}

// Below the first choice only the most active candidates are looked ahead, taken from the
// activity order (atoms that are no candidates are passed over and stay in it): as many as the
// list keeps until the search has met its first RESTART_UNIT contradictions, then, in a program
// without positive recursion, one in WIDE_SHARE of the first choice's candidates when that is
// more. In a large program that keeps contradicting its choices the few most active atoms are a
// narrow view of it (a random 3-colouring of 1000 nodes chooses among 60 of its 3000 atoms
// instead of 5); small programs and searches that rarely go back keep the narrow look-ahead and
// its low cost, and so do programs with positive recursion, where the wider look-ahead made
// Hamiltonian cycles slower.
//
// In a program that has, besides no positive recursion, no weak constraints, and whose
// candidates no filter judges, such a search instead takes the most active candidate as it is:
// there the nogoods it learns guide it better, and at a fraction of the cost, than look-aheads do.
// Programs with several aggregates are among them since their inferences name only the elements
// that forced them: over the aggregate families (a #count in each node's constraint, a #sum per
// bin, #max and #min bounds) the activity choice does better. A program whose one aggregate is a
// single bound over the whole guess keeps the look-ahead: every reason of that bound names as many
// elements as the bound allows, so the nogoods learned through it are long and guide little, and
// dominating sets with one global #count took many times as long by activity. Costs and the
// filtered candidates of secure plans are where the look-ahead's measures pay. The measurements behind both choices are in
// bench/README.md ("Measurements behind choices in the search").
int PT_CANDIDATES::lookAheadMostActive() {
    MODEL_GENERATOR &m = *mg;
    bool counted = false;
    uint32_t width = capacity;
    if (capacity != 0 && m.conflictCount >= MODEL_GENERATOR::RESTART_UNIT) {
        if (m.activityChoice && takeMostActive()) return 1;
        width = std::max(capacity, m.rootCandidates / WIDE_SHARE);
    }
    for (;;) {
        pickMostActive(width);
        uint32_t inserted = 0, failed = 0;
        for (GATOM_ID atom : picked) {
            for (uint8_t polarity = 0; polarity < (mg->settings.optNegPts ? 2 : 1); ++polarity) {
                bool marked = polarity == 0 ? m.lookedAheadPositive[atom] : m.lookedAheadNegative[atom];
                if (marked || !isCandidateOfKind(atom, polarity)) continue;
                if (!counted) {
                    ++m.choicePoints;
                    counted = true;
                }
                if (!evaluateCandidate(atom, polarity, inserted, failed)) return 0;
            }
        }
        if (inserted != 0 || failed == 0) return 1;
    }
}

void PT_CANDIDATES::pickMostActive(uint32_t width) {
    MODEL_GENERATOR &m = *mg;
    const TRUTH_ASSIGNMENT &a = *assignment;
    picked.clear();
    passed.clear();
    while (!m.activity.empty() && picked.size() < width) {
        GATOM_ID atom = m.activity.removeTop();
        if (a[atom] != TRUTH_UNDEFINED) continue;
        passed.push_back(atom);
        if (isCandidateOfKind(atom, 0) || (mg->settings.optNegPts && isCandidateOfKind(atom, 1))) picked.push_back(atom);
    }
    for (GATOM_ID atom : passed) m.activity.insert(atom);
}

bool PT_CANDIDATES::takeMostActive() {
    MODEL_GENERATOR &m = *mg;
    pickMostActive(1);
    if (picked.empty()) return false;
    GATOM_ID atom = picked[0];
    m.candidateRecord.reset();
    insertCandidate(atom, isCandidateOfKind(atom, 0) ? 0 : 1, m.candidateRecord, nullptr);
    ++m.choicePoints;
    ++m.activityChoices;
    byActivity = true;
    return true;
}

int PT_CANDIDATES::computePossiblyTrue() {
    MODEL_GENERATOR &m = *mg;
    const TRUTH_ASSIGNMENT &a = *assignment;
    const uint32_t atoms = static_cast<uint32_t>(m.lookedAheadPositive.size());
    bool counted = false;
    m.lookaheadWork = 0;
    for (;;) {
        // The average occurrence weight of the candidates not looked ahead yet.
        uint64_t n = 0, s = 0;
        for (uint32_t i = 0; i < atoms; ++i) {
            GATOM_ID atom = static_cast<GATOM_ID>(i);
            if (mg->settings.optNegPts) {
                if (!m.lookedAheadPositive[i] && m.isPossiblyTrue(atom, a)) {
                    m.positiveWeight[i] += m.positiveOccurrenceWeight(atom);
                    ++n;
                    s += m.positiveWeight[i] + m.negativeWeight[i];
                }
                if (!m.lookedAheadNegative[i] && m.isNegativeCandidate(atom, a)) {
                    m.countOccurrenceWeights(atom);
                    ++n;
                    s += m.positiveWeight[i] + m.negativeWeight[i];
                }
            } else if (!m.lookedAheadPositive[i] && m.isHeadCandidate(atom, a)) {
                m.positiveWeight[i] += m.positiveOccurrenceWeight(atom);
                ++n;
                s += m.positiveWeight[i] + m.negativeWeight[i];
            }
        }
        // At the root every candidate is looked ahead; below it those of at least average weight.
        // The first choice's candidates, or none when a component has positive recursion.
        if (m.rootCandidates == UINT32_MAX) {
            bool acyclic = std::all_of(m.componentKind.begin(), m.componentKind.end(), [](auto k) {
                return k == MODEL_GENERATOR::COMPONENT_ACYCLIC;
            });
            m.rootCandidates = acyclic ? static_cast<uint32_t>(n) : 0;
            m.activityChoice = acyclic && !m.hasWeakConstraints && !m.candidateFilter &&
                               (!m.hasAggregates || m.aggregateCount > 1);
        }
        uint64_t threshold = 0;
        if (n != 0 && m.level > 1) threshold = s != 0 && s < n ? 1 : s / n;

        uint32_t inserted = 0, failed = 0;
        for (uint32_t i = 0; i < atoms; ++i) {
            if (inserted != 0 && m.lookaheadWork >= m.lookaheadBudget) break;
            GATOM_ID atom = static_cast<GATOM_ID>(i);
            // The marks and the candidate tests see the interpretation as earlier forced
            // literals left it.
            for (uint8_t polarity = 0; polarity < (mg->settings.optNegPts ? 2 : 1); ++polarity) {
                bool marked = polarity == 0 ? m.lookedAheadPositive[i] : m.lookedAheadNegative[i];
                if (marked || m.positiveWeight[i] + m.negativeWeight[i] < threshold ||
                    !isCandidateOfKind(atom, polarity))
                    continue;
                if (!counted) {
                    ++m.choicePoints;
                    counted = true;
                }
                if (!evaluateCandidate(atom, polarity, inserted, failed)) return 0;
            }
        }
        // A pass that only forced literals has changed the interpretation: its candidates are
        // looked for again.
        if (inserted != 0 || failed == 0) return 1;
    }
}

bool PT_CANDIDATES::isCandidateOfKind(GATOM_ID atom, uint8_t polarity) const {
    if (!mg->settings.optNegPts) return mg->isHeadCandidate(atom, *assignment);
    return polarity == 0 ? mg->isPossiblyTrue(atom, *assignment) : mg->isNegativeCandidate(atom, *assignment);
}

int PT_CANDIDATES::evaluateCandidate(GATOM_ID atom, uint8_t polarity, uint32_t &inserted, uint32_t &failed) {
    MODEL_GENERATOR &m = *mg;
    TRUTH_ASSIGNMENT &a = *assignment;
    m.markLookedAhead(atom, polarity);
    HEURISTIC_VALUE *opposite = mg->settings.optComplPt ? &m.oppositeRecord : nullptr;
    if (!m.lookaheadBoth(atom, polarity, a, &m.candidateRecord, opposite)) {
        ++failed;
        return m.applyForcedLiterals(a);
    }
    ++inserted;
    insertCandidate(atom, polarity, m.candidateRecord, opposite);
    if (!mg->settings.optComplPt || polarity != 0 || m.supportCount[atom] != 1) return 1;

    // The atom has a single rule that can support it. When that rule has exactly one other open
    // head atom and a true body, making the atom false makes the other one true: the look-ahead
    // just made measures the other atom's literal as well.
    uint32_t rule = MODEL_GENERATOR::NO_RULE;
    for (uint32_t r : m.headOccurrences.of(atom)) {
        const RULE_STATE &s = m.ruleState[r];
        bool supports = s.supportedHead != 0 && m.rules[r].head[s.supportedHead - 1] == atom;
        if (supports || s.satisfied == 0) {
            rule = r;
            break;
        }
    }
    if (rule == MODEL_GENERATOR::NO_RULE || m.ruleState[rule].openHead != 2 || !bodyTrue(m.ruleState[rule])) return 1;
    GATOM_ID other = -1;
    for (GATOM_ID h : m.rules[rule].head)
        if (h != atom && a[h] == TRUTH_UNDEFINED) {
            other = h;
            break;
        }
    if (other < 0 || m.lookedAheadPositive[other]) return 1;
    m.markLookedAhead(other, 0);
    if (m.supportCount[other] != 1) {
        if (m.lookaheadBoth(other, 0, a, nullptr, &m.candidateRecord)) {
            ++inserted;
        } else {
            ++failed;
            if (!m.applyForcedLiterals(a)) return 0;
        }
    }
    insertCandidate(other, 0, m.oppositeRecord, &m.candidateRecord);
    return 1;
}

bool PT_CANDIDATES::worseThan(const HEURISTIC_PAIR &entry, const PT_CANDIDATE &other) const {
    const std::vector<int32_t> &criteria = mg->heuristic;
    const std::vector<int32_t> &operators = mg->combineOperators;
    HEURISTIC_PAIR o{&other.result, other.hasOpposite ? &other.opposite : nullptr};
    bool combined = mg->settings.optComplPt && entry.opposite && o.opposite;
    for (size_t i = 0; i < criteria.size(); ++i) {
        int s = combined ? compareByCombinedCriterion(criteria[i], i < operators.size() ? operators[i] : 0, entry,
                                                      o, criteria)
                         : compareByCriterion(criteria[i], *entry.result, *o.result);
        if (s != 0) return s < 0;
    }
    return false;
}

void PT_CANDIDATES::insertCandidate(GATOM_ID atom, uint8_t polarity, const HEURISTIC_VALUE &result,
                                    const HEURISTIC_VALUE *opposite) {
    HEURISTIC_PAIR entry{&result, opposite};
    size_t position;
    if (count == 0 || worseThan(entry, slots[order[count - 1]])) {
        if (count >= capacity) return;
        position = count;
    } else {
        // Among equals the newest comes first.
        position = 0;
        while (worseThan(entry, slots[order[position]])) ++position;
    }
    uint32_t s = takeSlot();
    PT_CANDIDATE &c = slots[s];
    c.atom = atom;
    c.polarity = polarity;
    copyRecord(c.result, result);
    c.hasOpposite = opposite != nullptr;
    if (opposite) copyRecord(c.opposite, *opposite);
    c.preference = PT_UNDECIDED;
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(position), s);
    if (count >= capacity) {
        freeSlots.push_back(order.back());
        order.pop_back();
    } else {
        ++count;
    }
}

void PT_CANDIDATES::dropStaleCandidates() {
    while (count != 0) {
        const PT_CANDIDATE &c = first();
        if (isCandidateOfKind(c.atom, c.polarity)) return;
        removeFirst();
    }
}

bool PT_CANDIDATES::literalFirst(const PT_CANDIDATE &c) const {
    uint8_t phase = mg->savedPhase[c.atom];
    if (phase != 0) return (phase == 1) == (c.polarity == 0);
    return literalPreferred(c);
}

bool PT_CANDIDATES::literalPreferred(const PT_CANDIDATE &c) const {
    if (c.preference == PT_UNDECIDED)
        c.preference = recordsPreferLiteral(c.result, c.hasOpposite ? &c.opposite : nullptr) ? PT_LITERAL_FIRST
                                                                                              : PT_OPPOSITE_FIRST;
    return c.preference == PT_LITERAL_FIRST;
}

bool PT_CANDIDATES::recordsPreferLiteral(const HEURISTIC_VALUE &result, const HEURISTIC_VALUE *opposite) const {
    if (!mg->settings.optCanChooseComplPt || !opposite) return true;
    for (int32_t criterion : mg->heuristic)
        if (int s = compareByCriterion(criterion, result, *opposite)) return s > 0;
    return true;
}

// A direction the search gave an atom stays until the search ends, and it goes before the records:
// for such an atom the records' preference is never asked for again, and is not worked out.
void PT_CANDIDATES::keepTo(std::vector<PT_KEPT> &out) const {
    for (uint32_t s : order) {
        const PT_CANDIDATE &c = slots[s];
        out.push_back({c.atom, c.polarity, mg->savedPhase[c.atom] != 0 || literalPreferred(c)});
    }
}

void PT_CANDIDATES::restore(const PT_KEPT *begin, const PT_KEPT *end, bool takenByActivity) {
    clear();
    for (const PT_KEPT *k = begin; k != end; ++k) {
        uint32_t s = takeSlot();
        PT_CANDIDATE &c = slots[s];
        c.atom = k->atom;
        c.polarity = k->polarity;
        c.hasOpposite = false;
        c.preference = k->literalPreferred ? PT_LITERAL_FIRST : PT_OPPOSITE_FIRST;
        order.push_back(s);
    }
    count = static_cast<uint32_t>(order.size());
    byActivity = takenByActivity;
}
