// MapModel: a plain reference for IntMap and StrMap run side by side with random operations:
// entry slots with a last-freed-first-reused free list, and insertion times that decide
// which of several entries sharing a key a lookup or removal reaches.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace tessel::testing {

struct MapModel {
    struct Slot {
        bool live = false;
        int key = 0;  // index into the test's key pool
        uint32_t value = 0;
        uint64_t inserted = 0;
    };
    std::vector<Slot> slots;
    std::vector<int> free_slots;
    uint64_t clock = 0;

    // The live slot with this key (and value, unless any_value) inserted last, or -1.
    int latest(int key, uint32_t value, bool any_value) const {
        int best = -1;
        for (int i = 0; i < static_cast<int>(slots.size()); ++i) {
            const Slot& s = slots[i];
            if (!s.live || s.key != key || (!any_value && s.value != value)) continue;
            if (best < 0 || s.inserted > slots[best].inserted) best = i;
        }
        return best;
    }
    void add(int key, uint32_t value) {
        Slot s{true, key, value, ++clock};
        if (free_slots.empty()) {
            slots.push_back(s);
        } else {
            slots[free_slots.back()] = s;
            free_slots.pop_back();
        }
    }
    void insert_or_assign(int key, uint32_t value) {
        int i = latest(key, 0, true);
        if (i >= 0)
            slots[i].value = value;
        else
            add(key, value);
    }
    // True when the pair was already there.
    bool insert_pair_unique(int key, uint32_t value) {
        if (latest(key, value, false) >= 0) return true;
        add(key, value);
        return false;
    }
    bool remove(int key, uint32_t value) {
        int i = latest(key, value, false);
        if (i < 0) return false;
        slots[i].live = false;
        free_slots.push_back(i);
        return true;
    }
    int count() const {
        int n = 0;
        for (const Slot& s : slots) n += s.live;
        return n;
    }
};

// Compares everything observable: count, slot use, iteration order and the stored key
// objects, and a lookup of every key through a second, equal key object.
template <typename Map, typename Key>
void expect_same(const Map& map, const MapModel& model, const std::vector<Key>& keys,
                 const std::vector<Key>& probes) {
    ASSERT_EQ(map.count(), model.count());
    ASSERT_EQ(map.entry_slots(), static_cast<int>(model.slots.size()));
    std::vector<std::pair<Key, uint32_t>> expected, seen;
    for (const auto& s : model.slots)
        if (s.live) expected.emplace_back(keys[s.key], s.value);
    for (auto [key, value] : map) seen.emplace_back(key, value);
    ASSERT_EQ(seen, expected);
    for (int k = 0; k < static_cast<int>(keys.size()); ++k) {
        uint32_t value = 0xDEAD;
        bool found = map.find(probes[k], &value);
        int i = model.latest(k, 0, true);
        ASSERT_EQ(found, i >= 0) << "key " << k;
        if (found) {
            ASSERT_EQ(value, model.slots[i].value) << "key " << k;
        }
    }
}

// Random insert_or_assign / insert_pair_unique / remove with few keys and values, so that
// chains collide, keys repeat with several values and freed slots are reused often.
template <typename Map, typename Key>
void run_random_operations(Map& map, const std::vector<Key>& keys, const std::vector<Key>& probes,
                           uint32_t seed, int steps) {
    std::mt19937 rng(seed);
    MapModel model;
    int key_count = static_cast<int>(keys.size());
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " step " << step);
        int k = static_cast<int>(rng() % key_count);
        uint32_t value = rng() % 4;
        switch (rng() % 3) {
            case 0:
                map.insert_or_assign(keys[k], value);
                model.insert_or_assign(k, value);
                break;
            case 1: {
                bool existed = model.insert_pair_unique(k, value);
                auto* entry = map.insert_pair_unique(keys[k], value);
                ASSERT_EQ(entry != nullptr, existed);
                if (entry) {
                    EXPECT_EQ(entry->key, keys[k]);
                    EXPECT_EQ(entry->value, value);
                    EXPECT_TRUE(entry->in_use);
                }
                break;
            }
            case 2: {
                // Mostly remove a pair that exists, so the map does not just fill up.
                int live = model.latest(k, 0, true);
                if (live >= 0 && rng() % 4) value = model.slots[live].value;
                ASSERT_EQ(map.remove(probes[k], value), model.remove(k, value));
                break;
            }
        }
        expect_same(map, model, keys, probes);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

}  // namespace tessel::testing
