// Secure plan checks and the plan cache. A plan (the true action atoms of a candidate) is secure
// when no execution of it fails: the check program keeps the plan's actions and the dynamic
// laws, derives "$abs" when an action of the plan is not done or a law is violated, and forbids
// the executions that carry out the whole plan and reach the goal; the plan is secure exactly when
// that program has no answer set. Results are cached per plan and check kind.
#include <algorithm>
#include <cstring>
#include <string>

#include "core/aggregate_function.h"
#include "core/diagnostics.h"
#include "core/option_values.h"
#include "core/program.h"
#include "frontends/planning.h"
#include "grounding/depgraph.h"

namespace {

// The time of an action or fluent atom: the value of its last argument; -1 when that is no
// integer.
int64_t timeOf(GATOM_ID atom) {
    ATOM_REF a = groundAtomTable[atom];
    if (a.argCount() == 0) return -1;
    TERM time = a.arg(a.argCount() - 1);
    return time.isInteger() ? integerValue(time) : -1;
}

bool marked(const std::vector<uint8_t> &mask, GATOM_ID atom) {
    return atom >= 0 && static_cast<size_t>(atom) < mask.size() && mask[static_cast<size_t>(atom)];
}

// Whether a literal is false in the assignment: a positive one whose atom is not true or
// must-be-true, a negated one whose atom is.
bool literalFalse(const TRUTH_ASSIGNMENT &a, const GLITERAL &literal) {
    TRUTH_VALUE v = a[literal.atom];
    bool holds = isTrueValue(v) || v == TRUTH_MUST_BE_TRUE;
    return literal.negated ? holds : !holds;
}

// Two atoms of complementary predicates ("p" and "-p") with equal arguments.
bool complementary(GATOM_ID x, GATOM_ID y) {
    ATOM_REF a = groundAtomTable[x];
    ATOM_REF b = groundAtomTable[y];
    std::string_view p = predicateTable.nameView(a.predicate), q = predicateTable.nameView(b.predicate);
    bool names = (p.size() == q.size() + 1 && p[0] == '-' && p.substr(1) == q) ||
                 (q.size() == p.size() + 1 && q[0] == '-' && q.substr(1) == p);
    if (!names || a.argCount() != b.argCount()) return false;
    for (uint32_t i = 0; i < a.argCount(); ++i)
        if (a.arg(i) != b.arg(i)) return false;
    return true;
}

GATOM_ID findPropositional(const char *name) {
    auto [predicate, found] = predicateTable.find(name);
    if (!found) return -1;
    return groundAtomTable.find(predicate, std::span<const TERM>());
}

// Whether two rules of a group have bodies that cannot hold together: a literal of rule i over a
// fluent of the group's time against a literal of rule j.
bool excludes(const GLITERAL &l, const GLITERAL &m) {
    if (l.negated) return !m.negated && m.atom == l.atom;
    if (m.negated) return m.atom == l.atom;
    return complementary(l.atom, m.atom);
}

void findConflicts(uint32_t step) {
    std::vector<GRULE> &group = planRun.fluentRuleGroups[step];
    for (uint32_t i = 0; i < group.size(); ++i)
        for (uint32_t j = i + 1; j < group.size(); ++j)
            for (const GLITERAL &l : group[i].body.literals) {
                if (!marked(planRun.fluentAtomMask, l.atom) || timeOf(l.atom) != static_cast<int64_t>(step)) continue;
                for (const GLITERAL &m : group[j].body.literals)
                    if (excludes(l, m)) {
                        planRun.muxConflicts[step][i].push_back(j);
                        break;
                    }
            }
}

int stopAtFirstModel(MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *) { return 0; }

}  // namespace

bool comparePlanStates(const PLAN_STATE &a, const PLAN_STATE &b) {
    size_t n = std::min(a.size(), b.size());
    int order = n ? memcmp(a.data(), b.data(), n) : 0;
    if (order != 0) return order < 0;
    return a.size() < b.size();
}

PLAN_STATE planStateOf(const TRUTH_ASSIGNMENT *assignment) {
    PLAN_STATE state(groundAtomCount, 0);
    if (!assignment) return state;
    size_t n = std::min({state.size(), assignment->values.size(), planRun.actionAtomMask.size()});
    for (size_t i = 0; i < n; ++i) {
        TRUTH_VALUE v = assignment->values[i];
        if (planRun.actionAtomMask[i] && (v == TRUTH_TRUE_FROM_MUST_BE_TRUE || v == TRUTH_TRUE)) state[i] = 1;
    }
    return state;
}

