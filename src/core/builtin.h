// Built-in predicates: comparisons, integer arithmetic, integer enumeration, random numbers and
// list operations. Each built-in predicate the input uses has one stateless object of a class of
// the BUILTIN_TYPE family, registered in `builtinTable` under the predicate's index. The parser
// makes the objects (`BUILTIN_TYPE::makeAtom`); safety, body ordering, the finite-domain check and
// the matcher ask them about argument structure; the matcher calls `evaluate` once the input
// arguments are bound. The table owns the objects; the grounder deletes them all at its end
// (`deleteBuiltins`), and what a run that ends early leaves is freed with the table at exit.
//
// `evaluate` never reports anything: a wrong kind of argument, a limit or an empty range is the
// answer 0. It binds the output variable only when it answers 1 and never unbinds.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "core/atom.h"
#include "core/substitution.h"
#include "core/term.h"

// Kind ids; other components test some of them by number (0 equality, 6 #int, 11 #rand).
enum BUILTIN_KIND : int32_t {
    BUILTIN_EQUALITY = 0,
    BUILTIN_INEQUALITY = 1,
    BUILTIN_LESS = 2,
    BUILTIN_GREATER = 3,
    BUILTIN_LESS_OR_EQ = 4,
    BUILTIN_GREATER_OR_EQ = 5,
    BUILTIN_INT = 6,
    BUILTIN_PREC = 7,
    BUILTIN_SUCC = 8,
    BUILTIN_MOD = 9,
    BUILTIN_ABSDIFF = 10,
    BUILTIN_RAND = 11,
    BUILTIN_ADD = 12,
    BUILTIN_MULT = 13,
    BUILTIN_SUBT = 14,
    BUILTIN_DIV = 15,
    BUILTIN_LAST = 16,
    BUILTIN_MEMBER = 17,
    BUILTIN_LENGTH = 18,
    BUILTIN_APPEND = 19,
    BUILTIN_INSNTH = 20,
    BUILTIN_GETNTH = 21,
    BUILTIN_DELNTH = 22,
    BUILTIN_INSLAST = 23,
    BUILTIN_REVERSE = 24,
    BUILTIN_SUBLIST = 25,
    BUILTIN_HEAD = 26,
    BUILTIN_TAIL = 27,
    BUILTIN_FLATTEN = 28,
};

class BUILTIN_TYPE {
public:
    virtual int32_t getKind() const = 0;
    virtual const char *getName() const = 0;
    // Leading arguments that must be bound before evaluation; 0 means none, a value below 0
    // counts back from the literal's arity.
    virtual int32_t getInputCount() const = 0;
    virtual bool isArithmetic() const { return false; }
    // The last argument is an output: assigned when unbound, compared when bound.
    virtual bool hasOutput() const { return false; }
    // The output can be larger than every input (read by the finite-domain check).
    virtual bool canGrow() const { return false; }
    virtual bool isFunctional() const = 0;
    virtual ~BUILTIN_TYPE() = default;

    // Builds the atom of a built-in literal over the arguments and registers the object for its
    // predicate: the table takes it over, or drops it when the predicate already has an object.
    static ATOM makeAtom(std::unique_ptr<BUILTIN_TYPE> object, const TERMS &arguments);
};

class FUNCTIONAL_BUILTIN : public BUILTIN_TYPE {
public:
    bool isFunctional() const override { return true; }
    virtual int evaluate(const ATOM &literal, SUBSTITUTION &substitution) const = 0;
};

// A non-functional built-in may yield several values for one binding of its inputs. `state`
// belongs to the caller, which sets it to 0 for a new binding of the inputs and keeps it between
// the calls that ask for further values.
class NON_FUNCTIONAL_BUILTIN : public BUILTIN_TYPE {
public:
    bool isFunctional() const override { return false; }
    int32_t getInputCount() const override { return 0; }
    virtual int evaluate(const ATOM &literal, SUBSTITUTION &substitution, int32_t &state) const = 0;
};

