#include "grounding/aggregate_access.h"

// Aggregate functions are not read yet: an aggregate literal shows no symbolic set.
const LITERAL *aggregateSetLiteral(const ATOM &) { return nullptr; }
std::span<const TERM> aggregatedTerms(const ATOM &) { return {}; }
