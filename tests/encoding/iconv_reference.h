// glibc iconv as the independent reference for the codec tests: one-shot conversions that
// report whether iconv accepted the whole input.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessel::reference {

// glibc's names of the 25 code pages, by EncodingId.
struct GlibcName {
    int32_t id;
    const char* name;
};

inline constexpr GlibcName kGlibcNames[] = {
    {0, "ISO-8859-1"},   {7, "WINDOWS-1252"}, {8, "CP1256"},       {9, "ISO-8859-6"},
    {10, "ISO-8859-4"},  {11, "ISO-8859-13"}, {12, "CP1257"},      {13, "ISO-8859-14"},
    {14, "ISO-8859-2"},  {15, "CP1250"},      {16, "ISO-8859-5"},  {17, "CP1251"},
    {18, "KOI8-R"},      {19, "KOI8-U"},      {20, "ISO-8859-7"},  {21, "CP1253"},
    {22, "CP1255"},      {23, "ISO-8859-8"},  {24, "ISO-8859-10"}, {25, "ISO-8859-16"},
    {26, "ISO-8859-3"},  {27, "CP874"},       {28, "CP1254"},      {29, "CP1258"},
    {30, "ISO-8859-15"},
};

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

// How many bytes of text glibc does not take as UTF-8: each rejected byte is counted and
// passed over, and reading goes on at the next.
inline int invalid_utf8_bytes(std::string_view text) {
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
    int invalid = 0;
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    while (in_left > 0) {
        char buffer[4096];
        char* o = buffer;
        size_t out_left = sizeof buffer;
        if (iconv(cd, &in, &in_left, &o, &out_left) == static_cast<size_t>(-1) && errno != E2BIG) {
            ++invalid;
            ++in, --in_left;
        }
    }
    iconv_close(cd);
    return invalid;
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