class ARITHMETIC_BUILTIN : public FUNCTIONAL_BUILTIN {
public:
    bool isArithmetic() const override { return true; }
    bool hasOutput() const override { return true; }
};

class LIST_TERM_BUILTIN : public FUNCTIONAL_BUILTIN {
public:
    bool hasOutput() const override { return true; }

protected:
    // The elements of a list being computed, reused from evaluation to evaluation, so that an
    // evaluation allocates only when it builds a list longer than any before it.
    mutable TERMS scratch;
};

#define QUARN_BUILTIN_IDENTITY(KIND, NAME, INPUTS)                   \
    int32_t getKind() const override { return KIND; }                \
    const char *getName() const override { return NAME; }            \
    int32_t getInputCount() const override { return INPUTS; }

#define QUARN_COMPARISON(CLASS, KIND, NAME)                                        \
    class CLASS : public FUNCTIONAL_BUILTIN {                                      \
    public:                                                                        \
        QUARN_BUILTIN_IDENTITY(KIND, NAME, 2)                                      \
        int evaluate(const ATOM &literal, SUBSTITUTION &substitution) const override; \
    };
QUARN_COMPARISON(EQUALITY_BUILTIN, BUILTIN_EQUALITY, "==")
QUARN_COMPARISON(INEQUALITY_BUILTIN, BUILTIN_INEQUALITY, "!=")
QUARN_COMPARISON(LESS_BUILTIN, BUILTIN_LESS, "<")
QUARN_COMPARISON(GREATER_BUILTIN, BUILTIN_GREATER, ">")
QUARN_COMPARISON(LESS_OR_EQ_BUILTIN, BUILTIN_LESS_OR_EQ, "<=")
QUARN_COMPARISON(GREATER_OR_EQ_BUILTIN, BUILTIN_GREATER_OR_EQ, ">=")
#undef QUARN_COMPARISON

#define QUARN_ARITHMETIC(CLASS, KIND, NAME, INPUTS, GROWS)                         \
    class CLASS : public ARITHMETIC_BUILTIN {                                      \
    public:                                                                        \
        QUARN_BUILTIN_IDENTITY(KIND, NAME, INPUTS)                                 \
        bool canGrow() const override { return GROWS; }                            \
        int evaluate(const ATOM &literal, SUBSTITUTION &substitution) const override; \
    };
QUARN_ARITHMETIC(PREC_BUILTIN, BUILTIN_PREC, "#prec", 1, false)
QUARN_ARITHMETIC(SUCC_BUILTIN, BUILTIN_SUCC, "#succ", 1, true)
QUARN_ARITHMETIC(MOD_BUILTIN, BUILTIN_MOD, "#mod", 2, false)
QUARN_ARITHMETIC(ABSDIFF_BUILTIN, BUILTIN_ABSDIFF, "#absdiff", 2, false)
QUARN_ARITHMETIC(ADD_BUILTIN, BUILTIN_ADD, "+", 2, true)
QUARN_ARITHMETIC(MULT_BUILTIN, BUILTIN_MULT, "*", 2, true)
QUARN_ARITHMETIC(SUBT_BUILTIN, BUILTIN_SUBT, "-", 2, false)
QUARN_ARITHMETIC(DIV_BUILTIN, BUILTIN_DIV, "/", 2, false)
#undef QUARN_ARITHMETIC

// #int and #rand take two leading inputs although NON_FUNCTIONAL_BUILTIN itself answers 0.
#define QUARN_ENUMERATION(CLASS, KIND, NAME)                                       \
    class CLASS : public NON_FUNCTIONAL_BUILTIN {                                  \
    public:                                                                        \
        QUARN_BUILTIN_IDENTITY(KIND, NAME, 2)                                      \
        bool hasOutput() const override { return true; }                           \
        int evaluate(const ATOM &literal, SUBSTITUTION &substitution,               \
                     int32_t &state) const override;                               \
    };
