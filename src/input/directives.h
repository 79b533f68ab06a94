// Statements that configure the program rather than state rules: named constants ("#const"), the
// integer bound ("#maxint"), object definitions with inheritance, and the database directives
// "#import", "#export" and "#exportQueryResult", which are only stored (input/parser.h).
#pragma once

#include <cstdint>
#include <vector>

#include "core/atom.h"
#include "core/term.h"

void checkNamedConstantName(const char *name);
void defineIntegerConstant(const char *name, int32_t value);
void defineSymbolicConstant(const char *name, const char *value);
// "#maxint = t." as a statement.
void setMaxInt(TERM term);

// Appends the object "name" and makes it current; its rules and facts follow.
void beginObject(const char *name, const std::vector<int32_t> *parents);
// The default object becomes current again.
void endObject();
// Appends the index of the first object named `name` to the parent list.
void addObjectReference(std::vector<int32_t> &parents, const char *name);
// Records the atom as overridden in the ancestors given by the parent list.
void markOverridden(const ATOM &atom, const std::vector<int32_t> &parents);
// Frees the facts and rules of every object defined so far (the parser's reset); the entries of
// `objects` that point at them are dropped with the program store.
void clearObjectDefinitions();

// Removes a leading and a trailing double quote in place; false unless the string has both.
bool stripQuotes(char *text);
// The directive string without its quotes (stripped in place); reports `message` (counted) when
// the string is not quoted and keeps it as written.
char *quotedDirectiveString(char *text, const char *message);
void checkImportTypeKeyword(const char *word);
// "first, next" as a new string; frees both.
char *joinTypeNames(char *first, char *next);
void addImportStatement(const char *database, const char *user, const char *password,
                        const char *query, const char *predicate, const char *typeList);
void addExportStatement(const char *database, const char *user, const char *password,
                        const char *secondName, const char *firstName, const char *deleteCondition);
