// Column widths the user chooses for a table of a browser ("Minimize all", "Restore all" and
// the fits to rows), and the animation that carries the columns from the widths they have to
// the chosen ones in half a second. Qt-free: the widget ticks the animation and paints.
#pragma once

#include <cstdint>
#include <vector>

#include "seams/text_shaper.h"
#include "views/browser_layout.h"

namespace tessel {

enum class WidthCommand { minimize_all, restore_all, for_this_row, for_this_row_add, for_visible_rows };

// Where a width command aims the columns of table `table`. The fits read the current row and
// the display rows first_visible..last_visible (row 0, the header, is never among them), and
// leave the rows they fitted to in the table's fit_rows.
std::vector<int> width_targets(WidthCommand command, BrowserLayout& layout, int32_t table, int32_t first_visible,
                               int32_t last_visible, TextShaper& shaper);

// One width in flight at time fraction t (0 to 1) of the animation: the straight way from
// start to target, rounded down after adding 0.01 so that a width a hair below a whole
// pixel is not shown one pixel short.
int animated_width(int start, int target, double t);

class WidthAnimation {
public:
    static constexpr double kDurationMs = 500;

    // Starts carrying `from` to `to` at now_ms; the widths are the targets' in the end.
    void start(std::vector<int> from, std::vector<int> to, int32_t table, double now_ms);
    bool active() const { return active_; }
    int32_t table() const { return table_; }
    const std::vector<int>& targets() const { return targets_; }
    // The widths at now_ms. The step that reaches the end gives the targets and stops.
    std::vector<int> step(double now_ms);
    void stop() { active_ = false; }

private:
    std::vector<int> starts_;
    std::vector<int> targets_;
    int32_t table_ = -1;
    double start_ms_ = 0;
    bool active_ = false;
};

}  // namespace tessel
