#include "grounding/index.h"

#include "core/program.h"
#include "support/hash_index.h"

namespace {
inline size_t slotOf(TERM key, size_t mask) { return size_t(hashMix(indexKeyHash(key))) & mask; }
} // namespace

const INDEX_TABLE::SLOT *INDEX_TABLE::findSlot(TERM key) const {
    if (slots.empty()) return nullptr;
    size_t mask = slots.size() - 1;
    for (size_t i = slotOf(key, mask);; i = (i + 1) & mask) {
        const SLOT &s = slots[i];
        if (s.head == NONE) return nullptr;
        if (s.key == key) return &s;
    }
}

void INDEX_TABLE::grow() {
    std::vector<SLOT> old;
    old.swap(slots);
    slots.resize(old.empty() ? 16 : old.size() * 2);
    size_t mask = slots.size() - 1;
    for (const SLOT &s : old) {
        if (s.head == NONE) continue;
        size_t i = slotOf(s.key, mask);
        while (slots[i].head != NONE) i = (i + 1) & mask;
        slots[i] = s;
    }
}

void INDEX_TABLE::insert(TERM key, uint32_t row) {
    uint32_t entry = uint32_t(entries.size());
    entries.push_back(ENTRY{row, NONE});
    if ((usedSlots + 1) * 4 > slots.size() * 3) grow();
    size_t mask = slots.size() - 1;
    for (size_t i = slotOf(key, mask);; i = (i + 1) & mask) {
        SLOT &s = slots[i];
        if (s.head == NONE) {
            s.key = key;
            s.head = s.tail = entry;
            usedSlots++;
            return;
        }
        if (s.key == key) {
            entries[s.tail].next = entry;
            s.tail = entry;
            return;
        }
    }
}

uint32_t INDEX_TABLE::find(TERM key) const {
    const SLOT *s = findSlot(key);
    return s ? s->head : NONE;
}

void INDEX_TABLE::clear() {
    if (usedSlots == 0 && entries.empty()) return;
    for (SLOT &s : slots) s = SLOT();
    entries.clear();
    usedSlots = 0;
}

INDEX_TYPE::INDEX_TYPE(uint32_t predicate)
    : predicate(predicate), arity(predicateTable.arity(predicate)), states(arity, INDEX_STATE_NONE), part1(arity) {}

void INDEX_TYPE::indexOverI(uint32_t position) {
    if (fills.size() < arity) fills.resize(arity);
    FILL &f = fills[position];
    for (uint32_t k = 0; k < 2; k++) {
        f.mark[k] = uint32_t(logs[k].size());
        f.applied[k] = NOT_FILLED;
    }
}

void INDEX_ON_I::fillOverI(uint32_t position, uint32_t part) const {
    if (position >= fills.size()) return;
    FILL &f = fills[position];
    uint32_t k = part - 1;
    const std::vector<uint32_t> &log = logs[k];
    INDEX_TABLE &table = const_cast<INDEX_TABLE &>(*tableOf(position, part));
    const ATOM_STORE::RELATION *relation = atomStore.relationOf(predicate);
    auto add = [&](uint32_t row) {
        std::span<const TERM> args = relation->args(row);
        if (position < args.size()) table.insert(args[position], row);
    };
    if (f.applied[k] == NOT_FILLED) {
        // The part as it was when the position was indexed: its atoms now, in atom order, but
        // those logged since.
        const ATOM_SET &atoms = (part == 1 ? I.positive : I.undefined).atomsOf(predicate);
        std::vector<uint64_t> later;
        for (uint32_t j = f.mark[k]; j < log.size(); j++) {
            uint32_t row = log[j];
            if ((row >> 6) >= later.size()) later.resize((row >> 6) + 1, 0);
            later[row >> 6] |= uint64_t(1) << (row & 63);
        }
        for (uint32_t row : atoms.rows())
            if ((row >> 6) >= later.size() || !((later[row >> 6] >> (row & 63)) & 1)) add(row);
        f.applied[k] = f.mark[k];
    }
    for (uint32_t j = f.applied[k]; j < log.size(); j++) add(log[j]);
    f.applied[k] = uint32_t(log.size());
    // Once every indexed position holds the whole log, the log is needed no more.
    for (uint32_t i = 0; i < fills.size(); i++)
        if (states[i] != INDEX_STATE_NONE && fills[i].applied[k] != log.size() && fills[i].mark[k] != log.size())
            return;
    logs[k].clear();
    for (FILL &other : fills) {
        other.mark[k] = 0;
        if (other.applied[k] != NOT_FILLED) other.applied[k] = 0;
    }
}

INDEX_RANGE INDEX_TYPE::find(TERM key, uint32_t position, uint32_t part) const {
    const INDEX_TABLE *t = tableOf(position, part);
    if (!t) return INDEX_RANGE{};
    if ((part == 1 || part == 2) && getKind() != INDEX_KIND_EDB)
        static_cast<const INDEX_ON_I *>(this)->fillOverI(position, part);
    INDEX_RANGE range{t, t->find(key), nullptr};
    if (part == 2 && getKind() != INDEX_KIND_EDB) {
        range.members = &I.undefined.atomsOf(predicate);
        range.skipNonMembers();
    }
    return range;
}

INDEX_ON_I::INDEX_ON_I(uint32_t predicate) : INDEX_TYPE(predicate), part2(arity) {}

const INDEX_TABLE *INDEX_ON_I::tableOf(uint32_t position, uint32_t part) const {
    if (part == 1) return &part1.tables[position];
    if (part == 2) return &part2.tables[position];
    return nullptr;
}

INDEX_ON_I_DELTANF::INDEX_ON_I_DELTANF(uint32_t predicate)
    : INDEX_ON_I(predicate), part3(arity), part4(arity) {}

const INDEX_TABLE *INDEX_ON_I_DELTANF::tableOf(uint32_t position, uint32_t part) const {
    if (part == 3) return &part3.tables[position];
    if (part == 4) return &part4.tables[position];
    return INDEX_ON_I::tableOf(position, part);
}

void INDEX_ON_I_DELTANF::clearDelta() {
    for (INDEX_TABLE &t : part3.tables) t.clear();
    for (INDEX_TABLE &t : part4.tables) t.clear();
    for (uint32_t &s : states)
        if (s == INDEX_STATE_I_DELTA) s = INDEX_STATE_I;
}
