// Run sequence: the reset of every subsystem's global state, for another input in the same process.
#include "core/aggregate_function.h"
#include "core/builtin.h"
#include "core/program.h"
#include "driver/model_output.h"
#include "driver/run.h"
#include "frontends/diagnosis.h"
#include "frontends/planning.h"
#include "frontends/sql.h"
#include "grounding/ground_program.h"
#include "grounding/selectivity_statistics.h"
#include "input/parser.h"
#include "solver/model_checker.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "support/timer.h"

void resetGlobalState() {
    // The front-ends and the driver first, then down the layers: what a higher layer keeps holds
    // atoms, terms and ground atom numbers of the tables below, and the core's are emptied last.
    resetPlanning();
    resetSql();
    resetDiagnosis();
    afterParsingHook = nullptr;
    beforeModelGenerationHook = nullptr;
    maxVariable = 0;
    resetModelOutput();
    resetTimers();
    resetDiagnostics();
    resetOptions();
    resetModelChecker();
    resetSelectivityStatistics();
    deleteBuiltins();
    resetAggregateTables();
    resetGroundProgram();
    resetParser();
    resetProgramStore();
}
