// Scrolling the caret into view: the smallest change of the scroll position that shows the
// caret with a margin around it, the view's top kept on a whole line.
#pragma once

#include "seams/surface.h"

namespace tessel {

// The margin the view keeps between the caret and its edges after a caret move or an edit.
inline constexpr double kCaretScrollMargin = 50;

struct ScrollPosition {
    double x = 0;
    double y = 0;
    bool operator==(const ScrollPosition&) const = default;
};

// caret and viewport are in the content's coordinates (x from the start of the text lines, y
// from the top of the first line); the viewport's origin is the current scroll position. The
// margin shrinks where the viewport is too small for it on both sides. The new y is a
// multiple of line_height; neither coordinate goes below 0.
ScrollPosition scroll_to_show(const Rect& caret, const Rect& viewport, double margin,
                              double line_height);

}  // namespace tessel
