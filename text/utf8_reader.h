// read_utf8: one step over the document's UTF-8 as the encoders and the unencodable-character
// checks take it. It is lenient on purpose (overlong forms and surrogates pass as computed),
// so that any text the pass-through loader accepted can still be saved; what it cannot read
// is a stray byte: a lead without its continuation bytes, or a continuation byte alone. A
// stray byte never takes the bytes after it along, so no ASCII character (U+0000 included)
// is lost to a broken sequence before it.
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

// p[0] is a byte >= 0x80 and n >= 1 bytes remain. A sequence whose bytes are right so far but
// cut by the end of the input is incomplete.
inline Utf8Step read_utf8(const uint8_t* p, size_t n) {
    const uint32_t b = p[0];
    const size_t length = (b & 0xE0) == 0xC0   ? 2
                          : (b & 0xF0) == 0xE0 ? 3
                          : (b & 0xF8) == 0xF0 ? 4
                                               : 0;
    if (length == 0) return {Utf8Step::kStray, 1, 0};
    for (size_t i = 1; i < length && i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return {Utf8Step::kStray, 1, 0};
    if (n < length) return {Utf8Step::kIncomplete, 0, 0};
    uint32_t code = b & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) code = code << 6 | (p[i] & 0x3Fu);
    return {Utf8Step::kChar, static_cast<uint8_t>(length), code};
}

}  // namespace tessel
