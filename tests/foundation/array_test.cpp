// Tests of Array: the growth rule, shift/resize/append against a std::vector model for
// each element size in use, arena storage, zero-filling growth and self-appends.
#include "foundation/array.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "foundation/arena.h"

namespace tessel {
namespace {

struct Rec12 {
    int32_t a, b, c;
};
struct Rec16 {
    int64_t a;
    int32_t b, c;
};
struct Rec20 {
    int32_t a[5];
};

// A value whose every byte depends on seed, so a misplaced element shows.
template <typename T>
T make(uint32_t seed) {
    T value;
    auto* bytes = reinterpret_cast<uint8_t*>(&value);
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(seed * 31 + i * 7 + 1);
    return value;
}

template <typename T>
bool same(const Array<T>& array, const std::vector<T>& model) {
    if (array.size() != static_cast<int32_t>(model.size())) return false;
    return model.empty() || std::memcmp(array.data(), model.data(), sizeof(T) * model.size()) == 0;
}

TEST(Array, GrowthRule) {
    for (int32_t n = 1; n <= 9; ++n) {
        Array<int32_t> a;
        a.reserve(n);
        EXPECT_EQ(a.capacity(), (n / 2) * 2 + 2) << n;
    }
    Array<int32_t> a;
    a.reserve(3);
    EXPECT_EQ(a.capacity(), 4);
    a.reserve(4);
    EXPECT_EQ(a.capacity(), 4);
    a.reserve(9);
    EXPECT_EQ(a.capacity(), 16);
    a.reserve(33);
    EXPECT_EQ(a.capacity(), 64);

    std::vector<int32_t> seen;
    Array<uint8_t> bytes;
    for (int i = 0; i < 40; ++i) {
        bytes.push_back(static_cast<uint8_t>(i));
        if (seen.empty() || seen.back() != bytes.capacity()) seen.push_back(bytes.capacity());
    }
    EXPECT_EQ(seen, (std::vector<int32_t>{2, 4, 8, 16, 32, 64}));
}

template <typename T>
class ArrayModel : public ::testing::Test {};
using ElementTypes = ::testing::Types<uint8_t, uint32_t, uint64_t, Rec12, Rec16, Rec20>;
TYPED_TEST_SUITE(ArrayModel, ElementTypes);

// Random push_back, pop_back, shift both ways, resize with and without zeroing, append and
// self-append, on the heap and in a small arena, compared after every step.
TYPED_TEST(ArrayModel, RandomOperationsMatchVector) {
    using T = TypeParam;
    for (bool in_arena : {false, true}) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(::testing::Message() << "arena " << in_arena << " seed " << seed);
            std::mt19937 rng(seed);
            SmallArena arena;
            Array<T> array(in_arena ? &arena : nullptr);
            std::vector<T> model;
            const T zero{};
            for (int step = 0; step < 1500; ++step) {
                int32_t size = array.size();
                switch (rng() % 8) {
                    case 0:
                    case 1: {
                        T value = make<T>(rng());
                        array.push_back(value);
                        model.push_back(value);
                        break;
                    }
                    case 2:
                        if (size) {
                            array.pop_back();
                            model.pop_back();
                        }
                        break;
                    case 3: {
                        int32_t index = static_cast<int32_t>(rng() % (size + 1));
                        int32_t count = static_cast<int32_t>(rng() % 6);
                        array.shift(index, count);
                        model.insert(model.begin() + index, count, zero);
                        break;
                    }
                    case 4: {
                        int32_t index = static_cast<int32_t>(rng() % (size + 1));
                        int32_t count = static_cast<int32_t>(rng() % (size - index + 1));
                        array.shift(index, -count);
                        model.erase(model.begin() + index, model.begin() + index + count);
                        break;
                    }
                    case 5: {
                        // Shrinking then growing with zeroing must not bring old values back.
                        int32_t n = static_cast<int32_t>(rng() % (size + 10));
                        array.resize(n);
                        model.resize(n, zero);
                        break;
                    }
                    case 6: {
                        Array<T> other;
                        for (uint32_t i = rng() % 5; i > 0; --i) {
                            other.push_back(make<T>(rng()));
                            model.push_back(other.back());
                        }
                        array.append_all(other);
                        break;
                    }
                    case 7:
                        if (size < 200) {
                            array.append_all(array);
                            std::vector<T> copy = model;
                            model.insert(model.end(), copy.begin(), copy.end());
                        }
                        break;
                }
                ASSERT_TRUE(same(array, model)) << "step " << step;
                ASSERT_GE(array.capacity(), array.size());
            }
        }
    }
}

