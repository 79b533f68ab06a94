// The model checker is not built yet: every candidate counts as stable and no witness is kept.
#include "solver/truth_assignment.h"

int TRUTH_ASSIGNMENT::modelCheck(std::vector<GRULE> &, bool, DEPGRAPH<GRULE, GCONSTRAINT> *, const uint8_t *, uint8_t *,
                                 uint8_t *witnessFound) const {
    if (witnessFound) *witnessFound = 0;
    return 1;
}

int checkWitnessUnfounded(const uint8_t *, const TRUTH_ASSIGNMENT &, std::vector<GRULE> &, std::vector<GRULE *> *) {
    return 0;
}

int recheckWitnessUnfounded(const uint8_t *, const TRUTH_ASSIGNMENT &, const std::vector<GRULE *> &) { return 0; }
