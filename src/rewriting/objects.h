// The translation of objects with inheritance: turns the object list (parents, facts, rules,
// overridden atoms) into plain rules and facts of the program store. Run when objects other
// than the default one were read.
#pragma once

#include <vector>

#include "core/object.h"

// Translates the object-oriented program in place; its errors end the process themselves.
void translateObjects(std::vector<OBJECT> &objects);
