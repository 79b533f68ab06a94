// The search: levels, choices, contradictions and answer-set candidates.
//
// The search chooses a literal, opens a level for it and propagates, until no literal is left (a
// leaf: an answer-set candidate) or a contradiction. A contradiction is analysed into a nogood
// that sends the search back to the highest level where the nogood still asserts a literal
// (model_generator_learning.cpp). A candidate that the filter rejects by values it names becomes
// such a nogood too. A leaf, once its candidate is accepted or rejected, takes back
// its last choice and asserts the choice's opposite one level up; that level becomes the floor,
// below which no later backjump goes, so that an enumeration lists every answer set once. While
// optimising, an accepted model instead makes its cost the bound that every later model must
// beat, and the contradiction this bound is for the current assignment is analysed like any other.
// A model callback may likewise narrow the rest of the search by a nogood that its answer set
// violates (brave and cautious reasoning ask for the next answer set to add an answer): the search
// leaves the answer set through that contradiction rather than through its last choice.
#include "solver/model_generator.h"

#include <algorithm>

#include "grounding/ground_depgraph.h"
#include "solver/heuristic_choice.h"
#include "solver/luby.h"
#include "support/option_values.h"

// The chosen literal and where the chooser found it.
struct SEARCH_LEVEL {
    uint32_t rule = 0;             // the rule of the rule-order chooser
    uint32_t position = 0;         // the chosen head atom, or the chosen negative body literal
    bool headChosen = false;       // the chosen literal is a head atom
    bool aggregateChosen = false;  // the chosen literal is an aggregate atom, not a rule's
    bool candidateChosen = false;  // the chosen literal is the first entry of the candidate list
    GATOM_ID atom = 0;             // the literal: the atom, ...
    bool negated = false;          // ... whether the literal is "not atom" ...
    bool madeTrue = true;          // ... and whether it is made true (else its opposite is)
};

// The candidate lists of the search, one per depth: the list last computed at that depth, reused
// without its decided entries when the search chooses there again, unless its entry came from the
// activity order. The lists of the last HELD depths entered stay whole, with their records, in
// `held` (depth d in slot d % HELD); a list pushed out of its slot by a depth HELD levels away is
// kept as PT_KEPT entries (`capacity` slots of a few bytes per depth) and made whole again when
// its depth is entered. A deep search so costs a few bytes per level, not a list of records, and a
// search that moves within fewer than HELD levels (every enumeration of the benchmarks) never
// converts a list.
//
// A level entered anew normally computes its list afresh. Above the lowest level that a backjump
// has returned to since the search last went deeper than ever before (`freshBelow`), it takes over
// the list that its depth kept from the branch before, until the search reaches a new deepest
// level, which has every depth from there on compute its list afresh. The look-ahead is spared
// that way on the branches a backjump replaces; the search families were tuned with it (its
// measurements are in bench/README.md).
struct SEARCH_STATE {
    static constexpr uint32_t HELD = 64;
    static constexpr uint32_t NO_DEPTH = UINT32_MAX;
    struct DEPTH {
        uint32_t count = 0;       // the entries the depth keeps
        bool ready = false;       // the depth has a list to take over
        bool byActivity = false;  // its entry was taken from the activity order
    };
    std::vector<PT_CANDIDATES> held;   // HELD lists, whole
    std::vector<uint32_t> heldDepth;   // the depth whose list each slot holds, or NO_DEPTH
    std::vector<PT_KEPT> kept;         // `stride` slots per depth
    std::vector<DEPTH> depths;         // every depth the look-ahead choice has reached
    uint32_t stride = 0;
    uint32_t freshBelow = 0;
    uint32_t ruleCursor = 0;

    SEARCH_STATE() : held(HELD), heldDepth(HELD, NO_DEPTH) {}

