#include "frontends/diagnosis.h"

FILE *diagyyin = nullptr;
bool readingObservations = false;
std::vector<ATOM> hypotheses;
std::vector<ATOM> observations;

// The diagnosis language is not read yet: hypothesis and observation files add nothing.
int diagyyparse() { return 0; }

// The diagnosis translation is not built yet: the program is left as it is.
int setupDiagnosis(std::vector<RULE> &, std::vector<CONSTRAINT> &, std::vector<WEAKCONSTRAINT> &,
                   std::vector<ATOM> &, std::vector<ATOM> &) {
    return 1;
}

// Diagnoses are not printed yet: the search just goes on.
int diagnosisModelCallback(MODEL_GENERATOR *, INTERPRETATION *, TRUTH_ASSIGNMENT *) { return 1; }
