#include "rewriting/subsumption.h"

// Subsumed rules are not detected yet: every rule is kept.
int removeSubsumedRules(std::vector<RULE> &, size_t) { return 1; }
