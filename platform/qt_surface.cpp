// QtSurface: rectangles, frames, shaped text and the continuation mark with QPainter.
#include "platform/qt_surface.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>

namespace tessel {

namespace {

QColor qt_colour(Colour c) { return QColor(c.red, c.green, c.blue); }
QRectF qt_rect(const Rect& r) { return QRectF(r.x, r.y, r.width, r.height); }

// The continuation mark: an arrow down the right of its cell that turns back to the left,
// where the line goes on.
void draw_continuation_mark(QPainter& painter, const Rect& rect) {
    const double left = rect.x + 1;
    const double right = rect.right() - 1;
    const double top = rect.y + rect.height * 0.25;
    const double bottom = rect.y + rect.height * 0.75;
    const double head = std::max(2.0, (right - left) * 0.4);
    QPainterPath path;
    path.moveTo(right, top);
    path.lineTo(right, bottom);
    path.lineTo(left, bottom);
    path.moveTo(left + head, bottom - head);
    path.lineTo(left, bottom);
    path.lineTo(left + head, bottom + head);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

}  // namespace

void QtSurface::fill_rect(const Rect& rect, Colour colour) {
    painter_.fillRect(qt_rect(rect), qt_colour(colour));
}

void QtSurface::frame_rect(const Rect& rect, Colour colour, FrameStyle style) {
    if (rect.width < 1 || rect.height < 1) return;
    painter_.save();
    QPen pen(qt_colour(colour), 1, style == FrameStyle::dotted ? Qt::DotLine : Qt::SolidLine);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    // Half a pixel in, so the one-pixel line covers whole pixels inside the rectangle.
    painter_.drawRect(QRectF(rect.x + 0.5, rect.y + 0.5, rect.width - 1, rect.height - 1));
    painter_.restore();
}

void QtSurface::draw_text(double x, double baseline, std::string_view run, int font, Colour colour) {
    painter_.setPen(qt_colour(colour));
    shaper_.draw(painter_, x, baseline, run, font);
}

void QtSurface::draw_image(int image, const Rect& rect) {
    if (image == kImageContinuationMark) draw_continuation_mark(painter_, rect);
}

void QtSurface::set_clip(const Rect& rect) { painter_.setClipRect(qt_rect(rect)); }

void QtSurface::clear_clip() { painter_.setClipping(false); }

}  // namespace tessel
