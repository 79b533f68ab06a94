#include "core/atom_sets.h"

#include <algorithm>

#include "core/program.h"

ATOM_REF atomRef(uint32_t predicate, uint32_t row) { return atomStore.ref(predicate, row); }

// ---------------------------------------------------------------------------------------------
// One predicate's set

bool ATOM_SET::less(uint32_t a, uint32_t b) const { return atomStore.lessRows(predicate_, a, b); }

bool ATOM_SET::insertRow(uint32_t row) {
    if (row >= bitCount()) bits_.resize((row >> 6) + 1, 0);
    uint64_t &word = bits_[row >> 6];
    uint64_t bit = uint64_t(1) << (row & 63);
    if (word & bit) return false;
    word |= bit;
    count_++;
    // Atoms often arrive in order (facts as read, a run of Delta moving into I): one comparison
    // with the last row appends them.
    if (pending_.empty() && (rows_.empty() || less(rows_.back(), row))) rows_.push_back(row);
    else pending_.push_back(row);
    return true;
}

bool ATOM_SET::insert(std::span<const TERM> args) { return insertRow(atomStore.insert(predicate_, args).first); }

bool ATOM_SET::insert(const ATOM &atom) { return insertRow(atomStore.insert(atom).first); }

bool ATOM_SET::eraseRow(uint32_t row) {
    if (!hasRow(row)) return false;
    bits_[row >> 6] &= ~(uint64_t(1) << (row & 63));
    count_--;
    // The row stays in the order until the next read, so a walk over `rows` may erase.
    stale_ = true;
    return true;
}

bool ATOM_SET::erase(const ATOM &atom) {
    uint32_t row = atomStore.find(atom);
    return row != ATOM_STORE::NONE && eraseRow(row);
}

bool ATOM_SET::contains(std::span<const TERM> args) const {
    if (count_ == 0) return false;
    uint32_t row = atomStore.find(predicate_, args);
    return row != ATOM_STORE::NONE && hasRow(row);
}

bool ATOM_SET::contains(const ATOM &atom) const {
    if (count_ == 0) return false;
    uint32_t row = atomStore.find(atom);
    return row != ATOM_STORE::NONE && hasRow(row);
}

void ATOM_SET::clear() {
    if (rows_.size() + pending_.size() < bits_.size()) {
        for (uint32_t row : rows_) bits_[row >> 6] = 0;
        for (uint32_t row : pending_) bits_[row >> 6] = 0;
    } else {
        std::fill(bits_.begin(), bits_.end(), 0);
    }
    rows_.clear();
    pending_.clear();
    count_ = 0;
    stale_ = false;
}

// The pending rows in atom order. They mostly come as sorted runs (each a run of atoms that
// arrived in order), which are merged pairwise; rows that came in no order are sorted.
void ATOM_SET::sortPending() const {
    size_t n = pending_.size();
    if (n < 2) return;
    auto lessRow = [this](uint32_t a, uint32_t b) { return less(a, b); };
    std::vector<size_t> starts{0};
    for (size_t i = 1; i < n; i++)
        if (!less(pending_[i - 1], pending_[i])) starts.push_back(i);
    if (starts.size() == 1) return;
    if (starts.size() > n / 8) {
        const ATOM_STORE::RELATION *relation = atomStore.relationOf(predicate_);
        if (!relation->general && relation->arity > 0) sortByKeys(*relation);
        else std::sort(pending_.begin(), pending_.end(), lessRow);
        return;
    }
    starts.push_back(n);
    std::vector<uint32_t> buffer(n);
    while (starts.size() > 2) {
        std::vector<size_t> merged;
        size_t runs = starts.size() - 1;
        for (size_t r = 0; r < runs; r += 2) {
            size_t a = starts[r], b = starts[r + 1], c = r + 1 < runs ? starts[r + 2] : b;
            std::merge(pending_.begin() + long(a), pending_.begin() + long(b), pending_.begin() + long(b),
                       pending_.begin() + long(c), buffer.begin() + long(a), lessRow);
            merged.push_back(a);
        }
        merged.push_back(n);
        pending_.swap(buffer);
        starts.swap(merged);
    }
}

// Rows of a relation of fixed arity that came in no order are sorted by order keys of their
// first two arguments, read once per row, so the sort walks a flat array of 12 bytes a row
// instead of the atom store; only rows whose keys agree are compared in full.
void ATOM_SET::sortByKeys(const ATOM_STORE::RELATION &relation) const {
    struct KEYED_ROW {
        uint32_t first, second, row;
    };
    std::vector<KEYED_ROW> keyed;
    keyed.reserve(pending_.size());
    for (uint32_t row : pending_) {
        std::span<const TERM> args = relation.args(row);
        keyed.push_back({termOrderPrefix(args[0]), args.size() > 1 ? termOrderPrefix(args[1]) : 0, row});
    }
    std::sort(keyed.begin(), keyed.end(), [&](const KEYED_ROW &a, const KEYED_ROW &b) {
        if (a.first != b.first) return a.first < b.first;
        if (a.second != b.second) return a.second < b.second;
        return less(a.row, b.row);
    });
    for (size_t i = 0; i < keyed.size(); i++) pending_[i] = keyed[i].row;
}

