// Tests of StrMap: random operations against a reference model with keys looked up through
// separate copies of their text, signed-byte hashing, collisions and slot reuse.
#include "foundation/str_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/arena.h"
#include "tests/foundation/map_model.h"

namespace tessel {
namespace {

// Distinct texts, several with bytes of 0x80 and above, one empty, and pairs that differ
// only in order, length or case.
const std::vector<std::string> kTexts = {
    "",     "a",      "b",      "ab",          "ba",      "element", "attribute", "\xC3\xA9",
    "\xFF", "\x80\x7F", "caf\xC3\xA9", "\xE2\x82\xAC", "xmlns", "xmlns:x", "id", "ID"};

struct KeySets {
    std::vector<std::string> probe_texts = kTexts;  // separate buffers with equal contents
    std::vector<const char*> keys, probes;
    KeySets() {
        for (size_t i = 0; i < kTexts.size(); ++i) {
            keys.push_back(kTexts[i].c_str());
            probes.push_back(probe_texts[i].c_str());
        }
    }
};

TEST(StrMap, RandomOperationsMatchModel) {
    KeySets sets;
    for (int32_t buckets : {2, 16, 1024}) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(::testing::Message() << buckets << " buckets");
            StrMap<uint32_t> map(buckets);
            testing::run_random_operations(map, sets.keys, sets.probes, seed, 1500);
            if (HasFatalFailure()) return;
        }
    }
}

TEST(StrMap, KeysAndEntriesInArena) {
    SmallArena arena;
    StrMap<uint32_t> map(8, &arena);
    std::vector<const char*> keys;
    for (int i = 0; i < 200; ++i) {
        std::string text = "name" + std::to_string(i);
        keys.push_back(arena.copy_text(text.c_str(), static_cast<uint32_t>(text.size())));
        map.insert_or_assign(keys.back(), static_cast<uint32_t>(i));
    }
    EXPECT_EQ(map.count(), 200);
    for (int i = 0; i < 200; ++i) {
        std::string text = "name" + std::to_string(i);
        uint32_t value = 0;
        ASSERT_TRUE(map.find(text.c_str(), &value)) << text;
        EXPECT_EQ(value, static_cast<uint32_t>(i));
    }
    EXPECT_FALSE(map.contains("name200"));
    EXPECT_FALSE(map.contains("name"));
}

TEST(StrMap, BucketHashTakesBytesAsSignedChars) {
    StrMap<uint32_t> map(1024);
    // By hand: 5381 * 33 - 61 = 177512 (0xC3 is -61), 177512 * 33 - 87 = 5857809 (0xA9 is
    // -87), and 5857809 = 5720 * 1024 + 529. Unsigned bytes would give bucket 17.
    EXPECT_EQ(map.bucket_of("\xC3\xA9"), 529);
    EXPECT_EQ(map.bucket_of(""), 5381 % 1024);
    EXPECT_EQ(map.bucket_of("a"), (5381 * 33 + 97) % 1024);
    // Worked with Python's unbounded integers, reduced modulo 2^32 after each step.
    EXPECT_EQ(map.bucket_of("\xFF"), 420);
    StrMap<uint32_t> columns(128);
    EXPECT_EQ(columns.bucket_of("xmlns"), 119);
    std::string long_text(5000, '\xF0');  // wraps around many times
    EXPECT_EQ(map.bucket_of(long_text.c_str()), 389);
    EXPECT_EQ(columns.bucket_of(long_text.c_str()), 5);
}

TEST(StrMap, RemovedSlotIsReused) {
    StrMap<int> map(2);
    map.insert_or_assign("one", 1);
    map.insert_or_assign("two", 2);
    map.insert_or_assign("three", 3);
    EXPECT_TRUE(map.remove("one", 1));
    map.insert_or_assign("four", 4);
    EXPECT_EQ(map.entry_slots(), 3);
    std::vector<std::string> order;
    for (auto [key, value] : map) order.push_back(std::string(key) + "=" + std::to_string(value));
    EXPECT_EQ(order, (std::vector<std::string>{"four=4", "two=2", "three=3"}));
}

}  // namespace
}  // namespace tessel
