// TextShaper: how the editor measures text. It shapes one run of UTF-8 without tabs or line
// breaks in one of the two editor fonts and converts between the run's character boundaries
// and x offsets. The GUI answers with Qt's text layout; tests use a shaper with fixed advances,
// so every layout rule of the editor can be checked without a window.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

// The two editor fonts: most styles use the first; a style whose colour marks it uses the
// second.
inline constexpr int kFirstEditorFont = 0;
inline constexpr int kSecondEditorFont = 1;

struct FontMetrics {
    double ascent = 0;       // from a line's top to the text's baseline
    double line_height = 0;  // the height of one text line, which is one character cell
    double x_width = 0;      // the width of "X": the character width of scrolling and tab stops
};

// A character boundary is a byte offset in the run where a character starts, or the run's
// length. A character is a whole UTF-8 sequence or a byte that starts none (see
// next_char_boundary in text/utf8_boundary.h).
class TextShaper {
public:
    virtual ~TextShaper() = default;
    virtual FontMetrics metrics(int font) = 0;
    // The advance of the whole run.
    virtual double width(std::string_view run, int font) = 0;
    // The x of a character boundary of the run, from the run's start (0 at offset 0, the
    // run's width at its length).
    virtual double x_of(std::string_view run, int font, int32_t offset) = 0;
    // The character boundary nearest x (x may lie outside the run); the earlier one on a tie.
    virtual int32_t offset_at(std::string_view run, int font, double x) = 0;
};

}  // namespace tessel
