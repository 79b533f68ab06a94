// The search: levels, choice points and answer-set candidates.
//
// Each search level chooses a literal, tries it one level deeper (a branch), and when the branch
// returns asserts the opposite literal at its own level and chooses again, until no literal is
// left (a leaf), a contradiction ends the level or the enumeration is stopped. The levels live on
// an explicit stack, so the depth of the search never grows the call stack.
#include "solver/model_generator.h"

#include "core/option_values.h"
#include "grounding/depgraph.h"
#include "solver/heuristic_choice.h"

// One search level: the rule-order chooser's position and the literal of the current branch.
struct SEARCH_LEVEL {
    uint32_t rule = 0;          // the current rule of the chooser
    uint32_t position = 0;      // the chosen head atom, or the chosen negative body literal
    bool headChosen = false;    // the chosen literal is a head atom
    bool aggregateChosen = false;  // the chosen literal is an aggregate atom, not a rule's
    bool candidateChosen = false;  // the chosen literal is the first entry of the candidate list
    bool decided = false;       // a branch of this level propagated without contradiction
    GATOM_ID atom = 0;          // the literal of the current branch: the atom, ...
    bool negated = false;       // ... whether the literal is "not atom" ...
    bool madeTrue = true;       // ... and whether it was made true first
    uint32_t chosenLength = 0;  // chosenAtoms before the branch
};

// The rule-order chooser: from rule `from` on (and, with wrap, once more from the first rule), a
// rule that is unsatisfied with a true positive body qualifies; under --negpts its first
// undefined negative literal is chosen, otherwise (or without one) its first undefined head atom.
bool MODEL_GENERATOR::chooseFromRules(uint32_t from, bool wrap, const TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f) {
    const uint32_t n = static_cast<uint32_t>(rules.size());
    for (int round = 0; round < (wrap ? 2 : 1); ++round) {
        for (uint32_t i = round == 0 ? from : 0; i < n; ++i) {
            const GRULE &r = rules[i];
            if (r.satisfied != 0 || r.openPositive != 0) continue;
            if (optNegPts && r.openNegative > 0) {
                const GBODY &b = r.body;
                for (uint32_t p = b.firstNegative; p < b.size(); ++p)
                    if (a[b.literals[p].atom] == TRUTH_UNDEFINED) {
                        f.rule = i;
                        f.position = p;
                        f.headChosen = false;
                        f.aggregateChosen = false;
                        f.candidateChosen = false;
                        return true;
                    }
            }
            for (uint32_t p = 0; p < r.head.size(); ++p)
                if (a[r.head[p]] == TRUTH_UNDEFINED) {
                    f.rule = i;
                    f.position = p;
                    f.headChosen = true;
                    f.aggregateChosen = false;
                    f.candidateChosen = false;
                    return true;
                }
        }
    }
    return false;
}

// Under -OH the candidate list may keep no entry although candidates exist (--ptcache=0): then
// the rule-order chooser picks the literal, as under -OH-. With no candidate at all it finds none
// either, since every literal it can pick is a candidate.
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

