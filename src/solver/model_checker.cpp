#include "solver/model_checker.h"

#include <algorithm>

#include "core/program.h"
#include "solver/aggregate_value.h"
#include "solver/sat_solver.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "support/timer.h"

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

// The head atom of U that a rule can support: its single true head atom, when it is in U and no
// literal of the body is false (U aside); otherwise -1.
GATOM_ID supportTarget(const GRULE &r, const TRUTH_ASSIGNMENT &a, const CANDIDATE_SET &u) {
    GATOM_ID single = -1;
    for (GATOM_ID h : r.head)
        if (countsAsTrue(a[h])) {
            if (single >= 0) return -1;
            single = h;
        }
    if (single < 0 || !u.contains(single)) return -1;
    for (const GLITERAL &l : positiveBody(r))
        if (a[l.atom] == TRUTH_FALSE) return -1;
    for (const GLITERAL &l : negativeBody(r))
        if (countsAsTrue(a[l.atom])) return -1;
    return single;
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
        GATOM_ID single = supportTarget(r, a, u);
        if (single < 0) continue;
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

// The first clause of a check program: the chosen or must-be-true atoms of U among `atoms`,
// ascending.
void appendChosenClause(std::span<const uint32_t> atoms, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                        const CANDIDATE_SET &u, std::vector<GRULE> &checkRules) {
    std::vector<GATOM_ID> head;
    for (uint32_t atom : atoms) {
        GATOM_ID x = GATOM_ID(atom);
        if (u.contains(x) && (chosenFlags[atom] || a[x] == TRUTH_MUST_BE_TRUE)) head.push_back(x);
    }
    checkRules.emplace_back(std::move(head), GBODY(), false);
}

// The satisfiability check of a check program over U, built for one component of the reduct
// mode. A failed check leaves its unfounded set in `model` (one byte per ground atom).
int decideByCheckProgram(uint32_t relevant, std::vector<GRULE> &checkRules, std::vector<GCONSTRAINT> &checkConstraints,
                         const CANDIDATE_SET &u, SAT_SOLVER &solver, uint8_t *model) {
    if (relevant == 0) {
        const GATOM_LIST &first = checkRules.front().head;
        if (first.empty()) return 1;
        std::fill(model, model + u.members.size(), uint8_t(0));
        model[size_t(first.front())] = 1;
        return 0;
    }
    return solver.satSolve(checkRules, checkConstraints, u.members, model) ? 0 : 1;
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

bool isRelevantForCheck(const GRULE &rule, const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &u) {
    for (const GLITERAL &l : negativeBody(rule))
        if (countsAsTrue(a[l.atom])) return false;
    for (const GLITERAL &l : positiveBody(rule)) {
        if (a[l.atom] == TRUTH_FALSE) return false;
        if (std::find(rule.head.begin(), rule.head.end(), l.atom) != rule.head.end()) return false;
    }
    bool someTrue = false;
    for (GATOM_ID h : rule.head) {
        if (!countsAsTrue(a[h])) continue;
        if (!u[size_t(h)]) return false;
        someTrue = true;
    }
    return someTrue;
}

void buildCheckRule(const GRULE &rule, const TRUTH_ASSIGNMENT &a, const std::vector<uint8_t> &u,
                    std::vector<GRULE> &checkRules, std::vector<GCONSTRAINT> &checkConstraints, bool reduct) {
    std::vector<GATOM_ID> checkHead;
    GBODY checkBody;
    for (const GLITERAL &l : positiveBody(rule))
        if (u[size_t(l.atom)]) {
            if (reduct)
                checkBody.append(GLITERAL(l.atom, false));
            else
                checkHead.push_back(l.atom);
        }
    for (GATOM_ID h : rule.head)
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


uint32_t buildComponentCheckProgram(std::span<const GRULE *const> rules, std::span<const uint32_t> atoms,
                                    const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags, const CANDIDATE_SET &u,
                                    std::vector<GRULE> &checkRules, std::vector<GCONSTRAINT> &checkConstraints) {
    appendChosenClause(atoms, a, chosenFlags, u, checkRules);
    uint32_t relevant = 0;
    for (const GRULE *r : rules)
        if (isRelevantForCheck(*r, a, u.members)) {
            ++relevant;
            buildCheckRule(*r, a, u.members, checkRules, checkConstraints, false);
        }
    return relevant;
}

// ---- The encoding of one scope ----

uint32_t CHECK_ENCODING::roleVariable(uint32_t ATOM_ROLES::*role, GATOM_ID atom, std::vector<int32_t> &slots) {
    int32_t &slot = slots[size_t(atom)];
    if (slot < 0) {
        slot = int32_t(atoms.size());
        atoms.push_back({atom});
        inScope.push_back(0);
    }
    uint32_t &v = atoms[size_t(slot)].*role;
    if (v == NONE) v = solver.addVariable(role == &ATOM_ROLES::inSet);
    return v;
}

void CHECK_ENCODING::build(std::span<const GRULE *const> rules, std::span<const uint32_t> scope,
                           std::vector<int32_t> &slots) {
    solver.reset(0);
    atoms.clear();
    inScope.clear();
    for (uint32_t atom : scope) {
        GATOM_ID x = GATOM_ID(atom);
        if (isAggregateAtom(x)) continue;
        roleVariable(&ATOM_ROLES::inSet, x, slots);
        roleVariable(&ATOM_ROLES::picked, x, slots);
        inScope[size_t(slots[atom])] = 1;
    }
    for (const GRULE *r : rules) addRule(*r, slots);
    for (const ATOM_ROLES &e : atoms) {
        if (e.inSet == NONE) continue;
        // An atom is true outside X only when it is not in X, and picked only when it is in X.
        if (e.trueOutside != NONE) {
            clause.assign({SAT_SOLVER::negative(e.trueOutside), SAT_SOLVER::negative(e.inSet)});
            solver.addClause(clause);
        }
        clause.assign({SAT_SOLVER::negative(e.picked), SAT_SOLVER::positive(e.inSet)});
        solver.addClause(clause);
    }
    addPickTree();
    for (const ATOM_ROLES &e : atoms) slots[size_t(e.atom)] = -1;
}

// The clauses of one rule. With one head atom h: h in X needs the body to be blocked (a positive
// body atom in X or false, a negative body atom true). With two, the other head atom true outside
// X blocks as well. With more, one variable z stands for "blocked": each head atom in X implies
// z, and z needs a blocking body literal or some head atom true outside X (an atom in X is not).
void CHECK_ENCODING::addRule(const GRULE &r, std::vector<int32_t> &slots) {
    for (const GLITERAL &l : positiveBody(r))
        if (std::find(r.head.begin(), r.head.end(), l.atom) != r.head.end()) return;
    auto inSetVariable = [&](GATOM_ID x) {
        int32_t slot = slots[size_t(x)];
        return slot >= 0 && inScope[size_t(slot)] ? atoms[size_t(slot)].inSet : NONE;
    };
    bool touchesScope = false;
    for (GATOM_ID h : r.head) touchesScope = touchesScope || inSetVariable(h) != NONE;
    if (!touchesScope) return;
    blocked.clear();
    for (const GLITERAL &l : positiveBody(r)) {
        if (uint32_t in = inSetVariable(l.atom); in != NONE) blocked.push_back(SAT_SOLVER::positive(in));
        blocked.push_back(SAT_SOLVER::positive(roleVariable(&ATOM_ROLES::isFalse, l.atom, slots)));
    }
    for (const GLITERAL &l : negativeBody(r)) {
        if (uint32_t in = inSetVariable(l.atom); in != NONE) blocked.push_back(SAT_SOLVER::positive(in));
        blocked.push_back(SAT_SOLVER::positive(roleVariable(&ATOM_ROLES::trueOutside, l.atom, slots)));
    }
    if (r.head.size() <= 2) {
        for (size_t i = 0; i < r.head.size(); ++i) {
            uint32_t in = inSetVariable(r.head[i]);
            if (in == NONE) continue;
            clause.assign(1, SAT_SOLVER::negative(in));
            clause.insert(clause.end(), blocked.begin(), blocked.end());
            if (r.head.size() == 2)
                clause.push_back(
                    SAT_SOLVER::positive(roleVariable(&ATOM_ROLES::trueOutside, r.head[1 - i], slots)));
            solver.addClause(clause);
        }
        return;
    }
    uint32_t z = solver.addVariable(false);
    clause.assign(1, SAT_SOLVER::negative(z));
    clause.insert(clause.end(), blocked.begin(), blocked.end());
    for (GATOM_ID h : r.head)
        clause.push_back(SAT_SOLVER::positive(roleVariable(&ATOM_ROLES::trueOutside, h, slots)));
    solver.addClause(clause);
    for (GATOM_ID h : r.head) {
        uint32_t in = inSetVariable(h);
        if (in == NONE) continue;
        clause.assign({SAT_SOLVER::negative(in), SAT_SOLVER::positive(z)});
        solver.addClause(clause);
    }
}

// Some picked atom: a tree of clauses, each node true only if one of its (up to) eight children
// is, with the root a fact. Long flat clauses would cost a scan per assumption.
void CHECK_ENCODING::addPickTree() {
    constexpr size_t FAN = 8;
    std::vector<int32_t> layer, next;
    for (const ATOM_ROLES &e : atoms)
        if (e.picked != NONE) layer.push_back(SAT_SOLVER::positive(e.picked));
    while (layer.size() > 1) {
        next.clear();
        for (size_t i = 0; i < layer.size(); i += FAN) {
            size_t end = std::min(layer.size(), i + FAN);
            if (end - i == 1) {
                next.push_back(layer[i]);
                continue;
            }
            uint32_t node = solver.addVariable(false);
            clause.assign(1, SAT_SOLVER::negative(node));
            clause.insert(clause.end(), layer.begin() + i, layer.begin() + end);
            solver.addClause(clause);
            next.push_back(SAT_SOLVER::positive(node));
        }
        layer.swap(next);
    }
    // With no atom that could be picked the root is the empty clause: no set is ever unfounded.
    solver.addClause(layer);
}

int CHECK_ENCODING::decide(const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags, const CANDIDATE_SET &u,
                           const CHECK_WITNESS &witness, std::vector<GATOM_ID> &unfounded) {
    assumptions.clear();
    auto assume = [&](uint32_t variable, bool holds) {
        assumptions.push_back(holds ? SAT_SOLVER::positive(variable) : SAT_SOLVER::negative(variable));
    };
    for (size_t i = 0; i < atoms.size(); ++i) {
        const ATOM_ROLES &e = atoms[i];
        TRUTH_VALUE v = a[e.atom];
        bool isTrue = countsAsTrue(v);
        if (inScope[i]) {
            bool member = u.contains(e.atom);
            if (!member) assume(e.inSet, false);
            // An atom true but not in U is true outside X; one in U is so exactly when not in X.
            if (e.trueOutside != NONE && (!isTrue || !member)) assume(e.trueOutside, isTrue);
            if (!member || !(chosenFlags[e.atom] || v == TRUTH_MUST_BE_TRUE)) assume(e.picked, false);
        } else if (e.trueOutside != NONE) {
            assume(e.trueOutside, isTrue);
        }
        if (e.isFalse != NONE) assume(e.isFalse, v == TRUTH_FALSE);
    }
    if (!solver.solve(assumptions.data(), assumptions.size())) return 1;
    for (size_t i = 0; i < atoms.size(); ++i)
        if (inScope[i] && solver.isTrue(atoms[i].inSet)) unfounded.push_back(atoms[i].atom);
    std::sort(unfounded.begin(), unfounded.end());
    if (witness.atoms) {
        std::fill(witness.atoms, witness.atoms + u.members.size(), uint8_t(0));
        for (GATOM_ID x : unfounded) witness.atoms[size_t(x)] = 1;
    }
    if (witness.found) *witness.found = 1;
    return 0;
}

// ---- The checker ----

void MODEL_CHECKER::reset() {
    encodedRules = nullptr;
    encodedRuleCount = 0;
    encodedGraph = nullptr;
    encodedAtoms = 0;
    program.reset();
    components.clear();
    bodyStart.clear();
}

void MODEL_CHECKER::follow(const std::vector<GRULE> &rules, const GROUND_DEPGRAPH &graph, size_t atomCount) {
    if (&rules == encodedRules && rules.size() == encodedRuleCount && &graph == encodedGraph &&
        atomCount == encodedAtoms)
        return;
    reset();
    encodedRules = &rules;
    encodedRuleCount = rules.size();
    encodedGraph = &graph;
    encodedAtoms = atomCount;
    slots.assign(atomCount, -1);
    aggregateAtom.resize(atomCount);
    for (size_t i = 0; i < atomCount; ++i) aggregateAtom[i] = isAggregateAtom(GATOM_ID(i));
    aggregateBodies = false;
    for (const GRULE &r : rules)
        for (const GLITERAL &l : positiveBody(r)) aggregateBodies = aggregateBodies || aggregateAtom[size_t(l.atom)];
}

void MODEL_CHECKER::collectTrueAtoms(const TRUTH_ASSIGNMENT &a) {
    for (size_t i = 0; i < a.values.size(); ++i)
        if (countsAsTrue(a.values[i]) && !aggregateAtom[i]) u.insert(GATOM_ID(i));
}

void MODEL_CHECKER::shrinkProgram(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a) {
    if (aggregateBodies) {
        shrinkToFixpoint(rules, a, u);
        return;
    }
    if (bodyStart.size() != encodedAtoms + 1) {
        bodyStart.assign(encodedAtoms + 1, 0);
        for (const GRULE &r : rules)
            for (const GLITERAL &l : positiveBody(r)) ++bodyStart[size_t(l.atom) + 1];
        for (size_t i = 0; i < encodedAtoms; ++i) bodyStart[i + 1] += bodyStart[i];
        bodyRules.resize(bodyStart[encodedAtoms]);
        std::vector<uint32_t> fill(bodyStart.begin(), bodyStart.end() - 1);
        for (size_t i = 0; i < rules.size(); ++i)
            for (const GLITERAL &l : positiveBody(rules[i])) bodyRules[fill[size_t(l.atom)]++] = uint32_t(i);
    }
    sweepTarget.resize(rules.size());
    sweepRemaining.resize(rules.size());
    sweepQueue.clear();
    for (size_t i = 0; i < rules.size(); ++i) {
        GATOM_ID single = supportTarget(rules[i], a, u);
        sweepTarget[i] = single;
        if (single < 0) continue;
        uint32_t inside = 0;
        for (const GLITERAL &l : positiveBody(rules[i])) inside += u.contains(l.atom);
        sweepRemaining[i] = inside;
        if (inside == 0) sweepQueue.push_back(single);
    }
    while (!sweepQueue.empty()) {
        GATOM_ID h = sweepQueue.back();
        sweepQueue.pop_back();
        if (!u.contains(h)) continue;
        u.erase(h);
        for (uint32_t k = bodyStart[size_t(h)]; k < bodyStart[size_t(h) + 1]; ++k) {
            uint32_t i = bodyRules[k];
            if (sweepTarget[i] >= 0 && --sweepRemaining[i] == 0) sweepQueue.push_back(sweepTarget[i]);
        }
    }
}

CHECK_ENCODING &MODEL_CHECKER::programEncoding(const std::vector<GRULE> &rules) {
    if (!program) {
        std::vector<const GRULE *> pointers;
        pointers.reserve(rules.size());
        for (const GRULE &r : rules) pointers.push_back(&r);
        std::vector<uint32_t> scope(encodedAtoms);
        for (size_t i = 0; i < scope.size(); ++i) scope[i] = uint32_t(i);
        program = std::make_unique<CHECK_ENCODING>();
        program->build(pointers, scope, slots);
    }
    return *program;
}

CHECK_ENCODING &MODEL_CHECKER::componentEncoding(GROUND_DEPGRAPH &graph, uint32_t c) {
    if (components.size() < graph.componentCount()) components.resize(graph.componentCount());
    if (!components[c]) {
        components[c] = std::make_unique<CHECK_ENCODING>();
        components[c]->build(graph.componentRules[c].rules, graph.componentNodes(c), slots);
    }
    return *components[c];
}

int MODEL_CHECKER::innerCheck(CHECK_ENCODING *encoding, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                              const CHECK_WITNESS &witness) {
    maxInnerCheckAtoms = std::max(maxInnerCheckAtoms, u.count);
    TIMER inner;
    inner.start();
    int stable = u.count == 0 ? 1 : encoding->decide(a, chosenFlags, u, witness, unfounded);
    inner.stop();
    worstInnerCheckTime = std::max(worstInnerCheckTime, secondsOf(inner));
    return stable;
}

int MODEL_CHECKER::checkCandidate(GROUND_DEPGRAPH &graph, const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a,
                                  const uint8_t *chosenFlags, bool shrink, CHECK_TYPE type,
                                  const CHECK_WITNESS &witness) {
    collectTrueAtoms(a);
    if (shrink) {
        shrinkProgram(rules, a);
        if (u.count == 0) return 1;
        if (graph.isHCF()) return 0;
    }
    if (u.count != 0 && type != CHECK_SAT) internalError("model check");
    return innerCheck(u.count ? &programEncoding(rules) : nullptr, a, chosenFlags, witness);
}

// Mode 1: each component of the ground graph on its own.
int MODEL_CHECKER::checkByComponents(GROUND_DEPGRAPH &graph, const TRUTH_ASSIGNMENT &a, const uint8_t *chosenFlags,
                                     const CHECK_WITNESS &witness) {
    for (uint32_t c = 0; c < graph.componentCount(); ++c) {
        const std::vector<uint32_t> &atoms = graph.componentNodes(c);
        for (uint32_t atom : atoms)
            if (countsAsTrue(a[GATOM_ID(atom)]) && !aggregateAtom[atom]) u.insert(GATOM_ID(atom));
        std::span<const GRULE *const> rules(graph.componentRules[c].rules);
        shrinkComponentToFixpoint(rules, a, u);
        if (u.count == 0) continue;
        int stable = graph.cyclic(c) && graph.isDisjunctive(c)
                         ? innerCheck(&componentEncoding(graph, c), a, chosenFlags, witness)
                         : 0;
        if (!stable) return 0;
        for (uint32_t atom : atoms) u.erase(GATOM_ID(atom));
    }
    return 1;
}

// Mode 5: the relevant rules reduced by the candidate, checked component by component of their
// own dependency graph, each by a check program of its own.
int MODEL_CHECKER::checkByReduct(const std::vector<GRULE> &rules, const TRUTH_ASSIGNMENT &a,
                                 const uint8_t *chosenFlags, const CHECK_WITNESS &witness) {
    collectTrueAtoms(a);
    shrinkProgram(rules, a);
    std::vector<GRULE> reduct;
    std::vector<GCONSTRAINT> reductConstraints;
    for (const GRULE &r : rules)
        if (isRelevantForCheck(r, a, u.members)) buildCheckRule(r, a, u.members, reduct, reductConstraints, true);
    if (reduct.empty()) return u.count == 0 ? 1 : 0;
    std::vector<GCONSTRAINT> noConstraints;
    GROUND_DEPGRAPH graph(reduct, noConstraints, 0);
    if (graph.isHCF()) return 0;
    uint64_t total = 0;
    CANDIDATE_SET componentAtoms(a.values.size());
    std::vector<GRULE> checkRules;
    std::vector<GCONSTRAINT> checkConstraints;
    for (uint32_t c = 0; c < graph.componentCount(); ++c) {
        const std::vector<uint32_t> &atoms = graph.componentNodes(c);
        for (uint32_t atom : atoms) componentAtoms.insert(GATOM_ID(atom));
        total += componentAtoms.count;
        std::span<const GRULE *const> componentRules(graph.componentRules[c].rules);
        int stable;
        if (graph.cyclic(c) && graph.isDisjunctive(c)) {
            maxInnerCheckAtoms = std::max(maxInnerCheckAtoms, componentAtoms.count);
            TIMER inner;
            inner.start();
            checkRules.clear();
            checkConstraints.clear();
            uint32_t relevant = buildComponentCheckProgram(componentRules, atoms, a, chosenFlags, componentAtoms,
                                                           checkRules, checkConstraints);
            uint8_t *model = witness.atoms;
            if (!model) {
                reductModel.resize(a.values.size());
                model = reductModel.data();
            }
            stable = decideByCheckProgram(relevant, checkRules, checkConstraints, componentAtoms, reductSolver, model);
            inner.stop();
            worstInnerCheckTime = std::max(worstInnerCheckTime, secondsOf(inner));
            if (!stable) {
                for (size_t i = 0; i < a.values.size(); ++i)
                    if (model[i]) unfounded.push_back(GATOM_ID(i));
                if (witness.found) *witness.found = 1;
            }
        } else {
            shrinkComponentToFixpoint(componentRules, a, componentAtoms);
            stable = componentAtoms.count == 0;
        }
        if (!stable) return 0;
        for (uint32_t atom : atoms) componentAtoms.erase(GATOM_ID(atom));
    }
    return u.count <= total ? 1 : 0;
}

int MODEL_CHECKER::check(const TRUTH_ASSIGNMENT &a, const std::vector<GRULE> &rules, bool programHCF,
                         GROUND_DEPGRAPH &graph, const uint8_t *chosenFlags, uint8_t *witness, uint8_t *witnessFound) {
    const CHECK_WITNESS out{witness, witnessFound};
    if (witnessFound) *witnessFound = 0;
    unfounded.clear();
    size_t atomCount = a.values.size();
    follow(rules, graph, atomCount);
    u.clear(atomCount);
    // A check that looks at the chosen atoms needs their flags; without them nothing was chosen.
    if (!chosenFlags) {
        noneChosen.assign(atomCount, 0);
        chosenFlags = noneChosen.data();
    }
    TIMER check;
    check.start();
    int stable;
    switch (mode) {
    case 0:
        stable = checkCandidate(graph, rules, a, chosenFlags, true,
                                programHCF || graph.isHCF() ? CHECK_SHRINK_ONLY : CHECK_SAT, out);
        break;
    case 1:
        stable = checkByComponents(graph, a, chosenFlags, out);
        break;
    case 5:
        stable = checkByReduct(rules, a, chosenFlags, out);
        break;
    case 9:
        stable = checkCandidate(graph, rules, a, chosenFlags, false, CHECK_SAT, out);
        break;
    default:
        internalError("model check");
    }
    check.stop();
    worstModelCheckTime = std::max(worstModelCheckTime, secondsOf(check));
    return stable;
}

int TRUTH_ASSIGNMENT::modelCheck(std::vector<GRULE> &rules, bool programHCF, DEPGRAPH<GRULE, GCONSTRAINT> *graph,
                                 const uint8_t *chosenFlags, uint8_t *witness, uint8_t *witnessFound,
                                 MODEL_CHECKER &checker) const {
    return checker.check(*this, rules, programHCF, *graph, chosenFlags, witness, witnessFound);
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
