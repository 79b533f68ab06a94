#include "support/diagnostics.h"

#include <unistd.h>

#include <vector>

#include "support/option_values.h"

std::string currentFileName;
uint32_t currentLine = 0;
uint32_t parserErrors = 0;
bool internalParserInvocation = false;

namespace {
// The names of the inputs that positions point into; entry 0 stands for none.
std::vector<std::string> sourceFileNames(1);
}  // namespace

SOURCE_POSITION currentSourcePosition() {
    if (internalParserInvocation) return SOURCE_POSITION();
    if (sourceFileNames.back() != currentFileName || sourceFileNames.size() == 1)
        sourceFileNames.push_back(currentFileName);
    return SOURCE_POSITION{uint32_t(sourceFileNames.size() - 1), currentLine};
}

const std::string &sourceFileName(uint32_t file) {
    return sourceFileNames[file < sourceFileNames.size() ? file : 0];
}

std::string sourceNote(const SOURCE_POSITION &position) {
    if (!position.known()) return std::string();
    const std::string &name = sourceFileName(position.file);
    return "  from " + (name.empty() ? std::string() : name + ": ") + "line " + std::to_string(position.line) + "\n";
}

void printSourceNote(FILE *out, const SOURCE_POSITION &position) { fputs(sourceNote(position).c_str(), out); }

void resetDiagnostics() {
    sourceFileNames.assign(1, std::string());
    currentFileName.clear();
    currentLine = 0;
    parserErrors = 0;
    internalParserInvocation = false;
}

namespace {

void (*runEnd)(int status) = nullptr;

}  // namespace

void setRunEnd(void (*end)(int status)) { runEnd = end; }

void finish(int status) {
    if (runEnd) runEnd(status);
    fflush(stdout);
    _exit(status);
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
