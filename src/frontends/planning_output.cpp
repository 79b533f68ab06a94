// Plan output and the interactive questions of -FP: each answer set of the translated program is
// reported as its states (not in secure modes), its actions per step, a summary line with the
// security label and the cost.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/conjunction.h"
#include "core/printer.h"
#include "core/program.h"
#include "frontends/planning.h"
#include "grounding/interpretation.h"
#include "support/option_values.h"


namespace {

bool isSecureMode() { return (planningMode & PLANNING_SECURE) != 0; }

// The time of an action or fluent atom: its last argument, when that is an integer within the
// plan; -1 otherwise.
int32_t timeOf(const ATOM &atom, int32_t last) {
    if (atom.argCount() == 0) return -1;
    TERM time = atom.arg(atom.argCount() - 1);
    if (!time.isInteger()) return -1;
    int32_t t = integerValue(time);
    return t >= 0 && t <= last ? t : -1;
}

void appendAt(std::vector<CONJUNCTION> &list, const ATOM &atom) {
    int32_t t = timeOf(atom, static_cast<int32_t>(list.size()) - 1);
    if (t >= 0) list[static_cast<size_t>(t)].append(LITERAL(atom, false));
}

// One line-oriented answer of at most 99 characters; only a leading lower-case y is yes.
bool answerIsYes() {
    fflush(stdout);
    char buffer[100];
    if (!fgets(buffer, sizeof buffer, stdin)) return false;
    return buffer[0] == 'y';
}

void printStep(const CONJUNCTION &step, const CONJUNCTION *costs) {
    if (step.empty())
        fputs("(no action)", stdout);
    else
        printActionsWithCosts(step, costs);
}

void printPlanCost(const TRUTH_ASSIGNMENT &assignment) {
    fputs("  COST: ", stdout);
    const COST_VECTOR &cost = assignment.levelCosts;
    if (planCostLevelsGiven) {
        printCost(stdout, cost);
        return;
    }
    int32_t index = cost.levels == 0 ? -1 : cost.indexOfLevel(1);
    uint64_t value = index < 0 ? 0 : cost.values[static_cast<size_t>(index)];
    printf("%llu", static_cast<unsigned long long>(value / 1000));
    if (value % 1000 != 0) printf(".%03llu", static_cast<unsigned long long>(value % 1000));
}

}  // namespace

void printActionsWithCosts(const CONJUNCTION &literals, const CONJUNCTION *costs) {
    bool first = true;
    for (const LITERAL &literal : literals) {
        if (!first) fputs(", ", stdout);
        first = false;
        const ATOM &atom = literal.atom;
        std::span<const TERM> args = atom.args();
        fputs(predicateTable.name(atom.predicate), stdout);
        if (args.size() > 1) {
            fputc('(', stdout);
            printTerms(stdout, args.first(args.size() - 1));
            fputc(')', stdout);
        }
        if (!costs) continue;
        std::string_view name = predicateTable.nameView(atom.predicate);
        bool matched = false;
        int32_t cost = 0, level = 0;
        for (const LITERAL &costLiteral : *costs) {
            const ATOM &c = costLiteral.atom;
            std::string_view costName = predicateTable.nameView(c.predicate);
            if (costName.size() < 7 || costName.substr(7) != name) continue;
            size_t dropped = planCostLevelsGiven ? 2 : 1;
            std::span<const TERM> costArgs = c.args();
            if (costArgs.size() < dropped || costArgs.size() - dropped != args.size()) continue;
            bool equal = true;
            for (size_t i = 0; i < args.size() && equal; ++i) equal = costArgs[i] == args[i];
            if (!equal) continue;
            TERM costTerm = costArgs[costArgs.size() - 1];
            TERM levelTerm = costArgs[costArgs.size() - dropped];
            if (!costTerm.isInteger() || !levelTerm.isInteger()) continue;
            matched = true;
            cost = integerValue(costTerm);
            level = integerValue(levelTerm);
        }
        if (!matched || cost == 0) continue;
        if (planCostLevelsGiven)
            printf(":<%d:%d>", cost, level);
        else
            printf(":%d", cost);
    }
}

