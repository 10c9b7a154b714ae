// A small lexical automaton for the editor's tests: tags "<...>" in style 1, drawn in the
// second font, digits in style 2, and the two special tokens every automaton gives: a
// control character (C0 but tab, DEL, C1) and an undecodable byte. It keeps no state.
#pragma once

#include <string_view>
#include <vector>

#include "editor/line_layout.h"
#include "text/line_scanner.h"
#include "text/utf8_boundary.h"

namespace tessel::test {

class SpecialTokenAutomaton final : public LexicalAutomaton {
public:
    static constexpr int16_t kStyleTag = 1;
    static constexpr int16_t kStyleDigits = 2;

    uint8_t scan_line(uint8_t, std::string_view) override { return 0; }

    uint8_t tokenize_line(uint8_t, std::string_view line, std::vector<LineToken>& tokens) override {
        tokens.clear();
        const int32_t n = static_cast<int32_t>(line.size());
        int32_t tag_start = -1;
        for (int32_t i = 0; i < n;) {
            const auto b = static_cast<unsigned char>(line[static_cast<size_t>(i)]);
            const int32_t next = next_char_boundary(line, i);
            int16_t special = 0;
            if ((b < 0x20 && b != '\t') || b == 0x7F) special = kStyleControlCharacter;
            else if (b == 0xC2 && next == i + 2 && static_cast<unsigned char>(line[static_cast<size_t>(i) + 1]) < 0xA0)
                special = kStyleControlCharacter;
            else if (b >= 0x80 && next == i + 1) special = kStyleUndecodableByte;
            if (special) {
                if (tag_start >= 0) tokens.push_back({tag_start, i - 1, kStyleTag});
                tokens.push_back({i, next - 1, special});
                tag_start = tag_start >= 0 ? next : -1;
            } else if (b == '<' && tag_start < 0) {
                tag_start = i;
            } else if (b == '>' && tag_start >= 0) {
                tokens.push_back({tag_start, i, kStyleTag});
                tag_start = -1;
            } else if (b >= '0' && b <= '9' && tag_start < 0) {
                tokens.push_back({i, i, kStyleDigits});
            }
            i = next;
        }
        if (tag_start >= 0 && tag_start < n) tokens.push_back({tag_start, n - 1, kStyleTag});
        return 0;
    }

    uint32_t style_colour(int16_t style) const override {
        if (style == kStyleTag) return kSecondFontColour;
        if (style == kStyleDigits) return 0x020000C0;
        return 0x02000000;
    }
};

}  // namespace tessel::test
