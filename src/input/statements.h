// Statement actions of the rule-language parser: they turn what the grammar recognised into the
// terms, atoms, bodies, rules, constraints, weak constraints and the query of the program store,
// and check what the grammar cannot (names, number ranges, safety, weight formats). Messages go
// through parseError; each says whether it counts in parserErrors.
//
// Variables are numbered per statement in `ruleVariables` (order of first appearance, every "_"
// a fresh number); every statement ends by resetting it, also when it was rejected.
#pragma once

#include <cstdint>
#include <vector>

#include "core/program.h"
#include "core/rule.h"
#include "core/term.h"

// A weight as written: a name (a variable, or a constant that is then refused) or a decimal
// number, kept times 1000 in 64 bits so that a weight too large for the store is refused, never
// wrapped.
struct WEIGHT {
    TERM term;             // the name's term, when it was a name
    bool isNumber = false;
    int64_t value = 0;     // the number times 1000
};
// The bracket part of a weak constraint: its format (1 none, 2 level only, 3 weight only,
// 4 both), the weight (1 when left out) and the level (1 when left out).
struct WEIGHT_LEVEL {
    int32_t format = 1;
    WEIGHT weight;
    TERM level;
};

// Terms.
TERM makeNameTerm(const char *name);
// A name where a term is expected: a named constant's term, else makeNameTerm.
TERM termFromName(const char *name);
// A number used as a term (range-checked).
TERM numberTerm(int32_t value);
void checkIntegerRange(int32_t value);
// "#maxint" as a term.
TERM maxIntTerm();
TERM anonymousVariable();
// "-t" and "~t": reported, the term stays. Before an integer a note says that integers are never
// negative.
void reportNegatedTerm(TERM term);
TERM makeFunctionTerm(const char *functor, const TERMS &arguments);
TERM makeListTerm(const TERMS &elements, bool hasTail);
// [head | list]: flattened at once when both are ground.
TERM makeListWithTail(TERM head, TERM list);
// [head | Name]: Name must be a variable.
TERM makeListWithNamedTail(TERM head, const char *name);
TERMS newTermList(TERM t1);
TERMS newTermList(TERM t1, TERM t2);
TERMS newTermList(TERM t1, TERM t2, TERM t3);
TERMS newTermList(TERM t1, TERM t2, TERM t3, TERM t4);

// Atoms.
ATOM makeOrdinaryAtom(const char *name, const TERMS *arguments);
// The atom of "-name" (one "-" only); the predicate joins stronglyNegatedPredicates.
ATOM makeStronglyNegatedAtom(const char *name, const TERMS *arguments);
// The atom of the built-in of this kind (BUILTIN_KIND), its object registered in builtinTable.
ATOM makeBuiltinAtom(int32_t kind, const TERMS &arguments);
// The same for a list built-in whose last argument is an output: checkLastBuiltinArgument first.
ATOM makeListBuiltinAtom(int32_t kind, const TERMS &arguments);
// #int(X) and #rand(X) with the bounds the parser supplies.
ATOM makeUnaryIntAtom(const TERMS &arguments);
ATOM makeUnaryRandAtom(const TERMS &arguments);
void checkLastBuiltinArgument(TERM last, const char *builtinName);
// False when the name is not a known predicate; otherwise the atom of that predicate.
bool lookupAtom(const char *name, const TERMS *arguments, ATOM &atom);

// Bodies: a literal equal to one already in the body is dropped; the others keep their order.
void addLiteral(CONJUNCTION &body, LITERAL &literal);

// Rules. makeRules takes over the head and the body (none for a fact) and processes the body's
// aggregates; storeRules hands every rule to addRule (a strict rule with the default object
// current).
std::vector<RULE> *makeRules(std::vector<ATOM> *head, CONJUNCTION *body);
std::vector<RULE> *expandIntegerRange(bool negated, const char *name, TERM lower, TERM upper);
void storeRules(std::vector<RULE> &rules, bool strict);
void addRule(RULE &rule);
// A variable that an equality of a body binds to a constant or an integer, and that value.
struct EQUALITY_BINDING {
    TERM variable, value;
};
// Replaces a variable that an equality binds to a constant or an integer, at every depth, in the
// head (when a rule is given) and the body. Returns the bindings replaced, which a weak constraint
// applies to its weight and level too.
std::vector<EQUALITY_BINDING> substituteEqualities(RULE *rule, CONJUNCTION &body);

// Constraints, weak constraints, the query.
void storeConstraint(CONJUNCTION &body);
// The number 'integer.fraction' times 1000 (fraction digits beyond three are dropped).
int64_t decimalNumber(int32_t integer, const char *fraction);
WEIGHT weightFromName(const char *name);
WEIGHT weightFromNumber(int64_t value);
// Takes over the weight and the level (either may be null: left out).
WEIGHT_LEVEL weightLevel(int32_t format, WEIGHT *weight, TERM *level);
bool checkWeightFormat(int32_t format);
// The line is that of the weak constraint's "."; its messages name it, not the line the parser
// has reached.
void storeWeakConstraint(CONJUNCTION &body, const WEIGHT_LEVEL &weightLevel, uint32_t line);
// Takes over the body.
void storeQuery(CONJUNCTION *body);
void resetRuleVariables();
