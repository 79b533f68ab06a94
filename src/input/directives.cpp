#include "input/directives.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "core/program.h"
#include "input/parser.h"
#include "input/statements.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

void reportError(const std::string &message) {
    parseError(message);
    parserErrors++;
}

bool startsUpperCase(const char *name) { return name[0] >= 'A' && name[0] <= 'Z'; }

// The facts and rules of the objects defined in the input; OBJECT points at them. A deque keeps
// them in place as objects are added.
std::deque<ATOM_SETS> objectFacts;
std::deque<std::vector<RULE>> objectRules;

void enterNamedConstant(const char *name, TERM value) {
    if (!namedConstants.emplace(name, value).second)
        reportError(std::string("cannot redefine named constant '") + name + "'");
}

char *duplicate(const std::string &text) {
    char *copy = strdup(text.c_str());
    if (!copy) internalError("out of memory");
    return copy;
}

} // namespace

// Named constants.

void checkNamedConstantName(const char *name) {
    size_t length = strlen(name);
    if (startsUpperCase(name)) reportError("a constant name cannot start with a capital letter");
    if (length >= 2 && name[0] == '"' && name[length - 1] == '"')
        reportError("a constant name cannot be a quoted string");
    if (constantTable.find(name).second)
        reportError(std::string("constant term '") + name + "' already used");
}

void defineIntegerConstant(const char *name, int32_t value) {
    checkNamedConstantName(name);
    checkIntegerRange(value);
    enterNamedConstant(name, makeIntegerTerm(value));
}

void defineSymbolicConstant(const char *name, const char *value) {
    checkNamedConstantName(name);
    if (startsUpperCase(value)) reportError("a variable cannot be assigned to a named constant");
    enterNamedConstant(name, makeConstantTerm(value));
}

void setMaxInt(TERM term) {
    if (maxInt != -1) {
        // A notice only: the bound stays as it is.
        parseError("Cannot redefine #maxint. Ignoring this definition");
        return;
    }
    if (!term.isInteger()) {
        reportError("syntax error in #maxint statement");
        return;
    }
    maxInt = integerValue(term);
    if (maxInt < maxInputInteger)
        reportError("#maxint must not be less than the maximum integer (" +
                    std::to_string(maxInputInteger) + ") occurring in input");
}

// Objects.

void beginObject(const char *name, const std::vector<int32_t> *parents) {
    if (objects.empty()) objects.emplace_back(makeConstantTerm("#defaultobject"), &EDB, &IDB);
    objectFacts.emplace_back();
    objectRules.emplace_back();
    OBJECT object(makeConstantTerm(name), &objectFacts.back(), &objectRules.back());
    if (parents) object.parents = std::make_unique<std::vector<int32_t>>(*parents);
    objects.push_back(std::move(object));
    currentObject = int32_t(objects.size() - 1);
}

void endObject() { currentObject = 0; }

void clearObjectDefinitions() {
    objectFacts.clear();
    objectRules.clear();
}

void addObjectReference(std::vector<int32_t> &parents, const char *name) {
    auto [index, found] = constantTable.find(name);
    if (found && !startsUpperCase(name)) {
        TERM id(TERM_CONSTANT, index);
        for (size_t i = 0; i < objects.size(); i++)
            if (objects[i].id == id) {
                parents.push_back(int32_t(i));
                return;
            }
    }
    reportError("Undefined object identifier");
}

void markOverridden(const ATOM &atom, const std::vector<int32_t> &parents) {
    // Depth-first over every ancestor with an explicit stack, a parent's own parents before the
    // next parent. An ancestor that an earlier statement marked already is passed over, never
    // the parents listed after it: each of them may define the atom too.
    std::vector<uint8_t> visited(objects.size(), 0);
    std::vector<std::pair<const std::vector<int32_t> *, size_t>> stack{{&parents, 0}};
    while (!stack.empty()) {
        auto &[list, next] = stack.back();
        if (next == list->size()) {
            stack.pop_back();
            continue;
        }
        int32_t index = (*list)[next++];
        if (index < 0 || size_t(index) >= objects.size() || visited[size_t(index)]) continue;
        visited[size_t(index)] = 1;
        OBJECT &object = objects[index];
        bool defined = object.facts && object.facts->contains(atom);
        if (!defined && object.rules)
            for (const RULE &rule : *object.rules) {
                for (const ATOM &head : rule.head)
                    if (compareAtom(head, atom) == 0) {
                        defined = true;
                        break;
                    }
                if (defined) break;
            }
        if (defined) {
            if (!object.overridden) object.overridden = std::make_unique<ORDERED_ATOMS>();
            object.overridden->insert(atom);
        }
        if (object.parents && !object.parents->empty()) stack.push_back({object.parents.get(), 0});
    }
}

// Database directives.

bool stripQuotes(char *text) {
    size_t length = strlen(text);
    if (length < 2 || text[0] != '"' || text[length - 1] != '"') return false;
    memmove(text, text + 1, length - 2);
    text[length - 2] = '\0';
    return true;
}

char *quotedDirectiveString(char *text, const char *message) {
    if (!stripQuotes(text)) reportError(message);
    return text;
}

void checkImportTypeKeyword(const char *word) {
    if (strcmp(word, "type") != 0) reportError("type definition must be start with keyword 'type'");
}

char *joinTypeNames(char *first, char *next) {
    char *joined = duplicate(std::string(first) + ", " + next);
    free(first);
    free(next);
    return joined;
}

void addImportStatement(const char *database, const char *user, const char *password,
                        const char *query, const char *predicate, const char *typeList) {
    IMPORT_STATEMENT statement{database, user, password, query, predicate, typeList};
    auto position = importStatements.begin();
    while (position != importStatements.end() && position->database != statement.database) ++position;
    importStatements.insert(position, std::move(statement));
}

void addExportStatement(const char *database, const char *user, const char *password,
                        const char *secondName, const char *firstName, const char *deleteCondition) {
    exportStatements.push_back({database, user, password, secondName, firstName, deleteCondition});
}
