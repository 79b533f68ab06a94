// The translation of a planning problem into rules of the program: each causation statement
// becomes one rule over the time variables "T$" (the state before) and "T$1" (the state after),
// written as rule-language text and read back through the rule-language parser; the time facts,
// the goal rule and the goal constraint are built as program objects.
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/depgraph.h"
#include "core/program.h"
#include "frontends/planning.h"
#include "grounding/ground_program.h"
#include "input/parser.h"
#include "input/safety.h"
#include "input/statements.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

const char EXEC_PREFIX[] = "$exec_";
constexpr size_t EXEC_PREFIX_LENGTH = sizeof(EXEC_PREFIX) - 1;

bool beginsWith(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }
bool beginsWithCapital(const std::string &text) { return !text.empty() && text[0] >= 'A' && text[0] <= 'Z'; }
bool isOptimistic() { return (planningMode & PLANNING_OPTIMISTIC) != 0; }

std::string joined(const std::vector<std::string> &texts, const char *separator) {
    std::string text;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i) text += separator;
        text += texts[i];
    }
    return text;
}

void appendArgument(PLAN_ATOM &atom, const std::string &argument) {
    if (!atom.arguments) atom.arguments.emplace();
    atom.arguments->push_back(argument);
}

[[noreturn]] void translationError(const std::string &lines) {
    fputs(lines.c_str(), errorOutput());
    finish(1);
}

// The names of a planning table in byte-wise order.
std::vector<std::string> sortedNames(const PREDICATE_TABLE &table) {
    std::vector<std::string> names;
    for (uint32_t i = 0; i < table.size(); ++i) names.emplace_back(table.nameView(i));
    std::sort(names.begin(), names.end());
    return names;
}

// Letters and digits as they are, every other byte as "_" and two hex digits: the text fits a
// variable name, and different texts stay different.
std::string escapedName(const std::string &text) {
    static const char HEX[] = "0123456789ABCDEF";
    std::string escaped;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            escaped += static_cast<char>(c);
        } else {
            escaped += '_';
            escaped += HEX[c >> 4];
            escaped += HEX[c & 15];
        }
    }
    return escaped;
}

// The name of the local variable `variable` of a requires-list inlined for `atom`: one per
// variable, atom name and arguments. "$" separates the parts (escaped texts never hold it) and
// keeps the name apart from every variable a user can write.
std::string localVariable(const std::string &variable, const PLAN_ATOM &atom) {
    std::string name = "V$" + variable + "$" + escapedName(atom.name);
    if (atom.arguments)
        for (const std::string &argument : *atom.arguments) name += "$" + escapedName(argument);
    return name;
}

// The requires-literals of the declaration of `atom`, with the declared arguments replaced by
// the atom's and the local variables of the requires-list renamed apart per atom.
// While the statements are translated: the first declaration of each name, so that an atom
// finds its requires-list in one lookup rather than a walk over every declaration (which made
// the translation quadratic in the number of actions and fluents). Owned by
// translatePlanningProgram; null otherwise.
const std::unordered_map<std::string, const PLAN_STATEMENT *> *declarationIndex = nullptr;

const PLAN_STATEMENT *declarationOf(const std::string &name) {
    if (declarationIndex) {
        auto found = declarationIndex->find(name);
        return found == declarationIndex->end() ? nullptr : found->second;
    }
    for (const PLAN_STATEMENT &d : planDeclarations)
        if (d.head && d.head->name == name) return &d;
    return nullptr;
}

void appendRequirements(const PLAN_ATOM &atom, PLAN_LITERALS &target) {
    std::string name = beginsWith(atom.name, EXEC_PREFIX) ? atom.name.substr(EXEC_PREFIX_LENGTH) : atom.name;
    const PLAN_STATEMENT *declaration = declarationOf(name);
    if (!declaration || !declaration->ifPart) return;
    const std::vector<std::string> noArguments;
    const std::vector<std::string> &declared = declaration->head->arguments ? *declaration->head->arguments : noArguments;
    const std::vector<std::string> &given = atom.arguments ? *atom.arguments : noArguments;
    for (const PLAN_LITERAL &requirement : *declaration->ifPart) {
        PLAN_LITERAL literal = requirement;
        if (literal.atom.arguments) {
            for (std::string &argument : *literal.atom.arguments) {
                // An atom used with another argument count than declared maps only the positions
                // both have.
                auto at = std::find(declared.begin(), declared.end(), argument);
                size_t position = static_cast<size_t>(at - declared.begin());
                if (at != declared.end() && position < given.size())
                    argument = given[position];
                else if (beginsWithCapital(argument))
                    argument = localVariable(argument, atom);
            }
        }
        target.push_back(std::move(literal));
    }
}