    // The depth's list, taken over from what it kept or computed afresh.
    PT_CANDIDATES &enter(MODEL_GENERATOR *mg, TRUTH_ASSIGNMENT *a, uint32_t level, uint32_t capacity) {
        stride = capacity;
        if (depths.size() <= level) {
            depths.resize(level + 1);
            kept.resize(size_t(level + 1) * stride);
            for (uint32_t d = freshBelow; d <= level; ++d) depths[d].ready = false;
            freshBelow = level + 1;
        }
        uint32_t slot = level % HELD;
        PT_CANDIDATES &list = held[slot];
        DEPTH &d = depths[level];
        bool whole = heldDepth[slot] == level;
        if (!whole) {
            keep(slot);
            heldDepth[slot] = level;
        }
        // An entry taken from the activity order is not kept for the next choice of the level:
        // the contradictions met since have moved the activity, and the search goes where they
        // point, as it would have without the entry.
        if (!d.ready || (whole ? list.byActivity : d.byActivity)) {
            list.start(mg, a, capacity);
            d.ready = true;
            return list;
        }
        if (!whole) {
            const PT_KEPT *first = kept.data() + size_t(level) * stride;
            list.restore(first, first + d.count, false);
        }
        list.dropStaleCandidates();
        return list;
    }
    // The list in the slot, as its depth keeps it, when the depth has one to take over.
    void keep(uint32_t slot) {
        uint32_t level = heldDepth[slot];
        if (level == NO_DEPTH || !depths[level].ready) return;
        const PT_CANDIDATES &list = held[slot];
        std::vector<PT_KEPT> &k = scratch;
        k.clear();
        list.keepTo(k);
        std::copy(k.begin(), k.end(), kept.begin() + static_cast<std::ptrdiff_t>(size_t(level) * stride));
        depths[level].count = static_cast<uint32_t>(k.size());
        depths[level].byActivity = list.byActivity;
    }
    // A new level was opened by a choice: below `freshBelow` it computes its list afresh.
    void opened(uint32_t level) {
        if (level < freshBelow) depths[level].ready = false;
    }
    void backjumped(uint32_t level) { freshBelow = std::min(freshBelow, level + 1); }

private:
    std::vector<PT_KEPT> scratch;
};

// The rule-order chooser: from rule `from` on (and, with wrap, once more from the first rule), a
// rule that is unsatisfied with a true positive body qualifies; under --negpts its first
// undefined negative literal is chosen, otherwise (or without one) its first undefined head atom.
// Under --pospts a rule whose head has no undefined atom left still offers its first undefined
// negative literal: its head then holds a must-be-true atom that the rule may support, and
// leaving that to closing would make the atoms the must-be-true atom enables false in one order
// only (closing confirms it, and the rules it enables find their heads already closed).
bool MODEL_GENERATOR::chooseFromRules(uint32_t from, bool wrap, const TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f) {
    const uint32_t n = static_cast<uint32_t>(rules.size());
    auto take = [&](uint32_t i, uint32_t p, bool head) {
        f.rule = i;
        f.position = p;
        f.headChosen = head;
        f.aggregateChosen = false;
        f.candidateChosen = false;
        return true;
    };
    auto chooseNegative = [&](uint32_t i) {
        const GBODY &b = rules[i].body;
        for (uint32_t p = b.firstNegative; p < b.size(); ++p)
            if (a[b.literals[p].atom] == TRUTH_UNDEFINED) return take(i, p, false);
        return false;
    };
    for (int round = 0; round < (wrap ? 2 : 1); ++round) {
        for (uint32_t i = round == 0 ? from : 0; i < n; ++i) {
            const RULE_STATE &s = ruleState[i];
            if (s.satisfied != 0 || s.openPositive != 0) continue;
            if (settings.optNegPts && s.openNegative > 0 && chooseNegative(i)) return true;
            const GATOM_LIST &head = rules[i].head;
            for (uint32_t p = 0; p < head.size(); ++p)
                if (a[head[p]] == TRUTH_UNDEFINED) return take(i, p, true);
            if (!settings.optNegPts && s.openNegative > 0 && chooseNegative(i)) return true;
        }
    }
    return false;
}

