// The translation of a planning problem into rules of the program.
#include "frontends/planning.h"

// The planning translation is not built yet: the program is left as it is.
void translatePlanningProgram() {}
