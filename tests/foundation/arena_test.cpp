// Tests of Arena: block sizes, dedicated blocks, release to marks (fill, spare block),
// reset, footprint and alignment, plus a random run that checks no allocation overlaps or
// loses its bytes.
#include "foundation/arena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace tessel {
namespace {

// Overflow blocks on the chain, each counted as its size plus its size word.
uint64_t chained_overflow_bytes(const Arena& arena) {
    uint64_t total = 0;
    for (int32_t i = 1; i < arena.block_count(); ++i) total += uint64_t{arena.block_size(i)} + 4;
    return total;
}

bool all_bytes(const void* p, size_t n, uint8_t byte) {
    const auto* b = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != byte) return false;
    return true;
}

TEST(Arena, InlineBlockHoldsDefaultSizeLessHeader) {
    SmallArena small;
    LargeArena large;
    HugeArena huge;
    EXPECT_EQ(small.limit(), 512u - 48);
    EXPECT_EQ(large.limit(), 0x4000u - 48);
    EXPECT_EQ(huge.limit(), 0x20000u - 48);
    EXPECT_EQ(small.footprint(), 512u);
    EXPECT_EQ(large.footprint(), 0x4000u);
    EXPECT_EQ(huge.footprint(), 0x20000u);

    // The whole inline block is usable, and the first byte past it starts a default block.
    auto* p = static_cast<uint8_t*>(small.allocate(464));
    std::memset(p, 1, 464);
    EXPECT_EQ(small.block_count(), 1);
    EXPECT_EQ(small.used(), 464u);
    small.allocate(1);
    EXPECT_EQ(small.block_count(), 2);
    EXPECT_EQ(small.block_size(1), 512u);
    EXPECT_EQ(small.used(), 1u);
    EXPECT_EQ(small.footprint(), 512u + 516);
}

TEST(Arena, OversizedRequestGetsDedicatedBlockThenDefaultBlock) {
    SmallArena arena;
    arena.allocate(10);
    auto* big = static_cast<uint8_t*>(arena.allocate(2000));
    std::memset(big, 7, 2000);
    EXPECT_EQ(arena.block_count(), 2);
    EXPECT_EQ(arena.block_size(1), 2000u);
    EXPECT_EQ(arena.used(), 2000u);
    EXPECT_EQ(arena.overflow_bytes(), 2004u);

    arena.allocate(16);
    EXPECT_EQ(arena.block_count(), 3);
    EXPECT_EQ(arena.block_size(2), 512u);
    EXPECT_EQ(arena.used(), 16u);
    EXPECT_EQ(arena.footprint(), 2004u + 516 + 512);
    EXPECT_TRUE(all_bytes(big, 2000, 7));

    LargeArena large;
    large.allocate(0x5000);
    EXPECT_EQ(large.block_size(1), 0x5000u);
    large.allocate(1);
    EXPECT_EQ(large.block_size(2), 0x4000u);
    EXPECT_EQ(large.footprint(), 0x5004u + 0x4004 + 0x4000);
}

TEST(Arena, ReleaseInsideCurrentBlockFillsReleasedBytes) {
    SmallArena arena;
    auto* kept = static_cast<uint8_t*>(arena.allocate(40));
    std::memset(kept, 0x11, 40);
    ArenaMark mark = arena.mark();
    auto* gone = static_cast<uint8_t*>(arena.allocate(100));
    std::memset(gone, 0x22, 100);
    arena.release(mark);
    EXPECT_EQ(arena.used(), 40u);
    EXPECT_TRUE(all_bytes(gone, 100, 0xBB));
    EXPECT_TRUE(all_bytes(kept, 40, 0x11));
    EXPECT_EQ(arena.allocate(8), gone);  // allocation resumes at the mark

    // The same inside an overflow block.
    arena.allocate(420);
    ArenaMark inner = arena.mark();
    auto* q = static_cast<uint8_t*>(arena.allocate(30));
    std::memset(q, 0x33, 30);
    arena.release(inner);
    EXPECT_EQ(arena.block_count(), 2);
    EXPECT_TRUE(all_bytes(q, 30, 0xBB));
}

TEST(Arena, ReleaseAcrossBlocksKeepsDefaultSizedLastBlockAsSpare) {
    SmallArena arena;
    arena.allocate(100);
    ArenaMark mark = arena.mark();
    uint8_t* last_block_start = nullptr;
    for (int i = 0; i < 3; ++i) last_block_start = static_cast<uint8_t*>(arena.allocate(400));
    ASSERT_EQ(arena.block_count(), 4);
    arena.release(mark);
    EXPECT_EQ(arena.block_count(), 1);
    EXPECT_EQ(arena.used(), 100u);
    EXPECT_TRUE(arena.has_spare_block());
    EXPECT_EQ(arena.overflow_bytes(), 516u);  // the spare still counts
    EXPECT_EQ(arena.footprint(), 516u + 512);

    // Continuing in the inline block, then spilling over, takes the spare back.
    arena.allocate(8);
    EXPECT_EQ(arena.used(), 108u);
    EXPECT_EQ(arena.allocate(400), last_block_start);
    EXPECT_FALSE(arena.has_spare_block());
    EXPECT_EQ(arena.overflow_bytes(), 516u);
    EXPECT_EQ(arena.block_count(), 2);
}

TEST(Arena, ReleaseAcrossBlocksFreesOversizedLastBlock) {
    SmallArena arena;
    ArenaMark mark = arena.mark();
    arena.allocate(300);
    arena.allocate(300);   // a default overflow block
    arena.allocate(3000);  // dedicated, and last
    ASSERT_EQ(arena.block_count(), 3);
    arena.release(mark);
    EXPECT_FALSE(arena.has_spare_block());
    EXPECT_EQ(arena.overflow_bytes(), 0u);
    EXPECT_EQ(arena.used(), 0u);
    EXPECT_EQ(arena.footprint(), 512u);
}

