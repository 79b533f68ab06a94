#include "input/scanner_common.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/diagnostics.h"

void scannerFatalError(const char *message) {
    fflush(stdout);
    fprintf(stderr, "%s\n", message);
    exit(2);
}

char *tokenText(const char *text, const char *scanner) {
    char *copy = strdup(text);
    if (copy) return copy;
    // Nothing is allocated on the way out: memory has run out.
    fflush(stdout);
    fprintf(stderr, "out of dynamic memory in %s()\n", scanner);
    exit(2);
}

void reportLexicalError(const std::string &message) {
    parseError(message.c_str());
    parserErrors++;
}
