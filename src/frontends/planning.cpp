// The planning records (atoms, literals, statements), their tables and printers, and the record
// builders that the planning parser calls.
#include "frontends/planning.h"

#include <cstring>

#include "support/diagnostics.h"
#include "support/option_values.h"


PREDICATE_TABLE actionTable;
PREDICATE_TABLE fluentTable;
std::vector<PLAN_STATEMENT> planDeclarations;
std::vector<PLAN_STATEMENT> planStatements;
int declarationKind = 0;
bool initialSection = false;
bool timeKeywordAllowed = false;
std::optional<PLAN_LITERALS> planGoal;
int32_t goalPlanLength = -1;
uint32_t maxActionArity = 0;
bool planCostsGiven = false;
bool planCostLevelsGiven = false;
bool executabilityCyclic = false;
PLAN_RUN planRun;

// The generated scanner's own teardown.
int planyylex_destroy();

void resetPlanning() {
    planyylex_destroy();
    actionTable.clear();
    fluentTable.clear();
    planDeclarations.clear();
    planStatements.clear();
    declarationKind = 0;
    initialSection = false;
    timeKeywordAllowed = false;
    planGoal.reset();
    goalPlanLength = -1;
    maxActionArity = 0;
    planCostsGiven = false;
    planCostLevelsGiven = false;
    executabilityCyclic = false;
    planRun = PLAN_RUN();
}

PLAN_ATOM::PLAN_ATOM(bool negated_, const std::string &name_, const std::vector<std::string> *arguments_)
    : negated(negated_), name(name_) {
    if (arguments_) arguments = *arguments_;
}

bool isAction(const std::string &name) { return actionTable.find(name).second; }
bool isFluent(const std::string &name) { return fluentTable.find(name).second; }

std::vector<std::string> stringList(const std::string &a, const std::string *b, const std::string *c) {
    std::vector<std::string> list{a};
    if (b) list.push_back(*b);
    if (c) list.push_back(*c);
    return list;
}

namespace {

void countedError(const char *message) {
    parseError(message);
    parserErrors++;
}

bool beginsWithCapital(const std::string &text) { return !text.empty() && text[0] >= 'A' && text[0] <= 'Z'; }

}  // namespace

// --- Printers ---

std::string planAtomText(const PLAN_ATOM &atom) {
    std::string text;
    if (atom.negated) text += '-';
    text += atom.name;
    if (atom.arguments && !atom.arguments->empty()) {
        text += '(';
        for (size_t i = 0; i < atom.arguments->size(); ++i) {
            if (i) text += ',';
            text += (*atom.arguments)[i];
        }
        text += ')';
    }
    return text;
}

std::string planLiteralsText(const PLAN_LITERALS &literals) {
    std::string text;
    for (size_t i = 0; i < literals.size(); ++i) {
        if (i) text += ',';
        if (literals[i].notNegated) text += "not ";
        text += planAtomText(literals[i].atom);
    }
    return text;
}

std::string planStatementText(const PLAN_STATEMENT &s) {
    std::string text;
    if (s.head) {
        if (s.declaration)
            text += isFluent(s.head->name) ? "fluents: " : "actions: ";
        else if (s.total)
            text += isFluent(s.head->name) ? "total " : "executable ";
        else
            text += "caused ";
        text += planAtomText(*s.head);
    } else {
        text += "caused false";
    }
    if (s.ifPart) {
        text += s.declaration ? " requires " : " if ";
        text += planLiteralsText(*s.ifPart);
    }
    if (s.declaration && s.costs) {
        text += " costs ";
        text += planCostLevelsGiven ? *s.costs : s.costs->substr(0, s.costs->find(':'));
    }
    if (s.afterPart) {
        text += s.declaration ? " where " : " after ";
        text += planLiteralsText(*s.afterPart);
    }
    text += '.';
    return text;
}

FILE *printStringList(FILE *out, const std::vector<std::string> &texts) {
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i) fputc(',', out);
        fputs(texts[i].c_str(), out);
    }
    return out;
}

FILE *printPlanAtom(FILE *out, const PLAN_ATOM &atom) {
    fputs(planAtomText(atom).c_str(), out);
    return out;
}

FILE *printPlanLiterals(FILE *out, const PLAN_LITERALS &literals) {
    fputs(planLiteralsText(literals).c_str(), out);
    return out;
}

FILE *printPlanStatement(FILE *out, const PLAN_STATEMENT &statement) {
    fputs(planStatementText(statement).c_str(), out);
    return out;
}

// --- Record builders ---

void addDeclaration(const PLAN_ATOM &atom, const std::optional<PLAN_LITERALS> &requires_,
                    const std::optional<std::string> &costs, const std::optional<PLAN_LITERALS> &where) {
    if (costs && declarationKind == 1) countedError("Costs not allowed for fluents");
    if (atom.arguments)
        for (const std::string &argument : *atom.arguments)
            if (!beginsWithCapital(argument)) countedError("Only variables allowed in action/fluent declaration");
    if (isFluent(atom.name) || isAction(atom.name)) countedError("Action/Fluent name already in use");
    uint32_t arity = static_cast<uint32_t>(atom.argumentCount()) + 1;
    if (declarationKind == 0) {
        actionTable.add(atom.name.c_str(), arity, PREDICATE_IDB);
        if (arity - 1 > maxActionArity) maxActionArity = arity - 1;
    } else {
        fluentTable.add(atom.name.c_str(), arity, PREDICATE_IDB);
    }
    PLAN_STATEMENT record;
    record.declaration = true;
    record.total = true;
    record.initial = frontEndMode == FRONTEND_PLANNING_C ? declarationKind == 1 : true;
    record.head = atom;
    record.ifPart = requires_;
    record.afterPart = where;
    record.costs = costs;
    planDeclarations.push_back(std::move(record));
}

void addCausationStatement(const std::optional<PLAN_ATOM> &head, const std::optional<PLAN_LITERALS> &ifPart,
                           const std::optional<PLAN_LITERALS> &afterPart, bool total) {
    if (!head && !ifPart && !afterPart) countedError("Empty rules not allowed");
    if (initialSection && afterPart) countedError("No dynamic rules allowed in initial section");
    if (head && !total && !isFluent(head->name)) countedError("Only fluents can be caused");
    PLAN_STATEMENT record;
    record.initial = initialSection;
    record.total = total;
    record.head = head;
    record.ifPart = ifPart;
    record.afterPart = afterPart;
    planStatements.push_back(std::move(record));
}
