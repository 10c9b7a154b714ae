// read_utf8: one step over the document's UTF-8 as the single-byte encoder and the
// unencodable-character checks take it. It is lenient on purpose (continuation bytes give
// their low six bits unchecked, overlong forms and surrogates pass as computed), so that any
// text the pass-through loader accepted can still be saved; what it cannot read at all is a
// stray byte, which the callers count as a character without a byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel {

struct Utf8Step {
    enum Kind : uint8_t { kChar, kStray, kIncomplete };
    Kind kind;
    uint8_t length;  // bytes taken: 1-4 for kChar, 1 for kStray, 0 for kIncomplete
    uint32_t code;   // the code point of kChar
};

// p[0] is a byte >= 0x80 and n >= 1 bytes remain. A 3- or 4-byte lead followed by a zero byte
// among its continuation bytes is stray, so that a U+0000 is never swallowed; a sequence cut
// by the end of the input is incomplete.
inline Utf8Step read_utf8(const uint8_t* p, size_t n) {
    uint32_t b = p[0];
    if ((b & 0xE0) == 0xC0) {
        if (n < 2) return {Utf8Step::kIncomplete, 0, 0};
        return {Utf8Step::kChar, 2, (b & 0x1F) << 6 | (p[1] & 0x3Fu)};
    }
    if ((b & 0xF0) == 0xE0) {
        if (n >= 2 && p[1] == 0) return {Utf8Step::kStray, 1, 0};
        if (n < 3) return {Utf8Step::kIncomplete, 0, 0};
        return {Utf8Step::kChar, 3, (b & 0x0F) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu)};
    }
    if ((b & 0xF8) == 0xF0) {
        for (size_t i = 1; i < 4 && i < n; ++i)
            if (p[i] == 0) return {Utf8Step::kStray, 1, 0};
        if (n < 4) return {Utf8Step::kIncomplete, 0, 0};
        return {Utf8Step::kChar, 4,
                (b & 0x07) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu)};
    }
    return {Utf8Step::kStray, 1, 0};
}

}  // namespace tessel
