// Subsumption checking: removes rules that another rule makes redundant. Run under -OS.
#pragma once

#include <cstddef>
#include <vector>

#include "core/rule.h"

// Removes every rule from the start position on that another rule subsumes; returns 1.
int removeSubsumedRules(std::vector<RULE> &rules, size_t start);
