// Magic-set rewriting: specialises the rules to the query for brave and cautious reasoning, by
// the method that -ODMS, -ODMS+ and -OODMS choose. It refuses programs it cannot rewrite soundly.
#pragma once

#include <cstdint>

// Rewrites IDB in place for the query, or refuses with its reason. The reason is reported (with
// "Warning: Magic Sets not applied.") only when magic sets were asked for on the command line.
// `queryConstraintCount` is the number of constraints the driver added for a ground query.
void applyMagicSets(bool aggregatesFound, uint32_t queryConstraintCount);
