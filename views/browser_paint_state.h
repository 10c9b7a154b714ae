// What a browser pane draws while its view is being built, when it has none, and when it is
// ready: a small state machine the widget asks on every paint.
#pragma once

#include <string>

namespace tessel {

enum class BrowserPaint { waiting, empty, progress, ready };

struct BrowserPaintDecision {
    BrowserPaint state;
    std::string text;      // the text to draw (empty and progress states)
    int repaint_in_ms;     // when to paint again; -1 for not until something changes
};

// The progress text appears only after this long, so quick builds never flash it.
constexpr double kProgressTextAfterMs = 300;
constexpr int kBuildingRepaintMs = 10;
// While a build runs the browser also repaints on this period.
constexpr int kBuildRepaintPeriodMs = 500;
constexpr const char* kEmptyBrowserText = "This Tree Selection Browser is empty";

BrowserPaintDecision browser_paint(bool job_running, bool has_view, double elapsed_ms);

}  // namespace tessel
