// Arena: block chain management; the fast path of allocate is inline in the header.
#include "foundation/arena.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace tessel {

namespace {

// Blocks of the two common default sizes, kept after their arena is done with them for the
// next arena that needs one. A document tree or view of a large document takes thousands of
// blocks and gives them all back when it is replaced; returning them to the system would
// make the next parse fault in fresh pages again (and the C library trims its heap on every
// such free). The cache holds at most kCachedBytes; it is shared by all threads.
class BlockCache {
public:
    static constexpr size_t kCachedBytes = size_t{256} << 20;

    static bool cacheable(uint32_t size) {
        return size == LargeArena::kBlockSize || size == HugeArena::kBlockSize;
    }
    uint32_t* take(uint32_t size) {
        std::lock_guard<std::mutex> guard(mutex_);
        std::vector<uint32_t*>& list = list_of(size);
        if (list.empty()) return nullptr;
        uint32_t* block = list.back();
        list.pop_back();
        bytes_ -= size;
        return block;
    }
    bool keep(uint32_t* block) {
        std::lock_guard<std::mutex> guard(mutex_);
        if (bytes_ + block[0] > kCachedBytes) return false;
        try {
            list_of(block[0]).push_back(block);
        } catch (const std::bad_alloc&) {
            return false;
        }
        bytes_ += block[0];
        return true;
    }
    size_t bytes() {
        std::lock_guard<std::mutex> guard(mutex_);
        return bytes_;
    }

private:
    std::vector<uint32_t*>& list_of(uint32_t size) {
        return size == LargeArena::kBlockSize ? large_ : huge_;
    }

    std::mutex mutex_;
    std::vector<uint32_t*> large_, huge_;
    size_t bytes_ = 0;
};

BlockCache& block_cache() {
    // Never destroyed: arenas in static objects may give blocks back during exit.
    static BlockCache* cache = new BlockCache;
    return *cache;
}

uint32_t* new_block(uint32_t size) {
    if (BlockCache::cacheable(size))
        if (uint32_t* block = block_cache().take(size)) return block;
    auto* block = static_cast<uint32_t*>(std::malloc(size_t{size} + 4));
    if (!block) throw std::bad_alloc();
    block[0] = size;
    return block;
}

void delete_block(uint32_t* block) {
    if (BlockCache::cacheable(block[0]) && block_cache().keep(block)) return;
    std::free(block);
}

uint8_t* data_of(uint32_t* block) { return reinterpret_cast<uint8_t*>(block + 1); }

}  // namespace

Arena::Arena(uint32_t* first_block, uint32_t default_block_size)
    : default_block_size_(default_block_size), blocks_(&first_slot_), first_slot_(first_block) {
    first_block[0] = default_block_size - kHeaderBytes;
    base_ = data_of(first_block);
    limit_ = first_block[0];
}

Arena::~Arena() {
    // The first block belongs to the derived object (and may already be gone): only the
    // overflow blocks are freed here.
    for (int32_t i = 1; i < block_count_; ++i) delete_block(blocks_[i]);
    if (spare_) delete_block(spare_);
    if (blocks_ != &first_slot_) std::free(blocks_);
}

uint32_t Arena::block_size(int32_t i) const {
    assert(i >= 0 && i < block_count_);
    return blocks_[i][0];
}

char* Arena::copy_text(const char* text, uint32_t n) {
    char* p = static_cast<char*>(allocate(n + 1));
    if (n) std::memcpy(p, text, n);
    p[n] = 0;
    return p;
}

void Arena::push_block(uint32_t* block) {
    if (block_count_ == block_capacity_) {
        int32_t capacity = block_capacity_ * 2;
        auto** list = static_cast<uint32_t**>(std::malloc(sizeof(uint32_t*) * capacity));
        if (!list) throw std::bad_alloc();
        std::memcpy(list, blocks_, sizeof(uint32_t*) * block_count_);
        if (blocks_ != &first_slot_) std::free(blocks_);
        blocks_ = list;
        block_capacity_ = capacity;
    }
    blocks_[block_count_++] = block;
    base_ = data_of(block);
    limit_ = block[0];
    used_ = 0;
}

void Arena::free_block(uint32_t* block) {
    overflow_bytes_ -= uint64_t{block[0]} + 4;
    delete_block(block);
}

size_t Arena::cached_block_bytes() {
    return block_cache().bytes();
}

void* Arena::allocate_slow(uint32_t n, uint32_t align) {
    // A request that does not fit gets a block of its own size (padding included) when it
    // is larger than the default block, otherwise a default block.
    uint32_t need = n + (align - 1);
    uint32_t size = need > default_block_size_ ? need : default_block_size_;
    uint32_t* block;
    if (spare_ && spare_[0] >= size) {
        block = spare_;
        spare_ = nullptr;
    } else {
        if (spare_) {
            free_block(spare_);
            spare_ = nullptr;
        }
        block = new_block(size);
        overflow_bytes_ += uint64_t{size} + 4;
    }
    push_block(block);
    uint32_t pad = static_cast<uint32_t>(-reinterpret_cast<uintptr_t>(base_)) & (align - 1);
    void* p = base_ + pad;
    used_ = pad + n;
    return p;
}

void Arena::release(ArenaMark mark) {
    assert(mark.block >= 0 && mark.block < block_count_);
    if (mark.block != current_block()) {
        uint32_t* last = blocks_[current_block()];
        for (int32_t i = mark.block + 1; i < current_block(); ++i) free_block(blocks_[i]);
        if (last[0] > default_block_size_) {
            free_block(last);
        } else {
            if (spare_) free_block(spare_);
            spare_ = last;
        }
        block_count_ = mark.block + 1;
        base_ = data_of(blocks_[mark.block]);
        limit_ = blocks_[mark.block][0];
        used_ = limit_;
    }
    assert(mark.used <= used_);
    std::memset(base_ + mark.used, 0xBB, used_ - mark.used);
    used_ = mark.used;
}

void Arena::reset() {
    for (int32_t i = 1; i < block_count_; ++i) free_block(blocks_[i]);
    if (spare_) free_block(spare_);
    spare_ = nullptr;
    block_count_ = 1;
    base_ = data_of(blocks_[0]);
    limit_ = blocks_[0][0];
    used_ = 0;
}

HeapArena::HeapArena(uint32_t default_block_size)
    : Arena(static_cast<uint32_t*>(::operator new(default_block_size - kHeaderBytes + 4)),
            default_block_size) {}

HeapArena::~HeapArena() {
    ::operator delete(first_block());
}

}  // namespace tessel
