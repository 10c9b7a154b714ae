// The scroll position that shows the caret with its margin.
#include "editor/scroll_margin.h"

#include <algorithm>
#include <cmath>

namespace tessel {

namespace {

// One axis: the new origin of a window [origin, origin + size) that shows [first, last]
// with margin on both sides where it fits.
double show_span(double first, double last, double origin, double size, double margin) {
    margin = std::clamp((size - (last - first)) / 2, 0.0, margin);
    if (first - margin < origin) return first - margin;
    if (last + margin > origin + size) return last + margin - size;
    return origin;
}

}  // namespace

ScrollPosition scroll_to_show(const Rect& caret, const Rect& viewport, double margin,
                              double line_height) {
    ScrollPosition out;
    out.x = std::max(0.0, show_span(caret.x, caret.right(), viewport.x, viewport.width, margin));
    const double y = show_span(caret.y, caret.bottom(), viewport.y, viewport.height, margin);
    if (line_height > 0 && y != viewport.y) {
        // Up: the line holding the new top; down: the next whole line, so the margin stays.
        out.y = y < viewport.y ? std::floor(y / line_height) * line_height
                               : std::ceil(y / line_height) * line_height;
    } else {
        out.y = y;
    }
    out.y = std::max(0.0, out.y);
    return out;
}

}  // namespace tessel
