// Character boundaries in UTF-8 text as the editor steps over them: a character is a whole
// well-formed UTF-8 sequence (as read_utf8 reads it), or one byte that starts none (a stray
// lead or continuation byte, an overlong form's or a surrogate's bytes, a sequence cut
// short). The caret, the shapers and the layout all count characters this way, so a position
// one of them gives is a position the others accept.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/utf8_reader.h"

namespace tessel {

// The length a lead byte announces: 2 to 4, or 1 for ASCII and for a byte that leads nothing
// (80-C1, F5-FF).
inline int32_t utf8_announced_length(unsigned char lead) {
    const int32_t n = kUtf8Leads.lead[lead].length;
    return n == 0 ? 1 : n;
}

inline bool utf8_is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Whether second may follow lead as its second byte in a well-formed character: the range
// that excludes overlong forms, surrogates and code points beyond U+10FFFF.
inline bool utf8_second_fits(unsigned char lead, unsigned char second) {
    const Utf8Lead l = kUtf8Leads.lead[lead];
    return second >= l.low && second <= l.high;
}

// The boundary after the character at pos (pos < length). byte(i) reads byte i of the text.
template <class ByteAt>
int32_t next_char_boundary(const ByteAt& byte, int32_t length, int32_t pos) {
    const auto lead = static_cast<unsigned char>(byte(pos));
    const int32_t n = utf8_announced_length(lead);
    if (n == 1 || pos + n > length) return pos + 1;
    if (!utf8_second_fits(lead, static_cast<unsigned char>(byte(pos + 1)))) return pos + 1;
    for (int32_t i = 2; i < n; ++i)
        if (!utf8_is_continuation(static_cast<unsigned char>(byte(pos + i)))) return pos + 1;
    return pos + n;
}

// The boundary before pos (pos > 0 and itself a boundary): the lead of a whole sequence that
// ends at pos, else the byte before pos, which is then a character of its own.
template <class ByteAt>
int32_t previous_char_boundary(const ByteAt& byte, int32_t pos) {
    for (int32_t k = 2; k <= 4 && pos - k >= 0; ++k) {
        if (!utf8_is_continuation(static_cast<unsigned char>(byte(pos - k + 1)))) break;
        const auto lead = static_cast<unsigned char>(byte(pos - k));
        if (utf8_is_continuation(lead)) continue;
        return utf8_announced_length(lead) == k &&
                       utf8_second_fits(lead, static_cast<unsigned char>(byte(pos - k + 1)))
                   ? pos - k
                   : pos - 1;
    }
    return pos - 1;
}

inline int32_t next_char_boundary(std::string_view s, int32_t pos) {
    return next_char_boundary([s](int32_t i) { return s[static_cast<size_t>(i)]; },
                              static_cast<int32_t>(s.size()), pos);
}

inline int32_t previous_char_boundary(std::string_view s, int32_t pos) {
    return previous_char_boundary([s](int32_t i) { return s[static_cast<size_t>(i)]; }, pos);
}

}  // namespace tessel
