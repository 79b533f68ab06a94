#include "frontends/planning.h"

FILE *planyyin = nullptr;
uint32_t secureCheckCount = 0;
uint32_t planCacheHits = 0;

// The planning languages are not read yet: a ".plan" file adds nothing.
int planyyparse() { return 0; }

// The planning translation is not built yet: the program is left as it is.
void translatePlanningProgram() {}

// Secure plan checks are not built yet: there is nothing to prepare.
void preparePlanChecks() {}
