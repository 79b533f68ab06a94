#include "core/atom_sets.h"

#include "core/program.h"

void ATOM_SETS::grow() {
    if (sets.size() < predicateTable.size()) sets.resize(predicateTable.size());
}

// Atoms often arrive in order (facts as read, instances of a rule over ordered atoms, Delta
// moving into I): an atom beyond the set's last one is appended without a descent of the tree.
namespace {

bool followsLast(const ATOM_SET &set, const ATOM &atom) {
    return !set.empty() && compareAtom(*set.rbegin(), atom) < 0;
}

} // namespace

std::pair<ATOM_SETS::POSITION, bool> ATOM_SETS::insert(const ATOM &atom) {
    grow();
    if (atom.predicate >= sets.size()) sets.resize(atom.predicate + 1);
    ATOM_SET &set = sets[atom.predicate];
    if (followsLast(set, atom)) return {set.emplace_hint(set.end(), atom), true};
    return set.insert(atom);
}

std::pair<ATOM_SETS::POSITION, bool> ATOM_SETS::insert(ATOM &&atom) {
    grow();
    if (atom.predicate >= sets.size()) sets.resize(atom.predicate + 1);
    ATOM_SET &set = sets[atom.predicate];
    if (followsLast(set, atom)) return {set.emplace_hint(set.end(), std::move(atom)), true};
    return set.insert(std::move(atom));
}

std::pair<ATOM_SETS::POSITION, bool> ATOM_SETS::insert(ATOM_SET::node_type &&node) {
    grow();
    uint32_t p = node.value().predicate;
    if (p >= sets.size()) sets.resize(p + 1);
    ATOM_SET &set = sets[p];
    if (followsLast(set, node.value())) return {set.insert(set.end(), std::move(node)), true};
    auto result = set.insert(std::move(node));
    return {result.position, result.inserted};
}

bool ATOM_SETS::contains(const ATOM &atom) const {
    // A set never grown for this predicate holds none of its atoms.
    return atom.predicate < sets.size() && sets[atom.predicate].contains(atom);
}

bool ATOM_SETS::contains(const ATOM_VIEW &atom) const {
    return atom.predicate < sets.size() && sets[atom.predicate].contains(atom);
}

std::optional<ATOM_SETS::POSITION> ATOM_SETS::find(const ATOM_VIEW &atom) const {
    if (atom.predicate >= sets.size()) return std::nullopt;
    auto it = sets[atom.predicate].find(atom);
    if (it == sets[atom.predicate].end()) return std::nullopt;
    return it;
}

bool ATOM_SETS::erase(const ATOM &atom) {
    return atom.predicate < sets.size() && sets[atom.predicate].erase(atom) > 0;
}

const ATOM_SET &ATOM_SETS::atomsOf(uint32_t predicate) const {
    static const ATOM_SET none;
    return predicate < sets.size() ? sets[predicate] : none;
}

size_t ATOM_SETS::atomCount() const {
    size_t n = 0;
    for (const ATOM_SET &s : sets) n += s.size();
    return n;
}

void ATOM_SETS::clear() {
    for (ATOM_SET &s : sets) s.clear();
}

bool ATOM_CURSOR::atEnd() const {
    return current == end || predicateTable.nameView(current->predicate) != name;
}

ATOM_CURSOR atomsOfPredicate(const ATOM_SET &set, const ATOM &atom) {
    ATOM_CURSOR c{predicateTable.nameView(atom.predicate), set.begin(), set.end()};
    while (c.current != c.end && predicateTable.nameView(c.current->predicate) != c.name) ++c.current;
    return c;
}
