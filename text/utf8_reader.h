// read_utf8: one step over the document's UTF-8 as the encoders and the unencodable-character
// checks take it. It is lenient on purpose (overlong forms and surrogates pass as computed),
// so that any text the pass-through loader accepted can still be saved; what it cannot read
// is a stray byte: a lead without its continuation bytes, or a continuation byte alone. A
// stray byte never takes the bytes after it along, so no ASCII character (U+0000 included)
// is lost to a broken sequence before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Number of leading ASCII bytes of p[0..n), checked 16 at a time: ASCII is the same in every
// encoding and makes up most of a typical document, so the codecs skip it in runs.
inline size_t ascii_run(const uint8_t* p, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; n - i >= 16; i += 16) {
        int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        if (high) return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(high)));
    }
#else
    for (; n - i >= 8; i += 8) {
        uint64_t v;
        std::memcpy(&v, p + i, 8);
        if (v & 0x8080808080808080ull) break;
    }
#endif
    while (i < n && p[i] < 0x80) ++i;
    return i;
}

}  // namespace tessel
