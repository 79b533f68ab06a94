// Conflict-driven search: why each atom has its value, the analysis of a contradiction into a
// nogood, the levels of the search as the trail sees them, and the learned nogoods' propagation.
//
// Every assignment records its level, its place on the trail and its reason (`noteAssigned`).
// A contradiction is traced back through the reasons, newest first, until one literal of the
// current level is left (the first unique implication point): the literals that remain form a
// nogood that holds in every answer set, and the search jumps back to the highest other level in
// it, where the nogood asserts the complement of that literal. Most reasons are read back from the
// program when analysis asks for them, restricted to the literals assigned before the atom, so
// that propagation records only a kind and a number. Literals of levels 0 and 1 hold for the whole
// search and are left out of every nogood.
#include <algorithm>

#include "grounding/ground_depgraph.h"
#include "solver/model_generator.h"

namespace {

constexpr uint32_t ANY_POSITION = UINT32_MAX;

}  // namespace

// --- Levels and the trail -------------------------------------------------------------------

void MODEL_GENERATOR::startLearning() {
    uint32_t n = groundAtomCount;
    atomLevel.assign(n, 0);
    trailPosition.assign(n, 0);
    reasonKind.assign(n, REASON_CHOICE);
    reasonData.assign(n, 0);
    trail.clear();
    trail.reserve(n);
    levelStart.assign(1, 0);
    levelChoice.assign(1, 0);
    levelChosen.assign(1, 0);
    levelRecords.assign(1, 0);
    recordLiterals.clear();
    recordStart.assign(1, 0);
    nogoods.reset(n, nogoodMemoryLimit);
    activity.reset(n);
    savedPhase.assign(n, 0);
    lookedAhead.clear();
    rootLookedAhead = false;
    unitNogoods.clear();
    conflictCount = 0;
    reduceBase = 2000 + (rules.size() + constraints.size()) / 4;
    reduceAt = reduceBase;
    reductions = 0;
    floorLevel = 1;
    seen.assign(n, 0);
    seenAtoms.clear();
    literalMark.assign(size_t(2) * n, 0);
    markStamp = 0;
}

// The levels up to the current one as the trail sees them: a level entered without a choice marker
// (the root) begins where the trail ends now.
void MODEL_GENERATOR::noteLevels() {
    while (levelStart.size() <= level) {
        levelStart.push_back(static_cast<uint32_t>(trail.size()));
        levelChoice.push_back(0);
        levelChosen.push_back(static_cast<uint32_t>(chosenAtoms.size()));
        levelRecords.push_back(static_cast<uint32_t>(recordStart.size() - 1));
    }
}

// A new level: a choice marker on the assignment's trails, and where the level begins on the
// trail, the chosen atoms and the recorded reasons.
void MODEL_GENERATOR::openLevel(TRUTH_ASSIGNMENT &a, MG_LITERAL choice) {
    noteLevels();
    a.markChoice();
    ++level;
    levelStart.push_back(static_cast<uint32_t>(trail.size()));
    levelChoice.push_back(choice);
    levelChosen.push_back(static_cast<uint32_t>(chosenAtoms.size()));
    levelRecords.push_back(static_cast<uint32_t>(recordStart.size() - 1));
}

// Takes back every level above `target`: values, costs, counters, chosen atoms and recorded reasons.
void MODEL_GENERATOR::closeLevelsTo(TRUTH_ASSIGNMENT &a, uint32_t target, bool savePhases) {
    if (target >= level) return;
    if (savePhases)
        for (uint32_t i = levelStart[target + 1]; i < trail.size(); ++i)
            savedPhase[trail[i]] = a[trail[i]] == TRUTH_FALSE ? 2 : 1;
    while (level > target) {
        a.undoChoice();
        --level;
    }
    counterTrail.undoTo(level);
    supportTrail.undoTo(level);
    if (!aggregateTrail.entries.empty()) aggregateTrail.undoTo(level);
    for (uint32_t i = levelStart[level + 1]; i < trail.size(); ++i) activity.insert(trail[i]);
    trail.resize(levelStart[level + 1]);
    uint32_t chosen = levelChosen[level + 1];
    while (chosenAtoms.size() > chosen) {
        chosenFlags[chosenAtoms.back()] = 0;
        chosenAtoms.pop_back();
    }
    recordStart.resize(levelRecords[level + 1] + 1);
    recordLiterals.resize(recordStart.back());
    levelStart.resize(level + 1);
    levelChoice.resize(level + 1);
    levelChosen.resize(level + 1);
    levelRecords.resize(level + 1);
}

