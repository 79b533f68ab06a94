// The option pass of the command line: the table of options, the parsers of their values, the
// banner, the usage text and the check of options that do not go together. The pass fills one
// OPTIONS, which the run sequence owns and whose groups it hands to each subsystem at its entry
// point; the options that no group holds yet are the variables of support/option_values.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "grounding/grounding_config.h"
#include "rewriting/rewriting_config.h"
#include "solver/search_config.h"
#include "support/option_values.h"
#include "support/output_config.h"

// A -costbound= level written "_": no bound at that level. Bounds are held wider than 32 bits so
// that "none" never collides with a weight; they are scaled by 1000 in 64-bit arithmetic.
constexpr int64_t COSTBOUND_NONE = -1;

// The settings of one run as the command line gives them: the run sequence's own, then a group
// for each subsystem that takes its settings at its entry point. Every field starts at the value a
// run has when no option names it.
struct OPTIONS {
    // General options.
    uint32_t optMaxModels = 0;               // -n= (0: every answer set)
    std::vector<int64_t> optCostBoundList;   // -costbound=, one bound per level (0..4294967295, or COSTBOUND_NONE)
    bool optCostBound = false;               // a -costbound= was given
    bool optDeterministic = false;           // -det
    bool optWellFounded = false;             // -wf, --well-founded
    bool optInstantiate = false;             // -instantiate
    bool optNoModelCheck = false;            // -OM-
    bool optReadStdin = false;               // --
    bool optFiniteCheck = true;              // -finitecheck / -nofinitecheck
    bool optWctrace = false;                 // -wctrace
    bool optOGp = true;                      // -OGp: the one-pass grounder for ground programs
    uint32_t optStats = 0;                   // -stats (1), -stats++ (2)

    // Dumps of the program and the ground program.
    bool optPrintEDB = false;                // --print-edb
    bool optPrintIDB = false;                // --print-idb
    bool optPrintConstraints = false;        // --print-constraints
    bool optPrintWConstraints = false;       // --print-wconstraints
    bool optPrintGIDB = false;               // --print-gidb
    bool optPrintGConstraints = false;       // --print-gconstraints
    bool optPrintGWConstraints = false;      // --print-gwconstraints
    bool optPrintInterpret = false;          // --print-interpret

    // Model generator options that the run sequence turns into the generator's configuration.
    bool optGUS = true;                      // --GUS / --noGUS
    uint32_t optCombineComplPt = 0;          // --combinecomplpt=
    std::vector<int32_t> optCHeuristic;      // --cheuristic=
    std::vector<int32_t> optHeuristic;       // --heuristic= (empty: the default criteria)
    std::vector<int32_t> optCombineHeuristic; // --combineheuristic=

    OUTPUT_CONFIG output;
    REWRITING_CONFIG rewriting;
    GROUNDING_CONFIG grounding;
    SEARCH_CONFIG search;

    // The -costbound= bound of a level (from 1) as a cost, that is times 1000, computed in 64 bits
    // so that no weight wraps; COSTBOUND_NONE for a level without a bound ("_" or not covered).
    int64_t costBoundOfLevel(uint32_t level) const;
};

// What the option pass decided: go on with the run, or end it now with the given status.
struct OPTION_PASS_RESULT {
    bool endRun;
    int status;
    uint32_t inputFiles;   // the number of input file names on the command line
};

// The option pass over argv[1..argc-1]: fills `options` (and the option variables) and counts
// the input files. -h, -help, --help, --version, -license, an unrecognised option and bad option
// values write their output here and ask to end the run.
OPTION_PASS_RESULT parseOptions(int argc, char **argv, OPTIONS &options);

// Value parsers of the option pass. A value that cannot be used is named on standard error with
// its option ("Invalid value 'x' for option -N=: expected ..."), leaves its target as it was, and
// makes the option pass end the run with status 1 once every option was read. Lines that begin
// with "Warning:" (a list ended by a comma, an empty list) are not errors.
// parseIntegerOption returns false when the argument does not begin with the prefix; otherwise it
// stores a value in 0..999999999 or reports it.
bool parseIntegerOption(const char *prefix, const char *argument, uint32_t &target);
bool parseIntegerOption(const char *prefix, const char *argument, int32_t &target);
void parseNameList(const char *text, std::set<std::string> &names);
// The option named in a report; the default lists of the run are read without one going wrong.
void parseHeuristicList(const char *text, std::vector<int32_t> &list, const char *option = "--heuristic=");
void parseCostBoundList(const char *text, std::vector<int64_t> &bounds);

// Start-up banner on standard output, after the prefix; under -v followed by the licence's opening.
void printBanner(const char *prefix);
// "usage: ..." on the stream; the full text lists the option groups.
void printUsage(FILE *out, bool full);

// The banner after the option pass: always under -instantiate, as a comment of the ground program
// it precedes; otherwise unless -silent.
void printStartBanner(const OPTIONS &options);

// Ends the run with status 1 when the options ask for things that do not go together.
void checkOptionConflicts(const OPTIONS &options);
