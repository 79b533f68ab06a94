// Substitutions and instantiation: how the grounder makes ground terms and atoms. A
// SUBSTITUTION holds one TERM per variable number of the program; the null term marks an unbound
// variable. Instantiation walks compound terms with an explicit stack, so terms nested to any
// depth are safe.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/atom.h"
#include "core/term.h"

class SUBSTITUTION {
public:
    SUBSTITUTION() = default;
    explicit SUBSTITUTION(uint32_t size) : slots(size) {}

    uint32_t size() const { return uint32_t(slots.size()); }
    void resize(uint32_t size) { slots.resize(size); }
    TERM operator[](uint32_t variable) const { return slots[variable]; }
    TERM &operator[](uint32_t variable) { return slots[variable]; }
    bool isBound(uint32_t variable) const { return !slots[variable].isNull(); }
    void bind(uint32_t variable, TERM value) { slots[variable] = value; }
    void unbind(uint32_t variable) { slots[variable] = TERM(); }
    // Unbinds every variable.
    void clear() { std::fill(slots.begin(), slots.end(), TERM()); }
    // The value of a variable term, the term itself otherwise (and for unbound variables).
    TERM resolve(TERM t) const {
        return t.isVariable() && t.value < slots.size() && !slots[t.value].isNull() ? slots[t.value] : t;
    }

private:
    std::vector<TERM> slots;
};

// The instance of a compound term: bound variables replaced, nested terms instantiated, a list
// whose tail is bound to a proper list flattened. The term made is marked ground only when no
// variable is left in it.
TERM instantiateTerm(TERM term, const SUBSTITUTION &substitution);
// The instance of any term: a variable's binding (itself when unbound), a compound term's
// instance, any other term unchanged.
TERM instantiateAnyTerm(TERM term, const SUBSTITUTION &substitution);
// A new atom with the same predicate and instantiated arguments.
ATOM instantiateAtom(const ATOM &atom, const SUBSTITUTION &substitution);
// The same into a reused argument buffer, for the grounder's hot path: fills `args` with the
// instantiated arguments without making an atom.
void instantiateArguments(const ATOM &atom, const SUBSTITUTION &substitution, TERMS &args);
