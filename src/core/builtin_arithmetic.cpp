// Integer arithmetic, "#int" and "#rand". Integers of the language lie in 0..2147483647; every
// result is computed in 64-bit arithmetic and tested against the limits before it becomes an
// integer term, so no operation overflows.
#include <cstdlib>

#include "core/builtin.h"
#include "core/program.h"
#include "support/option_values.h"

namespace {

// Arguments of an arithmetic built-in, "#int" or "#rand", read without instantiating compound
// terms. `outputFree` says that the last argument is a variable without a value.
struct INTEGER_ARGUMENTS {
    int64_t value[3];
    bool outputFree;
    uint32_t outputVariable;
};

// Reads the n arguments; false when one is neither an integer nor (for the output) free.
bool readIntegers(const ATOM &literal, SUBSTITUTION &substitution, size_t n, INTEGER_ARGUMENTS &a) {
    std::span<const TERM> args = literal.args();
    if (args.size() != n) return false;
    a.outputFree = false;
    for (size_t i = 0; i < n; i++) {
        TERM t = args[i];
        if (t.kind == TERM_VARIABLE) {
            TERM bound = substitution[t.value];
            if (bound.kind == TERM_NULL) {
                // Inputs are bound before evaluation; a free input has no value to work with.
                if (i + 1 != n) return false;
                a.outputFree = true;
                a.outputVariable = t.value;
                continue;
            }
            t = bound;
        }
        if (t.kind != TERM_INTEGER) return false;
        a.value[i] = integerValue(t);
    }
    return true;
}

// Binds the free output to the result, or compares the bound output with it. `fits` is the
// verdict of the limits, which only a free output is subject to.
int deliver(INTEGER_ARGUMENTS &a, size_t outputIndex, int64_t result, bool fits,
            SUBSTITUTION &substitution) {
    if (!a.outputFree) return a.value[outputIndex] == result;
    if (!fits || result < INT32_MIN || result > INT32_MAX) return 0;
    substitution[a.outputVariable] = makeIntegerTerm(int32_t(result));
    return 1;
}

bool maxIntSet() { return maxInt != -1; }

} // namespace

int SUCC_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 2, a)) return 0;
    int64_t x = a.value[0];
    bool fits = !(maxIntSet() && x >= maxInt) && x < INT32_MAX;
    return deliver(a, 1, x + 1, fits, substitution);
}

int PREC_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 2, a)) return 0;
    int64_t x = a.value[0];
    return deliver(a, 1, x - 1, x > 0, substitution);
}

int ADD_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 3, a)) return 0;
    int64_t sum = a.value[0] + a.value[1];
    bool fits = sum <= INT32_MAX && !(maxIntSet() && sum > maxInt);
    return deliver(a, 2, sum, fits, substitution);
}

int SUBT_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 3, a)) return 0;
    int64_t difference = a.value[0] - a.value[1];
    return deliver(a, 2, difference, difference >= 0, substitution);
}

// The product is bounded by 999999999 (and `maxInt`), not by the 32-bit range.
int MULT_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 3, a)) return 0;
    int64_t product = a.value[0] * a.value[1];
    bool fits = product <= 999999999 && !(maxIntSet() && product > maxInt);
    return deliver(a, 2, product, fits, substitution);
}

int DIV_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 3, a) || a.value[1] == 0) return 0;
    return deliver(a, 2, a.value[0] / a.value[1], true, substitution);
}

int MOD_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 3, a) || a.value[1] == 0) return 0;
    return deliver(a, 2, a.value[0] % a.value[1], true, substitution);
}

int ABSDIFF_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 3, a)) return 0;
    int64_t difference = a.value[0] - a.value[1];
    return deliver(a, 2, difference < 0 ? -difference : difference, true, substitution);
}

// Yields low, low + 1, ..., high, one value per call. `state` is 0 before the first call; while
// enumerating it holds the next value. Once high has been yielded the state becomes
// ENUMERATION_DONE, which no counter reaches (values are never negative), so a high bound of
// 2147483647 ends the enumeration instead of overflowing the counter.
int INT_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution, int32_t &state) const {
    constexpr int32_t ENUMERATION_DONE = INT32_MIN;
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 3, a)) return 0;
    int64_t low = a.value[0], high = a.value[1];
    if (low > high) return 0;
    if (!a.outputFree) {
        if (state != 0) return 0;
        state = 1; // answered for this binding
        return low <= a.value[2] && a.value[2] <= high;
    }
    if (state == ENUMERATION_DONE) return 0;
    if (state == 0) state = int32_t(low);
    if (state > high) return 0;
    substitution[a.outputVariable] = makeIntegerTerm(state);
    state = state == high ? ENUMERATION_DONE : state + 1;
    return 1;
}

int RAND_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution, int32_t &) const {
    INTEGER_ARGUMENTS a;
    if (!readIntegers(literal, substitution, 3, a)) return 0;
    int64_t low = a.value[0], high = a.value[1];
    if (low > high) return 0;
    if (!a.outputFree) return low <= a.value[2] && a.value[2] <= high;
    int64_t width = high - low + 1;
    substitution[a.outputVariable] = makeIntegerTerm(int32_t(low + std::rand() % width));
    return 1;
}
