#include "solver/model_checker.h"

#include <algorithm>

#include "core/program.h"
#include "driver/diagnostics.h"
#include "driver/options.h"
#include "driver/timer.h"
#include "solver/aggregate_value.h"
#include "solver/sat_solver.h"

double worstModelCheckTime = 0;
double worstInnerCheckTime = 0;
uint32_t maxInnerCheckAtoms = 0;

void resetModelChecker() {
    worstModelCheckTime = 0;
    worstInnerCheckTime = 0;
    maxInnerCheckAtoms = 0;
}

namespace {

double secondsOf(const TIMER &t) { return double(t.seconds) + double(t.microseconds) / 1000000.0; }

bool isAggregateAtom(GATOM_ID atom) {
    return predicateTable.kind(groundAtomTable[atom].predicate) == PREDICATE_AGGREGATE;
}

std::span<const GLITERAL> positiveBody(const GRULE &r) {
    return r.hasBody ? r.body.positive() : std::span<const GLITERAL>();
}
std::span<const GLITERAL> negativeBody(const GRULE &r) {
    return r.hasBody ? r.body.negative() : std::span<const GLITERAL>();
}

// The atoms that count as true, aggregate atoms excepted.
void collectTrueAtoms(const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u) {
    for (size_t i = 0; i < a.values.size(); ++i)
        if (countsAsTrue(a.values[i]) && !isAggregateAtom(GATOM_ID(i))) u.insert(GATOM_ID(i));
}

// Removes from U the head atoms of one rule that it supports externally; true when one left U.
bool shrinkByRule(const GRULE &r, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u) {
    bool removed = false;
    bool bodyTested = false;
    for (size_t position = 0; position < r.head.size(); ++position) {
        GATOM_ID h = r.head[position];
        if (!u.contains(h)) continue;
        if (!bodyTested) {
            for (const GLITERAL &l : positiveBody(r)) {
                if (a[l.atom] == TRUTH_FALSE || u.contains(l.atom)) return removed;
                // An aggregate supports only if it still holds without the atoms of U.
                if (groundAtomTable[l.atom].isAggregate() &&
                    aggregateVerdict(l.atom, a, u.members.data()) == AGGREGATE_FAILS)
                    return removed;
            }
            for (const GLITERAL &l : negativeBody(r))
                if (countsAsTrue(a[l.atom])) return removed;
            bodyTested = true;
        }
        bool otherTrue = false;
        for (size_t other = 0; other < r.head.size() && !otherTrue; ++other)
            otherTrue = other != position && countsAsTrue(a[r.head[other]]);
        if (otherTrue) continue;
        u.erase(h);
        removed = true;
    }
    return removed;
}

// The same fixpoint as repeated passes, in time linear in the rules: the set that remains does
// not depend on the order of removals, because removing an atom only lets more rules support.
// A rule can support only its single true head atom, and does once no positive body atom is left
// in U; each rule counts its positive body atoms in U down as they leave.
void shrinkByWorklist(std::span<const GRULE *const> rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u) {
    size_t n = u.members.size();
    std::vector<GATOM_ID> target(rules.size(), -1);
    std::vector<uint32_t> remaining(rules.size(), 0);
    std::vector<size_t> start(n + 1, 0);
    std::vector<GATOM_ID> queue;
    for (size_t i = 0; i < rules.size(); ++i) {
        const GRULE &r = *rules[i];
        GATOM_ID single = -1;
        bool eligible = true;
        for (GATOM_ID h : r.head)
            if (countsAsTrue(a[h])) {
                eligible = single < 0;
                single = h;
                if (!eligible) break;
            }
        if (!eligible || single < 0 || !u.contains(single)) continue;
        for (const GLITERAL &l : positiveBody(r)) eligible = eligible && a[l.atom] != TRUTH_FALSE;
        for (const GLITERAL &l : negativeBody(r)) eligible = eligible && !countsAsTrue(a[l.atom]);
        if (!eligible) continue;
        target[i] = single;
        for (const GLITERAL &l : positiveBody(r))
            if (u.contains(l.atom)) {
                ++remaining[i];
                ++start[size_t(l.atom) + 1];
            }
        if (remaining[i] == 0) queue.push_back(single);
    }
    for (size_t i = 0; i < n; ++i) start[i + 1] += start[i];
    std::vector<uint32_t> waiting(start[n]);
    std::vector<size_t> fill(start.begin(), start.end() - 1);
    for (size_t i = 0; i < rules.size(); ++i) {
        if (target[i] < 0) continue;
        for (const GLITERAL &l : positiveBody(*rules[i]))
            if (u.contains(l.atom)) waiting[fill[size_t(l.atom)]++] = uint32_t(i);
    }
    while (!queue.empty()) {
        GATOM_ID h = queue.back();
        queue.pop_back();
        if (!u.contains(h)) continue;
        u.erase(h);
        for (size_t k = start[size_t(h)]; k < start[size_t(h) + 1]; ++k)
            if (--remaining[waiting[k]] == 0) queue.push_back(target[waiting[k]]);
    }
}

// The first clause of a check program: the chosen or must-be-true atoms of U, ascending. With no
// atom list the whole atom range is scanned.
void appendChosenClause(std::span<const uint32_t> atoms, bool allAtoms, const TRUTH_ASSIGNMENT &a,
                        const uint8_t *chosenFlags, const CANDIDATE_SET &u, std::vector<GRULE> &checkRules) {
    std::vector<GATOM_ID> head;
    auto consider = [&](uint32_t atom) {
        GATOM_ID x = GATOM_ID(atom);
        if (u.contains(x) && (chosenFlags[atom] || a[x] == TRUTH_MUST_BE_TRUE)) head.push_back(x);
    };
    if (allAtoms) {
        for (size_t i = 0; i < u.members.size(); ++i) consider(uint32_t(i));
    } else {
        for (uint32_t atom : atoms) consider(atom);
    }
    checkRules.emplace_back(std::move(head), GBODY(), false);
}

// Steps 2 to 4 of a satisfiability check, over a check program already built.
int decideByCheckProgram(uint32_t relevant, std::vector<GRULE> &checkRules, std::vector<GCONSTRAINT> &checkConstraints,
                         const CANDIDATE_SET &u, SAT_SOLVER &solver, const CHECK_WITNESS &witness) {
    if (relevant == 0) {
        const GATOM_LIST &first = checkRules.front().head;
        if (first.empty()) return 1;
        if (witness.atoms) {
            std::fill(witness.atoms, witness.atoms + u.members.size(), uint8_t(0));
            witness.atoms[size_t(first.front())] = 1;
        }
        if (witness.found) *witness.found = 1;
        return 0;
    }
    if (!solver.satSolve(checkRules, checkConstraints, u.members, witness.atoms)) return 1;
    if (witness.found) *witness.found = 1;
    return 0;
}

int satisfiabilityCheck(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                        const CANDIDATE_SET &u, SAT_SOLVER &solver, const CHECK_WITNESS &witness) {
    std::vector<GRULE> checkRules;
    std::vector<GCONSTRAINT> checkConstraints;
    checkRules.reserve(rules.size() + 1);
    uint32_t relevant = buildCheckProgram(rules, a, chosenFlags, u, checkRules, checkConstraints);
    return decideByCheckProgram(relevant, checkRules, checkConstraints, u, solver, witness);
}

bool blocksWitness(const GRULE &r, const uint8_t *witness, const TRUTH_ASSIGNMENT &a) {
    for (GATOM_ID h : r.head)
        if (!witness[size_t(h)] && countsAsTrue(a[h])) return true;
    for (const GLITERAL &l : positiveBody(r))
        if (witness[size_t(l.atom)] || a[l.atom] == TRUTH_FALSE) return true;
    for (const GLITERAL &l : negativeBody(r))
        if (countsAsTrue(a[l.atom])) return true;
    return false;
}

bool touchesWitness(const GRULE &r, const uint8_t *witness) {
    for (GATOM_ID h : r.head)
        if (witness[size_t(h)]) return true;
    return false;
}

// Mode 1: each component of the ground graph on its own.
int checkByComponents(GROUND_DEPGRAPH &graph, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                      SAT_SOLVER &solver, const CHECK_WITNESS &witness) {
    CANDIDATE_SET u(a.values.size());
    for (uint32_t c = 0; c < graph.componentCount(); ++c) {
        const std::vector<uint32_t> &atoms = graph.componentNodes(c);
        for (uint32_t atom : atoms)
            if (countsAsTrue(a[GATOM_ID(atom)]) && !isAggregateAtom(GATOM_ID(atom))) u.insert(GATOM_ID(atom));
        std::span<const GRULE *const> rules(graph.componentRules[c].rules);
        shrinkComponentToFixpoint(rules, a, u);
        if (u.count == 0) continue;
        int stable =
            graph.cyclic(c) && graph.isDisjunctive(c) ? checkComponentBySat(rules, atoms, a, chosenFlags, u, solver, witness)
                                                    : 0;
        if (!stable) return 0;
        for (uint32_t atom : atoms) u.erase(GATOM_ID(atom));
    }
    return 1;
}

// Mode 5: the relevant rules reduced by the candidate, checked component by component of their
// own dependency graph.
int checkByReduct(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                  SAT_SOLVER &solver, const CHECK_WITNESS &witness) {
    CANDIDATE_SET u(a.values.size());
    collectTrueAtoms(a, u);
    shrinkToFixpoint(rules, a, u);
    std::vector<GRULE> reduct;
    std::vector<GCONSTRAINT> reductConstraints;
    for (const GRULE &r : rules)
        if (r.isRelevantForCheck(a, u.members)) r.buildCheckRule(a, u.members, reduct, reductConstraints, true);
    if (reduct.empty()) return u.count == 0 ? 1 : 0;
    std::vector<GCONSTRAINT> noConstraints;
    GROUND_DEPGRAPH graph(reduct, noConstraints, 0);
    if (graph.isHCF()) return 0;
    uint64_t total = 0;
    CANDIDATE_SET componentAtoms(a.values.size());
    for (uint32_t c = 0; c < graph.componentCount(); ++c) {
        const std::vector<uint32_t> &atoms = graph.componentNodes(c);
        for (uint32_t atom : atoms) componentAtoms.insert(GATOM_ID(atom));
        total += componentAtoms.count;
        std::span<const GRULE *const> componentRules(graph.componentRules[c].rules);
        int stable;
        if (graph.cyclic(c) && graph.isDisjunctive(c)) {
            stable = checkComponentBySat(componentRules, atoms, a, chosenFlags, componentAtoms, solver, witness);
        } else {
            shrinkComponentToFixpoint(componentRules, a, componentAtoms);
            stable = componentAtoms.count == 0;
        }
        if (!stable) return 0;
        for (uint32_t atom : atoms) componentAtoms.erase(GATOM_ID(atom));
    }
    return u.count <= total ? 1 : 0;
}

}  // namespace

