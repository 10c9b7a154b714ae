// Arena: a bump allocator over a chain of blocks, released to a mark or reset in one step.
// Parse trees, layouts and scratch texts live in arenas so that they cost no heap
// allocation per node and are discarded in constant time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

// Where an arena stood: the block it was filling and how much of it was used.
struct ArenaMark {
    int32_t block = 0;
    uint32_t used = 0;
};

class Arena {
public:
    // Every arena reserves this much of its first block for its own header, so the inline
    // block of an arena with default block size S holds S - kHeaderBytes data bytes.
    static constexpr uint32_t kHeaderBytes = 48;

    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    virtual ~Arena();

    // n bytes, not aligned beyond what the previous allocations leave.
    void* allocate(uint32_t n) {
        if (n <= limit_ - used_) {
            void* p = base_ + used_;
            used_ += n;
            return p;
        }
        return allocate_slow(n);
    }
    // n bytes at an address that is a multiple of align (a power of two).
    void* allocate(uint32_t n, uint32_t align) {
        uint32_t pad = static_cast<uint32_t>(-reinterpret_cast<uintptr_t>(base_ + used_)) & (align - 1);
        if (pad <= limit_ - used_ && n <= limit_ - used_ - pad) {
            void* p = base_ + used_ + pad;
            used_ += pad + n;
            return p;
        }
        return allocate_slow(n, align);
    }
    template <typename T>
    T* allocate_array(uint32_t count) {
        return static_cast<T*>(allocate(static_cast<uint32_t>(count * sizeof(T)), alignof(T)));
    }
    // A zero-terminated copy of n bytes.
    char* copy_text(const char* text, uint32_t n);
    // Bytes of default-sized blocks (16 KiB and 128 KiB) that arenas gave back and the next
    // arenas will take before asking the system (at most 256 MiB, shared by all threads).
    static size_t cached_block_bytes();

    ArenaMark mark() const { return {current_block(), used_}; }
    // Frees everything allocated after the mark; bytes of the current block given back
    // are overwritten with 0xBB so that stale pointers show.
    void release(ArenaMark mark);
    // Frees every overflow block and the spare; the inline block becomes current, empty.
    void reset();
    // Heap bytes held by overflow blocks plus the default block size.
    uint64_t footprint() const { return overflow_bytes_ + default_block_size_; }

    uint32_t used() const { return used_; }
    uint32_t limit() const { return limit_; }
    uint32_t default_block_size() const { return default_block_size_; }
    int32_t block_count() const { return block_count_; }
    uint64_t overflow_bytes() const { return overflow_bytes_; }
    bool has_spare_block() const { return spare_ != nullptr; }
    // Data capacity of block i (the size word at its front).
    uint32_t block_size(int32_t i) const;
    // The bytes of all blocks the arena holds (for memory figures).
    uint64_t held_bytes() const {
        uint64_t bytes = 0;
        for (int32_t i = 0; i < block_count_; ++i) bytes += block_size(i);
        return bytes;
    }

protected:
    uint32_t* first_block() const { return blocks_[0]; }
    // first_block points at a size word followed by default_block_size - kHeaderBytes
    // data bytes; it belongs to the derived object and is never freed here.
    Arena(uint32_t* first_block, uint32_t default_block_size);

private:
    int32_t current_block() const { return block_count_ - 1; }
    void* allocate_slow(uint32_t n, uint32_t align = 1);
    void push_block(uint32_t* block);
    void free_block(uint32_t* block);

    uint32_t used_ = 0;
    uint8_t* base_ = nullptr;
    uint32_t limit_ = 0;
    uint32_t default_block_size_;
    // Block list with its first slot inline; it doubles when full.
    uint32_t** blocks_;
    int32_t block_count_ = 1;
    int32_t block_capacity_ = 1;
    uint32_t* first_slot_;
    uint64_t overflow_bytes_ = 0;
    uint32_t* spare_ = nullptr;
};

// A 512-byte arena meant for the stack or a member: its first block is inline.
class SmallArena final : public Arena {
public:
    static constexpr uint32_t kBlockSize = 512;
    SmallArena() : Arena(storage_, kBlockSize) {}

private:
    alignas(16) uint32_t storage_[(kBlockSize - kHeaderBytes) / 4 + 1];
};

// An arena of another default block size whose first block is one heap allocation.
class HeapArena : public Arena {
public:
    explicit HeapArena(uint32_t default_block_size);
    ~HeapArena() override;
};

// 16 KiB default blocks: document trees, view layouts.
class LargeArena final : public HeapArena {
public:
    static constexpr uint32_t kBlockSize = 0x4000;
    LargeArena() : HeapArena(kBlockSize) {}
};

// 128 KiB default blocks: the biggest per-operation scratch spaces.
class HugeArena final : public HeapArena {
public:
    static constexpr uint32_t kBlockSize = 0x20000;
    HugeArena() : HeapArena(kBlockSize) {}
};

}  // namespace tessel
