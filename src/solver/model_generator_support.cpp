// Support counters and unfounded sets. An atom of an answer set needs a rule that supports it;
// `supportCount` counts the rules that still can. Losing the last one makes an undefined atom
// false (and a must-be-true one a contradiction), a single one left is forced to support a true
// atom, and in cyclic head-cycle-free components atoms that only support each other in a
// positive loop are found and made false, component by component.
#include "solver/model_generator.h"

#include "grounding/ground_depgraph.h"

int MODEL_GENERATOR::withdrawSupport(TRUTH_ASSIGNMENT &a, uint32_t r, GATOM_ID atom) {
    const GATOM_LIST &head = rules[r].head;
    for (uint32_t i = 0; i < head.size(); ++i) {
        GATOM_ID h = head[i];
        if (h == atom) {
            setCounter(ruleState[r].supportedHead, i + 1);
            continue;
        }
        decrementSupport(h);
        TRUTH_VALUE v = a[h];
        if (componentsActive && v != TRUTH_FALSE) {
            queueComponent(componentOfAtom[h]);
            sourceMayBeLost(r, h);
        }
        switch (supportCount[h]) {
        case 0:
            if (v == TRUTH_UNDEFINED)
                setFalse(a, h, {REASON_UNSUPPORTED, 0});
            else if (v == TRUTH_MUST_BE_TRUE)
                return fail(CONFLICT_UNSUPPORTED, 0, h);
            break;
        case 1:
            if ((v == TRUTH_MUST_BE_TRUE || isTrueValue(v)) && !forceSupportingRule(a, h)) return 0;
            break;
        case 2:
            if (v == TRUTH_MUST_BE_TRUE) {
                ++lookaheadRecord.counters[HV_MUST_BE_TRUE_SUPPORT2];
                ++lookaheadRecord.counters[HV_CONFIRMED_SUPPORT3];
            }
            break;
        case 3:
            if (v == TRUTH_MUST_BE_TRUE) ++lookaheadRecord.counters[HV_MUST_BE_TRUE_SUPPORT3];
            break;
        default: break;
        }
    }
    return 1;
}

int MODEL_GENERATOR::forceSupportingRule(TRUTH_ASSIGNMENT &a, GATOM_ID atom) {
    uint32_t supporting = NO_RULE;
    for (uint32_t candidate : headOccurrences.of(atom)) {
        const RULE_STATE &s = ruleState[candidate];
        if (s.supportedHead != 0 ? rules[candidate].head[s.supportedHead - 1] == atom : s.satisfied == 0) {
            supporting = candidate;
            break;
        }
    }
    if (supporting == NO_RULE) return 1;
    if (ruleState[supporting].mustBeTrueHead > 1) return fail(CONFLICT_UNSUPPORTED, 0, atom);
    const GRULE *r = &rules[supporting];
    if (r->hasBody) {
        for (const GLITERAL &l : r->body.positive())
            if (a[l.atom] == TRUTH_FALSE) return fail(CONFLICT_UNSUPPORTED, 0, atom);
        for (const GLITERAL &l : r->body.negative())
            if (a[l.atom] != TRUTH_FALSE && a[l.atom] != TRUTH_UNDEFINED) return fail(CONFLICT_UNSUPPORTED, 0, atom);
    }
    for (GATOM_ID h : r->head) {
        if (h == atom) continue;
        TRUTH_VALUE v = a[h];
        if (v == TRUTH_FALSE) continue;
        if (v != TRUTH_UNDEFINED) return fail(CONFLICT_UNSUPPORTED, 0, atom);
        setFalse(a, h, {REASON_SUPPORT, static_cast<uint32_t>(atom)});
    }
    if (!r->hasBody) return 1;
    for (const GLITERAL &l : r->body.positive()) {
        TRUTH_VALUE v = a[l.atom];
        if (v == TRUTH_FALSE) return fail(CONFLICT_UNSUPPORTED, 0, atom);
        if (v == TRUTH_UNDEFINED) setMustBeTrue(a, l.atom, {REASON_SUPPORT, static_cast<uint32_t>(atom)});
    }
    for (const GLITERAL &l : r->body.negative()) {
        TRUTH_VALUE v = a[l.atom];
        if (v == TRUTH_FALSE) continue;
        if (v != TRUTH_UNDEFINED) return fail(CONFLICT_UNSUPPORTED, 0, atom);
        setFalse(a, l.atom, {REASON_SUPPORT, static_cast<uint32_t>(atom)});
    }
    return 1;
}