bool shrinkUnfounded(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u) {
    bool removed = false;
    for (const GRULE &r : rules) removed |= shrinkByRule(r, a, u);
    return removed;
}

bool shrinkUnfoundedInComponent(std::span<const GRULE *const> rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u) {
    bool removed = false;
    for (const GRULE *r : rules) removed |= shrinkByRule(*r, a, u);
    return removed;
}

void shrinkToFixpoint(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u,
                      uint32_t passes) {
    for (uint32_t pass = 0; pass < passes; ++pass)
        if (!shrinkUnfounded(rules, a, u)) return;
    std::vector<const GRULE *> pointers;
    pointers.reserve(rules.size());
    for (const GRULE &r : rules) pointers.push_back(&r);
    shrinkByWorklist(pointers, a, u);
}

void shrinkComponentToFixpoint(std::span<const GRULE *const> rules, const TRUTH_ASSIGNMENT &a, CANDIDATE_SET &u,
                               uint32_t passes) {
    for (uint32_t pass = 0; pass < passes; ++pass)
        if (!shrinkUnfoundedInComponent(rules, a, u)) return;
    shrinkByWorklist(rules, a, u);
}

bool GRULE::isRelevantForCheck(const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &u) const {
    for (const GLITERAL &l : negativeBody(*this))
        if (countsAsTrue(a[l.atom])) return false;
    for (const GLITERAL &l : positiveBody(*this)) {
        if (a[l.atom] == TRUTH_FALSE) return false;
        if (std::find(head.begin(), head.end(), l.atom) != head.end()) return false;
    }
    bool someTrue = false;
    for (GATOM_ID h : head) {
        if (!countsAsTrue(a[h])) continue;
        if (!u[size_t(h)]) return false;
        someTrue = true;
    }
    return someTrue;
}

