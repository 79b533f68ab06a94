#include "rewriting/finite_domain.h"

// The finite-domain check is not built yet: every program passes.
int checkFiniteDomain(const PREDICATE_DEPGRAPH &, std::string &) { return 1; }