// --- Learned nogoods -----------------------------------------------------------------------

// The literal comes to hold by `why`: an atom made false, or must-be-true.
void MODEL_GENERATOR::assertLiteral(TRUTH_ASSIGNMENT &a, MG_LITERAL l, MG_WHY why) {
    if (isFalseLiteral(l))
        setFalse(a, atomOfLiteral(l), why);
    else
        setMustBeTrue(a, atomOfLiteral(l), why);
}

// A literal came to hold: each nogood watching it looks for another literal that does not hold;
// without one it asserts the complement of its other watched literal, or is violated.
int MODEL_GENERATOR::propagateNogoods(TRUTH_ASSIGNMENT &a, MG_LITERAL holding) {
    std::vector<NOGOOD_WATCH> &watching = nogoods.watchers(holding);
    size_t kept = 0, i = 0;
    int ok = 1;
    for (; i < watching.size(); ++i) {
        NOGOOD_WATCH w = watching[i];
        TRUTH_VALUE b = a[atomOfLiteral(w.blocker)];
        if (b != TRUTH_UNDEFINED && !literalHolds(w.blocker, b)) {
            watching[kept++] = w;
            continue;
        }
        MG_LITERAL *l = nogoods.literalsAt(w.start);
        if (l[0] == holding) std::swap(l[0], l[1]);
        TRUTH_VALUE other = a[atomOfLiteral(l[0])];
        if (other != TRUTH_UNDEFINED && !literalHolds(l[0], other)) {
            watching[kept++] = {w.start, l[0]};  // the complement of the other watched literal holds
            continue;
        }
        uint32_t n = nogoods.sizeAt(w.start);
        bool moved = false;
        for (uint32_t k = 2; k < n; ++k) {
            TRUTH_VALUE v = a[atomOfLiteral(l[k])];
            if (v == TRUTH_UNDEFINED || !literalHolds(l[k], v)) {
                std::swap(l[1], l[k]);
                nogoods.watchers(l[1]).push_back({w.start, l[0]});
                moved = true;
                break;
            }
        }
        if (moved) continue;
        watching[kept++] = {w.start, l[0]};
        if (other == TRUTH_UNDEFINED) {
            assertLiteral(a, complementOf(l[0]), {REASON_NOGOOD, nogoods.idAt(w.start)});
        } else {
            ok = fail(CONFLICT_NOGOOD, nogoods.idAt(w.start), 0);
            ++i;
            break;
        }
    }
    for (; i < watching.size(); ++i) watching[kept++] = watching[i];
    watching.resize(kept);
    return ok;
}

// Nogoods of one literal are watched by none: after every backjump their complements are asserted
// again where they are undecided.
int MODEL_GENERATOR::assertUnitNogoods(TRUTH_ASSIGNMENT &a) {
    for (uint32_t id : unitNogoods) {
        MG_LITERAL l = nogoods.begin(id)[0];
        TRUTH_VALUE v = a[atomOfLiteral(l)];
        if (v == TRUTH_UNDEFINED)
            assertLiteral(a, complementOf(l), {REASON_NOGOOD, id});
        else if (literalHolds(l, v))
            return fail(CONFLICT_NOGOOD, id, 0);
    }
    return 1;
}

// Stores a nogood whose first literal is the one it asserts the complement of: the literal of the
// highest level among the others takes the second place, so that the two watched literals are
// the last to come to hold.
uint32_t MODEL_GENERATOR::learnNogood(std::vector<MG_LITERAL> &literals) {
    size_t n = literals.size();
    uint32_t levels = 0;
    ++markStamp;
    for (size_t i = 1; i < n; ++i) {
        if (atomLevel[atomOfLiteral(literals[i])] > atomLevel[atomOfLiteral(literals[1])])
            std::swap(literals[1], literals[i]);
    }
    // The number of distinct levels, marked through the literal marks of level numbers.
    std::vector<uint32_t> &marks = literalMark;
    for (MG_LITERAL l : literals) {
        uint32_t lv = atomLevel[atomOfLiteral(l)];
        if (lv < marks.size() && marks[lv] != markStamp) {
            marks[lv] = markStamp;
            ++levels;
        }
    }
    uint32_t id = nogoods.add(literals.data(), static_cast<uint32_t>(n), levels);
    if (n == 1) unitNogoods.push_back(id);
    return id;
}

