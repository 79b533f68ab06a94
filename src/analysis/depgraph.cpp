#include "analysis/depgraph_build.h"

template class DEPGRAPH<RULE, CONSTRAINT>;
