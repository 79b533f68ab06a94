// What the dependency graphs and body ordering read of an aggregate literal: the first literal
// of its symbolic set (after parse-time rewriting the auxiliary atom that collects the set) and
// the terms aggregated over.
#pragma once

#include <span>

#include "core/atom.h"

// The first literal of the aggregate's symbolic set; null for an atom that is no aggregate or
// whose set has no literal.
const LITERAL *aggregateSetLiteral(const ATOM &atom);
// The aggregated-over terms; empty for an atom that is no aggregate.
std::span<const TERM> aggregatedTerms(const ATOM &atom);

#include <vector>

#include "core/gatom_table.h"

// The atoms of the ground set of a ground aggregate atom, in set order.
std::vector<GATOM_ID> groundSetAtoms(const ATOM &atom);
