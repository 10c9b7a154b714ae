// Surface: what the editor paints with. The editor's model decides every rectangle, text and
// colour and hands them to a Surface; the GUI draws them with QPainter, tests record them.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

struct Colour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Colour&) const = default;
};

// A colour stored as 0x02BBGGRR (red in the low byte), as the lexical automata give theirs.
inline Colour colour_of_colorref(uint32_t value) {
    return Colour{static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8 & 0xFF),
                  static_cast<uint8_t>(value >> 16 & 0xFF)};
}

// A rectangle in the widget's pixels: x grows to the right, y downwards.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    double right() const { return x + width; }
    double bottom() const { return y + height; }
    bool operator==(const Rect&) const = default;
};

enum class FrameStyle : uint8_t { solid = 0, dotted = 1 };

// The pictures the editor draws besides text.
enum SurfaceImage : int {
    kImageContinuationMark = 19,  // the end of an index line that goes on in the next one
};

class Surface {
public:
    virtual ~Surface() = default;
    virtual void fill_rect(const Rect& rect, Colour colour) = 0;
    // A one-pixel frame just inside rect.
    virtual void frame_rect(const Rect& rect, Colour colour, FrameStyle style) = 0;
    // A run of UTF-8 without tabs or line breaks, its baseline at y, in one of the editor fonts.
    virtual void draw_text(double x, double baseline, std::string_view run, int font,
                           Colour colour) = 0;
    virtual void draw_image(int image, const Rect& rect) = 0;
    // Later drawing stays inside rect until the next set_clip or clear_clip.
    virtual void set_clip(const Rect& rect) = 0;
    virtual void clear_clip() = 0;
};

}  // namespace tessel