void MODEL_GENERATOR::reduceNogoods(const TRUTH_ASSIGNMENT &a) {
    nogoods.reduce([&](uint32_t id) {
        GATOM_ID atom = atomOfLiteral(nogoods.begin(id)[0]);
        return a[atom] != TRUTH_UNDEFINED && reasonKind[atom] == REASON_NOGOOD && reasonData[atom] == id;
    });
    // The interval grows by a constant step, so the nogoods kept grow with the square root of the
    // contradictions met, not with their number, until they reach the store's memory limit.
    if (conflictCount >= reduceAt) reduceAt = conflictCount + reduceBase + REDUCE_STEP * ++reductions;
}

// --- Reasons -------------------------------------------------------------------------------

namespace {

inline bool holdsBefore(const TRUTH_ASSIGNMENT &a, const std::vector<uint32_t> &position, MG_LITERAL l,
                        uint32_t before) {
    TRUTH_VALUE v = a[atomOfLiteral(l)];
    return v != TRUTH_UNDEFINED && literalHolds(l, v) && position[atomOfLiteral(l)] < before;
}

}  // namespace

// A literal assigned before `before` that keeps the rule from supporting `head`: a false positive
// body atom, a true negative one, or another true head atom; of those the one of the lowest level.
bool MODEL_GENERATOR::blockingLiteral(const TRUTH_ASSIGNMENT &a, const GRULE *r, GATOM_ID head, uint32_t before,
                                      MG_LITERAL &out) const {
    bool found = false;
    uint32_t best = UINT32_MAX;
    auto consider = [&](MG_LITERAL l) {
        if (!holdsBefore(a, trailPosition, l, before)) return;
        uint32_t lv = atomLevel[atomOfLiteral(l)];
        if (!found || lv < best) {
            found = true;
            best = lv;
            out = l;
        }
    };
    if (r->hasBody) {
        for (const GLITERAL &l : r->body.positive()) consider(falseLiteral(l.atom));
        for (const GLITERAL &l : r->body.negative()) consider(trueLiteral(l.atom));
    }
    for (GATOM_ID h : r->head)
        if (h != head) consider(trueLiteral(h));
    return found;
}

// A blocking literal for every rule with the atom in its head. With `skipOne` the one rule that
// supports it (the only rule without a blocking literal before `before`) is left out. False when
// a rule has none (or, with `skipOne`, more than one has none).
bool MODEL_GENERATOR::addBlockers(const TRUTH_ASSIGNMENT &a, GATOM_ID atom, uint32_t before, bool skipOne,
                                  std::vector<MG_LITERAL> &out) {
    bool skipped = false;
    for (uint32_t r : headOccurrences.of(atom)) {
        MG_LITERAL l;
        if (blockingLiteral(a, &rules[r], atom, before, l)) {
            out.push_back(l);
        } else if (skipOne && !skipped) {
            skipped = true;
        } else {
            return false;
        }
    }
    return !skipOne || skipped;
}

// The literals of every violated weak constraint whose literals all came before `before`, but the
// weak constraint `except`: together with the base cost they make up the cost at that point.
// Weak constraints of weight 0 add nothing to it and are left out: with their literals in a
// nogood, the search would go back only as far as their levels, where the cost that reached the
// bound may still stand, and accept a model that merely equals the best one.
void MODEL_GENERATOR::addCostLiterals(const TRUTH_ASSIGNMENT &a, uint32_t before, uint32_t except,
                                      std::vector<MG_LITERAL> &out) {
    for (uint32_t i = 0; i < weakConstraints.size(); ++i) {
        if (i == except || weakWeight[i] == 0) continue;
        const GBODY &body = weakConstraints[i].body;
        bool violated = true;
        for (const GLITERAL &l : body.literals)
            if (!holdsBefore(a, trailPosition, l.negated ? falseLiteral(l.atom) : trueLiteral(l.atom), before)) {
                violated = false;
                break;
            }
        if (!violated) continue;
        for (const GLITERAL &l : body.literals) out.push_back(l.negated ? falseLiteral(l.atom) : trueLiteral(l.atom));
    }
}