QUARN_ENUMERATION(INT_BUILTIN, BUILTIN_INT, "#int")
QUARN_ENUMERATION(RAND_BUILTIN, BUILTIN_RAND, "#rand")
#undef QUARN_ENUMERATION

#define QUARN_LIST(CLASS, KIND, NAME, INPUTS, OUTPUT, GROWS)                       \
    class CLASS : public LIST_TERM_BUILTIN {                                       \
    public:                                                                        \
        QUARN_BUILTIN_IDENTITY(KIND, NAME, INPUTS)                                 \
        bool hasOutput() const override { return OUTPUT; }                         \
        bool canGrow() const override { return GROWS; }                            \
        int evaluate(const ATOM &literal, SUBSTITUTION &substitution) const override; \
    };
QUARN_LIST(LAST_BUILTIN, BUILTIN_LAST, "#last", 1, true, false)
QUARN_LIST(MEMBER_BUILTIN, BUILTIN_MEMBER, "#member", 2, false, false)
QUARN_LIST(LENGTH_BUILTIN, BUILTIN_LENGTH, "#length", 1, true, false)
QUARN_LIST(APPEND_BUILTIN, BUILTIN_APPEND, "#append", 2, true, true)
QUARN_LIST(INSNTH_BUILTIN, BUILTIN_INSNTH, "#insnth", 3, true, true)
QUARN_LIST(GETNTH_BUILTIN, BUILTIN_GETNTH, "#getnth", 2, true, false)
QUARN_LIST(DELNTH_BUILTIN, BUILTIN_DELNTH, "#delnth", 2, true, false)
QUARN_LIST(INSLAST_BUILTIN, BUILTIN_INSLAST, "#insLast", 2, true, true)
QUARN_LIST(REVERSE_BUILTIN, BUILTIN_REVERSE, "#reverse", 1, true, false)
QUARN_LIST(SUBLIST_BUILTIN, BUILTIN_SUBLIST, "#subList", 2, false, false)
QUARN_LIST(HEAD_BUILTIN, BUILTIN_HEAD, "#head", 1, true, false)
QUARN_LIST(TAIL_BUILTIN, BUILTIN_TAIL, "#tail", 1, true, false)
QUARN_LIST(FLATTEN_BUILTIN, BUILTIN_FLATTEN, "#flatten", 1, true, false)
#undef QUARN_LIST
#undef QUARN_BUILTIN_IDENTITY

// Predicate index -> the object of that built-in predicate, owned by the table.
extern std::unordered_map<uint32_t, std::unique_ptr<BUILTIN_TYPE>> builtinTable;

// The object of the predicate, null when it has none (the predicate then gets an empty slot).
BUILTIN_TYPE *lookupBuiltin(uint32_t predicate);
// Deletes every object and empties the table (the grounder's clean-up).
void deleteBuiltins();
// A new object of the class whose keyword is `name` ("==", "#succ", "#insLast", ...), or null
// for a name that is no built-in keyword.
std::unique_ptr<BUILTIN_TYPE> newBuiltin(const char *name);

// The literal's arguments under the substitution: a variable becomes its entry (the null term
// when unbound), a compound term its instance, anything else itself. Answers 0, leaving
// `result` partly filled, when a list tail is bound to something that is not a list: such an
// argument denotes no term at all.
int instantiateArguments(const ATOM &literal, TERM *result, SUBSTITUTION &substitution);
// One argument as above; answers 0 when it has no instance.
int instantiateArgument(TERM argument, TERM &result, SUBSTITUTION &substitution);
// Instantiates one argument as above into `result`; answers 1 when the result is a list.
int instantiateListArgument(TERM argument, TERM &result, SUBSTITUTION &substitution);
// Appends the elements of the list, with every nested list replaced by its own flattened
// elements at any depth, to `result`.
void flattenList(std::span<const TERM> elements, TERMS &result);