bool parseRuleText(std::string &text) { return parseString(text); }

// The variable "X<n>" of the generated action constraints.
std::string variable(uint64_t number) {
    std::string text("X");
    text += std::to_string(number);
    return text;
}

}  // namespace

void PLAN_STATEMENT::inlineExecutability() {
    std::vector<PLAN_ATOM> collected;
    if (head) collected.push_back(*head);
    bool languageC = frontEndMode == FRONTEND_PLANNING_C;
    if (ifPart)
        for (const PLAN_LITERAL &literal : *ifPart)
            if (isFluent(literal.atom.name) && (literal.notNegated || (languageC && head)))
                collected.push_back(literal.atom);
    if (afterPart)
        for (const PLAN_LITERAL &literal : *afterPart)
            if (literal.notNegated && (isAction(literal.atom.name) || isFluent(literal.atom.name)))
                collected.push_back(literal.atom);
    PLAN_LITERALS appended;
    for (const PLAN_ATOM &atom : collected) appendRequirements(atom, appended);
    if (appended.empty()) return;
    if (!ifPart) ifPart.emplace();
    for (PLAN_LITERAL &literal : appended) ifPart->push_back(std::move(literal));
}

void PLAN_STATEMENT::translate() {
    PLAN_STATEMENT original = copy();
    std::string time = initial ? "0" : "T$1";
    bool actionStatement = head && (isAction(head->name) || beginsWith(head->name, EXEC_PREFIX));

    std::string headText;
    if (head) {
        appendArgument(*head, time);
        headText = (head->negated ? "-" : "") + head->name + "(" + joined(*head->arguments, ",") + ")";
        if (total) headText += " v -" + planAtomText(*head);
    }

    std::string body;
    if (ifPart) {
        bool languageC = frontEndMode == FRONTEND_PLANNING_C;
        for (PLAN_LITERAL &literal : *ifPart) {
            bool action = isAction(literal.atom.name);
            if (!action && !isFluent(literal.atom.name)) continue;
            if (action && !actionStatement)
                translationError("Actions must not be used in the if-part of causation rules.\n");
            if (languageC && head) {
                literal.notNegated = !literal.notNegated;
                literal.atom.negated = !literal.atom.negated;
            }
            appendArgument(literal.atom, time);
        }
        body += planLiteralsText(*ifPart);
    }
    if (afterPart) {
        for (PLAN_LITERAL &literal : *afterPart)
            if (isAction(literal.atom.name) || beginsWith(literal.atom.name, EXEC_PREFIX) ||
                isFluent(literal.atom.name))
                appendArgument(literal.atom, "T$");
        if (ifPart) body += ", ";
        body += planLiteralsText(*afterPart);
    }
    if (ifPart || afterPart) body += ", ";
    if (afterPart)
        body += "$nexttime(T$," + time + ")";
    else if (actionStatement)
        body += "$actiontime(" + time + ")";
    else
        body += "$time(" + time + ")";

    // A law with only an after-part derives the absurdity, which the secure checks look for;
    // optimistic planning needs no more than a constraint.
    if (!head && !ifPart && !isOptimistic()) headText = "$abs";
    std::string text = headText + " :- " + body + ".";
    if (!parseRuleText(text))
        translationError("Error while translating rule:\n   " + planStatementText(original) + "\n");
}

