// A growable array whose elements never move: storage comes in chunks of a fixed power-of-two
// size, so an element's address stays valid while later elements are appended, and indexing is a
// shift and a mask. The interning tables and the ground atom table keep their entries here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

template <class T, unsigned CHUNK_BITS = 12> class CHUNKED_VECTOR {
public:
    static constexpr size_t CHUNK = size_t(1) << CHUNK_BITS;

    CHUNKED_VECTOR() = default;
    CHUNKED_VECTOR(const CHUNKED_VECTOR &) = delete;
    CHUNKED_VECTOR &operator=(const CHUNKED_VECTOR &) = delete;
    ~CHUNKED_VECTOR() { clear(); }

    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    T &operator[](size_t i) { return chunks[i >> CHUNK_BITS][i & (CHUNK - 1)]; }
    const T &operator[](size_t i) const { return chunks[i >> CHUNK_BITS][i & (CHUNK - 1)]; }

    template <class... ARGS> T &emplace_back(ARGS &&...args) {
        if ((count & (CHUNK - 1)) == 0 && (count >> CHUNK_BITS) == chunks.size())
            chunks.push_back(static_cast<T *>(::operator new(CHUNK * sizeof(T), std::align_val_t(alignof(T)))));
        T *slot = &chunks[count >> CHUNK_BITS][count & (CHUNK - 1)];
        new (slot) T(std::forward<ARGS>(args)...);
        count++;
        return *slot;
    }
    void push_back(const T &value) { emplace_back(value); }
    void push_back(T &&value) { emplace_back(std::move(value)); }

    void clear() {
        for (size_t i = 0; i < count; i++) (*this)[i].~T();
        for (T *chunk : chunks) ::operator delete(chunk, std::align_val_t(alignof(T)));
        chunks.clear();
        count = 0;
    }

private:
    std::vector<T *> chunks;
    size_t count = 0;
};
