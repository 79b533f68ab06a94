// A growable array of trivially copyable elements that keeps up to N of them inside itself and
// more in one heap block: 16 bytes when N elements take at most 8. The ground program's heads and
// bodies are short, so most ground rules then cost no heap block at all. It offers the part of
// std::vector's interface that its users need (iteration, indexing, push_back, insert and erase
// at a position); copies are deep.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <type_traits>
#include <vector>

template <class T, uint32_t N> class SMALL_VECTOR {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    using value_type = T;
    using iterator = T *;
    using const_iterator = const T *;
    using size_type = size_t;

    SMALL_VECTOR() = default;
    SMALL_VECTOR(std::initializer_list<T> values) { assign(values.begin(), values.end()); }
    explicit SMALL_VECTOR(const std::vector<T> &values) { assign(values.data(), values.data() + values.size()); }
    SMALL_VECTOR(const SMALL_VECTOR &other) { assign(other.begin(), other.end()); }
    SMALL_VECTOR(SMALL_VECTOR &&other) noexcept { take(other); }
    SMALL_VECTOR &operator=(const SMALL_VECTOR &other) {
        if (this != &other) {
            clear();
            assign(other.begin(), other.end());
        }
        return *this;
    }
    SMALL_VECTOR &operator=(SMALL_VECTOR &&other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~SMALL_VECTOR() { release(); }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T *data() { return onHeap() ? heap_ : reinterpret_cast<T *>(inline_); }
    const T *data() const { return onHeap() ? heap_ : reinterpret_cast<const T *>(inline_); }
    T *begin() { return data(); }
    T *end() { return data() + size_; }
    const T *begin() const { return data(); }
    const T *end() const { return data() + size_; }
    T &operator[](size_t i) { return data()[i]; }
    const T &operator[](size_t i) const { return data()[i]; }
    T &front() { return data()[0]; }
    const T &front() const { return data()[0]; }
    T &back() { return data()[size_ - 1]; }
    const T &back() const { return data()[size_ - 1]; }

    void reserve(size_t n) {
        if (n <= capacity_) return;
        T *block = new T[n];
        std::memcpy(static_cast<void *>(block), data(), size_ * sizeof(T));
        if (onHeap()) delete[] heap_;
        heap_ = block;
        capacity_ = uint32_t(n);
    }
    void push_back(const T &value) {
        T copy = value; // the value may live in this array
        if (size_ == capacity_) reserve(size_t(capacity_) * 2);
        std::memcpy(static_cast<void *>(data() + size_), &copy, sizeof(T));
        size_++;
    }
    T *insert(const T *position, const T &value) {
        size_t at = size_t(position - data());
        T copy = value;
        if (size_ == capacity_) reserve(size_t(capacity_) * 2);
        T *d = data();
        std::memmove(static_cast<void *>(d + at + 1), d + at, (size_ - at) * sizeof(T));
        std::memcpy(static_cast<void *>(d + at), &copy, sizeof(T));
        size_++;
        return d + at;
    }
    T *erase(const T *position) {
        size_t at = size_t(position - data());
        T *d = data();
        std::memmove(static_cast<void *>(d + at), d + at + 1, (size_ - at - 1) * sizeof(T));
        size_--;
        return d + at;
    }
    void pop_back() { size_--; }
    void clear() { size_ = 0; }

    friend bool operator==(const SMALL_VECTOR &a, const SMALL_VECTOR &b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
    friend bool operator==(const SMALL_VECTOR &a, const std::vector<T> &b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    uint32_t size_ = 0;
    uint32_t capacity_ = N;
    union {
        alignas(T) unsigned char inline_[N * sizeof(T)];
        T *heap_;
    };

    bool onHeap() const { return capacity_ > N; }
    void assign(const T *from, const T *to) {
        if (from == to) return; // also an empty std::vector's null data
        reserve(size_t(to - from));
        std::memcpy(static_cast<void *>(data()), from, size_t(to - from) * sizeof(T));
        size_ = uint32_t(to - from);
    }
    void release() {
        if (onHeap()) delete[] heap_;
        capacity_ = N;
        size_ = 0;
    }
    void take(SMALL_VECTOR &other) {
        size_ = other.size_;
        capacity_ = other.capacity_;
        if (other.onHeap()) heap_ = other.heap_;
        else std::memcpy(inline_, other.inline_, size_t(other.size_) * sizeof(T));
        other.size_ = 0;
        other.capacity_ = N;
    }
};