// Under -OH the candidate list may keep no entry although candidates exist (--ptcache=0): then
// the rule-order chooser picks the literal, as under -OH-. With no candidate at all it finds none
// either, since every literal it can pick is a candidate, except under --pospts the negated atom
// of a rule whose head has no undefined atom left.
//
// When no rule offers a literal, an undefined aggregate atom (one whose elements propagation has
// not decided) is chosen, true first, so that both of its values are searched: closing the
// interpretation would make it false before its elements, which could still let it hold.
bool MODEL_GENERATOR::chooseAggregate(const TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f) {
    for (GATOM_ID atom : aggregates.aggregateAtomList)
        if (a[atom] == TRUTH_UNDEFINED) {
            f.atom = atom;
            f.aggregateChosen = true;
            f.candidateChosen = false;
            return true;
        }
    return false;
}

namespace {

void literalOf(const std::vector<GRULE> &rules, SEARCH_LEVEL &f) {
    if (f.aggregateChosen) {
        f.negated = false;
        f.madeTrue = true;
        return;
    }
    if (f.candidateChosen) return;
    const GRULE &r = rules[f.rule];
    if (f.headChosen) {
        f.atom = r.head[f.position];
        f.negated = false;
    } else {
        f.atom = r.body.literals[f.position].atom;
        f.negated = true;
    }
    f.madeTrue = true;
}

// The literal of the candidate list's first entry, or false when the list is empty.
bool takeCandidate(const PT_CANDIDATES &list, SEARCH_LEVEL &f) {
    if (list.count == 0) return false;
    const PT_CANDIDATE &c = list.first();
    f.atom = c.atom;
    f.negated = c.polarity == 1;
    f.madeTrue = list.literalFirst(c);
    f.aggregateChosen = false;
    f.candidateChosen = true;
    return true;
}

}  // namespace

void MODEL_GENERATOR::search(TRUTH_ASSIGNMENT &a) {
    SEARCH_STATE s;
    SEARCH_LEVEL f;
    noteLevels();
    floorLevel = level;
    restarts = 0;
    restartAt = RESTART_UNIT;
    enterLevel();
    for (;;) {
        if (interruption && *interruption) {
            status = MG_STOP;
            return;
        }
        if (conflictCount >= reduceAt || nogoods.overLimit()) reduceNogoods(a);
        OUTCOME outcome = OUTCOME_CONFLICT;
        switch (chooseLiteral(a, s, f)) {
        case CHOICE_FOUND:
            decide(a, s, f);
            if (!propagate(a)) {
                ++inconsistentChoices;
                break;
            }
            ++internalChoicePoints;
            enterLevel();
            outcome = forwardCheck(a);
            break;
        case CHOICE_CONTRADICTION: break;
        case CHOICE_NONE: outcome = leaf(a); break;
        }
        if (outcome == OUTCOME_GO_ON) continue;
        if (outcome == OUTCOME_STOPPED || outcome == OUTCOME_EXHAUSTED) return;
        bool rejected = outcome == OUTCOME_UNSTABLE;
        bool goOn = outcome == OUTCOME_CONFLICT || rejected ? resolveConflict(a, s) : flipChoice(a, s);
        // What the contradiction or the flip asserted is propagated; a contradiction there is
        // resolved in turn.
        while (goOn && !(assertUnitNogoods(a) && propagate(a))) goOn = resolveConflict(a, s);
        if (!goOn) return;
        if (rejected) lastPassedCheckLevel = level;
        // An answer set that a callback excluded is left by a restart as well: the search
        // starts the next one afresh from the values it prefers (preferExcludedChange), rather
        // than from all but one of the choices that led to the last.
        bool leaveExcluded = excludedModelLeft;
        excludedModelLeft = false;
        if ((leaveExcluded || conflictCount >= restartAt) && level > floorLevel) {
            // A restart: the choices above the floor are taken back (the nogoods and the activity
            // stay), after a number of contradictions that follows the Luby sequence.
            backjump(a, s, floorLevel);
            if (leaveExcluded) {
                for (MG_LITERAL l : preferredPhases) savedPhase[atomOfLiteral(l)] = isFalseLiteral(l) ? 2 : 1;
                preferredPhases.clear();
            } else {
                restartAt = conflictCount + RESTART_UNIT * luby(restarts++);
            }
            goOn = true;
            while (goOn && !(assertUnitNogoods(a) && propagate(a))) goOn = resolveConflict(a, s);
            if (!goOn) return;
        }
    }
}

