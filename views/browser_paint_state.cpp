// The browser's painting states.
#include "views/browser_paint_state.h"

#include <cmath>
#include <cstdio>

namespace tessel {

BrowserPaintDecision browser_paint(bool job_running, bool has_view, double elapsed_ms) {
    if (job_running) {
        if (elapsed_ms < kProgressTextAfterMs) return {BrowserPaint::waiting, {}, kBuildingRepaintMs};
        // Tenths of a second, shown with two decimals: 1.34 s reads "1.30".
        double seconds = std::floor(elapsed_ms / 100.0) / 10.0;
        char text[80];
        std::snprintf(text, sizeof text, "Prepering this view, %.2f seconds elapsed", seconds);
        return {BrowserPaint::progress, text, kBuildingRepaintMs};
    }
    if (!has_view) return {BrowserPaint::empty, kEmptyBrowserText, -1};
    return {BrowserPaint::ready, {}, -1};
}

}  // namespace tessel
