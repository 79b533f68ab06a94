#include "core/diagnostics.h"

#include <unistd.h>

#include "core/option_values.h"

std::string currentFileName;
uint32_t currentLine = 0;
uint32_t parserErrors = 0;
bool internalParserInvocation = false;

void resetDiagnostics() {
    currentFileName.clear();
    currentLine = 0;
    parserErrors = 0;
    internalParserInvocation = false;
}

FILE *errorOutput() {
    fflush(stdout);
    return stderr;
}

void parseError(const char *message) {
    FILE *err = errorOutput();
    if (internalParserInvocation) {
        fprintf(err, "Internal parser invocation: %s.\n", message);
    } else if (!optVerbose) {
        if (!currentFileName.empty()) fprintf(err, "%s: ", currentFileName.c_str());
        fprintf(err, "line %u: %s.\n", currentLine, message);
    } else {
        fprintf(err, "%s (", programName.c_str());
        if (!currentFileName.empty()) fprintf(err, "%s: ", currentFileName.c_str());
        fprintf(err, "line %u): %s.\n", currentLine, message);
    }
}

void parseNote(const std::string &text) { fprintf(errorOutput(), "  %s\n", text.c_str()); }

void internalError(const char *tag) {
    FILE *err = errorOutput();
    fprintf(err, "\nAn internal error occurred (%s).\n", tag);
    fputs("Please report this problem, with the program and the command line that caused it, "
          "to the Quarn maintainers at quarn-bugs@quarn.invalid.\n",
          err);
    fflush(err);
    // At once, past the exit-time check of the output streams: a failed write must not hide the
    // status of an internal error.
    _exit(99);
}