int MODEL_GENERATOR::confirmSupportedHead(TRUTH_ASSIGNMENT &a, uint32_t r) {
    const GATOM_LIST &head = rules[r].head;
    const size_t n = head.size();
    for (size_t i = 0; i < n; ++i) {
        GATOM_ID h = head[i];
        TRUTH_VALUE v = a[h];
        if (isTrueValue(v)) return 1;
        if (v != TRUTH_MUST_BE_TRUE) continue;
        if (supportCount[h] == 1 && ruleState[r].mustBeTrueHead > 1) return fail(CONFLICT_UNSUPPORTED, 0, h);
        for (size_t j = i + 1; j < n; ++j)
            if (isTrueValue(a[head[j]])) return 1;
        confirmMustBeTrue(a, h);
        // The other head atoms may still be open: the model check must look at this atom.
        if (!chosenFlags.empty()) {
            chosenFlags[h] = 1;
            chosenAtoms.push_back(h);
        }
        return 1;
    }
    return 1;
}

void MODEL_GENERATOR::queueComponent(int32_t component) {
    if (component < 0 || componentKind[component] != COMPONENT_CYCLIC_HCF) return;
    if (componentQueue.queued[component]) return;
    componentQueue.push(static_cast<uint32_t>(component));
}

inline bool MODEL_GENERATOR::hasTrueHeadOutside(const TRUTH_ASSIGNMENT &a, uint32_t r, uint32_t component) const {
    const RULE_STATE &s = ruleState[r];
    if (!(s.satisfied & SATISFIED_BY_HEAD) && s.mustBeTrueHead == 0) return false;
    for (GATOM_ID h : rules[r].head) {
        if (componentOfAtom[h] == static_cast<int32_t>(component)) continue;
        TRUTH_VALUE v = a[h];
        if (v == TRUTH_MUST_BE_TRUE || isTrueValue(v)) return true;
    }
    return false;
}

bool MODEL_GENERATOR::sourceUsable(const TRUTH_ASSIGNMENT &a, uint32_t r, uint32_t component) const {
    if (r == NO_RULE || (ruleState[r].satisfied & SATISFIED_BY_BODY) || hasTrueHeadOutside(a, r, component))
        return false;
    if (rules[r].hasBody) {
        const int32_t c = static_cast<int32_t>(component);
        for (const GLITERAL &l : rules[r].body.positive())
            if (componentOfAtom[l.atom] == c && a[l.atom] == TRUTH_FALSE) return false;
    }
    return true;
}

void MODEL_GENERATOR::dropPendingChecks() {
    componentQueue.clear();
    for (GATOM_ID atom : suspectSources) sourceFlags[atom] = 0;
    suspectSources.clear();
}

