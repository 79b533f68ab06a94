// Secure plan checks and the plan cache.
#include "frontends/planning.h"

uint32_t secureCheckCount = 0;
uint32_t planCacheHits = 0;

// Secure plan checks are not built yet: there is nothing to prepare.
void preparePlanChecks() {}

// Secure checks are not built yet: every candidate passes.
int planSecurityFilter(MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *) { return 1; }