void GRULE::buildCheckRule(const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &u, std::vector<GRULE> &checkRules,
                           std::vector<GCONSTRAINT> &checkConstraints, bool reduct) const {
    std::vector<GATOM_ID> checkHead;
    GBODY checkBody;
    for (const GLITERAL &l : positiveBody(*this))
        if (u[size_t(l.atom)]) {
            if (reduct)
                checkBody.append(GLITERAL(l.atom, false));
            else
                checkHead.push_back(l.atom);
        }
    for (GATOM_ID h : head)
        if (countsAsTrue(a[h])) {
            if (reduct)
                checkHead.push_back(h);
            else
                checkBody.append(GLITERAL(h, false));
        }
    if (!checkHead.empty()) {
        bool withBody = !checkBody.empty();
        checkRules.emplace_back(std::move(checkHead), std::move(checkBody), withBody);
    } else if (!checkBody.empty()) {
        checkConstraints.emplace_back(std::move(checkBody));
    }
}

uint32_t buildCheckProgram(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                           const CANDIDATE_SET &u, std::vector<GRULE> &checkRules,
                           std::vector<GCONSTRAINT> &checkConstraints) {
    appendChosenClause({}, true, a, chosenFlags, u, checkRules);
    uint32_t relevant = 0;
    for (const GRULE &r : rules)
        if (r.isRelevantForCheck(a, u.members)) {
            ++relevant;
            r.buildCheckRule(a, u.members, checkRules, checkConstraints, false);
        }
    return relevant;
}

