// The browser's painting states.
#include "views/browser_paint_state.h"

#include <cmath>

#include "foundation/number_format.h"

namespace tessel {

BrowserPaintDecision browser_paint(bool job_running, bool has_view, double elapsed_ms) {
    if (job_running) {
        if (elapsed_ms < kProgressTextAfterMs) return {BrowserPaint::waiting, {}, kBuildingRepaintMs};
        // Whole tenths of a second, as every duration is written: 1.34 s reads "1.30 seconds".
        const double tenths = std::floor(elapsed_ms / 100.0) * 100.0;
        return {BrowserPaint::progress, "Preparing this view, " + format_duration(tenths) + " elapsed",
                kBuildingRepaintMs};
    }
    if (!has_view) return {BrowserPaint::empty, kEmptyBrowserText, -1};
    return {BrowserPaint::ready, {}, -1};
}

}  // namespace tessel
