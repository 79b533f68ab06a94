// An open-addressing hash index from a key to a dense number. The keys themselves live in the
// owner's storage (an interning table, the ground atom table): the index keeps only the 32-bit
// hash and the number of each key, so a lookup compares stored hashes first and asks the owner
// to compare keys only on a hash match. A lookup allocates nothing. Numbers are never removed.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

// Mixes a 64-bit word into a well-spread 64-bit value (a finaliser in the style of splitmix64).
inline uint64_t hashMix(uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    x ^= x >> 31;
    return x;
}

// Combines a running hash with one more 64-bit word; the order of words matters.
inline uint64_t hashCombine(uint64_t h, uint64_t word) {
    return hashMix(h ^ (word + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2)));
}

// Hash of a byte string, eight bytes at a time.
inline uint64_t hashBytes(const char *data, size_t length) {
    uint64_t h = 0x84222325cbf29ce4ULL ^ length;
    while (length >= 8) {
        uint64_t word;
        std::memcpy(&word, data, 8);
        h = hashCombine(h, word);
        data += 8;
        length -= 8;
    }
    uint64_t word = 0;
    std::memcpy(&word, data, length);
    return hashCombine(h, word);
}

class HASH_INDEX {
public:
    static constexpr uint32_t NONE = UINT32_MAX;

    // The number whose key has this hash and for which `equal(number)` holds, or NONE.
    template <class EQUAL> uint32_t find(uint32_t hash, EQUAL &&equal) const {
        if (slots.empty()) return NONE;
        size_t mask = slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const SLOT &s = slots[i];
            if (s.numberPlusOne == 0) return NONE;
            if (s.hash == hash && equal(s.numberPlusOne - 1)) return s.numberPlusOne - 1;
        }
    }

    // The number whose key has this hash and for which `equal(number)` holds; when there is none,
    // `number` is placed under the hash in the free slot that ended the search, and NONE is
    // returned (the caller then stores the new key as that number). One probe sequence serves
    // the lookup and the insertion.
    template <class EQUAL> uint32_t findOrInsert(uint32_t hash, uint32_t number, EQUAL &&equal) {
        if ((size_t(count) + 1) * 4 > slots.size() * 3) grow();
        size_t mask = slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            SLOT &s = slots[i];
            if (s.numberPlusOne == 0) {
                s.hash = hash;
                s.numberPlusOne = number + 1;
                count++;
                return NONE;
            }
            if (s.hash == hash && equal(s.numberPlusOne - 1)) return s.numberPlusOne - 1;
        }
    }

    // Adds a number under its key's hash; the caller has made sure the key is not present.
    void insert(uint32_t hash, uint32_t number) {
        if ((size_t(count) + 1) * 4 > slots.size() * 3) grow();
        place(hash, number);
        count++;
    }

    uint32_t size() const { return count; }
    void clear() {
        slots.clear();
        count = 0;
    }
    size_t memoryUse() const { return slots.capacity() * sizeof(SLOT); }
    void reserve(uint32_t n) {
        while (size_t(n) * 4 > slots.size() * 3) grow();
    }

private:
    struct SLOT {
        uint32_t hash = 0;
        uint32_t numberPlusOne = 0; // 0 marks an empty slot
    };
    std::vector<SLOT> slots;
    uint32_t count = 0;

    void place(uint32_t hash, uint32_t number) {
        size_t mask = slots.size() - 1;
        size_t i = hash & mask;
        while (slots[i].numberPlusOne != 0) i = (i + 1) & mask;
        slots[i].hash = hash;
        slots[i].numberPlusOne = number + 1;
    }
    void grow() {
        std::vector<SLOT> old;
        old.swap(slots);
        slots.resize(old.empty() ? 16 : old.size() * 2);
        for (const SLOT &s : old)
            if (s.numberPlusOne != 0) place(s.hash, s.numberPlusOne - 1);
    }
};
