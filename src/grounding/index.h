// Argument indices: per predicate, a lookup from the value of one argument position to the atoms
// that have that value there, so that a body literal with a bound argument reads only the atoms
// that can match instead of scanning its predicate. An index is made the first time a body
// literal of its predicate asks for it and is filled one argument position at a time; it lives
// across components and is only extended, except for the two Delta parts, which are emptied after
// every semi-naive iteration.
//
// Entries hold the address of the atom inside its atom set. Atom sets are node-based, so the
// address stays valid while other atoms come and go; an entry is removed (in O(1), through the
// table's locator) before its atom leaves its set. Entries with equal keys form one chain in
// insertion order, so one lookup yields the whole range.
//
// Parts are numbered as the match iterator's phases: 1 the positive part of I (for the EDB index:
// the facts), 2 the undefined part of I, 3 the positive part of Delta, 4 its undefined part.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/atom.h"
#include "core/term.h"

// The hash of an index key: by table index only, never by walking a term.
inline uint32_t indexKeyHash(TERM t) {
    switch (t.kind) {
    case TERM_INTEGER: return ~t.value;
    case TERM_COMPLEX: return t.value + 0x7FFFFFFFu;
    case TERM_CONSTANT: return t.value;
    default: return 0;
    }
}

// One argument position of one part: a hash map from a key to the chain of its entries.
class INDEX_TABLE {
public:
    static constexpr uint32_t NONE = UINT32_MAX;

    explicit INDEX_TABLE(bool tracksAtoms = false) : tracksAtoms(tracksAtoms) {}

    void insert(TERM key, const ATOM *atom);
    // Removes the entry of this atom (by address) under the key, if any.
    void erase(TERM key, const ATOM *atom);
    // Removes the first entry under the key whose atom equals the given one.
    void eraseEqual(TERM key, const ATOM &atom);
    // The first live entry under the key, NONE when there is none.
    uint32_t find(TERM key) const;
    // The live entry after `entry` in its chain, NONE at the end.
    uint32_t next(uint32_t entry) const { return skipErased(entries[entry].next); }
    const ATOM *atomAt(uint32_t entry) const { return entries[entry].atom; }
    // Empties the table, keeping its storage.
    void clear();
    uint32_t size() const { return live; }

private:
    struct ENTRY {
        const ATOM *atom; // null once erased
        uint32_t next;
    };
    struct SLOT {
        TERM key;
        uint32_t head = NONE; // NONE marks a free slot
        uint32_t tail = NONE;
    };
    std::vector<SLOT> slots;
    std::vector<ENTRY> entries;
    uint32_t usedSlots = 0;
    uint32_t live = 0;
    // Only tables whose atoms can be erased keep the atom -> entry locator.
    bool tracksAtoms;
    std::unordered_map<const ATOM *, uint32_t> locator;

    uint32_t skipErased(uint32_t entry) const {
        while (entry != NONE && entries[entry].atom == nullptr) entry = entries[entry].next;
        return entry;
    }
    const SLOT *findSlot(TERM key) const;
    void grow();
};

// The range of entries found for one key: the current entry until it is NONE.
struct INDEX_RANGE {
    const INDEX_TABLE *table = nullptr;
    uint32_t current = INDEX_TABLE::NONE;

    bool empty() const { return current == INDEX_TABLE::NONE; }
    const ATOM *atom() const { return table->atomAt(current); }
    void advance() { current = table->next(current); }
};

// One indexed part: one table per argument position.
struct INDEX_PART {
    std::vector<INDEX_TABLE> tables;
    INDEX_PART(uint32_t arity, bool tracksAtoms) : tables(arity, INDEX_TABLE(tracksAtoms)) {}
};

enum INDEX_KIND : uint32_t {
    INDEX_KIND_EDB = 1,
    INDEX_KIND_I = 2,
    INDEX_KIND_I_DELTANF = 3,
};

// Per argument position: 0 not indexed, 1 indexed over the EDB, 2 over both parts of I, 3 over
// both parts of I and of Delta.
enum INDEX_STATE : uint32_t {
    INDEX_STATE_NONE = 0,
    INDEX_STATE_EDB = 1,
    INDEX_STATE_I = 2,
    INDEX_STATE_I_DELTA = 3,
};

class INDEX_TYPE {
public:
    uint32_t predicate;
    uint32_t arity;
    std::vector<uint32_t> states;

    explicit INDEX_TYPE(uint32_t predicate);
    virtual ~INDEX_TYPE() = default;

    // The entries of the part whose key at the position equals the term; empty for a part the
    // index does not keep (and for any other part number).
    INDEX_RANGE find(TERM key, uint32_t position, uint32_t part) const {
        const INDEX_TABLE *t = tableOf(position, part);
        return t ? INDEX_RANGE{t, t->find(key)} : INDEX_RANGE{};
    }
    // Adds one entry; nothing for a part the index does not keep.
    void insert(uint32_t position, TERM key, const ATOM *atom, uint32_t part) {
        if (INDEX_TABLE *t = const_cast<INDEX_TABLE *>(tableOf(position, part))) t->insert(key, atom);
    }
    // The same for an entry given as a range over the atom's set, at the atom's position.
    template <class RANGE>
    void insert(uint32_t position, TERM key, const RANGE &range, uint32_t part) {
        insert(position, key, &*range.current, part);
    }
    // Removes the entry of the atom (the address of the atom in its set) under the key.
    void erase(uint32_t position, TERM key, const ATOM *atom, uint32_t part) {
        if (INDEX_TABLE *t = const_cast<INDEX_TABLE *>(tableOf(position, part))) t->erase(key, atom);
    }
    // The same for an atom given by value: the entry of the equal atom of that part is removed.
    // The atom must still be in its set.
    void erase(uint32_t position, TERM key, const ATOM &atom, uint32_t part);
    virtual INDEX_KIND getKind() const = 0;

protected:
    INDEX_PART part1;
    // The table of a part, or null when this index does not keep the part.
    virtual const INDEX_TABLE *tableOf(uint32_t position, uint32_t part) const = 0;
};

// Over the facts of an EDB predicate; the part number is ignored.
class INDEX_ON_EDB : public INDEX_TYPE {
public:
    explicit INDEX_ON_EDB(uint32_t predicate) : INDEX_TYPE(predicate) {}
    INDEX_KIND getKind() const override { return INDEX_KIND_EDB; }

protected:
    const INDEX_TABLE *tableOf(uint32_t position, uint32_t) const override {
        return &part1.tables[position];
    }
};

// Over both parts of I, for an IDB predicate that is not recursive where it is looked up.
class INDEX_ON_I : public INDEX_TYPE {
public:
    explicit INDEX_ON_I(uint32_t predicate);
    INDEX_KIND getKind() const override { return INDEX_KIND_I; }

protected:
    INDEX_PART part2; // undefined atoms of I can become true: its entries are erased
    const INDEX_TABLE *tableOf(uint32_t position, uint32_t part) const override;
};

// Over both parts of I and of Delta, for an IDB predicate of the component being grounded. Once
// that component is done it serves part 1 and 2 lookups like an INDEX_ON_I.
class INDEX_ON_I_DELTANF : public INDEX_ON_I {
public:
    explicit INDEX_ON_I_DELTANF(uint32_t predicate);
    INDEX_KIND getKind() const override { return INDEX_KIND_I_DELTANF; }
    // After a semi-naive iteration: empties the Delta parts and turns every state 3 into 2.
    void clearDelta();

protected:
    INDEX_PART part3, part4;
    const INDEX_TABLE *tableOf(uint32_t position, uint32_t part) const override;
};