// The choices (and opposites of choices) of the levels 2 to `upToLevel` that came before `before`.
void MODEL_GENERATOR::addChoices(const TRUTH_ASSIGNMENT &a, uint32_t before, uint32_t upToLevel,
                                 std::vector<MG_LITERAL> &out) {
    if (levelStart.size() <= 2) return;
    uint32_t end = std::min<uint32_t>(before, static_cast<uint32_t>(trail.size()));
    for (uint32_t i = levelStart[2]; i < end; ++i) {
        GATOM_ID atom = trail[i];
        if (reasonKind[atom] == REASON_CHOICE && atomLevel[atom] <= upToLevel)
            out.push_back(literalOfValue(atom, a[atom]));
    }
}

// The literals, assigned before the atom, that gave it its value. False when the reason cannot be
// read back (the analysis then gives up and the search backtracks instead).
bool MODEL_GENERATOR::explain(const TRUTH_ASSIGNMENT &a, GATOM_ID atom, std::vector<MG_LITERAL> &out) {
    uint32_t before = trailPosition[atom];
    uint32_t data = reasonData[atom];
    switch (reasonKind[atom]) {
    case REASON_CHOICE: return false;
    case REASON_RULE_HEAD: {
        const GRULE &r = rules[data];
        if (r.hasBody) {
            for (const GLITERAL &l : r.body.positive()) out.push_back(trueLiteral(l.atom));
            for (const GLITERAL &l : r.body.negative()) out.push_back(falseLiteral(l.atom));
        }
        for (GATOM_ID h : r.head)
            if (h != atom) out.push_back(falseLiteral(h));
        return true;
    }
    case REASON_RULE_BODY: {
        const GRULE &r = rules[data];
        for (GATOM_ID h : r.head) out.push_back(falseLiteral(h));
        for (const GLITERAL &l : r.body.literals)
            if (l.atom != atom) out.push_back(l.negated ? falseLiteral(l.atom) : trueLiteral(l.atom));
        return true;
    }
    case REASON_CONSTRAINT:
        for (const GLITERAL &l : constraints[data].body.literals)
            if (l.atom != atom) out.push_back(l.negated ? falseLiteral(l.atom) : trueLiteral(l.atom));
        return true;
    case REASON_WEAK_CONSTRAINT:
        for (const GLITERAL &l : weakConstraints[data].body.literals)
            if (l.atom != atom) out.push_back(l.negated ? falseLiteral(l.atom) : trueLiteral(l.atom));
        addCostLiterals(a, before, data, out);
        return true;
    case REASON_UNSUPPORTED: return addBlockers(a, atom, before, false, out);
    case REASON_SUPPORT:
        out.push_back(trueLiteral(static_cast<GATOM_ID>(data)));
        return addBlockers(a, static_cast<GATOM_ID>(data), before, true, out);
    case REASON_RECORD:
        out.insert(out.end(), recordLiterals.begin() + recordStart[data], recordLiterals.begin() + recordStart[data + 1]);
        return true;
    case REASON_AGGREGATE: return aggregates.explain(a, data, atom, before, out);
    case REASON_NOGOOD: {
        nogoods.markUsed(data, conflictCount);
        const MG_LITERAL *l = nogoods.begin(data);
        for (uint32_t i = 0; i < nogoods.size(data); ++i)
            if (atomOfLiteral(l[i]) != atom) out.push_back(l[i]);
        return true;
    }
    case REASON_CHOICES: addChoices(a, before, atomLevel[atom], out); return true;
    }
    return false;
}

