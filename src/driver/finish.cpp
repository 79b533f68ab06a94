#include "driver/finish.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "core/printer.h"
#include "core/program.h"
#include "driver/model_output.h"
#include "driver/options.h"

namespace {

// The verdict that no answer set gave during the search: a brave query that nothing satisfied,
// a cautious query that nothing violated, or the answers of a non-ground query.
void printFinalVerdict() {
    if (frontEndMode != FRONTEND_BRAVE && frontEndMode != FRONTEND_CAUTIOUS) return;
    if (queryAnswered) return;
    if (queryIsGround) {
        if (query) printConjunction(stdout, *query);
        fputs(frontEndMode == FRONTEND_BRAVE ? " is bravely false.\n" : " is cautiously true.\n", stdout);
    } else if (queryConsequences) {
        printQueryAnswers(stdout, queryConsequences.get());
    } else {
        fputs("No stable model found.\n", stdout);
    }
}

}  // namespace

void finish(int status) {
    if (status == 0) printFinalVerdict();
    if (optWait) {
        putchar('\n');
        fflush(stdout);
        char line[1024];
        // One line is read (at most 1023 characters); end of input or a read error ends the wait.
        if (fgets(line, sizeof line, stdin) == nullptr) clearerr(stdin);
    }
    query.reset();
    // The program store, the interpretations and the ground program are not taken apart one
    // node at a time: the process ends, and its memory goes with it.
    fflush(nullptr);
    _exit(status);
}
