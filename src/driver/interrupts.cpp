#include "driver/interrupts.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>

volatile sig_atomic_t interruptSignal = 0;

namespace {

// What the run does with standard output, as the handler sees it: between pieces nothing writes
// there, so the handler may flush it.
enum : int { OUTPUT_BETWEEN, OUTPUT_WRITING, OUTPUT_ENDING };
volatile sig_atomic_t outputState = OUTPUT_BETWEEN;
volatile sig_atomic_t stopsSearch = 0;

constexpr int INTERRUPTS[] = {SIGINT, SIGTERM};
struct sigaction previousActions[2];
bool handlerInstalled[2] = {false, false};

// The default action of the signal: the process ends as it would have without the handler.
[[noreturn]] void endBySignal(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void onInterrupt(int signal) {
    if (interruptSignal == 0) {
        interruptSignal = signal;
        if (stopsSearch || outputState == OUTPUT_WRITING) return;
    }
    // A first signal between pieces, or a second signal. When it arrives while the flush below
    // blocks (a pipe nobody reads), it finds OUTPUT_ENDING and ends the run at once.
    if (outputState == OUTPUT_BETWEEN) {
        outputState = OUTPUT_ENDING;
        fflush(stdout);
    }
    endBySignal(signal);
}

}  // namespace

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Writes interrupted by a deferred signal go on; a second signal reaches the handler even
    // while it runs.
    action.sa_flags = SA_RESTART | SA_NODEFER;
    for (int i = 0; i < 2; ++i) {
        if (handlerInstalled[i]) continue;
        struct sigaction current {};
        sigaction(INTERRUPTS[i], nullptr, &current);
        if (current.sa_handler == SIG_IGN) continue;
        handlerInstalled[i] = sigaction(INTERRUPTS[i], &action, &previousActions[i]) == 0;
    }
}

void releaseInterrupts() {
    for (int i = 0; i < 2; ++i)
        if (handlerInstalled[i]) {
            sigaction(INTERRUPTS[i], &previousActions[i], nullptr);
            handlerInstalled[i] = false;
        }
    outputState = OUTPUT_BETWEEN;
    stopsSearch = 0;
}

void setInterruptStopsSearch(bool stops) { stopsSearch = stops ? 1 : 0; }

void beginOutputPiece() { outputState = OUTPUT_WRITING; }

void endOutputPiece() {
    if (outputState != OUTPUT_WRITING) return;
    outputState = OUTPUT_BETWEEN;
    if (interruptSignal != 0 && !stopsSearch) endByInterrupt();
}

void endByInterrupt() {
    outputState = OUTPUT_ENDING;
    fflush(stdout);
    endBySignal(interruptSignal != 0 ? interruptSignal : SIGINT);
}

void resetInterrupts() {
    releaseInterrupts();
    interruptSignal = 0;
}