// The next literal within the current rule: the next undefined head atom after the chosen one,
// or the next negative body literal with an undefined atom.
bool nextInRule(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f) {
    const GRULE &r = rules[f.rule];
    if (f.headChosen) {
        for (uint32_t p = f.position + 1; p < r.head.size(); ++p)
            if (a[r.head[p]] == TRUTH_UNDEFINED) {
                f.position = p;
                return true;
            }
        return false;
    }
    for (uint32_t p = f.position + 1; p < r.body.size(); ++p)
        if (a[r.body.literals[p].atom] == TRUTH_UNDEFINED) {
            f.position = p;
            return true;
        }
    return false;
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

// The levels of a search and the candidate list of each depth, kept for the whole search so that
// the lists' slots are reused.
struct SEARCH_STATE {
    std::vector<SEARCH_LEVEL> stack;
    std::vector<PT_CANDIDATES> candidateLists;
};

void MODEL_GENERATOR::search(TRUTH_ASSIGNMENT &a) {
    enum { ENTER, BRANCH, BRANCH_RETURNED, LEVEL_END } action = ENTER;
    SEARCH_STATE s;
    s.stack.reserve(64);
    s.stack.emplace_back();
    for (;;) {
        SEARCH_LEVEL &f = s.stack.back();
        switch (action) {
            case ENTER:
                action = LEVEL_END;
                if (!enterLevel(a)) break;
                switch (chooseLiteral(a, s, true)) {
                    case CHOICE_FOUND:
                        action = BRANCH;
                        break;
                    case CHOICE_NONE:
                        leaf(a);
                        break;
                    case CHOICE_CONTRADICTION:
                        break;
                }
                break;
            case BRANCH:
                if (branch(a, f)) {
                    s.stack.emplace_back();
                    action = ENTER;
                } else {
                    action = BRANCH_RETURNED;
                }
                break;
            case BRANCH_RETURNED:
                undoBranch(a, f);
                action = LEVEL_END;
                if (!assertOpposite(a, f)) break;
                switch (chooseLiteral(a, s, false)) {
                    case CHOICE_FOUND:
                        action = BRANCH;
                        break;
                    case CHOICE_NONE:
                        leaf(a);
                        break;
                    case CHOICE_CONTRADICTION:
                        break;
                }
                break;
            case LEVEL_END:
                s.stack.pop_back();
                // A stop leaves every level as it is: the enumeration is over.
                if (s.stack.empty() || status == MG_STOP) return;
                action = BRANCH_RETURNED;
                break;
        }
    }
}

// A new level: its statistics, and the forward partial check at a depth between the last passed
// check and the last leaf. False when the check finds the interpretation unstable, which ends the
// level.
bool MODEL_GENERATOR::enterLevel(TRUTH_ASSIGNMENT &a) {
    if (level > deepestLevel) {
        deepestLevel = level;
        if (optStats >= 2) levelVisits.push_back(1);
    } else if (optStats >= 2 && level - 1 < levelVisits.size()) {
        ++levelVisits[level - 1];
    }
    if (!(flags & MG_MODEL_CHECK) || !optOPf || chosenAtoms.empty() || isHCFGraph() || lastPassedCheckLevel == 0)
        return true;
    uint32_t t = lastPassedCheckLevel + (lastLeafLevel - lastPassedCheckLevel) / 3;
    if (t <= lastPassedCheckLevel || level != t) return true;
    ++forwardChecks;
    partialCheckTimer.start();
    int stable = checkModel(a, witness.data(), &witnessFound);
    partialCheckTimer.stop();
    if (stable) return true;
    ++forwardChecksFailed;
    status = MG_REJECT;
    witnessRules.clear();
    nextWitnessAtom(0, a);
    return false;
}

// The level's first literal, or the next one after its last branch: the front of the candidate
// list under -OH (computed anew when it is empty), the rules in their order under -OH- (or when the
// list keeps no entry), then an undefined aggregate atom.
MODEL_GENERATOR::CHOICE MODEL_GENERATOR::chooseLiteral(TRUTH_ASSIGNMENT &a, SEARCH_STATE &s, bool first) {
    SEARCH_LEVEL &f = s.stack.back();
    choiceTimer.start();
    bool found = false;
    if (optOH) {
        if (s.candidateLists.size() < s.stack.size()) s.candidateLists.resize(s.stack.size());
        PT_CANDIDATES &list = s.candidateLists[s.stack.size() - 1];
        if (first) {
            list.start(this, &a, optPtCache);
        } else if (f.candidateChosen) {
            list.removeFirst();
            list.dropStaleCandidates();
        }
        if (list.count == 0 && !list.chooseCandidate()) {
            choiceTimer.stop();
            ++pruningLookaheads;
            return CHOICE_CONTRADICTION;
        }
        found = takeCandidate(list, f) || chooseFromRules(0, false, a, f) || chooseAggregate(a, f);
    } else if (first || f.aggregateChosen) {
        found = chooseFromRules(0, false, a, f) || chooseAggregate(a, f);
    } else {
        found = nextInRule(rules, a, f) || chooseFromRules(f.rule + 1, true, a, f) || chooseAggregate(a, f);
    }
    choiceTimer.stop();
    if (!found) return CHOICE_NONE;
    if (first) {
        // The look-ahead counts its own choice points.
        if (!optOH || f.aggregateChosen) ++choicePoints;
        f.decided = false;
    }
    literalOf(rules, f);
    return CHOICE_FOUND;
}

// One branch: the level's literal is made true one level deeper and propagated. False when the
// propagation fails.
bool MODEL_GENERATOR::branch(TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f) {
    a.markChoice();
    ++level;
    f.chosenLength = static_cast<uint32_t>(chosenAtoms.size());
    if (!f.negated && f.madeTrue) {
        setTrue(a, f.atom);
        chosenFlags[f.atom] = 1;
        chosenAtoms.push_back(f.atom);
    } else if (!f.negated || f.madeTrue) {
        setFalse(a, f.atom);
    } else {
        setMustBeTrue(a, f.atom);
    }
    if (!propagate(a)) {
        ++inconsistentChoices;
        return false;
    }
    if (!f.decided) {
        f.decided = true;
        ++internalChoicePoints;
    }
    return true;
}

// Takes back everything the level's last branch did: the values, the counters and the chosen
// atoms.
void MODEL_GENERATOR::undoBranch(TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f) {
    --level;
    a.undoChoice();
    counterTrail.undoTo(level);
    supportTrail.undoTo(level);
    if (!aggregateTrail.entries.empty()) aggregateTrail.undoTo(level);
    while (chosenAtoms.size() > f.chosenLength) {
        chosenFlags[chosenAtoms.back()] = 0;
        chosenAtoms.pop_back();
    }
}

// After a branch: the opposite of its literal at this level, without a new level, and its
// propagation. False when the level ends instead: a rejected candidate that the backtracking check
// finds still unstable here, a cost that nothing below can improve, or a contradiction.
bool MODEL_GENERATOR::assertOpposite(TRUTH_ASSIGNMENT &a, SEARCH_LEVEL &f) {
    if (status == MG_REJECT && !backtrackingCheck(a)) return false;
    if (!optimumKnown && hasBestCost && levels != 0 && compareCosts(a.levelCosts, bestCost) == 0) return false;
    bool oppositeFalse = f.negated != f.madeTrue;
    TRUTH_VALUE v = a[f.atom];
    if (oppositeFalse) {
        if (v == TRUTH_MUST_BE_TRUE || isTrueValue(v)) return false;
        if (v == TRUTH_UNDEFINED) setFalse(a, f.atom);
    } else {
        if (v == TRUTH_FALSE) return false;
        if (v == TRUTH_UNDEFINED) setMustBeTrue(a, f.atom);
    }
    return propagate(a);
}

// A leaf: every atom the choices left open becomes false, and a total assignment without
// must-be-true atoms (closing may confirm them) is a candidate.
void MODEL_GENERATOR::leaf(TRUTH_ASSIGNMENT &a) {
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
    if (confirmed && !propagate(a)) {
        witnessFound = 0;
        return;
    }
    if (closeInterpretation(a))
        candidateFound(a);
    else
        witnessFound = 0;
}

// After a branch came back with a rejected candidate: is the partial interpretation of this level
// still stable? A recorded unfounded set that is still unfounded settles it without a full check.
bool MODEL_GENERATOR::backtrackingCheck(TRUTH_ASSIGNMENT &a) {
    if (!(flags & MG_MODEL_CHECK) || chosenAtoms.empty()) {
        status = MG_CONTINUE;
        return true;
    }
    ++backtrackingChecks;
    partialCheckTimer.start();
    bool unstable = false;
    if (witnessFound) {
        TRUTH_VALUE v = a[static_cast<GATOM_ID>(witnessPosition)];
        if (v == TRUTH_MUST_BE_TRUE || isTrueValue(v) || nextWitnessAtom(witnessPosition + 1, a)) {
            quickCheckTimer.start();
            int still = witnessRules.empty() ? checkWitnessUnfounded(witness.data(), a, rules, &witnessRules)
                                             : recheckWitnessUnfounded(witness.data(), a, witnessRules);
            quickCheckTimer.stop();
            if (still) {
                ++quickBacktrackingChecks;
                unstable = true;
            }
        }
    }
    if (!unstable) {
        unstable = !checkModel(a, witness.data(), &witnessFound);
        witnessRules.clear();
    }
    partialCheckTimer.stop();
    if (unstable) return false;
    status = MG_CONTINUE;
    lastPassedCheckLevel = level;
    return true;
}

void MODEL_GENERATOR::candidateFound(TRUTH_ASSIGNMENT &a) {
    if (!aggregates.aggregateAtomList.empty() && !aggregates.aggregatesHold(a)) {
        witnessFound = 0;
        return;
    }
    modelCheckTimer.start();
    // An aggregate that depends on its own rule's head may have been made true by elements that
    // are true only through it: such candidates are checked even without a choice.
    if ((flags & MG_MODEL_CHECK) &&
        (aggregates.recursive() ||
         (!chosenAtoms.empty() && !((flags & MG_UNFOUNDED_CHECKS) && (flags & MG_PROGRAM_HCF))))) {
        ++modelChecks;
        if (!checkModel(a, witness.data(), &witnessFound)) {
            if (witnessFound) nextWitnessAtom(0, a);
            status = MG_REJECT;
            witnessRules.clear();
        }
    }
    modelCheckTimer.stop();
    if (candidateFilter && status != MG_REJECT) {
        callbackTimer.start();
        int accepted = candidateFilter(this, trueAtoms, &a);
        callbackTimer.stop();
        if (!accepted) {
            witnessFound = 0;
            status = MG_REJECT;
        }
    }
    if (status != MG_REJECT) {
        modelFound(a);
        witnessFound = 0;
    }
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
    int goOn = modelCallback(this, trueAtoms, model);
    callbackTimer.stop();
    if (!goOn) status = MG_STOP;
}

bool MODEL_GENERATOR::nextWitnessAtom(uint32_t startPosition, const TRUTH_ASSIGNMENT &a) {
    for (uint32_t i = startPosition; i < witness.size(); ++i) {
        if (!witness[i]) continue;
        TRUTH_VALUE v = a[static_cast<GATOM_ID>(i)];
        if (v == TRUTH_MUST_BE_TRUE || isTrueValue(v)) {
            witnessPosition = i;
            return true;
        }
    }
    return false;
}