int printPlan(const ATOM_SETS &trueAtoms, const TRUTH_ASSIGNMENT *assignment, bool separate, bool withCost,
              bool provisional) {
    bool secure = isSecureMode();
    // A secure plan is printed once, however many candidates carry it; a plan that -wctrace
    // showed before its cost was known optimal is printed again as a final one.
    if (secure && !provisional) {
        PLAN_STATE state = planStateOf(assignment);
        if (planRun.printedPlans.count(state)) return 0;
        planRun.printedPlans.insert(std::move(state));
    }
    size_t n = optPlanLength > 0 ? static_cast<size_t>(optPlanLength) : 0;
    std::vector<CONJUNCTION> states(n + 1), steps(n);
    CONJUNCTION costs;

    if (!secure) {
        std::vector<std::string> names;
        for (uint32_t f = 0; f < fluentTable.size(); ++f) names.emplace_back(fluentTable.nameView(f));
        std::sort(names.begin(), names.end());
        for (const std::string &f : names)
            for (const std::string &name : {f, "-" + f}) {
                auto [predicate, known] = predicateTable.find(name);
                if (!known) continue;
                for (ATOM_REF atom : trueAtoms.atomsOf(predicate)) appendAt(states, atom.atom());
            }
    }
    if (assignment) {
        uint32_t count = std::min<uint32_t>(groundAtomCount, static_cast<uint32_t>(assignment->values.size()));
        for (uint32_t i = 0; i < count; ++i) {
            GATOM_ID id = static_cast<GATOM_ID>(i);
            if (!assignment->isTrue(id)) continue;
            ATOM atom = groundAtomTable[id].atom();
            if (i < planRun.actionAtomMask.size() && planRun.actionAtomMask[i])
                appendAt(steps, atom);
            else if (planCostsGiven && i < planRun.costAtomMask.size() && planRun.costAtomMask[i])
                costs.append(LITERAL(atom, false));
            else if (!secure && i < planRun.fluentAtomMask.size() && planRun.fluentAtomMask[i])
                appendAt(states, atom);
        }
    }

    if (separate && !optSilent) fputc('\n', stdout);
    if (provisional) fputs(PROVISIONAL_MODEL_MARK, stdout);
    const CONJUNCTION *stepCosts = planCostsGiven ? &costs : nullptr;
    if (!secure) {
        for (size_t t = 0; t <= n; ++t) {
            printf("STATE %zu: ", t);
            printActionsWithCosts(states[t], nullptr);
            fputc('\n', stdout);
            if (t == n) break;
            fputs("ACTIONS: ", stdout);
            printStep(steps[t], stepCosts);
            fputc('\n', stdout);
        }
    }
    if (assignment && optFPSoundCheck >= 0 && checkPlanSecurity(*assignment, optFPSoundCheck))
        fputs("PLAN (secure): ", stdout);
    else if (assignment && optFPCompleteCheck >= 0 && checkPlanSecurity(*assignment, optFPCompleteCheck))
        fputs("PLAN (security unknown): ", stdout);
    else
        fputs("PLAN: ", stdout);
    for (size_t t = 0; t < n; ++t) {
        if (t) fputs("; ", stdout);
        printStep(steps[t], stepCosts);
    }
    if (withCost && assignment) printPlanCost(*assignment);
    fputc('\n', stdout);
    return 1;
}

int planModelCallback(MODEL_GENERATOR *generator, INTERPRETATION *trueAtoms, TRUTH_ASSIGNMENT *model) {
    if (!model || !generator) {
        printPlan(trueAtoms->positive, nullptr, false, false);
        return 0;
    }
    // Under -wctrace the search reports plans before their cost is known to be optimal: they are
    // marked and not counted against -n=, as the ordinary answer output does with such models.
    bool provisional = !generator->isOptimumKnown();
    bool separate = generator->printedAnswerSets() != 0 || planRun.provisionalPlansPrinted != 0;
    int shown = MODEL_STOP;
    if (printPlan(trueAtoms->positive, model, separate, planCostsGiven, provisional)) {
        if (provisional) ++planRun.provisionalPlansPrinted;
        shown = MODEL_SHOWN;
    }
    if (!(planningMode & PLANNING_INTERACTIVE)) return shown | MODEL_GO_ON;
    if (!(planningMode & PLANNING_SECURE)) {
        fputs("\nCheck whether that plan is secure (y/n)? ", stdout);
        if (answerIsYes())
            fputs(checkPlanSecurity(*model, optFPCheck) ? "The plan is secure.\n" : "The plan is NOT secure.\n",
                  stdout);
    }
    fputs("\nSearch for other plans (y/n)? ", stdout);
    return answerIsYes() ? shown | MODEL_GO_ON : shown;
}
