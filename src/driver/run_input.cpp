// Run sequence: timers, the default object and the reading of the input.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/program.h"
#include "driver/run.h"
#include "frontends/diagnosis.h"
#include "frontends/planning.h"
#include "frontends/sql.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"
#include "support/timer.h"

namespace {

// Input files that could not be opened or read: each is reported as it is met, every other input
// is still read so that all faults show at once, and the run then ends without an answer.
uint32_t unreadableInputs = 0;

void reportUnreadableInput(int error) {
    parseError(std::string("can't open input (") + strerror(error) + ")");
    ++unreadableInputs;
}

// A directory opens like a file but fails at the first read, inside the scanner: it is refused
// here, with the other inputs that cannot be read.
bool isDirectory(FILE *file) {
    struct stat status;
    return fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode);
}

bool endsWith(const char *name, const char *suffix) {
    size_t n = strlen(name), s = strlen(suffix);
    return n >= s && memcmp(name + n - s, suffix, s) == 0;
}

// The rule-language parser over one open input.
// An arity clash ends the run at once, as where the atom was read: nothing more is read or
// written.
void parseRuleLanguage(FILE *input) {
    parseFile(input);
    if (arityClashRecorded()) exit(1);
}

// One input file: the parser is chosen by the suffix of its name (case-sensitive; names shorter
// than the suffix go to the rule-language parser).
void readInputFile(const char *name) {
    currentFileName = name;
    currentLine = 0;
    FILE *file = fopen(name, "r");
    if (file == nullptr) {
        // Reported with line 0; the other inputs are still read.
        reportUnreadableInput(errno);
        return;
    }
    if (isDirectory(file)) {
        fclose(file);
        reportUnreadableInput(EISDIR);
        return;
    }
    if (optVerbose) printf("Reading \"%s\"\n", name);
    currentLine = 1;
    if (endsWith(name, ".hyp") || endsWith(name, ".obs")) {
        readingObservations = endsWith(name, ".obs");
        diagyyin = file;
        diagyyparse();
    } else if (endsWith(name, ".sql")) {
        if (frontEndMode != FRONTEND_SQL) {
            fputs("SQL frontend not selected.\n", errorOutput());
            exit(1);
        }
        sqlyyin = file;
        sqlyyparse();
    } else if (endsWith(name, ".plan")) {
        if (frontEndMode != FRONTEND_PLANNING_C && frontEndMode != FRONTEND_PLANNING_K) {
            fputs("No planning frontend selected.\n", errorOutput());
            exit(1);
        }
        planyyin = file;
        planyyparse();
    } else {
        parseRuleLanguage(file);
    }
    fclose(file);
    if (optVerbose) putchar('\n');
}

}  // namespace

void startTimers() {
    timers[TIMER_TOTAL].start();
    timers[TIMER_PARSING].start();
}

void appendDefaultObject() { objects.emplace_back(makeConstantTerm("#defaultobject"), &EDB, &IDB); }

void readInput(const RUN &run, int argc, char **argv) {
    // User input may not use the "$" names that the system's own translations use.
    internalParserInvocation = false;
    unreadableInputs = 0;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-') readInputFile(argv[i]);
    if (run.options.optReadStdin) {
        currentFileName.clear();
        if (isDirectory(stdin)) {
            currentLine = 0;
            reportUnreadableInput(EISDIR);
        } else {
            currentLine = 1;
            parseRuleLanguage(stdin);
        }
    }
    internalParserInvocation = true;
}

void abortOnParserErrors() {
    if (parserErrors != 0) {
        fputs("Aborting due to parser errors.\n", errorOutput());
        finish(1);
    }
    if (unreadableInputs != 0) {
        fputs("Aborting due to unreadable input.\n", errorOutput());
        finish(1);
    }
}
