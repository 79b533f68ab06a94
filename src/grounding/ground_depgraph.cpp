#include "grounding/ground_depgraph.h"

#include "analysis/depgraph_build.h"

template class DEPGRAPH<GRULE, GCONSTRAINT>;
