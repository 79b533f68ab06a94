// libFuzzer target for the rule-language parser: each input is read as a user's rule file, from
// the global state the process starts with, and must end with the parser's result or with one of
// the run's defined ends (a scanner error, an arity clash). A sanitizer report, a crash, a hang
// or an internal error is a finding.
//
// Integers are bounded as by -N=10000 (a "#maxint" of the input cannot raise it): a fact with a
// range such as p(1..9999999). is read as that many facts, which is the parser's defined work but
// would make a few bytes of input take seconds under the sanitizers and read as a hang.
//
// The parser ends the run through exit() in a few places. The target is linked with
// -Wl,--wrap=exit, so that those calls come here instead: during an input they return to the
// start of the input, except for status 99, the internal error, which aborts as a finding. What
// the parser held on its stack then stays behind, as it would at the end of a run, so the fuzzer
// runs without leak detection (./test.sh).
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "driver/run.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

std::jmp_buf inputStart;
bool readingInput = false;

}  // namespace

extern "C" [[noreturn]] void __real_exit(int status);

extern "C" [[noreturn]] void __wrap_exit(int status) {
    if (!readingInput) __real_exit(status);
    if (status == 99) abort();
    std::longjmp(inputStart, 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // What an input that ended early left behind goes with the reset.
    resetGlobalState();
    maxInt = 10000;
    FILE *input = fmemopen(const_cast<uint8_t *>(data), size, "r");
    if (input == nullptr) return 0;
    if (setjmp(inputStart) == 0) {
        readingInput = true;
        appendDefaultObject();
        currentFileName = "fuzz.dl";
        currentLine = 1;
        parseFile(input);
    }
    readingInput = false;
    fclose(input);
    return 0;
}