// The literals of the last contradiction, all of which hold.
bool MODEL_GENERATOR::conflictLiterals(const TRUTH_ASSIGNMENT &a, std::vector<MG_LITERAL> &out) {
    switch (conflictKind) {
    case CONFLICT_RULE: {
        const GRULE &r = rules[conflictData];
        if (r.hasBody)
            for (const GLITERAL &l : r.body.literals) out.push_back(l.negated ? falseLiteral(l.atom) : trueLiteral(l.atom));
        for (GATOM_ID h : r.head) out.push_back(falseLiteral(h));
        return true;
    }
    case CONFLICT_CONSTRAINT:
        for (const GLITERAL &l : constraints[conflictData].body.literals)
            out.push_back(l.negated ? falseLiteral(l.atom) : trueLiteral(l.atom));
        return true;
    case CONFLICT_COST: addCostLiterals(a, ANY_POSITION, UINT32_MAX, out); return true;
    case CONFLICT_UNSUPPORTED:
        out.push_back(trueLiteral(conflictAtom));
        return addBlockers(a, conflictAtom, ANY_POSITION, false, out);
    case CONFLICT_RECORD:
        out.push_back(literalOfValue(conflictAtom, a[conflictAtom]));
        out.insert(out.end(), recordLiterals.begin() + recordStart[conflictData],
                   recordLiterals.begin() + recordStart[conflictData + 1]);
        return true;
    case CONFLICT_AGGREGATE:
        return aggregates.explain(a, (static_cast<uint32_t>(conflictAtom) << 2) | conflictData, conflictAtom,
                                  ANY_POSITION, out, true);
    case CONFLICT_NOGOOD: {
        nogoods.markUsed(conflictData, conflictCount);
        const MG_LITERAL *l = nogoods.begin(conflictData);
        out.insert(out.end(), l, l + nogoods.size(conflictData));
        return true;
    }
    case CONFLICT_CHOICES: addChoices(a, ANY_POSITION, level, out); return true;
    }
    return false;
}

// The loop nogood of the unfounded set that the last check of the component left (its atoms not
// false and not founded): for each rule that could support the set from outside, one literal
// that blocks it. Rules with a positive body atom in the set support it only from inside. Returns
// the record of those literals, or NO_RECORD when some rule has no blocking literal.
uint32_t MODEL_GENERATOR::addComponentLoop(const TRUTH_ASSIGNMENT &a, uint32_t component) {
    const int32_t c = static_cast<int32_t>(component);
    auto inSet = [&](GATOM_ID x) {
        return componentOfAtom[x] == c && !aggregateAtom[x] && supportMarks.values[x] == TRUTH_UNDEFINED;
    };
    ++markStamp;
    size_t start = recordLiterals.size();
    for (uint32_t atomNumber : groundGraph->components[component]) {
        GATOM_ID u = static_cast<GATOM_ID>(atomNumber);
        if (!inSet(u)) continue;
        for (uint32_t rule : headOccurrences.of(u)) {
            const GRULE *r = &rules[rule];
            bool inside = false;
            if (r->hasBody)
                for (const GLITERAL &l : r->body.positive())
                    if (inSet(l.atom)) {
                        inside = true;
                        break;
                    }
            if (inside) continue;
            MG_LITERAL b;
            if (!blockingLiteral(a, r, u, ANY_POSITION, b)) {
                recordLiterals.resize(start);
                return NO_RECORD;
            }
            if (literalMark[b] == markStamp) continue;
            literalMark[b] = markStamp;
            recordLiterals.push_back(b);
        }
    }
    recordStart.push_back(static_cast<uint32_t>(recordLiterals.size()));
    return static_cast<uint32_t>(recordStart.size() - 2);
}

