// The steps of the run sequence from the option pass to the rewritten program, and what `main`
// keeps for the run. `main` calls them in order; each step either falls through to the next or
// ends the run itself. Later steps (grounding, reports, model generation) take the same RUN.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/rule.h"
#include "driver/model_output.h"
#include "driver/options.h"
#include "solver/model_generator.h"
#include "solver/truth_assignment.h"

// Values `main` holds for one run: its options, its answer output, and what one step leaves for
// a later one. A RUN names its MODEL_OUTPUT as the one in use while it lives.
struct RUN {
    RUN() {
        output.settings = &options.output;
        useModelOutput(&output);
    }
    ~RUN() {
        if (modelOutputInUse() == &output) useModelOutput(nullptr);
    }
    RUN(const RUN &) = delete;
    RUN &operator=(const RUN &) = delete;

    OPTIONS options;
    MODEL_OUTPUT output;
    // The model callback of the reasoning mode or front-end, and the planning candidate filter.
    MODEL_CALLBACK modelCallback = nullptr;
    CANDIDATE_FILTER candidateFilter = nullptr;
    // Findings of basic rewriting: built-in, aggregate and negative literals remain.
    bool hasBuiltins = false;
    bool hasAggregates = false;
    bool hasNegation = false;
    // A copy of the rules taken just before magic sets, or none; kept until grounding is over.
    std::unique_ptr<std::vector<RULE>> preMagicRules;
    // Grounding did not succeed, and the exit status that goes with it: 0 when the program was
    // found to have no answer set, 1 after a reported grounding error.
    bool groundingFailed = false;
    int groundingStatus = 0;
    // Grounding stopped at a value the program cannot use (an aggregate element, a weight, a
    // level): the run ends at once with status 1.
    bool groundingValueError = false;
    // One value per weak-constraint level, times 1000: the -costbound= bounds (COSTBOUND_NONE
    // where there is none) and the cost of the weak constraints violated in every answer set.
    COST_VECTOR costBound;
    COST_VECTOR baseCost;
};

// Hooks of the planning front-end, set when the callbacks are chosen; none when not set.
extern void (*afterParsingHook)();
extern void (*beforeModelGenerationHook)();

// The number of variable slots of the program (highest variable number plus one), which sizes
// every substitution; computed after basic rewriting and again before grounding.
extern uint32_t maxVariable;

// Puts the global state of every subsystem back as the process starts it: the tables, program
// parts and ground program emptied, the options at their defaults, the timers at zero, the
// scanners in their first state. A second input can then be processed in the same process; the
// unit tests start each test from here.
void resetGlobalState();

// Highest variable number plus one over everything the rules, constraints, weak constraints and
// the query hold (heads, aggregate guards and sets, weights and levels included); 0 without any.
uint32_t countVariables();

// Starts the whole-run timer and the parsing timer.
void startTimers();
// Appends the default object, whose facts and rules are the program's own.
void appendDefaultObject();
// Reads every input file in command-line order with the parser its suffix selects, then
// standard input under "--"; afterwards text is parsed as the system's own.
void readInput(const RUN &run, int argc, char **argv);
// Ends the run when a parser or scanner counted an error, or when an input could not be read.
void abortOnParserErrors();
// Notes whether objects are in use; strict rules need them.
void checkObjects();
// Front-end modes and objects make the program count as non-ground.
void clearProgramShapeFlags();
// Chooses the model callback by the mode, sets up the front-end (hooks, diagnosis translation)
// and runs the after-parsing hook.
void setUpFrontEnd(RUN &run);
// Adds the constraints that forbid p and -p together; ends the run on an arity clash.
void addStrongNegationConstraints();
// One warning line for each -filter= or -pfilter= name and each predicate of the query that no
// fact and no rule head defines: such names match nothing, often through a misspelling.
void warnAboutUndefinedPredicates(const RUN &run);
// Turns the query into constraints or a "#query" rule.
void setUpQuery();
// Translates objects with inheritance when they are in use; ends the run with status 1 when the
// translation met an overridden fact.
void translateObjectProgram();
// Stops the parsing timer and reports the ignored #import and #export statements.
void endParsing();
// Basic rewriting under its timer, with its findings kept in the RUN.
void rewriteBasic(RUN &run);
// Projection rewriting under -ORp, and the "pred" names of the internal predicates.
void rewriteProjection(const RUN &run);
// Subsumption checking under -OS.
void removeSubsumed(const RUN &run);
// Magic sets when they are on and apply; ends the run under --print-magic.
void rewriteMagicSets(RUN &run);
// --print-edb, --print-idb, --print-constraints, --print-wconstraints.
void printProgramDumps(const RUN &run);
