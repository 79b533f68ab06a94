// The end of a run: the step that `finish` (support/diagnostics.h) takes before the process ends,
// registered by `installRunEnds`, gives brave and cautious reasoning their final verdict and
// waits for a line under -wait.
//
// Standard output and standard error are the run's interface, so a write that failed on either
// (a full device, a closed pipe while SIGPIPE is ignored, a closed descriptor) never ends as
// success: the streams are checked after each answer set (`stopOnFailedOutput`), by `finish`,
// and, for the ends through `exit` or a return from `main`, by a check that `installRunEnds`
// registers. A failed write ends the run with one line on standard error and status 1. So does
// exhausted memory, wherever an allocation fails.
#pragma once

// Registers the end of a run with `finish`, the exit-time check of the two output streams and the
// end on exhausted memory; the first step of `main`.
void installRunEnds();

// Ends the run with status 1 when a write to standard output or standard error has failed.
void stopOnFailedOutput();
