// Array: a growable array of trivially copyable elements, stored on the heap or in an
// arena. Its growth rule is fixed (see reserve) because other components size their
// arenas and estimates by it.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <span>
#include <type_traits>
#include <utility>

#include "foundation/arena.h"

namespace tessel {

template <typename T>
class Array {
    static_assert(std::is_trivially_copyable_v<T>, "Array moves its elements with memcpy");

public:
    Array() = default;
    // With an arena, storage comes from it and is never freed one by one. A zero-filling
    // array clears every slot it grows into.
    explicit Array(Arena* arena, bool zero_fill = false) : arena_(arena), zero_fill_(zero_fill) {}
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    Array(Array&& other) noexcept { take(other); }
    Array& operator=(Array&& other) noexcept {
        if (this != &other) {
            free_storage();
            take(other);
        }
        return *this;
    }
    ~Array() { free_storage(); }

    int32_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    int32_t capacity() const { return capacity_; }
    Arena* arena() const { return arena_; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T* begin() { return data_; }
    T* end() { return data_ + count_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + count_; }
    T& operator[](int32_t i) {
        assert(i >= 0 && i < count_);
        return data_[i];
    }
    const T& operator[](int32_t i) const {
        assert(i >= 0 && i < count_);
        return data_[i];
    }
    T& back() { return (*this)[count_ - 1]; }
    const T& back() const { return (*this)[count_ - 1]; }
    std::span<T> span() { return {data_, static_cast<size_t>(count_)}; }
    std::span<const T> span() const { return {data_, static_cast<size_t>(count_)}; }

    // Capacity for n elements. A full array doubles until n fits; an array without storage
    // starts at (n / 2) * 2 + 2, so asking for 1 or 2 gives 2 or 4 slots.
    void reserve(int32_t n) {
        if (capacity_ >= n) return;
        int64_t capacity = capacity_ ? capacity_ : (n / 2) * 2 + 2;
        while (capacity < n) capacity *= 2;
        regrow(static_cast<int32_t>(capacity));
    }
    void resize(int32_t n, bool zero_new_tail = true) {
        reserve(n);
        if (n > count_ && zero_new_tail)
            std::memset(static_cast<void*>(data_ + count_), 0, sizeof(T) * (n - count_));
        count_ = n;
    }
    void clear() { count_ = 0; }
    void push_back(const T& value) {
        if (count_ == capacity_) {
            // value may be one of this array's elements, which growth frees on the heap.
            T copy = value;
            reserve(count_ + 1);
            data_[count_++] = copy;
            return;
        }
        data_[count_++] = value;
    }
    void pop_back() {
        assert(count_ > 0);
        --count_;
    }
    // A positive count opens that many zero-filled slots at index; a negative count closes
    // -count slots starting at index.
    void shift(int32_t index, int32_t count) {
        assert(index >= 0 && index <= count_);
        if (count > 0) {
            reserve(count_ + count);
            std::memmove(static_cast<void*>(data_ + index + count), data_ + index,
                         sizeof(T) * (count_ - index));
            std::memset(static_cast<void*>(data_ + index), 0, sizeof(T) * count);
            count_ += count;
        } else if (count < 0) {
            assert(index - count <= count_);
            std::memmove(static_cast<void*>(data_ + index), data_ + index - count,
                         sizeof(T) * (count_ - index + count));
            count_ += count;
        }
    }
    void append(std::span<const T> items) {
        int32_t n = static_cast<int32_t>(items.size());
        if (!n) return;
        const T* source = items.data();
        if (count_ + n > capacity_) {
            // items may be this array's own elements (append_all(*this)): growth moves them
            // and frees the old heap storage, so they are read from their new place.
            std::less<const T*> before;
            bool own = !before(source, data_) && before(source, data_ + count_);
            ptrdiff_t offset = own ? source - data_ : 0;
            reserve(count_ + n);
            if (own) source = data_ + offset;
        }
        std::memcpy(static_cast<void*>(data_ + count_), source, sizeof(T) * n);
        count_ += n;
    }
    void append_all(const Array& other) { append(other.span()); }
    // Fresh storage of the given capacity holding count elements whose values are undefined
    // (zero in a zero-filling array); the old elements are dropped.
    void assign_uninitialised(int32_t capacity, int32_t count) {
        assert(count <= capacity);
        free_storage();
        data_ = nullptr;
        capacity_ = 0;
        count_ = 0;
        if (capacity) regrow(capacity);
        count_ = count;
    }

private:
    void regrow(int32_t capacity) {
        size_t bytes = sizeof(T) * static_cast<size_t>(capacity);
        T* fresh;
        if (arena_) {
            fresh = static_cast<T*>(arena_->allocate(static_cast<uint32_t>(bytes), alignof(T)));
        } else {
            fresh = static_cast<T*>(std::malloc(bytes));
            if (!fresh) throw std::bad_alloc();
        }
        if (count_) std::memcpy(static_cast<void*>(fresh), data_, sizeof(T) * count_);
        if (zero_fill_)
            std::memset(static_cast<void*>(fresh + count_), 0, sizeof(T) * (capacity - count_));
        if (!arena_) std::free(data_);
        data_ = fresh;
        capacity_ = capacity;
    }
    void free_storage() {
        if (!arena_) std::free(data_);
    }
    void take(Array& other) {
        arena_ = other.arena_;
        zero_fill_ = other.zero_fill_;
        count_ = other.count_;
        capacity_ = other.capacity_;
        data_ = other.data_;
        other.count_ = other.capacity_ = 0;
        other.data_ = nullptr;
    }

    Arena* arena_ = nullptr;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    T* data_ = nullptr;
    bool zero_fill_ = false;
};

}  // namespace tessel
