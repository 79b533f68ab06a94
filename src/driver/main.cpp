// The run sequence of one invocation: option pass, input, rewriting, grounding, model
// generation, finish. Each step is one call into the subsystem that owns it; a step either falls
// through to the next or ends the run itself (through `finish`, or an immediate exit).
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdio>

#include "driver/finish.h"
#include "driver/interrupts.h"
#include "driver/options.h"
#include "driver/run.h"
#include "driver/run_grounding.h"
#include "driver/run_model_generation.h"
#include "driver/statistics.h"
#include "grounding/ground_depgraph.h"
#include "support/diagnostics.h"

int main(int argc, char **argv) {
    installRunEnds();
#ifdef __GLIBC__
    // Large blocks (grown tables, sort buffers) are mapped from the system and given back when
    // freed. glibc would otherwise raise that threshold at each large block freed, keep later
    // ones in its heap and hold their memory after they are freed.
    mallopt(M_MMAP_THRESHOLD, 1 << 17);
#endif
    // Standard output is a pipe or a file in batch use: buffer it fully, in large blocks.
    if (!isatty(fileno(stdout))) setvbuf(stdout, nullptr, _IOFBF, 1 << 16);

    // Options.
    RUN run;
    OPTION_PASS_RESULT pass = parseOptions(argc, argv, run.options);
    if (pass.endRun) return pass.status;
    printStartBanner(run.options);
    if (pass.inputFiles == 0 && !run.options.optReadStdin) {
        if (optVerbose) return 0;
        printUsage(errorOutput(), false);
        return 255;
    }
    checkOptionConflicts(run.options);

    // Reading and preparing the program.
    startTimers();
    appendDefaultObject();
    readInput(run, argc, argv);
    abortOnParserErrors();
    checkObjects();
    clearProgramShapeFlags();
    setUpFrontEnd(run);
    warnAboutUndefinedPredicates(run);
    addStrongNegationConstraints();
    setUpQuery();
    translateObjectProgram();
    endParsing();

    // Rewriting.
    rewriteBasic(run);
    rewriteProjection(run);
    removeSubsumed(run);
    rewriteMagicSets(run);
    printProgramDumps(run);

    // Grounding and the ground program. From here on an interrupt ends the run after the last
    // whole piece of output.
    catchInterrupts();
    groundProgram(run);
    stopOnGroundingValueError(run);
    printGroundDumps(run);
    computeBaseCost(run);
    freezeGroundAtoms();
    printProgramStatistics(run.options);
    dumpDependencyGraphs();
    printInstantiation(run);
    stopOnFailedGrounding(run);

    // Model generation.
    runBeforeModelGenerationHook();
    bool headCycleFree = testHeadCycleFree();
    reportDecidedProgram(run, run.costBound, run.baseCost);
    refuseSqlAnswersWithChoices(run);
    generateModels(run, headCycleFree, run.costBound, run.baseCost);
}
