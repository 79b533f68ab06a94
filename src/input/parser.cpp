// The parser's run-wide state (input/parser.h).
#include "input/parser.h"

#include "input/directives.h"

// The generated scanner's own teardown: frees its buffers and puts it back in its first state.
int yylex_destroy();

int32_t maxInputInteger = -1;
int32_t weightFormat = 0;
bool rangeCheckSuspended = false;
bool strictRulesUsed = false;
int32_t currentObject = 0;
std::vector<IMPORT_STATEMENT> importStatements;
std::vector<EXPORT_STATEMENT> exportStatements;

void resetParser() {
    yylex_destroy();
    clearObjectDefinitions();
    maxInputInteger = -1;
    weightFormat = 0;
    rangeCheckSuspended = false;
    strictRulesUsed = false;
    currentObject = 0;
    importStatements.clear();
    exportStatements.clear();
}
