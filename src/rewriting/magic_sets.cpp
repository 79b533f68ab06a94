#include "rewriting/magic_sets.h"

#include "core/program.h"
#include "driver/diagnostics.h"
#include "driver/options.h"

namespace {

// The first reason that rules magic sets out for this program, or none.
const char *refusal(bool aggregatesFound, uint32_t queryConstraintCount) {
    if (!query) return "No query supplied.";
    if (constraints.size() > queryConstraintCount) return "The program contains integrity constraints.";
    if (!weakConstraints.empty()) return "The program contains weak constraints.";
    if (aggregatesFound) return "The program contains aggregates.";
    if (frontEndMode != FRONTEND_BRAVE && frontEndMode != FRONTEND_CAUTIOUS)
        return "Neither brave nor cautious reasoning was specified.";
    if (IDB.empty()) return "IDB is empty or has become empty due to optimizations.";
    return nullptr;
}

}  // namespace

void applyMagicSets(bool aggregatesFound, uint32_t queryConstraintCount) {
    if (const char *reason = refusal(aggregatesFound, queryConstraintCount)) {
        if (magicSetsRequested) {
            FILE *err = errorOutput();
            fprintf(err, "Warning: %s\n", reason);
            fputs("Warning: Magic Sets not applied.\n", err);
        }
        return;
    }
    // The magic-set rewriting itself is not built yet: the rules are kept as they are.
}
