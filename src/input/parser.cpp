// The parser's run-wide state (input/parser.h).
#include "input/parser.h"

int32_t maxInputInteger = -1;
int32_t weightFormat = 0;
bool rangeCheckSuspended = false;
bool strictRulesUsed = false;
int32_t currentObject = 0;
std::vector<IMPORT_STATEMENT> importStatements;
std::vector<EXPORT_STATEMENT> exportStatements;
