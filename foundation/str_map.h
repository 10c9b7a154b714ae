// StrMap: a hash map from zero-terminated 8-bit strings to small trivially copyable values,
// with a bucket count fixed at construction; see ChainedMap for the operations.
#pragma once

#include <cstdint>
#include <cstring>

#include "foundation/chained_map.h"

namespace tessel {

struct StrKeys {
    // h = h * 33 + c over the bytes, each taken as a signed char, so bytes of 0x80 and above
    // subtract; unsigned arithmetic gives the same wrap-around without overflow.
    static uint32_t hash(const char* key) {
        uint32_t h = 5381;
        for (const char* p = key; *p; ++p)
            h = h * 33u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
        return h;
    }
    static bool equal(const char* a, const char* b) { return a == b || std::strcmp(a, b) == 0; }
};

// The map stores the key pointer, not a copy: the caller keeps the text alive (typically in
// the same arena as the map) and unchanged for as long as the entry exists.
template <typename V>
class StrMap : public ChainedMap<const char*, V, StrKeys> {
public:
    using ChainedMap<const char*, V, StrKeys>::ChainedMap;
};

}  // namespace tessel
