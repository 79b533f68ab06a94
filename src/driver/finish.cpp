#include "driver/finish.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <stdexcept>
#include <unistd.h>

#include "core/printer.h"
#include "core/program.h"
#include "driver/model_output.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

// The verdict that no answer set gave during the search: a brave query that nothing satisfied,
// a cautious query that nothing violated, or the answers of a non-ground query.
void printFinalVerdict() {
    if (frontEndMode != FRONTEND_BRAVE && frontEndMode != FRONTEND_CAUTIOUS) return;
    const MODEL_OUTPUT *output = modelOutputInUse();
    if (output && output->queryAnswered) return;
    if (queryIsGround) {
        if (query) printConjunction(stdout, *query);
        fputs(frontEndMode == FRONTEND_BRAVE ? " is bravely false.\n" : " is cautiously true.\n", stdout);
    } else if (output && output->queryConsequences) {
        printQueryAnswers(stdout, output->queryConsequences.get());
    } else {
        fputs("No stable model found.\n", stdout);
    }
}

bool outputFailed() { return ferror(stdout) || ferror(stderr); }

// The cause is not named: a stream keeps its error flag but not the cause, which is gone once
// the failed buffer is dropped. The message is lost itself when standard error is the stream
// that failed; the status still tells.
[[noreturn]] void endOnFailedOutput() {
    fputs(ferror(stdout) ? "Write error on standard output.\n" : "Write error on standard error.\n", stderr);
    _exit(1);
}

void checkOutputAtExit() {
    stopAnswerOutput();
    fflush(stdout);
    if (outputFailed()) endOnFailedOutput();
}

// Nothing is allocated on the way out: the message goes to the unbuffered standard error, and
// what standard output holds is written first, so the answer sets found so far are kept.
[[noreturn]] void endOnExhaustedMemory() {
    fflush(stdout);
    fputs("memory exhausted\n", stderr);
    _exit(1);
}

// An allocation that fails without asking the new-handler (a size beyond what a container or an
// array can hold) ends the same way; anything else keeps the default end.
std::terminate_handler defaultTerminate = nullptr;
[[noreturn]] void onTerminate() {
    if (std::exception_ptr e = std::current_exception()) {
        try {
            std::rethrow_exception(e);
        } catch (const std::bad_alloc &) {
            endOnExhaustedMemory();
        } catch (const std::length_error &) {
            endOnExhaustedMemory();
        } catch (...) {
        }
    }
    if (defaultTerminate) defaultTerminate();
    abort();
}

// What the run prints as it ends, the step that `finish` takes before the process ends with the
// status.
void endRun(int status) {
    // A run can end here from within the search (a front-end that gives up): what follows is no
    // answer set.
    stopAnswerOutput();
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
    checkOutputAtExit();
}

}  // namespace

void installRunEnds() {
    setRunEnd(endRun);
    atexit(checkOutputAtExit);
    std::set_new_handler(endOnExhaustedMemory);
    defaultTerminate = std::set_terminate(onTerminate);
}

void stopOnFailedOutput() {
    if (outputFailed()) endOnFailedOutput();
}
