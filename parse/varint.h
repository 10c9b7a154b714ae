// Variable-length unsigned integers of the record stream: big-endian 7-bit groups, most
// significant first, bit 7 set on every byte but the last. Negative distances are stored as
// their 32-bit two's complement and come back by wrap-around when added.
#pragma once

#include <cstdint>

namespace tessel {

// Writes v at out and returns the byte after it (1 to 5 bytes).
inline uint8_t* write_varint(uint8_t* out, uint32_t v) {
    if (v < 0x80) {
        *out = static_cast<uint8_t>(v);
        return out + 1;
    }
    int groups = v < 0x4000 ? 2 : v < 0x200000 ? 3 : v < 0x10000000 ? 4 : 5;
    for (int g = groups - 1; g > 0; --g) *out++ = static_cast<uint8_t>(0x80 | ((v >> (7 * g)) & 0x7F));
    *out++ = static_cast<uint8_t>(v & 0x7F);
    return out;
}

// Reads a value at *cursor and advances it; the one-byte case stays inline.
inline uint32_t read_varint(const uint8_t*& cursor) {
    uint8_t b = *cursor++;
    if (b < 0x80) return b;
    uint32_t v = b & 0x7F;
    do {
        b = *cursor++;
        v = (v << 7) | (b & 0x7F);
    } while (b & 0x80);
    return v;
}

}  // namespace tessel
