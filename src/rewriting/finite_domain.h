// The finite-domain check: whether grounding a program with function and list terms is
// guaranteed to terminate (under -maxnesting= and -maxlist=).
#pragma once

#include <string>

#include "grounding/depgraph.h"

// 1 when the grounding of the program whose dependency graph is given terminates, 0 otherwise;
// the messages of a failure go into the buffer, not onto a stream.
int checkFiniteDomain(const PREDICATE_DEPGRAPH &graph, std::string &messages);
