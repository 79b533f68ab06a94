// What SIGINT and SIGTERM do to a run: they end it without tearing its output. From grounding on
// the run keeps one handler for both. Output is written in pieces (an answer set with its cost
// line, a plan, a ground rule, a fact): a signal that arrives between pieces writes out what
// standard output holds and ends the process by the signal, as it would have ended without the
// handler; one that arrives while a piece is written takes effect once the piece is whole. A
// second signal ends the process at once.
//
// A search that holds more than it has written (the best model of an optimisation not proved
// yet, the statistics) is stopped instead of ended: the first signal is kept in
// `interruptSignal`, which the model generator reads at each choice, and the driver reports what
// the search holds before it ends the run by the signal (`endByInterrupt`).
#pragma once

#include <csignal>

// The first SIGINT or SIGTERM received since the handler was installed, or 0.
extern volatile sig_atomic_t interruptSignal;

// Installs the handler of both signals; a signal that the caller ignores (a background job) stays
// ignored.
void catchInterrupts();
// Gives both signals back the handling they had before `catchInterrupts`.
void releaseInterrupts();
// While set, a first signal stops the search instead of ending the run.
void setInterruptStopsSearch(bool stops);
// Bracket one piece of standard output. The end of a piece ends the run when a signal arrived
// while it was written (unless the signal only stops the search).
void beginOutputPiece();
void endOutputPiece();
// Writes out what standard output holds and ends the process by the signal received.
[[noreturn]] void endByInterrupt();
// The handler released, no signal kept: as the process starts.
void resetInterrupts();
