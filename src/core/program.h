// The program store: the global tables and program parts of the core, built empty by static
// construction (in the order below) and alive until the process exits. The parsers and
// front-ends fill them, rewriting changes IDB, constraints and weakConstraints in place, and
// grounding reads them and adds the ground program beside them (grounding/ground_program.h).
// `resetProgramStore` empties them again, so that another input can be read in the same process.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/atom_sets.h"
#include "core/complex_term_table.h"
#include "core/object.h"
#include "core/predicate_table.h"
#include "core/rule.h"
#include "support/intern_table.h"

// Variables of the rule being read: names to numbers, numbered from 0 in order of occurrence.
struct VARIABLE_MAP {
    uint32_t next = 0;
    std::unordered_map<std::string, uint32_t> numbers;
    // The variable's number; a new name takes the next one.
    uint32_t number(const std::string &name) {
        auto [it, inserted] = numbers.try_emplace(name, next);
        if (inserted) next++;
        return it->second;
    }
    void clear() {
        next = 0;
        numbers.clear();
    }
};

extern INTERN_TABLE<std::string> constantTable;
extern INTERN_TABLE<int32_t> integerTable;
extern INTERN_TABLE<COMPLEX_TERM> complexTermTable;
extern INTERN_TABLE<std::string> functionSymbolTable;
extern PREDICATE_TABLE predicateTable;
extern ATOM_STORE atomStore; // every atom of an atom set, once

extern std::vector<RULE> IDB;
extern std::vector<CONSTRAINT> constraints;
extern std::vector<WEAKCONSTRAINT> weakConstraints;
extern INTERPRETATION I;
extern ATOM_SETS EDB; // the facts of the default object
extern std::vector<OBJECT> objects;

extern VARIABLE_MAP ruleVariables;
extern std::set<int32_t> stronglyNegatedPredicates;
extern std::unordered_map<std::string, TERM> namedConstants;

extern std::unique_ptr<CONJUNCTION> query; // none until a query is read
extern bool queryIsGround;
extern bool rulesAreGround;
extern bool constraintsAreGround;
extern bool weakConstraintsAreGround;
extern bool objectsUsed;
extern const char *variablePrefix; // printed before a variable's number: "_", or "X"

// Puts every table and program part above back as the process starts them: empty, with the
// flags at their first values. Terms, atoms and predicate numbers taken before mean nothing
// afterwards.
void resetProgramStore();

// compareTerm for the hot loops over argument lists (atom sets, the ground atom table): equal
// words are equal terms, and only integers read their values.
inline int compareTermInline(TERM a, TERM b) {
    if (a.kind != b.kind) return int(a.kind) - int(b.kind);
    if (a.value == b.value) return 0;
    if (a.kind == TERM_INTEGER) return integerTable[a.value] < integerTable[b.value] ? -1 : 1;
    if (a.kind == TERM_NULL) return 0;
    return a.value < b.value ? -1 : 1;
}

// A 32-bit key whose unsigned order follows the order of terms: three bits of kind, then 29 bits
// of the integer value (offset to be unsigned) or of the table index. Values beyond that range
// share the key at its end of the range, so terms whose keys are equal may still differ.
inline uint32_t termOrderPrefix(TERM t) {
    constexpr int64_t top = (int64_t(1) << 29) - 1;
    int64_t v = t.kind == TERM_INTEGER ? int64_t(integerTable[t.value]) + (int64_t(1) << 28)
                : t.kind == TERM_NULL  ? 0
                                       : int64_t(t.value);
    return (uint32_t(t.kind) << 29) | uint32_t(v < 0 ? 0 : v > top ? top : v);
}

inline int compareTermsInline(std::span<const TERM> a, std::span<const TERM> b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); i++) {
        if (a[i] == b[i]) continue;
        return compareTermInline(a[i], b[i]);
    }
    return 0;
}