TEST(Arena, ReleaseToMarkInOverflowBlock) {
    SmallArena arena;
    arena.allocate(400);
    arena.allocate(100);
    ArenaMark mark = arena.mark();
    ASSERT_EQ(mark.block, 1);
    auto* next = static_cast<uint8_t*>(arena.allocate(0));
    for (int i = 0; i < 6; ++i) arena.allocate(300);
    arena.release(mark);
    EXPECT_EQ(arena.block_count(), 2);
    EXPECT_EQ(arena.used(), 100u);
    EXPECT_EQ(arena.overflow_bytes(), chained_overflow_bytes(arena) + 516);  // plus the spare
    EXPECT_EQ(arena.allocate(4), next);
}

TEST(Arena, ResetFreesOverflowBlocks) {
    SmallArena arena;
    void* first = arena.allocate(0);
    ArenaMark mark = arena.mark();
    for (int i = 0; i < 50; ++i) arena.allocate(i % 7 == 0 ? 1000 : 200);
    ASSERT_GT(arena.block_count(), 20);  // beyond the inline slot of the block list
    arena.release(mark);
    for (int i = 0; i < 5; ++i) arena.allocate(300);
    arena.reset();
    EXPECT_EQ(arena.block_count(), 1);
    EXPECT_EQ(arena.used(), 0u);
    EXPECT_EQ(arena.overflow_bytes(), 0u);
    EXPECT_FALSE(arena.has_spare_block());
    EXPECT_EQ(arena.footprint(), 512u);
    EXPECT_EQ(arena.allocate(10), first);
}

TEST(Arena, BlocksGivenBackAreTakenByTheNextArena) {
    std::vector<void*> first_blocks;
    {
        LargeArena a;
        for (int i = 0; i < 4; ++i) first_blocks.push_back(a.allocate(LargeArena::kBlockSize - 100));
    }
    const size_t cached = Arena::cached_block_bytes();
    EXPECT_GE(cached, 3 * size_t{LargeArena::kBlockSize});
    LargeArena b;
    std::vector<void*> again;
    for (int i = 0; i < 4; ++i) again.push_back(b.allocate(LargeArena::kBlockSize - 100));
    // The overflow blocks come from the cache, not from the system.
    EXPECT_EQ(Arena::cached_block_bytes() + 3 * size_t{LargeArena::kBlockSize}, cached);
    // An oversized block is not kept.
    {
        LargeArena c;
        c.allocate(LargeArena::kBlockSize * 3);
    }
    EXPECT_EQ(Arena::cached_block_bytes() + 3 * size_t{LargeArena::kBlockSize}, cached);
}

TEST(Arena, AlignedAllocation) {
    SmallArena arena;
    for (uint32_t align : {1u, 2u, 4u, 8u, 16u, 32u, 64u}) {
        arena.allocate(1);  // leave the cursor odd
        auto* p = static_cast<uint8_t*>(arena.allocate(3, align));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % align, 0u) << align;
        std::memset(p, 0, 3);
    }
    // In a fresh overflow block and in a dedicated one.
    arena.allocate(arena.limit() - arena.used());
    auto* q = static_cast<uint8_t*>(arena.allocate(5, 64));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(q) % 64, 0u);
    auto* big = static_cast<uint8_t*>(arena.allocate(4000, 32));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(big) % 32, 0u);
    std::memset(big, 0, 4000);
    auto* d = arena.allocate_array<double>(3);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(d) % alignof(double), 0u);
}

TEST(Arena, CopyTextIsZeroTerminated) {
    SmallArena arena;
    char* text = arena.copy_text("element name", 7);
    EXPECT_STREQ(text, "element");
    EXPECT_STREQ(arena.copy_text("", 0), "");
}

// Random allocations (some aligned, some oversized) interleaved with marks and releases.
// Every live allocation holds a byte pattern of its own that must survive everything done
// after it, and the overflow accounting must match the chain.
TEST(Arena, RandomAllocationsNeverOverlap) {
    struct Live {
        uint8_t* p;
        uint32_t n;
        uint8_t byte;
    };
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        std::mt19937 rng(seed);
        SmallArena arena;
        std::vector<Live> live;
        std::vector<std::pair<ArenaMark, size_t>> marks;
        for (int step = 0; step < 3000; ++step) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << " step " << step);
            uint32_t r = rng() % 100;
            if (r < 70) {
                uint32_t n = rng() % 5 == 0 ? rng() % 1500 : rng() % 64;
                bool aligned = rng() % 2;
                uint32_t align = aligned ? 1u << (rng() % 5) : 1;
                auto* p = static_cast<uint8_t*>(aligned ? arena.allocate(n, align)
                                                        : arena.allocate(n));
                ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % align, 0u);
                uint8_t byte = static_cast<uint8_t>(step % 250 + 1);
                std::memset(p, byte, n);
                live.push_back({p, n, byte});
            } else if (r < 85) {
                marks.emplace_back(arena.mark(), live.size());
            } else if (!marks.empty()) {
                auto [mark, kept] = marks.back();
                marks.pop_back();
                arena.release(mark);
                live.resize(kept);
            } else {
                arena.reset();
                live.clear();
                marks.clear();
            }
            ASSERT_EQ(arena.footprint(), arena.overflow_bytes() + 512);
            uint64_t chained = chained_overflow_bytes(arena);
            ASSERT_EQ(arena.overflow_bytes(),
                      chained + (arena.has_spare_block() ? 516 : 0));
            for (const Live& a : live) ASSERT_TRUE(all_bytes(a.p, a.n, a.byte));
        }
    }
}

}  // namespace
}  // namespace tessel