// The Luby sequence 1 1 2 1 1 2 4 1 1 2 1 1 2 4 8 ..., from index 1.
// A new level was entered (also the root): its statistics.
void MODEL_GENERATOR::enterLevel() {
    if (level > deepestLevel) {
        deepestLevel = level;
        if (statistics >= 2) levelVisits.push_back(1);
    } else if (statistics >= 2 && level - 1 < levelVisits.size()) {
        ++levelVisits[level - 1];
    }
}

// The forward partial check at a depth between the last passed check and the last leaf.
MODEL_GENERATOR::OUTCOME MODEL_GENERATOR::forwardCheck(TRUTH_ASSIGNMENT &a) {
    if (!(flags & MG_MODEL_CHECK) || !settings.optOPf || chosenAtoms.empty() || isHCFGraph() || lastPassedCheckLevel == 0)
        return OUTCOME_GO_ON;
    uint32_t t = lastPassedCheckLevel + (lastLeafLevel - lastPassedCheckLevel) / 3;
    if (t <= lastPassedCheckLevel || level != t) return OUTCOME_GO_ON;
    ++forwardChecks;
    partialCheckTimer.start();
    int stable = checkModel(a, witness.data(), &witnessFound);
    partialCheckTimer.stop();
    if (stable) return OUTCOME_GO_ON;
    ++forwardChecksFailed;
    return rejectUnstable(a);
}

// The next literal: the front of the level's candidate list under -OH (computed when the level has
// none yet, or when all of it is decided), the rules in their order under -OH- or when the caller
// asked for them (or when the list keeps no entry), then an undefined aggregate atom.
MODEL_GENERATOR::CHOICE MODEL_GENERATOR::chooseLiteral(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s, SEARCH_LEVEL &f) {
    choiceTimer.start();
    bool found = false;
    const bool lookaheadChoice = settings.optOH && !ruleOrderChoice;
    if (lookaheadChoice) {
        PT_CANDIDATES &list = s.enter(this, &a, level, settings.optPtCache);
        bool ok = list.count != 0 || list.chooseCandidate();
        if (!ok) {
            choiceTimer.stop();
            ++pruningLookaheads;
            return CHOICE_CONTRADICTION;
        }
        found = takeCandidate(list, f) || chooseFromRules(s.ruleCursor, true, a, f) || chooseAggregate(a, f);
    } else {
        found = chooseFromRules(s.ruleCursor, true, a, f) || chooseAggregate(a, f);
    }
    choiceTimer.stop();
    if (!found) return CHOICE_NONE;
    // The look-ahead counts its own choice points.
    if (!lookaheadChoice || f.aggregateChosen) ++choicePoints;
    if (!f.aggregateChosen && !f.candidateChosen) s.ruleCursor = f.rule;
    literalOf(rules, f);
    return CHOICE_FOUND;
}