uint32_t buildComponentCheckProgram(std::span<const GRULE *const> rules, std::span<const uint32_t> atoms,
                                    const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags, const CANDIDATE_SET &u,
                                    std::vector<GRULE> &checkRules, std::vector<GCONSTRAINT> &checkConstraints) {
    appendChosenClause(atoms, false, a, chosenFlags, u, checkRules);
    uint32_t relevant = 0;
    for (const GRULE *r : rules)
        if (r->isRelevantForCheck(a, u.members)) {
            ++relevant;
            r->buildCheckRule(a, u.members, checkRules, checkConstraints, false);
        }
    return relevant;
}

int checkComponentBySat(std::span<const GRULE *const> rules, std::span<const uint32_t> atoms,
                        const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags, const CANDIDATE_SET &u,
                        SAT_SOLVER &solver, const CHECK_WITNESS &witness) {
    maxInnerCheckAtoms = std::max(maxInnerCheckAtoms, u.count);
    TIMER inner;
    inner.start();
    int stable = 1;
    if (u.count != 0) {
        std::vector<GRULE> checkRules;
        std::vector<GCONSTRAINT> checkConstraints;
        checkRules.reserve(rules.size() + 1);
        uint32_t relevant = buildComponentCheckProgram(rules, atoms, a, chosenFlags, u, checkRules, checkConstraints);
        stable = decideByCheckProgram(relevant, checkRules, checkConstraints, u, solver, witness);
    }
    inner.stop();
    worstInnerCheckTime = std::max(worstInnerCheckTime, secondsOf(inner));
    return stable;
}