void PLAN_CACHE::insert(const PLAN_STATE &state, uint8_t result) {
    results[state] = result;
    order.push_front(state);
    if (order.size() <= optPlanCache) return;
    // Shed a tenth at a time, so that eviction is not paid on every insertion.
    size_t evicted = optPlanCache / 10 + 1;
    for (size_t i = 0; i < evicted && !order.empty(); ++i) {
        results.erase(order.back());
        order.pop_back();
    }
}

int isMuxStratified(uint32_t position, uint32_t step, std::vector<uint32_t> selected, std::set<uint32_t> excluded) {
    const std::vector<GRULE> &group = planRun.fluentRuleGroups[step];
    // Rules without conflicts, and excluded ones, need no branch: the walk goes on in this frame,
    // so the depth grows only with the rules that exclude others.
    for (; position < group.size(); ++position) {
        if (excluded.count(position)) continue;
        const std::vector<uint32_t> &conflicts = planRun.muxConflicts[step][position];
        if (!conflicts.empty()) {
            if (!isMuxStratified(position + 1, step, selected, excluded)) return 0;
            excluded.insert(conflicts.begin(), conflicts.end());
        }
        selected.push_back(position);
    }
    std::vector<GRULE> rules;
    rules.reserve(selected.size());
    for (uint32_t i : selected) rules.push_back(group[i]);
    GROUND_DEPGRAPH graph(rules, std::vector<GCONSTRAINT>(), DEPGRAPH_ALL_EDGES);
    for (uint32_t c = 0; c < graph.componentCount(); ++c)
        if (!graph.stratified(c)) return 0;
    return 1;
}

void preparePlanChecks() {
    uint32_t count = groundAtomCount;
    planRun.actionAtomMask.assign(count, 0);
    planRun.actionAtoms.clear();
    planRun.fluentAtomMask.assign(count, 0);
    planRun.costAtomMask.assign(count, 0);
    for (uint32_t i = 0; i < count; ++i) {
        std::string_view name = predicateTable.nameView(groundAtomTable[static_cast<GATOM_ID>(i)].predicate);
        std::string_view positive = !name.empty() && name[0] == '-' ? name.substr(1) : name;
        if (fluentTable.find(positive).second) {
            planRun.fluentAtomMask[i] = 1;
        } else if (actionTable.find(name).second) {
            planRun.actionAtomMask[i] = 1;
            planRun.actionAtoms.push_back(static_cast<GATOM_ID>(i));
        } else if (planCostsGiven && name.rfind("$costs_", 0) == 0) {
            planRun.costAtomMask[i] = 1;
        }
    }

    GATOM_ID absurdity = findPropositional("$abs");
    if (absurdity >= 0) {
        // When grounding has derived the absurdity already, every execution is absurd: the
        // constraint is violated with an empty body, and no plan is reported.
        GBODY body;
        if (!I.positive.contains(groundAtomTable[absurdity])) body.append(GLITERAL(absurdity, false));
        groundConstraints.emplace_back(std::move(body));
    }

    GROUND_DEPGRAPH graph(groundRules, std::vector<GCONSTRAINT>(), DEPGRAPH_ALL_EDGES);
    bool stratified = true;
    for (uint32_t c = 0; c < graph.componentCount() && stratified; ++c) stratified = graph.stratified(c);
    if (stratified) return;

    uint32_t n = optPlanLength > 0 ? static_cast<uint32_t>(optPlanLength) : 0;
    planRun.fluentRuleGroups.resize(planRun.fluentRuleGroups.size() + n);
    planRun.muxConflicts.resize(planRun.muxConflicts.size() + n);
    if (planningMode & PLANNING_OPTIMISTIC) return;
    for (const GRULE &rule : groundRules) {
        if (rule.head.empty() || !rule.hasBody || !marked(planRun.fluentAtomMask, rule.head[0])) continue;
        int64_t t = timeOf(rule.head[0]);
        if (t < 1 || t > static_cast<int64_t>(n)) continue;
        planRun.fluentRuleGroups[static_cast<size_t>(t - 1)].push_back(rule);
        planRun.muxConflicts[static_cast<size_t>(t - 1)].emplace_back();
    }
    for (uint32_t step = n; step-- > 0;) {
        findConflicts(step);
        if (!(planningMode & (PLANNING_SECURE | PLANNING_INTERACTIVE))) continue;
        if (!isMuxStratified(0, step, {}, {})) {
            fputs("Warning: The domain is probably not mux-stratified, secure check might not work correctly.\n",
                  errorOutput());
            return;
        }
    }
}

