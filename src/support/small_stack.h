// SMALL_STACK: the explicit stack of a walk over nested terms, local to the walk. Its first N
// entries live inside the object, on the caller's frame, and only a walk deeper than that moves
// the stack to the heap (doubling as it grows). So a walk allocates nothing for terms of ordinary
// depth, shares no buffer with any other walk (walks may nest), and still takes any depth.
//
// Entries are plain values (trivially copyable); the stack does not initialise slots it has not
// used yet.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>

template <class T, size_t N> class SMALL_STACK {
    static_assert(std::is_trivially_copyable_v<T> && N > 0 && alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

public:
    SMALL_STACK() = default;
    SMALL_STACK(const SMALL_STACK &) = delete;
    SMALL_STACK &operator=(const SMALL_STACK &) = delete;
    ~SMALL_STACK() {
        if (items != inPlace()) delete[] reinterpret_cast<unsigned char *>(items);
    }

    bool empty() const { return top == items; }
    size_t size() const { return size_t(top - items); }
    T &back() { return top[-1]; }
    T &operator[](size_t i) { return items[i]; }
    // The entries from `start` to the top.
    std::span<const T> from(size_t start) const { return {items + start, top}; }

    void push_back(const T &value) {
        if (top == limit) grow();
        std::construct_at(top, value);
        ++top;
    }
    void pop_back() { --top; }
    // Drops the entries above the first `size` ones.
    void truncate(size_t size) { top = items + size; }
    void clear() { top = items; }

private:
    alignas(T) unsigned char local[N * sizeof(T)];
    T *items = inPlace();
    T *top = items;
    T *limit = items + N;

    T *inPlace() { return reinterpret_cast<T *>(local); }
    void grow() {
        size_t count = size(), larger = 2 * size_t(limit - items);
        T *bigger = reinterpret_cast<T *>(new unsigned char[larger * sizeof(T)]);
        std::memcpy(static_cast<void *>(bigger), items, count * sizeof(T));
        if (items != inPlace()) delete[] reinterpret_cast<unsigned char *>(items);
        items = bigger;
        top = bigger + count;
        limit = bigger + larger;
    }
};
