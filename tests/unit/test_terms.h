// Test helper: terms and atoms built by hand, as the parser would build them, for the unit tests
// that take programs apart without parsing text. Names of constants, functors and predicates
// enter the process-wide tables on first use.
#pragma once

#include <vector>

#include "core/program.h"

inline TERM var(uint32_t n) { return makeVariableTerm(n); }
inline TERM con(const char *name) { return makeConstantTerm(name); }
inline TERM num(int32_t v) { return makeIntegerTerm(v); }
inline TERM fun(const char *functor, std::vector<TERM> args) {
    return makeComplexTerm(
        COMPLEX_TERM::function(functionSymbolTable.add(functor).first, args, termsAreGround(args)));
}
inline TERM list(std::vector<TERM> elements) {
    return makeComplexTerm(COMPLEX_TERM::list(elements, false, termsAreGround(elements)));
}
inline TERM listWithTail(TERM head, TERM tail) {
    std::vector<TERM> args{head, tail};
    return makeComplexTerm(COMPLEX_TERM::list(args, true, false));
}
// An atom of an ordinary predicate; without arguments, a propositional one.
inline ATOM atom(const char *name, std::vector<TERM> args = {}) {
    TERMS terms(args.begin(), args.end());
    return ATOM(name, args.empty() ? nullptr : &terms, PREDICATE_UNDEFINED);
}
