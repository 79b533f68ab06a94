// An entry of the object list (the object-oriented extension): the object's name, its parents,
// its facts and rules (not owned; entry 0, "#defaultobject", points at EDB and IDB) and the
// atoms a descendant overrides.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/atom_sets.h"
#include "core/rule.h"

struct OBJECT {
    TERM id;                                        // a constant naming the object
    std::unique_ptr<std::vector<int32_t>> parents;  // object indices, or none
    ATOM_SETS *facts = nullptr;                     // not owned
    std::vector<RULE> *rules = nullptr;             // not owned
    std::unique_ptr<ORDERED_ATOMS> overridden;      // none until needed

    OBJECT() = default;
    OBJECT(TERM id, ATOM_SETS *facts, std::vector<RULE> *rules) : id(id), facts(facts), rules(rules) {}

    // False when the object had the fact already.
    bool addFact(const ATOM &atom) { return facts->insert(atom); }
};
