// The strict UTF-8 reading every reader of the text shares, against glibc's UTF-8 decoder:
// overlong forms, encoded surrogates and code points beyond U+10FFFF are stray bytes, one by
// one, in read_utf8, in the caret's boundaries and in the colouring's bad-byte tokens.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/encoding/iconv_reference.h"
#include "text/line_token.h"
#include "text/special_characters.h"
#include "text/utf8_boundary.h"
#include "text/utf8_reader.h"

namespace tessel {
namespace {

// The offsets of the stray bytes of text as read_utf8 reads them, a cut sequence at the end
// included.
std::vector<int32_t> strays_of(std::string_view text) {
    std::vector<int32_t> out;
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    for (size_t i = 0; i < text.size();) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const Utf8Step step = read_utf8(p + i, text.size() - i);
        if (step.kind == Utf8Step::kChar) {
            i += step.length;
        } else {
            out.push_back(static_cast<int32_t>(i));
            ++i;
        }
    }
    return out;
}

// Bytes drawn mostly from the places where the forms differ: the leads whose second byte is
// limited (E0, ED, F0, F4), the leads that lead nothing (C0, C1, F5-F7, F8, FF), continuation
// bytes at the edges of those limits, and "<".
std::string hostile_bytes(std::mt19937& rng, size_t n) {
    static const uint8_t kBytes[] = {0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED, 0xEE, 0xEF,
                                     0xF0, 0xF1, 0xF4, 0xF5, 0xF7, 0xF8, 0xFF, 0x80, 0x8F,
                                     0x90, 0x9F, 0xA0, 0xBC, 0xBE, 0xBF, '<', 'a', 0x00};
    std::string s;
    for (size_t i = 0; i < n; ++i) s += static_cast<char>(kBytes[rng() % std::size(kBytes)]);
    return s;
}

TEST(Utf8Reader, StrayBytesAreWhatGlibcRejects) {
    // The reproducers: overlong "<" and ">" in two and three bytes, an encoded surrogate, a
    // code point beyond Unicode, the leads that lead nothing.
    const std::string cases[] = {
        "<a>\xc0\xbc" "b\xc0\xbeinjected\xc0\xbc/b\xc0\xbe</a>",
        "<a>\xe0\x80\xbc" "b\xe0\x80\xbe</a>",
        "\xed\xa0\x80", "\xed\xbf\xbf", "\xf4\x90\x80\x80", "\xf0\x80\x80\xbc",
        "\xc1\xbf", "\xf5\x80\x80\x80", "\xf7\xbf\xbf\xbf",
        // Well-formed edges: none of these is stray.
        "\xc2\x80", "\xe0\xa0\x80", "\xed\x9f\xbf", "\xee\x80\x80", "\xf0\x90\x80\x80",
        "\xf4\x8f\xbf\xbf",
    };
    for (const std::string& text : cases)
        EXPECT_EQ(static_cast<int>(strays_of(text).size()), reference::invalid_utf8_bytes(text))
            << testing::PrintToString(text);
    EXPECT_EQ(strays_of("<a>\xc0\xbc" "b</a>"), (std::vector<int32_t>{3, 4}));
    std::mt19937 rng(22);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = hostile_bytes(rng, 1 + rng() % 12);
        ASSERT_EQ(static_cast<int>(strays_of(text).size()), reference::invalid_utf8_bytes(text))
            << testing::PrintToString(text);
    }
}

TEST(Utf8Reader, EveryCodePointReadsBackAndNoOtherFormDoes) {
    for (char32_t c = 0x80; c <= 0x10FFFF; c += (c < 0x10000 ? 1 : 97)) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::string s = reference::utf8_of(c);
        const Utf8Step step = read_utf8(reinterpret_cast<const uint8_t*>(s.data()), s.size());
        ASSERT_EQ(step.kind, Utf8Step::kChar) << static_cast<uint32_t>(c);
        ASSERT_EQ(step.code, c);
        ASSERT_EQ(step.length, s.size());
    }
    // Every longer form of an ASCII or two-byte code point, every surrogate: a stray lead.
    auto lead_is_stray = [](const std::string& s) {
        return read_utf8(reinterpret_cast<const uint8_t*>(s.data()), s.size()).kind ==
               Utf8Step::kStray;
    };
    for (uint32_t c = 0; c < 0x800; ++c) {
        if (c < 0x80) {
            EXPECT_TRUE(lead_is_stray({char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))})) << c;
        }
        EXPECT_TRUE(lead_is_stray({char(0xE0), char(0x80 | c >> 6), char(0x80 | (c & 0x3F))}))
            << c;
    }
    for (uint32_t c = 0xD800; c <= 0xDFFF; ++c)
        EXPECT_TRUE(lead_is_stray(
            {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))}))
            << c;
    for (uint32_t c = 0x110000; c < 0x140000; c += 0x1000)
        EXPECT_TRUE(lead_is_stray({char(0xF0 | c >> 18), char(0x80 | (c >> 12 & 0x3F)),
                                   char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))}))
            << c;
    // A sequence right so far but cut by the end waits for more; a wrong second byte does not.
    const uint8_t cut[] = {0xF0, 0x90};
    EXPECT_EQ(read_utf8(cut, 2).kind, Utf8Step::kIncomplete);
    const uint8_t overlong_cut[] = {0xF0, 0x80};
    EXPECT_EQ(read_utf8(overlong_cut, 2).kind, Utf8Step::kStray);
}

TEST(Utf8Reader, CaretBoundariesAndBadByteTokensFollowTheReader) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = hostile_bytes(rng, 1 + rng() % 16);
        const std::vector<int32_t> strays = strays_of(text);
        // Forward boundaries: the starts of the reader's characters and strays.
        std::vector<int32_t> forward{0};
        const auto n = static_cast<int32_t>(text.size());
        const std::string_view view(text);
        while (forward.back() < n) forward.push_back(next_char_boundary(view, forward.back()));
        std::vector<int32_t> expected{0};
        const auto* p = reinterpret_cast<const uint8_t*>(text.data());
        for (int32_t i = 0; i < n;) {
            const Utf8Step step =
                p[i] < 0x80 ? Utf8Step{Utf8Step::kChar, 1, p[i]}
                            : read_utf8(p + i, static_cast<size_t>(n - i));
            i += step.kind == Utf8Step::kChar ? step.length : 1;
            expected.push_back(i);
        }
        ASSERT_EQ(forward, expected) << testing::PrintToString(text);
        // Backward from the end gives the same stops.
        std::vector<int32_t> backward{n};
        while (backward.back() > 0)
            backward.push_back(previous_char_boundary(view, backward.back()));
        std::reverse(backward.begin(), backward.end());
        ASSERT_EQ(backward, expected) << testing::PrintToString(text);
        // The colouring marks exactly the stray bytes as bad bytes.
        std::vector<LineToken> tokens;
        add_special_characters(text, tokens);
        std::vector<int32_t> marked;
        for (const LineToken& t : tokens)
            if (t.style == kStyleUndecodableByte) marked.push_back(t.first);
        ASSERT_EQ(marked, strays) << testing::PrintToString(text);
    }
}

}  // namespace
}  // namespace tessel