// Merges the sorted pending rows into the ordered rows. Each pending row finds its place by a
// search that doubles its step from the previous place, so a few rows merged into a large set
// cost a few comparisons each; the rows in between are copied as blocks. Erased rows and rows
// met twice (erased and inserted again) are dropped on the way.
void ATOM_SET::mergePending() const {
    sortPending();
    std::vector<uint32_t> out;
    out.reserve(count_);
    auto keep = [&](uint32_t row) {
        if (hasRow(row) && (out.empty() || out.back() != row)) out.push_back(row);
    };
    auto copy = [&](size_t from, size_t to) {
        if (stale_) {
            for (size_t k = from; k < to; k++) keep(rows_[k]);
        } else {
            out.insert(out.end(), rows_.begin() + long(from), rows_.begin() + long(to));
        }
    };
    size_t i = 0, n = rows_.size();
    for (uint32_t x : pending_) {
        // rows_[i, low) order before x; x orders before or equals rows_[probe] (or probe is n).
        size_t low = i, probe = i, step = 1;
        while (probe < n && less(rows_[probe], x)) {
            low = probe + 1;
            probe += step;
            step <<= 1;
        }
        size_t j = size_t(std::lower_bound(rows_.begin() + long(low), rows_.begin() + long(std::min(probe, n)), x,
                                           [this](uint32_t a, uint32_t b) { return less(a, b); }) -
                          rows_.begin());
        copy(i, j);
        i = j;
        keep(x);
    }
    copy(i, n);
    rows_.swap(out);
    pending_.clear();
    pending_.shrink_to_fit();
    stale_ = false;
}

size_t ATOM_SET::memoryUse() const {
    return bits_.capacity() * sizeof(uint64_t) + (rows_.capacity() + pending_.capacity()) * sizeof(uint32_t);
}

// ---------------------------------------------------------------------------------------------
// Per-predicate sets

void ATOM_SETS::grow() {
    if (sets.size() < predicateTable.size()) growTo(predicateTable.size() - 1);
}

void ATOM_SETS::growTo(uint32_t predicate) {
    if (predicate < sets.size()) return;
    // Geometric growth: the parser registers predicates one by one and stores a fact of each
    // as it goes, so growing to the exact count would copy the vector once per predicate.
    size_t wanted = std::max<size_t>(size_t(predicate) + 1, predicateTable.size());
    if (wanted > sets.capacity()) sets.reserve(std::max(wanted, 2 * sets.capacity()));
    while (sets.size() <= predicate || sets.size() < predicateTable.size()) sets.emplace_back(uint32_t(sets.size()));
    isUsed.resize(sets.size(), 0);
}

bool ATOM_SETS::insert(const ATOM &atom) {
    growTo(atom.predicate);
    markUsed(atom.predicate);
    return sets[atom.predicate].insert(atom);
}

bool ATOM_SETS::insertRow(uint32_t predicate, uint32_t row) {
    growTo(predicate);
    markUsed(predicate);
    return sets[predicate].insertRow(row);
}

std::span<const uint32_t> ATOM_SETS::usedPredicates() const {
    if (!usedSorted) {
        std::sort(used.begin(), used.end());
        usedSorted = true;
    }
    return used;
}

bool ATOM_SETS::contains(const ATOM &atom) const {
    // A set never grown for this predicate holds none of its atoms.
    return atom.predicate < sets.size() && sets[atom.predicate].contains(atom);
}

bool ATOM_SETS::contains(const ATOM_VIEW &atom) const {
    return atom.predicate < sets.size() && sets[atom.predicate].contains(atom.args);
}

std::optional<ATOM_REF> ATOM_SETS::find(const ATOM_VIEW &atom) const {
    if (atom.predicate >= sets.size()) return std::nullopt;
    uint32_t row = atomStore.find(atom.predicate, atom.args);
    if (row == ATOM_STORE::NONE || !sets[atom.predicate].hasRow(row)) return std::nullopt;
    return atomStore.ref(atom.predicate, row);
}

bool ATOM_SETS::erase(const ATOM &atom) {
    return atom.predicate < sets.size() && sets[atom.predicate].erase(atom);
}

std::vector<ATOM> ATOM_SETS::takeAll(uint32_t predicate) {
    std::vector<ATOM> atoms;
    if (predicate >= sets.size()) return atoms;
    atoms.reserve(sets[predicate].size());
    for (ATOM_REF a : sets[predicate]) atoms.push_back(a.atom());
    sets[predicate].clear();
    return atoms;
}

const ATOM_SET &ATOM_SETS::atomsOf(uint32_t predicate) const {
    static const ATOM_SET none;
    return predicate < sets.size() ? sets[predicate] : none;
}

size_t ATOM_SETS::atomCount() const {
    size_t n = 0;
    for (uint32_t p : used) n += sets[p].size();
    return n;
}

void ATOM_SETS::clear() {
    for (uint32_t p : used) {
        sets[p].clear();
        isUsed[p] = 0;
    }
    used.clear();
    usedSorted = true;
}

size_t ATOM_SETS::memoryUse() const {
    size_t bytes = sets.capacity() * sizeof(ATOM_SET);
    for (const ATOM_SET &s : sets) bytes += s.memoryUse();
    return bytes;
}

// ---------------------------------------------------------------------------------------------

bool ATOM_CURSOR::atEnd() const {
    return current == end || predicateTable.nameView(current->predicate) != name;
}

ATOM_CURSOR atomsOfPredicate(const ORDERED_ATOMS &set, const ATOM &atom) {
    ATOM_CURSOR c{predicateTable.nameView(atom.predicate), set.begin(), set.end()};
    while (c.current != c.end && predicateTable.nameView(c.current->predicate) != c.name) ++c.current;
    return c;
}