int MODEL_GENERATOR::recheckLostSources(TRUTH_ASSIGNMENT &a, uint32_t component) {
    const int32_t c = static_cast<int32_t>(component);
    // The suspects of this component whose source rule is no longer usable; the others wait for
    // the checks of their own components.
    lostSources.clear();
    size_t kept = 0;
    for (GATOM_ID atom : suspectSources) {
        if (componentOfAtom[atom] != c) {
            suspectSources[kept++] = atom;
            continue;
        }
        sourceFlags[atom] &= static_cast<uint8_t>(~SOURCE_SUSPECT);
        if (a[atom] == TRUTH_FALSE || (sourceFlags[atom] & SOURCE_LOST) ||
            sourceUsable(a, sourceOf(atom), component))
            continue;
        sourceFlags[atom] |= SOURCE_LOST;
        lostSources.push_back(atom);
    }
    suspectSources.resize(kept);
    if (lostSources.empty()) return 1;
    // Then the atoms founded through a lost one.
    for (size_t i = 0; i < lostSources.size(); ++i) {
        GATOM_ID atom = lostSources[i];
        for (uint32_t r : positiveBodyOccurrences.insideComponent(atom)) {
            for (GATOM_ID h : rules[r].head) {
                if (componentOfAtom[h] != c) continue;
                if (a[h] != TRUTH_FALSE && !(sourceFlags[h] & SOURCE_LOST) && sourceOf(h) == r) {
                    sourceFlags[h] |= SOURCE_LOST;
                    lostSources.push_back(h);
                }
                break;
            }
        }
    }
    // Every other atom that is not false is still founded: look for new sources of the lost
    // ones, as the complete check does.
    for (GATOM_ID atom : lostSources) {
        setSource(atom, NO_RULE);
        bool found = false;
        for (uint32_t r : headOccurrences.of(atom)) {
            if (found || (ruleState[r].satisfied & SATISFIED_BY_BODY) || hasTrueHeadOutside(a, r, component)) {
                ruleWaitsForSupport[r] = 0;
                continue;
            }
            int32_t inside = 0;
            if (rules[r].hasBody)
                for (const GLITERAL &l : rules[r].body.positive())
                    if (componentOfAtom[l.atom] == c && (a[l.atom] == TRUTH_FALSE || (sourceFlags[l.atom] & SOURCE_LOST)))
                        ++inside;
            ruleState[r].unsupportedInside = inside;
            if (inside) {
                ruleWaitsForSupport[r] = 1;
            } else {
                sourceFlags[atom] &= static_cast<uint8_t>(~SOURCE_LOST);
                supportQueue.push(TRUTH_TRUE, atom);
                setSource(atom, r);
                found = true;
                ruleWaitsForSupport[r] = 0;
            }
        }
    }
    // Support spreads from the newly founded atoms to the lost ones, as in the complete check;
    // rules left waiting by earlier checks only reach atoms that are founded already.
    spreadSupport(component, true);
    // What is still lost is unfounded: the component's marks name the set, as after a complete
    // check, for the loop nogood that makes its atoms false.
    bool unfounded = false;
    for (GATOM_ID atom : lostSources) {
        if (sourceFlags[atom] & SOURCE_LOST) unfounded = true;
    }
    if (unfounded)
        for (uint32_t atomNumber : groundGraph->components[component]) {
            GATOM_ID atom = static_cast<GATOM_ID>(atomNumber);
            supportMarks.values[atom] = a[atom] == TRUTH_FALSE            ? TRUTH_FALSE
                                        : sourceFlags[atom] & SOURCE_LOST ? TRUTH_UNDEFINED
                                                                          : TRUTH_TRUE;
        }
    for (GATOM_ID atom : lostSources) sourceFlags[atom] &= static_cast<uint8_t>(~SOURCE_LOST);
    return unfounded ? falsifyUnfounded(a, component) : 1;
}

