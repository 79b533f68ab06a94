#include "rewriting/objects.h"

// Objects with inheritance are not translated yet: only the default object's rules and facts
// take part in the run.
void translateObjects(std::vector<OBJECT> &) {}