// The loop nogood of the unfounded set that a failed model check left in the witness: a true atom
// of the set (the last assigned) and, for each rule that could support the set from outside, a
// literal that blocks it. It holds in every answer set. Returns the learned nogood, or NO_NOGOOD
// when the witness is no unfounded set this reading can tell (an aggregate in a body, say).
uint32_t MODEL_GENERATOR::learnLoopOfWitness(const TRUTH_ASSIGNMENT &a) {
    const uint8_t *w = witness.data();
    learned.clear();
    learned.push_back(0);
    ++markStamp;
    GATOM_ID last = -1;
    for (uint32_t i = 0; i < witness.size(); ++i) {
        if (!w[i]) continue;
        GATOM_ID u = static_cast<GATOM_ID>(i);
        if (a[u] < TRUTH_MUST_BE_TRUE || aggregateAtom[u]) return NO_NOGOOD;
        if (last < 0 || trailPosition[u] > trailPosition[last]) last = u;
        for (uint32_t rule : headOccurrences.of(u)) {
            const GRULE *r = &rules[rule];
            bool inside = false, blocked = false;
            MG_LITERAL b = 0;
            uint32_t best = UINT32_MAX;
            auto consider = [&](MG_LITERAL l) {
                TRUTH_VALUE v = a[atomOfLiteral(l)];
                if (v == TRUTH_UNDEFINED || !literalHolds(l, v)) return;
                if (!blocked || atomLevel[atomOfLiteral(l)] < best) {
                    blocked = true;
                    best = atomLevel[atomOfLiteral(l)];
                    b = l;
                }
            };
            if (r->hasBody) {
                for (const GLITERAL &l : r->body.positive()) {
                    if (w[l.atom]) inside = true;
                    if (aggregateAtom[l.atom]) return NO_NOGOOD;
                    consider(falseLiteral(l.atom));
                }
                for (const GLITERAL &l : r->body.negative()) consider(trueLiteral(l.atom));
            }
            if (inside) continue;
            for (GATOM_ID h : r->head)
                if (!w[h]) consider(trueLiteral(h));
            if (!blocked) return NO_NOGOOD;
            if (literalMark[b] == markStamp) continue;
            literalMark[b] = markStamp;
            learned.push_back(b);
        }
    }
    if (last < 0) return NO_NOGOOD;
    learned[0] = trueLiteral(last);
    // Literals of levels 0 and 1 hold for the whole search.
    size_t kept = 1;
    for (size_t i = 1; i < learned.size(); ++i)
        if (atomLevel[atomOfLiteral(learned[i])] > 1) learned[kept++] = learned[i];
    learned.resize(kept);
    return learnNogood(learned);
}

// The values that the candidate filter named for a rejected candidate, as a nogood: the newest of
// them first; values of levels 0 and 1 hold for the whole search and are left out. NO_NOGOOD when
// an atom is undecided or nothing above level 1 is left.
uint32_t MODEL_GENERATOR::learnRejection(const TRUTH_ASSIGNMENT &a) {
    learned.clear();
    GATOM_ID last = -1;
    for (GATOM_ID atom : rejectionAtoms) {
        if (atom < 0 || static_cast<size_t>(atom) >= atomLevel.size() || a[atom] == TRUTH_UNDEFINED) return NO_NOGOOD;
        if (atomLevel[atom] <= 1) continue;
        learned.push_back(a[atom] == TRUTH_FALSE ? falseLiteral(atom) : trueLiteral(atom));
        if (last < 0 || trailPosition[atom] > trailPosition[last]) {
            last = atom;
            std::swap(learned.front(), learned.back());
        }
    }
    if (last < 0) return NO_NOGOOD;
    return learnNogood(learned);
}

// --- Analysis ------------------------------------------------------------------------------