int MODEL_GENERATOR::checkUnfoundedComponent(TRUTH_ASSIGNMENT &a, uint32_t component) {
    if (!componentHasAggregate[component] && sourcesKnown[component]) return recheckLostSources(a, component);
    // The complete check founds every atom anew: the suspects of the component are settled.
    size_t kept = 0;
    for (GATOM_ID atom : suspectSources) {
        if (componentOfAtom[atom] == static_cast<int32_t>(component))
            sourceFlags[atom] = 0;
        else
            suspectSources[kept++] = atom;
    }
    suspectSources.resize(kept);
    // Sources set at the root are never undone; above it a backtrack could leave atoms without
    // the sources that later rechecks rely on.
    if (level == 0) sourcesKnown[component] = 1;
    const std::vector<uint32_t> &atoms = groundGraph->components[component];
    const int32_t c = static_cast<int32_t>(component);
    bool allFalse = true;
    for (uint32_t atomNumber : atoms) {
        GATOM_ID atom = static_cast<GATOM_ID>(atomNumber);
        setSource(atom, NO_RULE);
        bool isFalse = a[atom] == TRUTH_FALSE;
        supportMarks.values[atom] = isFalse ? TRUTH_FALSE : TRUTH_UNDEFINED;
        if (!isFalse) allFalse = false;
        bool found = false;
        for (uint32_t r : headOccurrences.of(atom)) {
            if (isFalse || found || (ruleState[r].satisfied & SATISFIED_BY_BODY) ||
                hasTrueHeadOutside(a, r, component)) {
                ruleWaitsForSupport[r] = 0;
                continue;
            }
            int32_t inside = 0;
            if (rules[r].hasBody)
                for (const GLITERAL &l : rules[r].body.positive())
                    if (componentOfAtom[l.atom] == c && !aggregateAtom[l.atom]) ++inside;
            ruleState[r].unsupportedInside = inside;
            if (inside) {
                ruleWaitsForSupport[r] = 1;
            } else {
                supportMarks.values[atom] = TRUTH_TRUE;
                supportQueue.push(TRUTH_TRUE, atom);
                setSource(atom, r);
                found = true;
                ruleWaitsForSupport[r] = 0;
            }
        }
    }
    if (allFalse) return 1;
    return propagateComponentSupport(a, component);
}

// Support spreads from the founded atoms in the queue along the inside positive bodies: a waiting
// rule whose last unfounded inside atom is founded founds its head atom in the component, unless
// that one is founded already (its mark, or under `lostOnly` its lost flag, tells).
void MODEL_GENERATOR::spreadSupport(uint32_t component, bool lostOnly) {
    const int32_t c = static_cast<int32_t>(component);
    while (!supportQueue.empty()) {
        GATOM_ID atom = supportQueue.pop().atom;
        for (uint32_t r : positiveBodyOccurrences.insideComponent(atom)) {
            if (!ruleWaitsForSupport[r]) continue;
            if (ruleState[r].unsupportedInside-- != 1) continue;
            for (GATOM_ID h : rules[r].head) {
                if (componentOfAtom[h] != c) continue;
                bool unfounded = lostOnly ? (sourceFlags[h] & SOURCE_LOST) != 0 : supportMarks.values[h] == TRUTH_UNDEFINED;
                if (unfounded) {
                    if (lostOnly)
                        sourceFlags[h] &= static_cast<uint8_t>(~SOURCE_LOST);
                    else
                        supportMarks.values[h] = TRUTH_TRUE;
                    setSource(h, r);
                    supportQueue.push(TRUTH_TRUE, h);
                }
                break;
            }
        }
    }
}

int MODEL_GENERATOR::propagateComponentSupport(TRUTH_ASSIGNMENT &a, uint32_t component) {
    spreadSupport(component, false);
    return falsifyUnfounded(a, component);
}

// The atoms left unfounded become false, each by the loop nogood of the set; one that is true is
// a contradiction. The nogood is built once, when the set asks for something.
int MODEL_GENERATOR::falsifyUnfounded(TRUTH_ASSIGNMENT &a, uint32_t component) {
    uint32_t loop = NO_RECORD;
    bool built = false;
    for (uint32_t atomNumber : groundGraph->components[component]) {
        GATOM_ID atom = static_cast<GATOM_ID>(atomNumber);
        if (supportMarks.values[atom] != TRUTH_UNDEFINED || aggregateAtom[atom]) continue;
        TRUTH_VALUE v = a[atom];
        if (v == TRUTH_FALSE) continue;
        if (!built && level > 0) loop = addComponentLoop(a, component);
        built = true;
        if (v != TRUTH_UNDEFINED) return loop == NO_RECORD ? fail(CONFLICT_CHOICES, 0, 0) : fail(CONFLICT_RECORD, loop, atom);
        setFalse(a, atom, loop == NO_RECORD ? MG_WHY{REASON_CHOICES, 0} : MG_WHY{REASON_RECORD, loop});
    }
    return 1;
}
