// The translation of objects with inheritance: turns the object list (parents, facts, rules,
// overridden atoms) into plain rules and facts of the program store. Run when objects other
// than the default one were read, before basic rewriting.
//
// A predicate whose complement ("-p" for p, p for "-p") is in the predicate table gets the object
// as an extra first argument, which the answer printers hide again. Inheritance becomes facts
// __prec(O, A) (A an ancestor of O); an atom that a descendant overrides with its complement
// becomes derivable as __ovr<p>(O, ...), and a rule all of whose head atoms are overridden is
// blocked by a negated __ovr<N> literal. In bodies an atom of such a predicate may come from any
// object: a positive one gets a fresh object variable, a negated one reads __proj<p>, which holds
// when the atom holds in some object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/object.h"

// Translates the object-oriented program in place; an arity clash of a generated name ends the
// process itself. Returns 0 after reporting the facts that a descendant overrides (the
// translation blocks rules, not facts, so it has no sound answer for them), else 1.
int translateObjects(std::vector<OBJECT> &objects);

// Adds __prec(object, A) to EDB for every ancestor A reached through the parent list.
void addInheritanceFacts(TERM object, const std::vector<int32_t> *parents, const std::vector<OBJECT> &objects);
// Translates the object's facts (into EDB) and its first `ruleCount` rules (copies into IDB
// unless it is the default object, whose rules are IDB and change in place). Returns the number
// of overridden facts it reported.
uint32_t addOverridingRules(OBJECT &object, bool isDefault, size_t ruleCount);
// Puts the object in front of the head atoms of predicates with a complement and translates the
// body; rules the body needs are added to `appended`.
void extendOverriddenRule(const OBJECT &object, RULE &rule, std::vector<RULE> &appended);
// Gives positive atoms of predicates with a complement a fresh object variable from
// `firstFree` on, and turns their negated atoms into __proj atoms, adding the rule of a new
// __proj predicate to `appended`.
void addProjectionRules(CONJUNCTION &body, uint32_t firstFree, std::vector<RULE> &appended);
// Appends the arguments of every head atom, without the object argument of atoms of predicates
// with a complement.
void collectHeadArguments(TERMS &terms, const std::vector<ATOM> &head);
