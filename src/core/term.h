// Terms: the arguments of every atom, guard, weight and level. A TERM is eight bytes {kind,
// value}; everything but a variable is interned (constants, integers, function symbols and
// compound terms each in their own table, see support/intern_table.h, complex_term_table.h and
// program.h), so two terms are equal exactly when both words are equal, and terms are copied,
// hashed and compared without touching strings or structure.
//
// Order of terms (it decides the order of printed facts): by kind (variables, constants,
// integers, the null term, compound terms), then variables by number, constants and compound
// terms by the order in which they were first interned (not by name or structure), integers by
// value.
#pragma once

#include <cstdint>
#include <set>
#include <span>
#include <vector>

enum TERM_KIND : int32_t {
    TERM_VARIABLE = 0, // value: the variable's number within its rule
    TERM_CONSTANT = 1, // value: index into constantTable
    TERM_INTEGER = 2,  // value: index into integerTable (not the integer itself)
    TERM_NULL = 3,     // value 0; also an unbound slot of a SUBSTITUTION
    TERM_COMPLEX = 4,  // value: index into complexTermTable
};

struct TERM {
    TERM_KIND kind = TERM_NULL;
    uint32_t value = 0;

    constexpr TERM() = default;
    constexpr TERM(TERM_KIND k, uint32_t v) : kind(k), value(v) {}

    bool isVariable() const { return kind == TERM_VARIABLE; }
    bool isConstant() const { return kind == TERM_CONSTANT; }
    bool isInteger() const { return kind == TERM_INTEGER; }
    bool isNull() const { return kind == TERM_NULL; }
    bool isComplex() const { return kind == TERM_COMPLEX; }
    // The two words as one, for hashing.
    uint64_t word() const { return (uint64_t(uint32_t(kind)) << 32) | value; }

    friend bool operator==(TERM a, TERM b) { return a.kind == b.kind && a.value == b.value; }
    friend bool operator!=(TERM a, TERM b) { return !(a == b); }
};
static_assert(sizeof(TERM) == 8);

inline TERM makeVariableTerm(uint32_t number) { return TERM(TERM_VARIABLE, number); }
// Interns the name in constantTable.
TERM makeConstantTerm(const char *name);
// Interns the value in integerTable.
TERM makeIntegerTerm(int32_t value);

// Read access: the name of a constant, the value of an integer term.
const char *constantName(TERM t);
int32_t integerValue(TERM t);

struct COMPLEX_TERM;
struct LITERAL;
class SUBSTITUTION;

// The total order on terms: negative, zero or positive as a orders before, equal to or after b.
int compareTerm(TERM a, TERM b);
// Argument lists: a shorter list first, then element by element. An absent list is empty.
int compareTerms(std::span<const TERM> a, std::span<const TERM> b);

struct TERM_LESS {
    bool operator()(TERM a, TERM b) const { return compareTerm(a, b) < 0; }
};
// An ordered set of terms (variables collected from a rule, bound variables).
using TERM_SET = std::set<TERM, TERM_LESS>;

// Whether no term is a variable and every compound term is marked ground.
bool termsAreGround(std::span<const TERM> terms);
// Whether t equals a term of the list or occurs inside a compound term of it, at any depth.
bool termsContain(std::span<const TERM> terms, TERM t);

// An owned, growable argument list.
struct TERMS : std::vector<TERM> {
    using std::vector<TERM>::vector;
    TERMS() = default;
    explicit TERMS(std::span<const TERM> s) : std::vector<TERM>(s.begin(), s.end()) {}

    bool isGround() const { return termsAreGround(*this); }
    bool contains(TERM t) const { return termsContain(*this, t); }
    // Every term is a variable and each occurs in the arguments (top level or inside a compound
    // argument) of some of the given literals.
    bool allVariablesOccurIn(std::span<const LITERAL> literals) const;
};

enum COMPLEX_KIND : int32_t {
    COMPLEX_FUNCTION = 0,
    COMPLEX_LIST = 1,
};

// A function term f(t1,...,tn) or a list term, the key and entry of complexTermTable. A
// COMPLEX_TERM is a view: as a key offered for interning its arguments point into the caller's
// buffer (a lookup that finds the term copies nothing); as a stored entry they point into the
// table's own storage, which never moves. A list with a tail has exactly two arguments, the head
// and the tail, and is never ground; a ground list written with a list as its tail is stored
// flattened, so [a|[b,c]] and [a,b,c] are one term. `ground` takes no part in equality: a key
// that differs from a stored one only there finds the stored entry.
struct COMPLEX_TERM {
    COMPLEX_KIND kind = COMPLEX_FUNCTION;
    uint32_t functor = 0;          // function terms: functionSymbolTable index; lists: hasTail
    const TERM *argData = nullptr; // argCount arguments
    uint32_t argCount = 0;
    bool ground = false;

    static COMPLEX_TERM function(uint32_t functor, std::span<const TERM> args, bool ground) {
        return COMPLEX_TERM{COMPLEX_FUNCTION, functor, args.data(), uint32_t(args.size()), ground};
    }
    static COMPLEX_TERM list(std::span<const TERM> elements, bool hasTail, bool ground) {
        return COMPLEX_TERM{COMPLEX_LIST, hasTail ? 1u : 0u, elements.data(),
                            uint32_t(elements.size()), ground};
    }

    std::span<const TERM> args() const { return {argData, argCount}; }
    bool isFunction() const { return kind == COMPLEX_FUNCTION; }
    bool isList() const { return kind == COMPLEX_LIST; }
    bool hasTail() const { return kind == COMPLEX_LIST && functor != 0; }

    // Whether t equals an argument or occurs, at any depth, inside a compound argument.
    bool contains(TERM t) const;
    // Inserts every variable of the term, at any depth, into the set.
    void collectVariables(TERM_SET &variables) const;
    // Adds 1 to the counter of a variable for each of its occurrences, at any depth.
    void countVariableOccurrences(std::span<uint32_t> counters) const;
    // 1 plus the largest nesting depth of its compound arguments: f(a) 1, f(g(a)) 2.
    uint32_t nestingDepth() const;
    // False when marked ground; else whether some variable (ground parts skipped) is unbound.
    bool hasUnboundVariable(const SUBSTITUTION &substitution) const;
    // False when marked ground; else whether some variable has a position of at least n.
    bool hasVariableBoundAtOrAfter(std::span<const int32_t> positions, int32_t n) const;
    // False when the term or a nested one is a list whose tail is a variable not bound to a list.
    bool listTailsBoundToLists(const SUBSTITUTION &substitution) const;
};

// The order of keys in complexTermTable: kind, functor (or hasTail), then the arguments by
// compareTerms; `ground` takes no part. It decides only whether a key is new.
int compareComplexKeys(const COMPLEX_TERM &a, const COMPLEX_TERM &b);

// Interns a compound term by a copy of its key; returns (index, inserted). A ground list with a
// tail that is a proper list is flattened first. Callers make {TERM_COMPLEX, index}.
std::pair<uint32_t, bool> internComplexTerm(const COMPLEX_TERM &key);
// The same, returning the TERM.
TERM makeComplexTerm(const COMPLEX_TERM &key);
// Read access: the stored entry of a compound term; the reference stays valid for the run.
const COMPLEX_TERM &complexTerm(TERM t);

// Raises the running maximum to the highest variable number in the compound term, at any
// depth; returns whether a variable occurs at all.
bool complexTermMaxVariable(TERM t, uint32_t &maximum);
