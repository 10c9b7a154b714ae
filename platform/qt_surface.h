// QtSurface: the editor's Surface on a QPainter. Text goes through the QtTextShaper that
// measured it, so what is drawn stands exactly where the model placed the caret and boxes.
#pragma once

#include "platform/qt_text_shaper.h"
#include "seams/surface.h"

class QPainter;

namespace tessel {

class QtSurface final : public Surface {
public:
    QtSurface(QPainter& painter, QtTextShaper& shaper) : painter_(painter), shaper_(shaper) {}

    void fill_rect(const Rect& rect, Colour colour) override;
    void frame_rect(const Rect& rect, Colour colour, FrameStyle style) override;
    void draw_text(double x, double baseline, std::string_view run, int font, Colour colour) override;
    void draw_image(int image, const Rect& rect) override;
    void set_clip(const Rect& rect) override;
    void clear_clip() override;

private:
    QPainter& painter_;
    QtTextShaper& shaper_;
};

}  // namespace tessel