TEST(Array, PushBackOfOwnElementWhileFull) {
    Array<uint64_t> a;
    for (uint64_t i = 1; i <= 4; ++i) a.push_back(i * 1000);
    ASSERT_EQ(a.size(), a.capacity());
    a.push_back(a[0]);
    EXPECT_EQ(a[4], 1000u);
    EXPECT_EQ(a.capacity(), 8);
}

TEST(Array, ArenaStorageComesFromTheArena) {
    SmallArena arena;
    Array<int32_t> a(&arena);
    a.push_back(1);
    EXPECT_EQ(arena.used(), 8u);  // two slots
    a.push_back(2);
    a.push_back(3);
    EXPECT_EQ(arena.used(), 8u + 16);  // four more; the old two are not given back
    for (int i = 4; i <= 300; ++i) a.push_back(i);
    EXPECT_GT(arena.block_count(), 1);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(a[i], i + 1);
}

TEST(Array, ZeroFillingGrowthClearsNewSlots) {
    // Arena bytes given back by a release are 0xBB, so growth into them shows whether the
    // new slots are cleared.
    SmallArena arena;
    ArenaMark mark = arena.mark();
    arena.allocate(400);
    arena.release(mark);

    Array<uint32_t> plain(&arena);
    plain.resize(10, false);
    EXPECT_EQ(plain[9], 0xBBBBBBBBu);  // the premise: untouched slots hold old bytes

    arena.release(mark);
    Array<uint32_t> zeroed(&arena, true);
    zeroed.push_back(5);
    zeroed.resize(10, false);
    EXPECT_EQ(zeroed[0], 5u);
    for (int i = 1; i < 10; ++i) EXPECT_EQ(zeroed[i], 0u) << i;
    zeroed.reserve(40);
    zeroed.resize(40, false);
    for (int i = 10; i < 40; ++i) EXPECT_EQ(zeroed[i], 0u) << i;

    Array<uint8_t> on_heap(nullptr, true);
    on_heap.resize(5000, false);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(on_heap[i], 0) << i;
}

TEST(Array, AssignUninitialisedReplacesStorage) {
    Array<Rec12> a;
    for (int i = 0; i < 5; ++i) a.push_back(make<Rec12>(i));
    a.assign_uninitialised(20, 7);
    EXPECT_EQ(a.capacity(), 20);
    EXPECT_EQ(a.size(), 7);
    a.assign_uninitialised(0, 0);
    EXPECT_EQ(a.capacity(), 0);
    EXPECT_TRUE(a.empty());

    Array<uint32_t> z(nullptr, true);
    z.push_back(9);
    z.assign_uninitialised(8, 8);
    for (uint32_t v : z) EXPECT_EQ(v, 0u);
}

TEST(Array, MoveTransfersElements) {
    Array<uint32_t> a;
    for (uint32_t i = 0; i < 10; ++i) a.push_back(i);
    Array<uint32_t> b(std::move(a));
    ASSERT_EQ(b.size(), 10);
    EXPECT_EQ(b[9], 9u);
    EXPECT_EQ(a.size(), 0);  // a moved-from array is empty
    Array<uint32_t> c;
    c.push_back(77);
    c = std::move(b);
    ASSERT_EQ(c.size(), 10);
    EXPECT_EQ(c[0], 0u);
}

}  // namespace
}  // namespace tessel
