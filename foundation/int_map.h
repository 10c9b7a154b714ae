// IntMap: a hash map from 32-bit keys to small trivially copyable values (usually pointers)
// with a bucket count fixed at construction; see ChainedMap for the operations.
#pragma once

#include <cstdint>

#include "foundation/chained_map.h"

namespace tessel {

struct IntKeys {
    // A linear congruential step scatters consecutive keys over the buckets; the bucket is
    // its low bits.
    static uint32_t hash(int32_t key) { return static_cast<uint32_t>(key) * 214013u + 2531011u; }
    static bool equal(int32_t a, int32_t b) { return a == b; }
};

template <typename V>
class IntMap : public ChainedMap<int32_t, V, IntKeys> {
public:
    using ChainedMap<int32_t, V, IntKeys>::ChainedMap;
};

}  // namespace tessel
