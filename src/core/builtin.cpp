// The built-in table, the making of built-in atoms, argument instantiation and the comparisons.
#include "core/builtin.h"

#include <cstring>

#include "core/program.h"

std::unordered_map<uint32_t, std::unique_ptr<BUILTIN_TYPE>> builtinTable;

ATOM BUILTIN_TYPE::makeAtom(std::unique_ptr<BUILTIN_TYPE> object, const TERMS &arguments) {
    ATOM atom(object->getName(), &arguments, PREDICATE_BUILTIN);
    std::unique_ptr<BUILTIN_TYPE> &slot = builtinTable[atom.predicate];
    if (slot == nullptr) slot = std::move(object);
    return atom;
}

BUILTIN_TYPE *lookupBuiltin(uint32_t predicate) { return builtinTable[predicate].get(); }

void deleteBuiltins() { builtinTable.clear(); }

// -1 once the grounder has deleted the objects: no kind id is -1.
int ATOM::builtinKind() const {
    const BUILTIN_TYPE *builtin = lookupBuiltin(predicate);
    return builtin ? builtin->getKind() : -1;
}

std::unique_ptr<BUILTIN_TYPE> newBuiltin(const char *name) {
    struct KEYWORD {
        const char *name;
        BUILTIN_TYPE *(*make)();
    };
    static const KEYWORD keywords[] = {
        {"==", []() -> BUILTIN_TYPE * { return new EQUALITY_BUILTIN; }},
        {"!=", []() -> BUILTIN_TYPE * { return new INEQUALITY_BUILTIN; }},
        {"<", []() -> BUILTIN_TYPE * { return new LESS_BUILTIN; }},
        {">", []() -> BUILTIN_TYPE * { return new GREATER_BUILTIN; }},
        {"<=", []() -> BUILTIN_TYPE * { return new LESS_OR_EQ_BUILTIN; }},
        {">=", []() -> BUILTIN_TYPE * { return new GREATER_OR_EQ_BUILTIN; }},
        {"#int", []() -> BUILTIN_TYPE * { return new INT_BUILTIN; }},
        {"#prec", []() -> BUILTIN_TYPE * { return new PREC_BUILTIN; }},
        {"#succ", []() -> BUILTIN_TYPE * { return new SUCC_BUILTIN; }},
        {"#mod", []() -> BUILTIN_TYPE * { return new MOD_BUILTIN; }},
        {"#absdiff", []() -> BUILTIN_TYPE * { return new ABSDIFF_BUILTIN; }},
        {"#rand", []() -> BUILTIN_TYPE * { return new RAND_BUILTIN; }},
        {"+", []() -> BUILTIN_TYPE * { return new ADD_BUILTIN; }},
        {"*", []() -> BUILTIN_TYPE * { return new MULT_BUILTIN; }},
        {"-", []() -> BUILTIN_TYPE * { return new SUBT_BUILTIN; }},
        {"/", []() -> BUILTIN_TYPE * { return new DIV_BUILTIN; }},
        {"#last", []() -> BUILTIN_TYPE * { return new LAST_BUILTIN; }},
        {"#member", []() -> BUILTIN_TYPE * { return new MEMBER_BUILTIN; }},
        {"#length", []() -> BUILTIN_TYPE * { return new LENGTH_BUILTIN; }},
        {"#append", []() -> BUILTIN_TYPE * { return new APPEND_BUILTIN; }},
        {"#insnth", []() -> BUILTIN_TYPE * { return new INSNTH_BUILTIN; }},
        {"#getnth", []() -> BUILTIN_TYPE * { return new GETNTH_BUILTIN; }},
        {"#delnth", []() -> BUILTIN_TYPE * { return new DELNTH_BUILTIN; }},
        {"#insLast", []() -> BUILTIN_TYPE * { return new INSLAST_BUILTIN; }},
        {"#reverse", []() -> BUILTIN_TYPE * { return new REVERSE_BUILTIN; }},
        {"#subList", []() -> BUILTIN_TYPE * { return new SUBLIST_BUILTIN; }},
        {"#head", []() -> BUILTIN_TYPE * { return new HEAD_BUILTIN; }},
        {"#tail", []() -> BUILTIN_TYPE * { return new TAIL_BUILTIN; }},
        {"#flatten", []() -> BUILTIN_TYPE * { return new FLATTEN_BUILTIN; }},
    };
    for (const KEYWORD &k : keywords)
        if (std::strcmp(k.name, name) == 0) return std::unique_ptr<BUILTIN_TYPE>(k.make());
    return nullptr;
}

// One argument under the substitution. A compound term whose list tail is bound to something
// other than a list has no instance: instantiating it would read the tail's table as a list.
int instantiateArgument(TERM argument, TERM &result, SUBSTITUTION &substitution) {
    switch (argument.kind) {
    case TERM_VARIABLE:
        result = substitution[argument.value];
        return 1;
    case TERM_COMPLEX:
        if (complexTerm(argument).ground) {
            result = argument;
            return 1;
        }
        if (!complexTerm(argument).listTailsBoundToLists(substitution)) return 0;
        result = instantiateTerm(argument, substitution);
        return 1;
    default:
        result = argument;
        return 1;
    }
}

int instantiateArguments(const ATOM &literal, TERM *result, SUBSTITUTION &substitution) {
    uint32_t i = 0;
    for (TERM argument : literal.args())
        if (!instantiateArgument(argument, result[i++], substitution)) return 0;
    return 1;
}

int instantiateListArgument(TERM argument, TERM &result, SUBSTITUTION &substitution) {
    if (!instantiateArgument(argument, result, substitution)) return 0;
    return result.kind == TERM_COMPLEX && complexTerm(result).isList();
}

// The order of "<", ">", "<=" and ">=": constants by their names' bytes, then kinds, then
// integers by value and compound terms by table index.
static int compareBuiltinTerms(TERM a, TERM b) {
    if (a.kind == TERM_CONSTANT && b.kind == TERM_CONSTANT)
        return std::strcmp(constantName(a), constantName(b));
    if (a.kind != b.kind) return a.kind < b.kind ? -1 : 1;
    if (a.kind == TERM_INTEGER) {
        int32_t x = integerValue(a), y = integerValue(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return a.value < b.value ? -1 : a.value > b.value ? 1 : 0;
}

// Interning gives equal constants, integers and compound terms one index, so equality is the
// equality of both words; two null terms are equal.
static bool instantiatePair(const ATOM &literal, TERM (&pair)[2], SUBSTITUTION &substitution) {
    if (literal.args().size() != 2) return false;
    return instantiateArguments(literal, pair, substitution) != 0;
}

int EQUALITY_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM t[2];
    return instantiatePair(literal, t, substitution) && t[0] == t[1];
}

int INEQUALITY_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM t[2];
    return instantiatePair(literal, t, substitution) && t[0] != t[1];
}

int LESS_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM t[2];
    return instantiatePair(literal, t, substitution) && compareBuiltinTerms(t[0], t[1]) < 0;
}

int GREATER_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM t[2];
    return instantiatePair(literal, t, substitution) && compareBuiltinTerms(t[0], t[1]) > 0;
}

int LESS_OR_EQ_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM t[2];
    return instantiatePair(literal, t, substitution) && compareBuiltinTerms(t[0], t[1]) <= 0;
}

int GREATER_OR_EQ_BUILTIN::evaluate(const ATOM &literal, SUBSTITUTION &substitution) const {
    TERM t[2];
    return instantiatePair(literal, t, substitution) && compareBuiltinTerms(t[0], t[1]) >= 0;
}
