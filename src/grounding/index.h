// Argument indices: per predicate, a lookup from the value of one argument position to the atoms
// that have that value there, so that a body literal with a bound argument reads only the atoms
// that can match instead of scanning its predicate. An index is made the first time a body
// literal of its predicate asks for it and is filled one argument position at a time; it lives
// across components and is only extended, except for the two Delta parts, which are emptied after
// every semi-naive iteration.
//
// Entries hold the atom's row in the atom store (eight bytes an entry with its link). Entries
// with equal keys form one chain in insertion order, so one lookup yields the whole range. An
// atom leaves the undefined part of I only to become true, and never comes back while the
// indices live, so its entry there is not unlinked: a lookup in that part skips the entries of
// rows that are no longer in the part.
//
// The parts over I are filled when they are first looked up, and kept up to date at each later
// lookup, not at every move of Delta into I: a recursive predicate looked up only in Delta (the
// usual case of a semi-naive rule) then never has its atoms of I indexed. So that a chain holds
// what it would have held had it been filled at once (the part's atoms at the time the position
// was indexed, in atom order, then the atoms of each later move in the order of the move), the
// index logs the rows each move adds to I.
//
// Parts are numbered as the match iterator's phases: 1 the positive part of I (for the EDB index:
// the facts), 2 the undefined part of I, 3 the positive part of Delta, 4 its undefined part.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/atom_sets.h"
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

    void insert(TERM key, uint32_t row);
    // The first entry under the key, NONE when there is none.
    uint32_t find(TERM key) const;
    // The entry after `entry` in its chain, NONE at the end.
    uint32_t next(uint32_t entry) const { return entries[entry].next; }
    uint32_t rowAt(uint32_t entry) const { return entries[entry].row; }
    // Empties the table, keeping its storage.
    void clear();
    uint32_t size() const { return uint32_t(entries.size()); }
    size_t memoryUse() const { return slots.capacity() * sizeof(SLOT) + entries.capacity() * sizeof(ENTRY); }

private:
    struct ENTRY {
        uint32_t row;
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

    const SLOT *findSlot(TERM key) const;
    void grow();
};

// The range of entries found for one key: the current entry until it is NONE. With `members`,
// only entries whose row is in that set count.
struct INDEX_RANGE {
    const INDEX_TABLE *table = nullptr;
    uint32_t current = INDEX_TABLE::NONE;
    const ATOM_SET *members = nullptr;

    bool empty() const { return current == INDEX_TABLE::NONE; }
    uint32_t row() const { return table->rowAt(current); }
    void advance() {
        current = table->next(current);
        skipNonMembers();
    }
    void skipNonMembers() {
        if (members)
            while (current != INDEX_TABLE::NONE && !members->hasRow(table->rowAt(current))) current = table->next(current);
    }
};

// One indexed part: one table per argument position.
struct INDEX_PART {
    std::vector<INDEX_TABLE> tables;
    explicit INDEX_PART(uint32_t arity) : tables(arity) {}
    size_t memoryUse() const {
        size_t bytes = 0;
        for (const INDEX_TABLE &t : tables) bytes += t.memoryUse();
        return bytes;
    }
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
    // index does not keep (and for any other part number). In the undefined part of I only the
    // rows still there count.
    INDEX_RANGE find(TERM key, uint32_t position, uint32_t part) const;
    // Adds one entry (the atom's row); nothing for a part the index does not keep.
    void insert(uint32_t position, TERM key, uint32_t row, uint32_t part) {
        if (INDEX_TABLE *t = const_cast<INDEX_TABLE *>(tableOf(position, part))) t->insert(key, row);
    }
    // The position is indexed over I from now on: its parts over I are filled at their first
    // lookup.
    void indexOverI(uint32_t position);
    // A row was added to the positive (part 1) or the undefined part (part 2) of I.
    void logMove(uint32_t row, uint32_t part) { logs[part - 1].push_back(row); }
    virtual INDEX_KIND getKind() const = 0;
    virtual size_t memoryUse() const {
        return part1.memoryUse() + (logs[0].capacity() + logs[1].capacity()) * sizeof(uint32_t);
    }

protected:
    INDEX_PART part1;
    // Rows added to the parts of I since the index was made, in the order of the moves, and per
    // position and part how much of the log its table holds.
    static constexpr uint32_t NOT_FILLED = UINT32_MAX;
    struct FILL {
        uint32_t mark[2] = {0, 0};                  // the log's length when the position was indexed
        uint32_t applied[2] = {NOT_FILLED, NOT_FILLED}; // the log's length the table holds
    };
    mutable std::vector<uint32_t> logs[2];
    mutable std::vector<FILL> fills; // by position
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

    size_t memoryUse() const override { return part1.memoryUse() + part2.memoryUse(); }

protected:
    INDEX_PART part2; // undefined atoms of I can become true: lookups skip them then
    const INDEX_TABLE *tableOf(uint32_t position, uint32_t part) const override;

private:
    friend class INDEX_TYPE;
    // Brings the table of a part over I up to date before a lookup.
    void fillOverI(uint32_t position, uint32_t part) const;
};

// Over both parts of I and of Delta, for an IDB predicate of the component being grounded. Once
// that component is done it serves part 1 and 2 lookups like an INDEX_ON_I.
class INDEX_ON_I_DELTANF : public INDEX_ON_I {
public:
    explicit INDEX_ON_I_DELTANF(uint32_t predicate);
    INDEX_KIND getKind() const override { return INDEX_KIND_I_DELTANF; }
    // After a semi-naive iteration: empties the Delta parts and turns every state 3 into 2.
    void clearDelta();
    size_t memoryUse() const override { return INDEX_ON_I::memoryUse() + part3.memoryUse() + part4.memoryUse(); }

protected:
    INDEX_PART part3, part4;
    const INDEX_TABLE *tableOf(uint32_t position, uint32_t part) const override;
};
