// Secure plan checks and the plan cache. A plan (the true action atoms of a candidate) is secure
// when no execution of it fails: the check program keeps the plan's actions and the dynamic
// laws, derives "$abs" when an action of the plan is not done or a law is violated, and forbids
// the executions that carry out the whole plan and reach the goal; the plan is secure exactly when
// that program has no answer set. Results are cached per plan and check kind.
#include <algorithm>
#include <cstring>
#include <string>

#include "analysis/aggregate_access.h"
#include "core/aggregate_function.h"
#include "core/program.h"
#include "frontends/planning.h"
#include "grounding/ground_depgraph.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

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
    // The check programs are built from this ground program at the first check.
    for (PLAN_CHECK_PROGRAM &program : planRun.checkPrograms) program = PLAN_CHECK_PROGRAM();
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

namespace {

bool isPlanAction(const TRUTH_ASSIGNMENT &assignment, GATOM_ID atom) {
    TRUTH_VALUE v = assignment[atom];
    return v == TRUTH_TRUE_FROM_MUST_BE_TRUE || v == TRUTH_TRUE;
}

// The check program of a kind for every plan (PLAN_CHECK_PROGRAM). A plan's check keeps the
// plan's actions and the rules of those actions, derives the absurdity when an action of the plan
// is not done, drops the rules and constraints that an action literal the plan makes false
// refutes, turns the constraints over later states or actions into laws whose violation is a
// failed execution (kind 0: "$abs" is derived; kind 1: the constraint holds only while the
// execution has not failed), and forbids the executions that carry out the plan and reach the
// goal.
void buildCheckProgram(PLAN_CHECK_PROGRAM &p, int32_t kind) {
    GATOM_ID goal = findPropositional("$goal");
    GATOM_ID absurdity = findPropositional("$abs");
    auto addItem = [&](bool constraint) {
        uint32_t index = static_cast<uint32_t>(constraint ? p.constraints.size() - 1 : p.rules.size() - 1);
        bool hadBody = !constraint && p.rules.back().hasBody;
        uint32_t first = static_cast<uint32_t>(p.conditions.size());
        p.items.push_back({constraint, false, hadBody, index, first, first});
    };
    auto addCondition = [&](GLITERAL literal, bool inPlan) {
        p.conditions.push_back({literal, inPlan});
        p.items.back().endCondition = static_cast<uint32_t>(p.conditions.size());
    };

    // Not doing an action of the plan is a failed execution.
    for (GATOM_ID action : planRun.actionAtoms) {
        GBODY body;
        body.append(GLITERAL(action, true));
        p.rules.emplace_back(std::vector<GATOM_ID>{absurdity}, std::move(body), true);
        addItem(false);
        addCondition(GLITERAL(action, false), true);
    }
    for (const GRULE &rule : groundRules) {
        if (rule.head.empty()) continue;
        GATOM_ID h = rule.head[0];
        if (marked(planRun.actionAtomMask, h)) {
            GBODY body = rule.body;
            p.rules.emplace_back(std::vector<GATOM_ID>{h}, std::move(body), rule.hasBody);
            addItem(false);
            addCondition(GLITERAL(h, false), true);
            continue;
        }
        p.rules.push_back(rule);
        bool conditional = false;
        for (const GLITERAL &literal : rule.body.literals) {
            if (!marked(planRun.actionAtomMask, literal.atom)) continue;
            if (!conditional) addItem(false);
            conditional = true;
            addCondition(literal, false);
        }
    }
    bool goalConstraint = false;
    for (const GCONSTRAINT &constraint : groundConstraints) {
        if (constraint.body.empty()) {
            p.constraints.push_back(constraint);
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
            p.constraints.push_back(constraint);
            continue;
        }
        bool isRule = kind == 0;
        if (isRule) {
            GBODY body = constraint.body;
            p.rules.emplace_back(std::vector<GATOM_ID>{absurdity}, std::move(body), true);
        } else {
            GBODY body = constraint.body;
            body.append(GLITERAL(absurdity, true));
            p.constraints.emplace_back(std::move(body));
        }
        if (marked(planRun.actionAtomMask, qualifying->atom)) {
            addItem(!isRule);
            addCondition(*qualifying, false);
        }
    }
    GBODY last;
    if (goalConstraint) last.append(GLITERAL(goal, false));
    last.append(GLITERAL(absurdity, true));
    p.constraints.emplace_back(std::move(last));

    // The switch atom: the first one that the program does not mention, neither in a rule nor in
    // the ground set of an aggregate (made true, it would count there), and no aggregate atom.
    std::vector<uint8_t> mentioned(groundAtomCount, 0);
    auto mention = [&](GATOM_ID atom) {
        if (atom < 0 || static_cast<uint32_t>(atom) >= groundAtomCount) return;
        mentioned[static_cast<size_t>(atom)] = 1;
        ATOM_REF a = groundAtomTable[atom];
        if (a.isAggregate())
            for (GATOM_ID element : groundSetAtoms(*a.general))
                if (element >= 0 && static_cast<uint32_t>(element) < groundAtomCount)
                    mentioned[static_cast<size_t>(element)] = 1;
    };
    for (const GRULE &rule : p.rules) {
        for (GATOM_ID h : rule.head) mention(h);
        for (const GLITERAL &literal : rule.body.literals) mention(literal.atom);
    }
    for (const GCONSTRAINT &constraint : p.constraints)
        for (const GLITERAL &literal : constraint.body.literals) mention(literal.atom);
    p.switchAtom = -1;
    for (uint32_t i = 0; i < groundAtomCount && p.switchAtom < 0; ++i)
        if (!mentioned[i] && !groundAtomTable[static_cast<GATOM_ID>(i)].isAggregate())
            p.switchAtom = static_cast<GATOM_ID>(i);
    p.built = true;
    if (p.switchAtom < 0) return;
    GBODY none;
    p.rules.emplace_back(std::vector<GATOM_ID>{p.switchAtom}, std::move(none), false);
    p.graph = std::make_unique<GROUND_DEPGRAPH>(p.rules, std::vector<GCONSTRAINT>(), 0);
}

GBODY &itemBody(PLAN_CHECK_PROGRAM &p, const PLAN_CHECK_PROGRAM::ITEM &item) {
    return item.constraint ? p.constraints[item.index].body : p.rules[item.index].body;
}

// Whether the plan of the assignment keeps the item.
bool planKeeps(const PLAN_CHECK_PROGRAM &p, const PLAN_CHECK_PROGRAM::ITEM &item, const TRUTH_ASSIGNMENT &assignment) {
    for (uint32_t c = item.firstCondition; c < item.endCondition; ++c) {
        const PLAN_CHECK_PROGRAM::CONDITION &condition = p.conditions[c];
        if (condition.inPlan ? !isPlanAction(assignment, condition.literal.atom)
                             : literalFalse(assignment, condition.literal))
            return false;
    }
    return true;
}

// Switches the items of the check program on and off for the plan of the assignment.
void switchForPlan(PLAN_CHECK_PROGRAM &p, const TRUTH_ASSIGNMENT &assignment) {
    for (PLAN_CHECK_PROGRAM::ITEM &item : p.items) {
        bool off = !planKeeps(p, item, assignment);
        if (off == item.off) continue;
        item.off = off;
        // The switch literal is negated and goes last, so the positive literals keep their places.
        GBODY &body = itemBody(p, item);
        if (off)
            body.literals.push_back(GLITERAL(p.switchAtom, true));
        else
            body.literals.pop_back();
        if (!item.constraint) p.rules[item.index].hasBody = off || item.hadBody;
    }
}

// Without a switch atom: the rules and constraints that the plan keeps, copied.
void copyForPlan(PLAN_CHECK_PROGRAM &p, const TRUTH_ASSIGNMENT &assignment) {
    std::vector<uint8_t> ruleKept(p.rules.size(), 1), constraintKept(p.constraints.size(), 1);
    for (const PLAN_CHECK_PROGRAM::ITEM &item : p.items)
        if (!planKeeps(p, item, assignment)) (item.constraint ? constraintKept : ruleKept)[item.index] = 0;
    p.planRules.clear();
    p.planConstraints.clear();
    for (size_t i = 0; i < p.rules.size(); ++i)
        if (ruleKept[i]) p.planRules.push_back(p.rules[i]);
    for (size_t i = 0; i < p.constraints.size(); ++i)
        if (constraintKept[i]) p.planConstraints.push_back(p.constraints[i]);
}

}  // namespace

