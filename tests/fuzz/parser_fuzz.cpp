// libFuzzer target for the rule-language parser: each input is read as a user's rule file, from
// the global state the process starts with, and must end with the parser's result or with one of
// the run's defined ends (a scanner error, an arity clash). A sanitizer report, a crash, a hang
// or an internal error is a finding.
//
// Integers are bounded as by -N=10000 (a "#maxint" of the input cannot raise it): a fact with a
// range such as p(1..9999999). is read as that many facts, which is the parser's defined work but
// would make a few bytes of input take seconds under the sanitizers and read as a hang.
//
// The parser returns from every input it can read, an arity clash included (it stops at the
// atom and releases its values), so the target runs with leak detection on (./test.sh): a value
// the parser makes and does not release is a finding. Only a fatal scanner error (no memory left
// for a token, or input that cannot be read) still ends the run through exit(). Neither can
// happen to an input of a few kilobytes in a file, so the target is linked with -Wl,--wrap=exit
// and any exit while an input is read aborts as a finding: a harness whose input the scanner
// cannot read fails at once instead of fuzzing nothing.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "driver/run.h"
#include "input/parser.h"
#include "support/diagnostics.h"
#include "support/option_values.h"

namespace {

bool readingInput = false;

}  // namespace

extern "C" [[noreturn]] void __real_exit(int status);

extern "C" [[noreturn]] void __wrap_exit(int status) {
    if (!readingInput) __real_exit(status);
    abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    // Each input starts from the state a process starts with.
    resetGlobalState();
    maxInt = 10000;
    // A file with a descriptor of its own: the rule-language scanner reads its input with read()
    // on the descriptor, which a memory stream (fmemopen) does not have.
    FILE *input = tmpfile();
    if (input == nullptr) return 0;
    if (size != 0 && fwrite(data, 1, size, input) != size) {
        fclose(input);
        return 0;
    }
    rewind(input);
    readingInput = true;
    appendDefaultObject();
    currentFileName = "fuzz.dl";
    currentLine = 1;
    parseFile(input);
    readingInput = false;
    fclose(input);
    return 0;
}