int checkPlanSecurity(const TRUTH_ASSIGNMENT &assignment, int32_t kind) {
    ++planRun.secureCheckCount;
    GATOM_ID goal = findPropositional("$goal");
    GATOM_ID absurdity = findPropositional("$abs");
    PLAN_CACHE &cache = planRun.planCaches[kind == 1 ? 1 : 0];
    PLAN_STATE state = planStateOf(&assignment);
    auto cached = cache.results.find(state);
    if (cached != cache.results.end()) {
        ++planRun.planCacheHits;
        return cached->second;
    }

    std::vector<GRULE> rules;
    std::vector<GCONSTRAINT> checkConstraints;
    auto isTrueAction = [&](GATOM_ID atom) {
        TRUTH_VALUE v = assignment[atom];
        return v == TRUTH_TRUE_FROM_MUST_BE_TRUE || v == TRUTH_TRUE;
    };
    // Not doing an action of the plan is a failed execution.
    for (size_t i = 0; i < state.size(); ++i) {
        if (!state[i]) continue;
        GBODY body;
        body.append(GLITERAL(static_cast<GATOM_ID>(i), true));
        rules.emplace_back(std::vector<GATOM_ID>{absurdity}, std::move(body), true);
    }
    for (const GRULE &rule : groundRules) {
        if (rule.head.empty()) continue;
        GATOM_ID h = rule.head[0];
        if (marked(planRun.actionAtomMask, h)) {
            if (isTrueAction(h)) {
                GBODY body = rule.body;
                rules.emplace_back(std::vector<GATOM_ID>{h}, std::move(body), rule.hasBody);
            }
            continue;
        }
        bool refuted = false;
        for (const GLITERAL &literal : rule.body.literals)
            if (marked(planRun.actionAtomMask, literal.atom) && literalFalse(assignment, literal)) refuted = true;
        if (!refuted) rules.push_back(rule);
    }
    bool goalConstraint = false;
    for (const GCONSTRAINT &constraint : groundConstraints) {
        if (constraint.body.empty()) {
            checkConstraints.push_back(constraint);
            continue;
        }
        GATOM_ID first = constraint.body.literals[0].atom;
        if (first == goal) {
            goalConstraint = true;
            continue;
        }
        if (first == absurdity || predicateTable.kind(groundAtomTable[first].predicate) == PREDICATE_AGGREGATE)
            continue;
        const GLITERAL *qualifying = nullptr;
        for (const GLITERAL &literal : constraint.body.literals)
            if ((marked(planRun.fluentAtomMask, literal.atom) && timeOf(literal.atom) != 0) ||
                marked(planRun.actionAtomMask, literal.atom)) {
                qualifying = &literal;
                break;
            }
        if (!qualifying) {
            checkConstraints.push_back(constraint);
        } else if (marked(planRun.actionAtomMask, qualifying->atom) && literalFalse(assignment, *qualifying)) {
            continue;
        } else if (kind == 0) {
            GBODY body = constraint.body;
            rules.emplace_back(std::vector<GATOM_ID>{absurdity}, std::move(body), true);
        } else {
            GBODY body = constraint.body;
            body.append(GLITERAL(absurdity, true));
            checkConstraints.emplace_back(std::move(body));
        }
    }
    GBODY last;
    if (goalConstraint) last.append(GLITERAL(goal, false));
    last.append(GLITERAL(absurdity, true));
    checkConstraints.emplace_back(std::move(last));

    // One run of the check program is a failed execution of the plan: the first one settles it.
    // Whether one exists does not depend on the order of choices, and the rule order finds it
    // faster than the look-ahead in programs this small that are searched once each.
    std::vector<GWEAKCONSTRAINT> noWeakConstraints;
    MODEL_GENERATOR inner(rules, checkConstraints, noWeakConstraints,
                          {.maxModels = 1,
                           .flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS,
                           .modelCallback = stopAtFirstModel,
                           .ruleOrderChoice = true,
                           .aggregateCount = static_cast<uint32_t>(aggregateFunctionTable.size()),
                           .heuristic = optHeuristic,
                           .combineOperators = optCombineHeuristic});
    inner.computeModels();
    uint8_t secure = inner.computedAnswerSets() == 0 ? 1 : 0;
    cache.insert(state, secure);
    return secure;
}

int planSecurityFilter(MODEL_GENERATOR *generator, INTERPRETATION *, TRUTH_ASSIGNMENT *candidate) {
    if (!(planningMode & PLANNING_SECURE) || !candidate) return 1;
    if (optFPSoundCheck >= 0 && checkPlanSecurity(*candidate, optFPSoundCheck)) return 1;
    if (optFPCompleteCheck >= 0 && checkPlanSecurity(*candidate, optFPCompleteCheck)) return 1;
    if (checkPlanSecurity(*candidate, optFPCheck)) return 1;
    // Each check depends on the plan alone, so every candidate with the same true action atoms
    // would be rejected too: the search is told to leave them all behind.
    if (generator) generator->rejectByValuesOf(planRun.actionAtoms);
    return 0;
}
