#include "core/atom_store.h"

#include <algorithm>

#include "core/program.h"

uint32_t hashArgumentList(std::span<const TERM> args) {
    uint64_t h = 0x51ed27a3ULL + args.size();
    for (TERM t : args) h = hashCombine(h, t.word());
    return uint32_t(h ^ (h >> 32));
}

bool ATOM_STORE::RELATION::equal(uint32_t row, std::span<const TERM> args) const {
    if (general) {
        const ATOM &a = atoms[row];
        return !a.isAggregate() && a.argCount() == args.size() && std::equal(args.begin(), args.end(), a.args().begin());
    }
    if (args.size() != arity) return false;
    const TERM *own = termsOf(row);
    for (uint32_t i = 0; i < arity; i++)
        if (own[i] != args[i]) return false;
    return true;
}

uint32_t ATOM_STORE::RELATION::find(std::span<const TERM> args) const {
    uint32_t found = index.find(hashArgumentList(args), [&](uint32_t row) { return equal(row, args); });
    return found == HASH_INDEX::NONE ? NONE : found;
}

int ATOM_STORE::RELATION::compare(uint32_t a, uint32_t b) const {
    if (a == b) return 0;
    if (general) return compareAtom(atoms[a], atoms[b]);
    return compareTermsInline({termsOf(a), arity}, {termsOf(b), arity});
}

TERM *ATOM_STORE::RELATION::appendRow() {
    auto [chunk, place] = placeOf(rows);
    if (chunk == chunks.size()) chunks.push_back(std::make_unique<TERM[]>(size_t(chunkRows(chunk)) * arity));
    rows++;
    return chunks[chunk].get() + size_t(place) * arity;
}

// From now on every row is an ATOM; the rows so far are copied over in row order.
void ATOM_STORE::RELATION::makeGeneral() {
    for (uint32_t row = 0; row < rows; row++) atoms.emplace_back(predicate, std::span<const TERM>(termsOf(row), arity));
    chunks.clear();
    general = true;
}

ATOM_STORE::RELATION &ATOM_STORE::relationFor(uint32_t predicate, uint32_t arity) {
    if (relations.size() <= predicate) relations.resize(predicate + 1);
    std::unique_ptr<RELATION> &slot = relations[predicate];
    if (!slot) {
        slot = std::make_unique<RELATION>();
        slot->predicate = predicate;
        slot->arity = arity;
        // Chunks of at most 2^17 terms (1 MB), and at least 16 rows.
        uint32_t width = uint32_t(std::bit_width(std::max<uint32_t>(arity, 1) - 1));
        slot->maxShift = std::max<uint32_t>(RELATION::FIRST_SHIFT, 17 > width ? 17 - width : 0);
    }
    return *slot;
}

uint32_t ATOM_STORE::find(const ATOM &atom) const {
    const RELATION *r = relationOf(atom.predicate);
    if (!r) return NONE;
    if (!atom.isAggregate()) return r->find(atom.args());
    if (!r->general) return NONE;
    // Aggregate atoms hash alike (they have no argument list) and are told apart in full.
    uint32_t found = r->index.find(hashArgumentList({}), [&](uint32_t row) { return compareAtom(r->atoms[row], atom) == 0; });
    return found == HASH_INDEX::NONE ? NONE : found;
}

std::pair<uint32_t, bool> ATOM_STORE::insert(uint32_t predicate, std::span<const TERM> args) {
    RELATION &r = relationFor(predicate, uint32_t(args.size()));
    uint32_t row = r.rows;
    uint32_t found = r.index.findOrInsert(hashArgumentList(args), row, [&](uint32_t k) { return r.equal(k, args); });
    if (found != HASH_INDEX::NONE) return {found, false};
    if (!r.general && args.size() != r.arity) r.makeGeneral();
    if (r.general) {
        r.atoms.emplace_back(predicate, args);
        r.rows++;
    } else {
        std::copy(args.begin(), args.end(), r.appendRow());
    }
    return {row, true};
}

std::pair<uint32_t, bool> ATOM_STORE::insert(const ATOM &atom) {
    if (!atom.isAggregate()) return insert(atom.predicate, atom.args());
    uint32_t found = find(atom);
    if (found != NONE) return {found, false};
    RELATION &r = relationFor(atom.predicate, 0);
    if (!r.general) r.makeGeneral();
    uint32_t row = r.rows++;
    r.atoms.push_back(atom);
    r.index.insert(hashArgumentList({}), row);
    return {row, true};
}

size_t ATOM_STORE::memoryUse() const {
    size_t bytes = relations.capacity() * sizeof(void *);
    for (const auto &r : relations) {
        if (!r) continue;
        bytes += sizeof(RELATION) + r->index.memoryUse();
        for (uint32_t c = 0; c < r->chunks.size(); c++) bytes += size_t(r->chunkRows(c)) * r->arity * sizeof(TERM);
        bytes += r->atoms.size() * sizeof(ATOM);
    }
    return bytes;
}
