// Basic rewriting: the first simplification of the non-ground program, run once after parsing,
// the front-end translations and the object translation. It removes what cannot contribute to an
// answer set (trivially true literals, rules and constraints whose body can never hold, head
// atoms a rule can never derive) and reports three findings that decide the later steps.
//
// -ORb switches the changes on (without it only the findings are gathered); -ORdr, together with
// -ORb, deletes rules and constraints with a positive literal of an undefined predicate. Under
// -wf a head atom that occurs negated in its body stays in the head.
#pragma once

#include <vector>

#include "core/rule.h"
#include "rewriting/rewriting_config.h"

// What the walk found in the rules, constraints and weak constraints that remain.
struct BASIC_REWRITING_FINDINGS {
    bool builtinsFound = false;    // a literal of a built-in predicate
    bool aggregatesFound = false;  // an aggregate literal
    bool negationFound = false;    // a negative literal (the query's one-literal constraints aside)
};

// Rewrites the three parts in place and fills the findings (all cleared on entry). Returns false
// when a constraint's body became empty under -ORb: the program has no answer set, and the walk
// stops at that constraint.
bool basicRewriting(std::vector<RULE> &rules, std::vector<CONSTRAINT> &constraints,
                    std::vector<WEAKCONSTRAINT> &weakConstraints, bool &builtinsFound,
                    bool &aggregatesFound, bool &negationFound, const REWRITING_CONFIG &config,
                    bool wellFounded);