void processNoConc() {
    uint32_t actions = actionTable.size();
    for (uint32_t a = 0; a < actions; ++a) {
        std::string name(actionTable.nameView(a));
        uint64_t k = actionTable.arity(a) - 1;
        std::string even = name + "(", odd = name + "(";
        for (uint64_t i = k; i >= 1; --i) {
            even += variable(2 * i) + ",";
            odd += variable(2 * i - 1) + ",";
        }
        even += "T)";
        odd += "T)";
        std::string text;
        for (uint64_t i = k; i >= 1; --i)
            text += ":- " + even + ", " + odd + ", " + variable(2 * i) + "!= " + variable(2 * i - 1) +
                    ".\n";
        for (uint32_t b = a + 1; b < actions; ++b) {
            uint64_t j = actionTable.arity(b) - 1;
            text += ":- ";
            text += even;
            text += ", ";
            text += actionTable.nameView(b);
            text += "(";
            for (uint64_t i = 2 * k + j; i >= 2 * k + 1; --i) text += variable(i) + ", ";
            text += "T).\n";
        }
        if (!parseRuleText(text)) internalError("processNoConc");
    }
}

void constrainNumberOfActions() {
    uint32_t m = maxActionArity;
    std::string text;
    for (uint32_t a = 0; a < actionTable.size(); ++a) {
        std::string name(actionTable.nameView(a));
        uint32_t k = actionTable.arity(a) - 1;
        text += "$proj_action(" + name + ",";
        for (uint32_t i = 1; i <= m; ++i) text += i <= k ? variable(i) + "," : std::string("0,");
        text += "T) :- " + name + "(";
        for (uint32_t i = 1; i <= k; ++i) text += variable(i) + ",";
        text += "T).\n";
    }
    std::string variables;
    for (uint32_t i = 1; i <= m; ++i) variables += "," + variable(i);
    text += ":-$actiontime(T), not " + std::to_string(optPlanMinActions) + " <= #count{A" + variables +
            ":$proj_action(A" + variables + ",T)}";
    if (optPlanMaxActions > 0) text += "<= " + std::to_string(optPlanMaxActions);
    text += ".\n";
    if (!parseRuleText(text)) internalError("constrainNumberOfActions");
}

