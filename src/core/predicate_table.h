// The predicate table: each distinct predicate name gets a dense index (strong negation is part
// of the name, so "p" and "-p" are two predicates), and beside it the predicate's kind, arity and
// whether it is internal (made by the system and hidden from answer sets). Atoms store only the
// index. One global instance, `predicateTable` (program.h); the planning front-end keeps more.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "support/intern_table.h"

enum PREDICATE_KIND : int32_t {
    PREDICATE_UNDEFINED = 0, // not yet known; any later registration may set it
    PREDICATE_EDB = 1,       // defined by facts only
    PREDICATE_IDB = 2,       // defined by rules
    PREDICATE_BUILTIN = 3,
    PREDICATE_AGGREGATE = 4, // the pseudo-predicate of an aggregate atom, arity 0
    PREDICATE_QUERY = 5,     // "#query"
};

class PREDICATE_TABLE {
public:
    // Registers the name with its arity and kind; returns (index, ok). ok is false when the
    // recorded arity differs, or when two different defined kinds meet at equal arity. A new
    // name takes its internal mark here, once.
    std::pair<uint32_t, bool> add(const char *name, uint32_t arity, PREDICATE_KIND kind);
    // (index, found) without registering anything.
    std::pair<uint32_t, bool> find(std::string_view name) const;

    const char *name(uint32_t p) const { return isRenamed(p) ? aliases[shownAlias[p]] : names[p]; }
    std::string_view nameView(uint32_t p) const {
        return isRenamed(p) ? aliases.view(shownAlias[p]) : names.view(p);
    }
    // Gives the predicate a further name, which it shows from now on; its earlier names still
    // find it. The name must not be in the table yet.
    void rename(uint32_t p, std::string_view newName);
    PREDICATE_KIND kind(uint32_t p) const { return kinds[p]; }
    void setKind(uint32_t p, PREDICATE_KIND k) { kinds[p] = k; }
    uint32_t arity(uint32_t p) const { return arities[p]; }
    void setArity(uint32_t p, uint32_t a) { arities[p] = a; }
    bool isInternal(uint32_t p) const { return internal[p]; }
    // The number of predicates.
    uint32_t size() const { return names.size(); }
    // Forgets every predicate and every further name.
    void clear();

    // Whether a name registered with this kind is internal ("aux#...", "#...", "__...",
    // "magic#...", or a quoted name whose text begins with "_"; never a built-in).
    static bool isInternalName(std::string_view name, PREDICATE_KIND kind);

private:
    INTERN_TABLE<std::string> names;
    std::vector<PREDICATE_KIND> kinds;
    std::vector<uint32_t> arities;
    std::vector<bool> internal;
    // Further names given by rename: the predicate each one finds, and per predicate the alias it
    // shows (-1 for its first name).
    INTERN_TABLE<std::string> aliases;
    std::vector<uint32_t> aliasTarget;
    std::vector<int32_t> shownAlias;

    bool isRenamed(uint32_t p) const { return p < shownAlias.size() && shownAlias[p] >= 0; }
};

// Registers the predicate of a new atom. An arity clash writes the line "<name>, first used with
// arity <a>, now seen with arity <b>." on standard error and ends the run with status 1; a kind
// clash at equal arity is the internal error "ATOM constructor". With PREDICATE_QUERY the index
// is taken whatever the table says.
//
// While arity clashes are held (the rule parser holds them while it reads), the first clash is
// written and recorded instead, and the index the name already has is returned: the parser stops
// at the atom, and its caller ends the run. Later clashes write nothing until the record is
// cleared.
uint32_t registerPredicate(const char *name, uint32_t arity, PREDICATE_KIND kind);
void holdArityClashes(bool hold);
bool arityClashRecorded();
void clearArityClash();