// A new level for the chosen literal, made true (a positive literal makes its atom true, a negated
// one false), or its opposite when that is to be tried first.
void MODEL_GENERATOR::decide(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s, const SEARCH_LEVEL &f) {
    openLevel(a, f.negated == f.madeTrue ? falseLiteral(f.atom) : trueLiteral(f.atom));
    s.opened(level);
    if (!f.negated && f.madeTrue) {
        setTrue(a, f.atom, {REASON_CHOICE, 0});
        chosenFlags[f.atom] = 1;
        chosenAtoms.push_back(f.atom);
    } else if (!f.negated || f.madeTrue) {
        setFalse(a, f.atom, {REASON_CHOICE, 0});
    } else {
        setMustBeTrue(a, f.atom, {REASON_CHOICE, 0});
    }
}

// A leaf: every atom the choices left open becomes false, and a total assignment without
// must-be-true atoms (closing may confirm them) is a candidate.
MODEL_GENERATOR::OUTCOME MODEL_GENERATOR::leaf(TRUTH_ASSIGNMENT &a) {
    ++answerSetCandidates;
    lastLeafLevel = level;
    // An aggregate atom that must be true is taken as true here; the candidate check verifies it
    // against its elements.
    bool confirmed = false;
    for (GATOM_ID atom : aggregates.aggregateAtomList)
        if (a[atom] == TRUTH_MUST_BE_TRUE) {
            confirmMustBeTrue(a, atom);
            confirmed = true;
        }
    witnessFound = 0;
    if (confirmed && !propagate(a)) return OUTCOME_CONFLICT;
    if (!closeInterpretation(a)) return OUTCOME_REJECTED;
    return candidateFound(a);
}

// A candidate: its aggregates must hold, the model check (where needed) and the candidate filter
// must accept it; then it is a model.
MODEL_GENERATOR::OUTCOME MODEL_GENERATOR::candidateFound(TRUTH_ASSIGNMENT &a) {
    if (!aggregates.aggregateAtomList.empty() && !aggregates.aggregatesHold(a)) return OUTCOME_REJECTED;
    // An aggregate that depends on its own rule's head may have been made true by elements that
    // are true only through it: such candidates are checked even without a choice.
    if ((flags & MG_MODEL_CHECK) &&
        (aggregates.recursive() ||
         (!chosenAtoms.empty() && !((flags & MG_UNFOUNDED_CHECKS) && (flags & MG_PROGRAM_HCF))))) {
        ++modelChecks;
        modelCheckTimer.start();
        int stable = checkModel(a, witness.data(), &witnessFound);
        modelCheckTimer.stop();
        if (!stable) return rejectUnstable(a);
    }
    if (candidateFilter) {
        rejectionAtoms.clear();
        callbackTimer.start();
        int accepted = candidateFilter(this, trueAtoms, &a);
        callbackTimer.stop();
        if (!accepted) return rejectByFilter(a);
    }
    exclusionAsked = false;
    preferredPhases.clear();
    modelFound(a);
    if (status == MG_STOP) return OUTCOME_STOPPED;
    OUTCOME next = OUTCOME_ACCEPTED;
    // While optimising, the model's cost is the bound now: the assignment reaches it.
    if (!optimumKnown) {
        fail(CONFLICT_COST, 0, 0);
        next = OUTCOME_CONFLICT;
    }
    return exclusionAsked ? learnExclusion(a, next) : next;
}

void MODEL_GENERATOR::excludeAnswerSetsWhere(const std::vector<GATOM_ID> &atoms, bool value) {
    exclusion.clear();
    for (GATOM_ID atom : atoms)
        if (atom >= 0 && static_cast<uint32_t>(atom) < groundAtomCount)
            exclusion.push_back(value ? trueLiteral(atom) : falseLiteral(atom));
    exclusionAsked = true;
}