namespace {

void checkBackground() {
    if (!weakConstraints.empty()) translationError("Background knowledge must not contain weak constraints.\n");
    auto hasAggregate = [](const CONJUNCTION &body) {
        for (const LITERAL &literal : body)
            if (literal.atom.isAggregate() || predicateTable.kind(literal.atom.predicate) == PREDICATE_AGGREGATE)
                return true;
        return false;
    };
    for (const RULE &rule : IDB)
        if (rule.body && hasAggregate(*rule.body))
            translationError("Background knowledge must not contain aggregates.\n");
    for (const CONSTRAINT &constraint : constraints)
        if (hasAggregate(constraint.body)) translationError("Background knowledge must not contain aggregates.\n");
    DEPGRAPH graph(IDB, std::vector<CONSTRAINT>(), DEPGRAPH_PREDICATE_VIEW | DEPGRAPH_ALL_EDGES);
    graph.computeComponentFlags();
    for (uint32_t c = 0; c < graph.componentCount(); ++c)
        if (!graph.stratified(c) || graph.isDisjunctive(c)) {
            fputs("Warning: Background knowledge is either unstratified or includes disjunction.\n", errorOutput());
            break;
        }
}

void checkNameClashes(const PREDICATE_TABLE &table, const char *message) {
    for (const std::string &name : sortedNames(table))
        if (predicateTable.find(name).second || predicateTable.find("-" + name).second) translationError(message);
}

// Whether the executability laws depend on each other cyclically: an edge leads from the action
// of a law's head to each action of its if-part that is not default-negated. The graph is kept
// over action indices, apart from the program's predicates, so no action name can clash with
// a name of the translation. Kahn's order: a cycle (a self-loop too) is what it never reaches.
void findExecutabilityCycles() {
    uint32_t actions = actionTable.size();
    std::vector<std::vector<uint32_t>> successors(actions);
    std::vector<uint32_t> predecessors(actions, 0);
    for (const PLAN_STATEMENT &s : planStatements) {
        if (!s.head || !s.ifPart) continue;
        auto [from, headAction] = actionTable.find(s.head->name);
        if (!headAction) continue;
        for (const PLAN_LITERAL &literal : *s.ifPart) {
            if (literal.notNegated) continue;
            auto [to, bodyAction] = actionTable.find(literal.atom.name);
            if (!bodyAction) continue;
            successors[from].push_back(to);
            ++predecessors[to];
        }
    }
    std::vector<uint32_t> ready;
    for (uint32_t a = 0; a < actions; ++a)
        if (predecessors[a] == 0) ready.push_back(a);
    uint32_t reached = 0;
    while (!ready.empty()) {
        uint32_t a = ready.back();
        ready.pop_back();
        ++reached;
        for (uint32_t b : successors[a])
            if (--predecessors[b] == 0) ready.push_back(b);
    }
    executabilityCyclic = reached < actions;
}

void translateActionCosts() {
    for (const PLAN_STATEMENT &d : planDeclarations) {
        if (!d.costs) continue;
        size_t colon = d.costs->find(':');
        std::string cost = d.costs->substr(0, colon);
        std::string level = colon == std::string::npos ? std::string("1") : d.costs->substr(colon + 1);
        bool costsByTime = d.costs->find("T$1") != std::string::npos;
        PLAN_ATOM action = d.head->copy();
        appendArgument(action, "T$");
        std::string arguments = joined(*action.arguments, ",");
        std::string costAtom = "$costs_" + action.name + "(" + arguments + (planCostLevelsGiven ? "," + level : "") +
                               "," + cost + ")";
        std::string weak = ":~ " + costAtom;
        if (beginsWithCapital(cost)) weak += ", 0 < " + cost;
        if (beginsWithCapital(level)) weak += ", 0 < " + level;
        weak += ". [" + *d.costs + "]";
        bool parsed = parseRuleText(weak);

        std::string rule = costAtom + " :- " + (action.negated ? "-" : "") + action.name + "(" + arguments + ")";
        if (d.ifPart) rule += ", " + planLiteralsText(*d.ifPart);
        if (d.afterPart) {
            rule += ", " + planLiteralsText(*d.afterPart);
            for (const PLAN_LITERAL &literal : *d.afterPart)
                if (literal.atom.arguments &&
                    std::find(literal.atom.arguments->begin(), literal.atom.arguments->end(), "T$1") !=
                        literal.atom.arguments->end())
                    costsByTime = true;
        }
        if (costsByTime) rule += ", $nexttime(T$,T$1)";
        rule += ".";
        if (parsed) parsed = parseRuleText(rule);
        if (!parsed) translationError("Error while translating declaration:\n   " + planStatementText(d) + "\n");
    }
}

// "executable a if B" over cyclic executability laws: total a; caused $exec_a if B;
// caused false after a, not $exec_a.
void breakExecutabilityCycles() {
    std::vector<PLAN_STATEMENT> added;
    for (PLAN_STATEMENT &s : planStatements) {
        if (!s.head || !s.ifPart || !isAction(s.head->name)) continue;
        PLAN_STATEMENT guess;
        guess.head = s.head->copy();
        guess.total = true;
        added.push_back(std::move(guess));
        PLAN_ATOM executable(false, EXEC_PREFIX + s.head->name, nullptr);
        executable.arguments = s.head->arguments;
        PLAN_STATEMENT check;
        check.afterPart = PLAN_LITERALS{PLAN_LITERAL{false, s.head->copy()}, PLAN_LITERAL{true, executable}};
        added.push_back(std::move(check));
        s.head = std::move(executable);
        s.total = false;
    }
    for (PLAN_STATEMENT &s : added) planStatements.push_back(std::move(s));
}

void boundActionsPerTime() {
    uint32_t minimum = optPlanMinActions, maximum = optPlanMaxActions;
    if (minimum > 0 && maximum > 0 && minimum > maximum)
        translationError(
            "-planminactions: Minimum number of actions must be less than or equal to maximum number of actions "
            "per time.\n");
    if (minimum > 0)
        constrainNumberOfActions();
    else if (maximum == 1)
        processNoConc();
    else if (maximum > 1)
        constrainNumberOfActions();
}

void settlePlanLength() {
    if (goalPlanLength >= 0) {
        optPlanLength = goalPlanLength;
    } else if (optPlanLength < 0) {
        optPlanLength = 0;
        fputs("Warning: No plan length given. Plan length defaults to zero.\n", errorOutput());
    }
    if (optPlanLength > maxInputInteger) maxInputInteger = optPlanLength;
    if (maxInt >= 0 && maxInt < optPlanLength) fputs("Warning: #maxint is smaller than plan length.\n", errorOutput());
}

void addTimeFacts() {
    int32_t n = optPlanLength;
    for (int32_t t = 0; t <= n; ++t) {
        TERMS now{makeIntegerTerm(t)};
        EDB.insert(ATOM("$time", &now, PREDICATE_EDB));
        if (t == n) break;
        EDB.insert(ATOM("$actiontime", &now, PREDICATE_EDB));
        TERMS step{makeIntegerTerm(t), makeIntegerTerm(t + 1)};
        EDB.insert(ATOM("$nexttime", &step, PREDICATE_EDB));
    }
}

void addGoal() {
    if (!planGoal || planGoal->empty()) translationError("No goal query has been specified.\n");
    std::string written = planLiteralsText(*planGoal);
    std::string length = std::to_string(optPlanLength);
    for (PLAN_LITERAL &literal : *planGoal) {
        if (!isFluent(literal.atom.name)) translationError("Only fluent literals allowed in planning goal queries.\n");
        appendArgument(literal.atom, length);
    }
    CONSTRAINT goalConstraint;
    goalConstraint.body.append(LITERAL(ATOM("$goal", static_cast<const TERMS *>(nullptr), PREDICATE_IDB), true));
    constraints.push_back(std::move(goalConstraint));

    VARIABLE_MAP variables;
    CONJUNCTION body;
    for (const PLAN_LITERAL &literal : *planGoal) {
        TERMS arguments;
        for (const std::string &argument : *literal.atom.arguments) {
            if (argument[0] >= '0' && argument[0] <= '9')
                arguments.push_back(makeIntegerTerm(static_cast<int32_t>(strtol(argument.c_str(), nullptr, 10))));
            else if (argument == "_")
                arguments.push_back(makeVariableTerm(variables.next++));
            else if (beginsWithCapital(argument))
                arguments.push_back(makeVariableTerm(variables.number(argument)));
            else
                arguments.push_back(makeConstantTerm(argument.c_str()));
        }
        ATOM atom = literal.atom.negated ? makeStronglyNegatedAtom(literal.atom.name.c_str(), &arguments)
                                         : ATOM(literal.atom.name.c_str(), &arguments, PREDICATE_IDB);
        body.append(LITERAL(std::move(atom), literal.notNegated));
    }
    if (!isSafe(body)) translationError("Goal query is not safe:\n   " + written + "? (" + length + ")\n");
    std::vector<ATOM> head;
    head.emplace_back("$goal", static_cast<const TERMS *>(nullptr), PREDICATE_IDB);
    IDB.emplace_back(std::move(head), std::move(body));
}

}  // namespace

void translatePlanningProgram() {
    checkBackground();
    checkNameClashes(fluentTable, "Predicate names used in the background knowledge can not be used as fluent names.\n");
    checkNameClashes(actionTable, "Predicate names used in the background knowledge can not be used as action names.\n");
    findExecutabilityCycles();
    translateActionCosts();
    if (executabilityCyclic) breakExecutabilityCycles();
    std::unordered_map<std::string, const PLAN_STATEMENT *> declarations;
    for (const PLAN_STATEMENT &d : planDeclarations)
        if (d.head) declarations.emplace(d.head->name, &d);
    declarationIndex = &declarations;
    for (PLAN_STATEMENT &s : planStatements) {
        s.inlineExecutability();
        s.translate();
    }
    declarationIndex = nullptr;
    boundActionsPerTime();
    settlePlanLength();
    addTimeFacts();
    addGoal();
    // Both atoms need numbers for the secure checks whether or not grounding derives them.
    groundAtomTable.add(ATOM("$abs", static_cast<const TERMS *>(nullptr), PREDICATE_IDB));
    groundAtomTable.add(ATOM("$goal", static_cast<const TERMS *>(nullptr), PREDICATE_IDB));
}