int checkPlanSecurity(const TRUTH_ASSIGNMENT &assignment, int32_t kind) {
    ++planRun.secureCheckCount;
    PLAN_CACHE &cache = planRun.planCaches[kind == 1 ? 1 : 0];
    PLAN_STATE state = planStateOf(&assignment);
    auto cached = cache.results.find(state);
    if (cached != cache.results.end()) {
        ++planRun.planCacheHits;
        return cached->second;
    }

    PLAN_CHECK_PROGRAM &program = planRun.checkPrograms[kind == 1 ? 1 : 0];
    if (!program.built) buildCheckProgram(program, kind == 1 ? 1 : 0);
    bool switching = program.switchAtom >= 0;
    if (switching)
        switchForPlan(program, assignment);
    else
        copyForPlan(program, assignment);

    // One run of the check program is a failed execution of the plan: the first one settles it.
    // Whether one exists does not depend on the order of choices, and the rule order finds it
    // faster than the look-ahead in programs this small that are searched once each.
    MG_FLAGS flags = MG_MODEL_CHECK | MG_UNFOUNDED_CHECKS;
    auto config = [&](GROUND_DEPGRAPH *graph) {
        return MG_CONFIG{.maxModels = 1,
                         .flags = flags,
                         .modelCallback = stopAtFirstModel,
                         .ruleOrderChoice = true,
                         .groundGraph = graph,
                         .aggregateCount = static_cast<uint32_t>(aggregateFunctionTable.size()),
                         .heuristic = planRun.heuristic,
                         .combineOperators = planRun.combineOperators,
                         .search = planRun.search};
    };
    uint8_t secure;
    if (switching) {
        if (!program.generator) {
            // Without head cycles the unfounded-set checks leave only stable candidates, and no
            // candidate needs a model check.
            if (program.graph->isHCF()) flags |= MG_PROGRAM_HCF;
            program.generator = std::make_unique<MODEL_GENERATOR>(program.rules, program.constraints,
                                                                  program.noWeakConstraints,
                                                                  config(program.graph.get()));
        }
        MODEL_GENERATOR &inner = *program.generator;
        uint32_t before = inner.computedAnswerSets();
        inner.negativeBodiesChanged();
        inner.computeModels();
        secure = inner.computedAnswerSets() == before ? 1 : 0;
    } else {
        MODEL_GENERATOR inner(program.planRules, program.planConstraints, program.noWeakConstraints, config(nullptr));
        inner.computeModels();
        secure = inner.computedAnswerSets() == 0 ? 1 : 0;
    }
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