// The nogood that the model callback asked for, learned after the answer set it was given, which
// violates it as a rule. Literals that hold from levels 0 and 1 hold for the rest of the run and
// are left out; one that cannot hold there means that the nogood never applies. When nothing is
// left, no answer set that the callback wants remains: the search is over. The literals that do
// not hold come first and the others newest first, so that the two watched literals are the last
// to come to hold and the first that a backjump takes back.
MODEL_GENERATOR::OUTCOME MODEL_GENERATOR::learnExclusion(TRUTH_ASSIGNMENT &a, OUTCOME otherwise) {
    exclusionAsked = false;
    size_t kept = 0;
    bool violated = true;
    for (MG_LITERAL l : exclusion) {
        GATOM_ID atom = atomOfLiteral(l);
        TRUTH_VALUE v = a[atom];
        bool holds = v != TRUTH_UNDEFINED && literalHolds(l, v);
        if (v != TRUTH_UNDEFINED && atomLevel[atom] <= 1) {
            if (!holds) return otherwise;
            continue;
        }
        if (!holds) violated = false;
        exclusion[kept++] = l;
    }
    exclusion.resize(kept);
    if (kept == 0) return OUTCOME_EXHAUSTED;
    auto order = [&](MG_LITERAL l) -> int64_t {
        GATOM_ID atom = atomOfLiteral(l);
        TRUTH_VALUE v = a[atom];
        if (v == TRUTH_UNDEFINED || !literalHolds(l, v)) return INT64_MAX;
        return trailPosition[atom];
    };
    std::sort(exclusion.begin(), exclusion.end(), [&](MG_LITERAL x, MG_LITERAL y) { return order(x) > order(y); });
    preferExcludedChange(a);
    // Stored as spanning no levels: the thinning of the learned nogoods keeps it.
    uint32_t id = nogoods.add(exclusion.data(), static_cast<uint32_t>(kept), NOGOOD_STORE::PERMANENT);
    if (kept == 1) unitNogoods.push_back(id);
    if (!violated || otherwise == OUTCOME_CONFLICT) return otherwise;
    fail(CONFLICT_NOGOOD, id, 0);
    excludedModelLeft = true;
    return OUTCOME_CONFLICT;
}

// A check found the (partial) interpretation not stable. The unfounded set it left is learned as
// a loop nogood, which the current assignment violates; without one the last choice is undone.
MODEL_GENERATOR::OUTCOME MODEL_GENERATOR::rejectUnstable(TRUTH_ASSIGNMENT &a) {
    if (!witnessFound) return OUTCOME_REJECTED;
    uint32_t id = learnLoopOfWitness(a);
    if (id == NO_NOGOOD) return OUTCOME_REJECTED;
    fail(CONFLICT_NOGOOD, id, 0);
    return OUTCOME_UNSTABLE;
}

// The filter rejected the candidate. When it named the atoms that decided, no candidate with
// their values is accepted: that nogood is learned and analysed like a contradiction, so that the
// search leaves every such candidate behind at once. Otherwise the last choice is undone.
MODEL_GENERATOR::OUTCOME MODEL_GENERATOR::rejectByFilter(TRUTH_ASSIGNMENT &a) {
    if (rejectionAtoms.empty()) return OUTCOME_REJECTED;
    uint32_t id = learnRejection(a);
    if (id == NO_NOGOOD) return OUTCOME_REJECTED;
    fail(CONFLICT_NOGOOD, id, 0);
    return OUTCOME_CONFLICT;
}

// A contradiction: analysed into a nogood, after which the search jumps back to the highest other
// level of the nogood (not below the floor), where the nogood asserts the complement of its
// literal of the contradiction's level. At the floor the last choice is undone instead. False when
// the contradiction holds at the root: the search is over.
bool MODEL_GENERATOR::resolveConflict(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s) {
    ++conflictCount;
    activity.decay();
    conflictBuffer.clear();
    if (!conflictLiterals(a, conflictBuffer)) return flipChoice(a, s);
    uint32_t top = 1;
    for (MG_LITERAL l : conflictBuffer) top = std::max(top, atomLevel[atomOfLiteral(l)]);
    if (top < level) backjump(a, s, top);
    if (level <= 1) return false;
    if (level <= floorLevel || !analyze(a, conflictBuffer, false)) return flipChoice(a, s);
    uint32_t target = floorLevel;
    for (size_t i = 1; i < learned.size(); ++i) target = std::max(target, atomLevel[atomOfLiteral(learned[i])]);
    uint32_t id = learnNogood(learned);
    backjump(a, s, target);
    assertLiteral(a, complementOf(nogoods.begin(id)[0]), {REASON_NOGOOD, id});
    return true;
}

