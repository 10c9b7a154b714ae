// read_utf8: one step over the document's UTF-8 as every reader of the text takes it (the
// encoders, the unencodable-character checks, the scanners, the colouring, the caret). It is
// strict: a character is a shortest form of a code point up to U+10FFFF that is no
// surrogate. Anything else is a stray byte: a byte that leads nothing (80-C1, F5-FF), a lead
// whose next byte is out of its range (the overlong E0 80-9F and F0 80-8F, the surrogates ED
// A0-BF, beyond Unicode F4 90-BF), a lead without its continuation bytes. A stray byte never
// takes the bytes after it along, so no ASCII character (U+0000 included) is lost to a broken
// sequence before it, and the bytes of an overlong form stay strays one by one: C0 BC is never
// read as "<".
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

// What a byte leads: the length of its sequence (0 for a byte that leads none, 1 for ASCII)
// and the range its second byte must lie in, which is where the overlong forms, the
// surrogates and the code points beyond U+10FFFF are told apart.
struct Utf8Lead {
    uint8_t length = 0;
    uint8_t low = 0;
    uint8_t high = 0;
};

struct Utf8LeadTable {
    Utf8Lead lead[256];
    constexpr Utf8LeadTable() {
        for (int b = 0; b < 0x80; ++b) lead[b] = {1, 0, 0};
        for (int b = 0xC2; b <= 0xDF; ++b) lead[b] = {2, 0x80, 0xBF};
        for (int b = 0xE0; b <= 0xEF; ++b) lead[b] = {3, 0x80, 0xBF};
        lead[0xE0].low = 0xA0;   // below: a form of fewer than three bytes' code points
        lead[0xED].high = 0x9F;  // above: the surrogates D800-DFFF
        for (int b = 0xF0; b <= 0xF4; ++b) lead[b] = {4, 0x80, 0xBF};
        lead[0xF0].low = 0x90;   // below: overlong
        lead[0xF4].high = 0x8F;  // above: beyond U+10FFFF
    }
};
inline constexpr Utf8LeadTable kUtf8Leads;

inline bool utf8_continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// The length of the well-formed character at p[0..n) (1 for ASCII), 0 when p[0] is a stray
// byte or the sequence is cut by n.
inline size_t utf8_char_length(const uint8_t* p, size_t n) {
    const Utf8Lead lead = kUtf8Leads.lead[p[0]];
    if (lead.length <= 1) return lead.length;
    if (n < lead.length || p[1] < lead.low || p[1] > lead.high) return 0;
    for (size_t i = 2; i < lead.length; ++i)
        if (!utf8_continuation(p[i])) return 0;
    return lead.length;
}

// p[0] is a byte >= 0x80 and n >= 1 bytes remain. A sequence whose bytes are right so far but
// cut by the end of the input is incomplete.
inline Utf8Step read_utf8(const uint8_t* p, size_t n) {
    const Utf8Lead lead = kUtf8Leads.lead[p[0]];
    const size_t length = lead.length;
    if (length < 2) return {Utf8Step::kStray, 1, 0};
    if (n >= 2 && (p[1] < lead.low || p[1] > lead.high)) return {Utf8Step::kStray, 1, 0};
    for (size_t i = 2; i < length && i < n; ++i)
        if (!utf8_continuation(p[i])) return {Utf8Step::kStray, 1, 0};
    if (n < length) return {Utf8Step::kIncomplete, 0, 0};
    uint32_t code = p[0] & (0x7Fu >> length);
    for (size_t i = 1; i < length; ++i) code = code << 6 | (p[i] & 0x3Fu);
    return {Utf8Step::kChar, static_cast<uint8_t>(length), code};
}

// Whether p[0..n) starts with the three bytes a UTF-16 file's lone surrogate is read as (ED
// A0-BF 80-BF: the surrogate's code as UTF-8 would hold it, were surrogates characters). In
// the text they are three stray bytes; only a save back into UTF-16 writes them as the unit
// they were read from.
inline bool lone_surrogate_at(const uint8_t* p, size_t n) {
    return n >= 3 && p[0] == 0xED && p[1] >= 0xA0 && p[1] <= 0xBF && utf8_continuation(p[2]);
}

// Whether p[0..n), the end of a block with more text to come, may be the start of a lone
// surrogate's three bytes that the block's end cuts.
inline bool lone_surrogate_cut(const uint8_t* p, size_t n) {
    return n < 3 && p[0] == 0xED && (n < 2 || (p[1] >= 0xA0 && p[1] <= 0xBF));
}

// The unit of a lone surrogate at p (lone_surrogate_at(p) holds).
inline uint32_t lone_surrogate_unit(const uint8_t* p) {
    return 0xD000u | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
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
