#include "core/predicate_table.h"

#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "core/program.h"
#include "support/diagnostics.h"

bool PREDICATE_TABLE::isInternalName(std::string_view name, PREDICATE_KIND kind) {
    if (kind == PREDICATE_BUILTIN) return false;
    return name.starts_with("\"_") || name.starts_with("aux#") || name.starts_with("#") ||
           name.starts_with("__") || name.starts_with("magic#");
}

std::pair<uint32_t, bool> PREDICATE_TABLE::find(std::string_view name) const {
    auto found = names.find(name);
    if (found.second || aliases.size() == 0) return found;
    auto alias = aliases.find(name);
    if (alias.second) return {aliasTarget[alias.first], true};
    return found;
}

void PREDICATE_TABLE::clear() {
    names.clear();
    kinds.clear();
    arities.clear();
    internal.clear();
    aliases.clear();
    aliasTarget.clear();
    shownAlias.clear();
}

void PREDICATE_TABLE::rename(uint32_t p, std::string_view newName) {
    auto [alias, inserted] = aliases.add(newName);
    if (inserted) aliasTarget.push_back(p);
    if (shownAlias.size() <= p) shownAlias.resize(p + 1, -1);
    shownAlias[p] = int32_t(alias);
}

std::pair<uint32_t, bool> PREDICATE_TABLE::add(const char *name, uint32_t arity, PREDICATE_KIND kind) {
    uint32_t index = 0;
    bool inserted = false;
    std::pair<uint32_t, bool> alias{0, false};
    if (aliases.size() != 0) alias = aliases.find(name);
    if (alias.second)
        index = aliasTarget[alias.first];
    else
        std::tie(index, inserted) = names.add(name);
    if (inserted) {
        kinds.push_back(kind);
        arities.push_back(arity);
        internal.push_back(isInternalName(name, kind));
        return {index, true};
    }
    if (arities[index] != arity) return {index, false};
    if (kind == PREDICATE_UNDEFINED || kind == kinds[index]) return {index, true};
    if (kinds[index] == PREDICATE_UNDEFINED) {
        kinds[index] = kind;
        return {index, true};
    }
    return {index, false};
}

namespace {

bool arityClashesHeld = false;
bool arityClash = false;

}  // namespace

void holdArityClashes(bool hold) { arityClashesHeld = hold; }
bool arityClashRecorded() { return arityClash; }
void clearArityClash() { arityClash = false; }

uint32_t registerPredicate(const char *name, uint32_t arity, PREDICATE_KIND kind) {
    auto [index, ok] = predicateTable.add(name, arity, kind);
    if (ok || kind == PREDICATE_QUERY) return index;
    uint32_t recorded = predicateTable.arity(index);
    if (recorded == arity) internalError("ATOM constructor");
    if (arityClash) return index;
    fflush(stdout);
    fprintf(stderr, "%s, first used with arity %u, now seen with arity %u.\n", name, recorded, arity);
    if (!arityClashesHeld) exit(1);
    arityClash = true;
    return index;
}