int checkCandidate(GROUND_DEPGRAPH &graph, const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a,
                   const uint8_t *chosenFlags, bool shrink, CHECK_TYPE type, SAT_SOLVER &solver,
                   const CHECK_WITNESS &witness) {
    CANDIDATE_SET u(a.values.size());
    collectTrueAtoms(a, u);
    if (shrink) {
        shrinkToFixpoint(rules, a, u);
        if (u.count == 0) return 1;
        if (graph.isHCF()) return 0;
    }
    maxInnerCheckAtoms = std::max(maxInnerCheckAtoms, u.count);
    TIMER inner;
    inner.start();
    int stable = 1;
    if (u.count != 0) {
        if (type != CHECK_SAT) internalError("model check");
        stable = satisfiabilityCheck(rules, a, chosenFlags, u, solver, witness);
    }
    inner.stop();
    worstInnerCheckTime = std::max(worstInnerCheckTime, secondsOf(inner));
    return stable;
}

int TRUTH_ASSIGNMENT::modelCheck(std::vector<GRULE> &rules, bool programHCF, DEPGRAPH<GRULE, GCONSTRAINT> *graph,
                                 const uint8_t *chosenFlags, uint8_t *witness, uint8_t *witnessFound,
                                 SAT_SOLVER &solver) const {
    const CHECK_WITNESS out{witness, witnessFound};
    if (witnessFound) *witnessFound = 0;
    // A check that looks at the chosen atoms needs their flags; without them nothing was chosen.
    std::vector<uint8_t> noneChosen;
    if (!chosenFlags) {
        noneChosen.assign(values.size(), 0);
        chosenFlags = noneChosen.data();
    }
    TIMER check;
    check.start();
    int stable;
    switch (optOMm) {
    case 0:
        if (programHCF || graph->isHCF())
            stable = checkCandidate(*graph, rules, *this, chosenFlags, true, CHECK_SHRINK_ONLY, solver, out);
        else
            stable = checkCandidate(*graph, rules, *this, chosenFlags, true, CHECK_SAT, solver, out);
        break;
    case 1:
        stable = checkByComponents(*graph, *this, chosenFlags, solver, out);
        break;
    case 5:
        stable = checkByReduct(rules, *this, chosenFlags, solver, out);
        break;
    case 9:
        stable = checkCandidate(*graph, rules, *this, chosenFlags, false, CHECK_SAT, solver, out);
        break;
    default:
        internalError("model check");
    }
    check.stop();
    worstModelCheckTime = std::max(worstModelCheckTime, secondsOf(check));
    return stable;
}

int checkWitnessUnfounded(const uint8_t *witness, const TRUTH_ASSIGNMENT &a, std::vector<GRULE> &rules,
                          std::vector<GRULE *> *recorded) {
    for (GRULE &r : rules) {
        if (!touchesWitness(r, witness)) continue;
        if (!blocksWitness(r, witness, a)) return 0;
        if (recorded) recorded->push_back(&r);
    }
    return 1;
}

int recheckWitnessUnfounded(const uint8_t *witness, const TRUTH_ASSIGNMENT &a, const std::vector<GRULE *> &recorded) {
    for (const GRULE *r : recorded)
        if (!blocksWitness(*r, witness, a)) return 0;
    return 1;
}

void printModelCheckStatistics(FILE *out) {
    if (out == stderr) fflush(stdout);
    fprintf(out, "Worst single MC time      : %gs\n", worstModelCheckTime);
    fprintf(out, "Worst single inner MC time: %gs\n", worstInnerCheckTime);
    fprintf(out, "Max. atoms for inner MC   : %u\n", maxInnerCheckAtoms);
}
