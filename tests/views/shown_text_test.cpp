// What a one-line label or cell shows of a value, and the tooltip that shows the rest: the
// first line, cut before a character and marked when anything is left out, against a plain
// string model over values with several lines, blanks and multi-byte characters.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "views/shown_text.h"

namespace tessel {
namespace {

bool is_blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

TEST(ShownText, TheFirstLineIsShownAndAnythingLeftOutIsMarked) {
    EXPECT_EQ(first_line_of("(alias | cache)", 256).text, "(alias | cache)");
    EXPECT_FALSE(first_line_of("(alias | cache)", 256).cut);
    const ShownLine model = first_line_of("(alias |\n   cache |\r\n   dir)", 256);
    EXPECT_EQ(model.text, "(alias |");
    EXPECT_TRUE(model.cut);
    // Line breaks and blanks after the line leave nothing out.
    EXPECT_FALSE(first_line_of("text\r\n  \n", 256).cut);
    EXPECT_TRUE(first_line_of("\nsecond", 256).cut);
    // A long line is cut before a character, never inside one.
    EXPECT_EQ(first_line_of("ab\xE2\x82\xAC", 4).text, "ab");
    EXPECT_TRUE(first_line_of("ab\xE2\x82\xAC", 4).cut);
    EXPECT_FALSE(first_line_of("ab\xE2\x82\xAC", 5).cut);

    // Random values against the plain definition.
    std::mt19937 random(23);
    const char* pieces[] = {"a", "b", " ", "\t", "\n", "\r\n", "\r", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    for (int round = 0; round < 3000; ++round) {
        std::string value;
        const int n = static_cast<int>(random() % 12);
        for (int i = 0; i < n; ++i) value += pieces[random() % std::size(pieces)];
        const size_t max = random() % 10;
        const ShownLine shown = first_line_of(value, max);
        const size_t end = std::min(value.find_first_of("\r\n"), value.size());
        const std::string line = value.substr(0, end);
        SCOPED_TRACE(testing::PrintToString(value) + " max " + std::to_string(max));
        ASSERT_LE(shown.text.size(), max);
        ASSERT_EQ(line.compare(0, shown.text.size(), shown.text), 0);
        // Cut at a character boundary, and no shorter than need be.
        if (shown.text.size() < line.size()) {
            ASSERT_NE(static_cast<unsigned char>(line[shown.text.size()]) & 0xC0, 0x80);
            size_t next = shown.text.size() + 1;
            while (next < line.size() && (static_cast<unsigned char>(line[next]) & 0xC0) == 0x80) ++next;
            ASSERT_GT(next, max);
        }
        ASSERT_EQ(shown.cut, shown.text.size() < line.size() || !is_blank(value.substr(end)));
    }
}

TEST(ShownText, TheTooltipIsTheWholeValueCappedBeforeACharacter) {
    EXPECT_EQ(tooltip_text("(alias |\n   cache)"), "(alias |\n   cache)");
    std::string long_value;
    while (long_value.size() < 3 * kTooltipBytes) long_value += "\xE2\x82\xAC";  // 3 bytes each
    const std::string tip = tooltip_text(long_value);
    EXPECT_EQ(tip.size(), kTooltipBytes - kTooltipBytes % 3 + kCutMark.size());
    EXPECT_TRUE(tip.ends_with(kCutMark));
    EXPECT_EQ(tip.compare(0, tip.size() - kCutMark.size(), long_value, 0, tip.size() - kCutMark.size()), 0);
    const std::string exact(kTooltipBytes, 'x');
    EXPECT_EQ(tooltip_text(exact), exact);
}

}  // namespace
}  // namespace tessel
