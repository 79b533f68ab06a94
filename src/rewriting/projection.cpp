#include "rewriting/projection.h"

// Projection is not applied yet: the rules and constraints are kept as read.
void projectRules(std::vector<RULE> &) {}

void projectConstraints(std::vector<CONSTRAINT> &, std::vector<RULE> &) {}
