// The end of a run. `finish` gives brave and cautious reasoning their final verdict, waits for a
// line under -wait and ends the process with the run's status. Every stage that ends the run
// after the option pass calls it (internal errors excepted: they exit at once).
//
// Exit statuses: 0 a normal end; 1 errors in options, input, translation or checks; 2 a fatal
// scanner error; 99 an internal error; 255 an unrecognised option or no input without -v.
#pragma once

[[noreturn]] void finish(int status);
