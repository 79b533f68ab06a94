// Plan output and the interactive questions.
#include "frontends/planning.h"

// Plans are not printed yet: the search just goes on.
int planModelCallback(MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *) { return 1; }
