// The option pass of the command line: the table of options, the parsers of their values, the
// banner, the usage text and the check of options that do not go together. The pass fills one
// OPTIONS, which the run sequence owns and whose groups it hands to each subsystem at its entry
// point; the options that no group holds yet are the variables of core/option_values.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/option_values.h"
#include "grounding/grounding_config.h"
#include "rewriting/rewriting_config.h"

// The settings of one run as the command line gives them, grouped by the subsystem that reads
// them. Every field starts at the value a run has when no option names it.
struct OPTIONS {
    REWRITING_CONFIG rewriting;
    GROUNDING_CONFIG grounding;
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
void parseCostBoundList(const char *text);

// Start-up banner on standard output, after the prefix; under -v followed by the licence's opening.
void printBanner(const char *prefix);
// "usage: ..." on the stream; the full text lists the option groups.
void printUsage(FILE *out, bool full);

// The banner after the option pass: always under -instantiate, as a comment of the ground program
// it precedes; otherwise unless -silent.
void printStartBanner();

// Ends the run with status 1 when the options ask for things that do not go together.
void checkOptionConflicts();
