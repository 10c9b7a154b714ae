// Character boundaries in UTF-8 text as the editor steps over them: a character is a whole
// UTF-8 sequence, or one byte that starts none (a stray lead or continuation byte, or a
// sequence cut short). The caret, the shapers and the layout all count characters this way,
// so a position one of them gives is a position the others accept.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

// The length a lead byte announces: 2 to 4, or 1 for ASCII and for a byte that leads nothing.
inline int32_t utf8_announced_length(unsigned char lead) {
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

inline bool utf8_is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The boundary after the character at pos (pos < length). byte(i) reads byte i of the text.
template <class ByteAt>
int32_t next_char_boundary(const ByteAt& byte, int32_t length, int32_t pos) {
    const int32_t n = utf8_announced_length(static_cast<unsigned char>(byte(pos)));
    if (n == 1 || pos + n > length) return pos + 1;
    for (int32_t i = 1; i < n; ++i)
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
        return utf8_announced_length(lead) == k ? pos - k : pos - 1;
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