// Resolves the literals of a contradiction against the reasons of the current level's atoms, newest first,
// until one literal of the level is left (with `toChoice`, until that literal is the level's
// choice: the look-ahead's). `learned` gets that literal first, then the literals of lower levels
// (levels 0 and 1 left out). Returns false when a reason cannot be read back.
bool MODEL_GENERATOR::analyze(const TRUTH_ASSIGNMENT &a, const std::vector<MG_LITERAL> &conflict, bool toChoice) {
    learned.clear();
    learned.push_back(0);
    reasonBuffer.assign(conflict.begin(), conflict.end());
    bool ok = true;
    uint32_t open = 0;
    uint32_t index = static_cast<uint32_t>(trail.size());
    const uint32_t first = levelStart[level];
    GATOM_ID uip = -1;
    while (ok) {
        for (MG_LITERAL l : reasonBuffer) {
            GATOM_ID v = atomOfLiteral(l);
            if (seen[v]) continue;
            TRUTH_VALUE value = a[v];
            if (value == TRUTH_UNDEFINED || !literalHolds(l, value)) {
                ok = false;
                break;
            }
            if (atomLevel[v] <= 1) continue;
            seen[v] = 1;
            seenAtoms.push_back(v);
            if (!toChoice) activity.bump(v);
            if (atomLevel[v] == level)
                ++open;
            else
                learned.push_back(l);
        }
        if (!ok) break;
        if (open == 0) {
            // Nothing of this level: the level's choice stands for it (a look-ahead that failed
            // for a reason of its own level).
            uip = trail[first];
            break;
        }
        GATOM_ID v;
        do {
            v = trail[--index];
        } while (!seen[v] || atomLevel[v] != level);
        --open;
        if (open == 0 && (!toChoice || index == first)) {
            uip = v;
            break;
        }
        reasonBuffer.clear();
        ok = explain(a, v, reasonBuffer);
    }
    // A literal of a lower level that the others imply (its reason, and the reasons of that, lead
    // only to literals of the nogood or of levels 0 and 1) is left out.
    if (ok) {
        uint32_t levels = 0;
        for (size_t i = 1; i < learned.size(); ++i) levels |= 1u << (atomLevel[atomOfLiteral(learned[i])] & 31);
        size_t kept = 1;
        for (size_t i = 1; i < learned.size(); ++i)
            if (!impliedByNogood(a, atomOfLiteral(learned[i]), levels)) learned[kept++] = learned[i];
        learned.resize(kept);
    }
    for (GATOM_ID v : seenAtoms) seen[v] = 0;
    seenAtoms.clear();
    if (!ok) return false;
    learned[0] = literalOfValue(uip, a[uip]);
    return true;
}

// Whether the reasons of the atom lead only to atoms marked seen (the nogood's and those already
// found implied) or of levels 0 and 1, through atoms of the nogood's levels (`levels`, one bit per
// level modulo 32). Atoms found implied stay marked; a failed search takes its marks back.
bool MODEL_GENERATOR::impliedByNogood(const TRUTH_ASSIGNMENT &a, GATOM_ID atom, uint32_t levels) {
    if (reasonKind[atom] == REASON_CHOICE || reasonKind[atom] == REASON_CHOICES) return false;
    size_t marked = seenAtoms.size();
    pending.clear();
    pending.push_back(atom);
    for (size_t next = 0; next < pending.size(); ++next) {
        reasonBuffer.clear();
        bool readable = explain(a, pending[next], reasonBuffer);
        for (size_t j = 0; readable && j < reasonBuffer.size(); ++j) {
            GATOM_ID u = atomOfLiteral(reasonBuffer[j]);
            if (seen[u] || atomLevel[u] <= 1) continue;
            if (reasonKind[u] == REASON_CHOICE || reasonKind[u] == REASON_CHOICES ||
                !(levels & (1u << (atomLevel[u] & 31))) || pending.size() > 200) {
                readable = false;
                break;
            }
            seen[u] = 1;
            seenAtoms.push_back(u);
            pending.push_back(u);
        }
        if (!readable) {
            for (size_t i = marked; i < seenAtoms.size(); ++i) seen[seenAtoms[i]] = 0;
            seenAtoms.resize(marked);
            return false;
        }
    }
    return true;
}

// A look-ahead failed: `learned` gets the nogood of its literal (first) and the literals of lower
// levels that the contradiction rests on, before the look-ahead is taken back.
void MODEL_GENERATOR::analyzeFailedLiteral(const TRUTH_ASSIGNMENT &a) {
    conflictBuffer.clear();
    if (!conflictLiterals(a, conflictBuffer) || !analyze(a, conflictBuffer, true)) {
        // The choices of the levels below and the look-ahead's literal.
        learned.clear();
        learned.push_back(levelChoice[level]);
        addChoices(a, ANY_POSITION, level - 1, learned);
    }
}

// Records a reason at the current level; it lasts until the level is taken back.
uint32_t MODEL_GENERATOR::addRecord(const MG_LITERAL *begin, const MG_LITERAL *end) {
    recordLiterals.insert(recordLiterals.end(), begin, end);
    recordStart.push_back(static_cast<uint32_t>(recordLiterals.size()));
    return static_cast<uint32_t>(recordStart.size() - 2);
}
