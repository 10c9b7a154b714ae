// Tests of IntMap: random operations against a reference model, slot reuse, iteration order,
// collisions and the bucket hash.
#include "foundation/int_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "foundation/arena.h"
#include "tests/foundation/map_model.h"

namespace tessel {
namespace {

const std::vector<int32_t> kKeys = {0,  1,  2,  3,  4,   5,    7,       8,      16,
                                    -1, -2, 31, 64, 100, 1023, 1024, INT32_MIN, INT32_MAX};

TEST(IntMap, RandomOperationsMatchModel) {
    for (int32_t buckets : {2, 8, 1024}) {
        for (uint32_t seed = 1; seed <= 4; ++seed) {
            SCOPED_TRACE(::testing::Message() << buckets << " buckets");
            IntMap<uint32_t> map(buckets);
            testing::run_random_operations(map, kKeys, kKeys, seed, 1500);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(IntMap, RandomOperationsInArenaMatchModel) {
    // A small arena makes the entry array move through several overflow blocks.
    SmallArena arena;
    IntMap<uint32_t> map(4, &arena);
    testing::run_random_operations(map, kKeys, kKeys, 99, 2000);
    EXPECT_GT(arena.block_count(), 1);
}

TEST(IntMap, RemovedSlotIsReusedAndKeepsItsPlaceInIteration) {
    IntMap<uint32_t> map(16);
    map.insert_or_assign(10, 100);
    map.insert_or_assign(20, 200);
    map.insert_or_assign(30, 300);
    EXPECT_FALSE(map.remove(20, 201));  // the value must match too
    EXPECT_TRUE(map.remove(20, 200));
    EXPECT_FALSE(map.remove(20, 200));
    EXPECT_EQ(map.count(), 2);
    map.insert_or_assign(40, 400);
    EXPECT_EQ(map.entry_slots(), 3);
    std::vector<std::pair<int32_t, uint32_t>> seen;
    for (auto [key, value] : map) seen.emplace_back(key, value);
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, uint32_t>>{{10, 100}, {40, 400}, {30, 300}}));

    // Two removals free two slots; the one freed last is taken first.
    EXPECT_TRUE(map.remove(10, 100));
    EXPECT_TRUE(map.remove(30, 300));
    map.insert_or_assign(50, 500);
    map.insert_or_assign(60, 600);
    map.insert_or_assign(70, 700);
    seen.clear();
    for (auto [key, value] : map) seen.emplace_back(key, value);
    EXPECT_EQ(seen, (std::vector<std::pair<int32_t, uint32_t>>{
                        {60, 600}, {40, 400}, {50, 500}, {70, 700}}));
}

TEST(IntMap, CollidingKeysInTwoBuckets) {
    IntMap<uint32_t> map(2);
    // Hundreds of keys share two chains; every one must still be found and removable.
    for (int32_t k = 0; k < 300; ++k) map.insert_or_assign(k * 7, static_cast<uint32_t>(k));
    EXPECT_EQ(map.count(), 300);
    for (int32_t k = 0; k < 300; ++k) {
        uint32_t value = 0;
        ASSERT_TRUE(map.find(k * 7, &value));
        EXPECT_EQ(value, static_cast<uint32_t>(k));
        EXPECT_FALSE(map.contains(k * 7 + 1));
    }
    for (int32_t k = 0; k < 300; k += 2) ASSERT_TRUE(map.remove(k * 7, static_cast<uint32_t>(k)));
    for (int32_t k = 0; k < 300; ++k) EXPECT_EQ(map.contains(k * 7), k % 2 == 1) << k;
}

TEST(IntMap, SeveralValuesPerKey) {
    IntMap<uint32_t> map(8);
    EXPECT_EQ(map.insert_pair_unique(5, 1), nullptr);
    EXPECT_EQ(map.insert_pair_unique(5, 2), nullptr);
    const auto* existing = map.insert_pair_unique(5, 1);
    ASSERT_NE(existing, nullptr);
    EXPECT_EQ(existing->key, 5);
    EXPECT_EQ(existing->value, 1u);
    EXPECT_EQ(map.count(), 2);
    // The entry inserted last is the one a lookup sees and the one insert_or_assign changes.
    uint32_t value = 0;
    ASSERT_TRUE(map.find(5, &value));
    EXPECT_EQ(value, 2u);
    map.insert_or_assign(5, 3);
    EXPECT_TRUE(map.remove(5, 1));
    EXPECT_FALSE(map.remove(5, 2));
    EXPECT_TRUE(map.remove(5, 3));
    EXPECT_TRUE(map.empty());
}

TEST(IntMap, FindPtrReachesTheStoredValue) {
    IntMap<int*> map(32);
    int a = 1, b = 2;
    EXPECT_EQ(map.find_ptr(3), nullptr);
    map.insert_or_assign(3, &a);
    int** slot = map.find_ptr(3);
    ASSERT_NE(slot, nullptr);
    *slot = &b;
    int* found = nullptr;
    ASSERT_TRUE(map.find(3, &found));
    EXPECT_EQ(found, &b);
    EXPECT_TRUE(map.remove(3, &b));
    EXPECT_TRUE(map.begin() == map.end());
}

TEST(IntMap, BucketIsMaskOfLinearCongruentialHash) {
    IntMap<uint32_t> map(1024);
    // Worked by hand: 0 * 214013 + 2531011 = 2531011 = 2471 * 1024 + 707, and so on.
    EXPECT_EQ(map.bucket_of(0), 707);
    EXPECT_EQ(map.bucket_of(1), 704);
    EXPECT_EQ(map.bucket_of(-1), 710);
    // Only the key's low bits reach the mask: keys 2^31 apart share a bucket.
    EXPECT_EQ(map.bucket_of(INT32_MIN), 707);
    EXPECT_EQ(map.bucket_of(INT32_MAX), 710);
    IntMap<uint32_t> small(64);
    EXPECT_EQ(small.bucket_of(0), 3);
    EXPECT_EQ(small.bucket_of(-1), 6);
    IntMap<uint32_t> two(2);
    EXPECT_EQ(two.bucket_of(0), 1);
    EXPECT_EQ(two.bucket_of(1), 0);
    // The multiplier is odd, so the hash is one-to-one modulo any power of two: any run of
    // `buckets` consecutive keys (row numbers, node indexes) fills every bucket once.
    for (int32_t buckets : {2, 64, 1024}) {
        for (int32_t first : {0, -500, INT32_MAX - 2000}) {
            IntMap<uint32_t> m(buckets);
            std::vector<int> hits(static_cast<size_t>(buckets), 0);
            for (int32_t key = first; key < first + buckets; ++key) ++hits[static_cast<size_t>(m.bucket_of(key))];
            EXPECT_EQ(std::count(hits.begin(), hits.end(), 1), buckets) << buckets << " from " << first;
        }
    }
}

}  // namespace
}  // namespace tessel