// The last choice is done: it is taken back and its opposite asserted one level up, which becomes
// the floor. False at the root: the search is over.
bool MODEL_GENERATOR::flipChoice(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s) {
    if (level <= 1) return false;
    MG_LITERAL choice = levelChoice[level];
    backjump(a, s, level - 1);
    floorLevel = level;
    assertLiteral(a, complementOf(choice), {REASON_CHOICE, 0});
    return true;
}

// After an excluded answer set the next one should change as many of the excluded literals as it
// can at once, not one per answer set: a cautious query whose every instance holds in the first
// answer set would otherwise take one answer set per instance, each a search of its own. The
// excluded atoms are mostly derived from atoms that the search chooses, through rules and
// disjunctions, so the preference is the opposite of every value that the answer set chose or
// derived above level 1: the answer set furthest from the last one. They are taken as the saved
// phases once the restart that leaves the answer set has saved its values. Not while weighing
// models, where the search keeps no phases (see backjump).
void MODEL_GENERATOR::preferExcludedChange(const TRUTH_ASSIGNMENT &a) {
    preferredPhases.clear();
    if (hasWeakConstraints || levelStart.size() <= 2) return;
    for (uint32_t i = levelStart[2]; i < trail.size(); ++i) {
        GATOM_ID atom = trail[i];
        preferredPhases.push_back(a[atom] == TRUTH_FALSE ? trueLiteral(atom) : falseLiteral(atom));
    }
}

// The values taken back are kept as the preferred direction of their atoms' next choice, except
// when the search weighs models: there the direction of the last model would lead the search back
// to models of the cost it has already beaten.
void MODEL_GENERATOR::backjump(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s, uint32_t target) {
    closeLevelsTo(a, target, !hasWeakConstraints);
    if (floorLevel > level) floorLevel = level;
    propagationQueue.clear();
    if (componentsActive) componentQueue.clear();
    s.backjumped(level);
}

int MODEL_GENERATOR::checkModel(TRUTH_ASSIGNMENT &a, uint8_t *witnessBuffer, uint8_t *witnessFlag) {
    a.trailing = false;
    int stable = a.modelCheck(rules, (flags & MG_PROGRAM_HCF) != 0, groundGraph, chosenFlags.data(), witnessBuffer,
                              witnessFlag, checker);
    a.trailing = true;
    return stable;
}

void MODEL_GENERATOR::modelFound(TRUTH_ASSIGNMENT &a) {
    if (!optimumKnown) bestCost.assignValues(a.levelCosts);
    if (!bestModel)
        bestModel = new TRUTH_ASSIGNMENT(a);
    else
        *bestModel = a;
    if (optimumKnown) {
        ++answerSetsComputed;
    } else if (compareCosts(a.levelCosts, baseCost) == 0) {
        optimumKnown = true;
        ++answerSetsComputed;
    }
    if (!modelCallback) return;
    TRUTH_ASSIGNMENT *model = &a;
    if (hasWeakConstraints) {
        if (!optimumKnown && !wcTrace && !costBoundGiven) return;
        model = bestModel;
    }
    callbackTimer.start();
    int answer = modelCallback(this, trueAtoms, model);
    callbackTimer.stop();
    countShownAnswerSet(answer);
    if (!(answer & MODEL_GO_ON)) status = MG_STOP;
}
