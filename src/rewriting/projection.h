// Projection rewriting: moves variables that a rule or constraint needs in one literal only into
// new internal predicates, so that fewer instances are grounded. Run under -ORp.
#pragma once

#include <vector>

#include "core/rule.h"

// Rewrites every rule (may add internal predicates and their rules).
void projectRules(std::vector<RULE> &rules);
// Rewrites every constraint (may add rules to the rule vector).
void projectConstraints(std::vector<CONSTRAINT> &constraints, std::vector<RULE> &rules);
