// A shaper for tests whose every character has the same advance: 8 pixels in the first
// editor font, 10 in the second, lines 16 pixels high, so layout rules read as plain numbers.
#pragma once

#include <string_view>

#include "seams/text_shaper.h"
#include "text/utf8_boundary.h"

namespace tessel::test {

class FixedAdvanceShaper final : public TextShaper {
public:
    static constexpr double kAdvance[2] = {8, 10};
    static constexpr double kLineHeight = 16;
    static constexpr double kAscent = 12;

    FontMetrics metrics(int font) override {
        return FontMetrics{kAscent, kLineHeight, kAdvance[font]};
    }
    double width(std::string_view run, int font) override {
        ++width_calls;
        return x_of(run, font, static_cast<int32_t>(run.size()));
    }
    double x_of(std::string_view run, int font, int32_t offset) override {
        int32_t chars = 0;
        for (int32_t i = 0; i < offset; i = next_char_boundary(run, i)) ++chars;
        return chars * kAdvance[font];
    }
    int32_t offset_at(std::string_view run, int font, double x) override {
        const int32_t n = static_cast<int32_t>(run.size());
        int32_t i = 0;
        double at = 0;
        while (i < n && x - at > kAdvance[font] / 2) {
            i = next_char_boundary(run, i);
            at += kAdvance[font];
        }
        return i;
    }

    int width_calls = 0;
};

}  // namespace tessel::test
