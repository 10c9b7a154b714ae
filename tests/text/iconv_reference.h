// glibc iconv as the independent reference for the codec tests: one-shot conversions that
// report whether iconv accepted the whole input.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>

namespace tessel::reference {

// The input converted from one glibc encoding to another; nothing when iconv rejects a byte
// or a character (EILSEQ, EINVAL).
inline std::optional<std::string> iconv_convert(const char* from, const char* to,
                                                std::string_view input) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(input.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    size_t in_left = input.size();
    char* o = out.data();
    size_t out_left = out.size();
    bool ok = iconv(cd, &in, &in_left, &o, &out_left) != static_cast<size_t>(-1);
    // Flush what a stateful converter still holds back (a base letter awaiting a combining mark).
    ok = ok && iconv(cd, nullptr, nullptr, &o, &out_left) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(out.size() - out_left);
    return out;
}

// The UTF-8 form of one code point.
inline std::string utf8_of(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

}  // namespace tessel::reference
