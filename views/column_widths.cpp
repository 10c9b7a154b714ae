// Chosen column widths and their animation.
#include "views/column_widths.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tessel {

std::vector<int> width_targets(WidthCommand command, BrowserLayout& layout, int32_t table, int32_t first_visible,
                               int32_t last_visible, TextShaper& shaper) {
    TableLayout& t = layout.tables()[static_cast<size_t>(table)];
    const CellPos current = layout.current();
    const int32_t current_row = current.valid() && current.table == table ? t.row_at(current.row) : 0;
    switch (command) {
        case WidthCommand::minimize_all: {
            // The row-header column keeps its width: each row still says what it is.
            std::vector<int> targets = t.current_widths;
            for (int32_t c = t.fixed_columns; c < t.columns(); ++c) targets[c] = BrowserGeometry::kMinColumnWidth;
            return targets;
        }
        case WidthCommand::restore_all:
            return t.natural_widths;
        case WidthCommand::for_this_row:
            t.fit_rows.clear();
            if (current_row > 0) t.fit_rows.push_back(current_row);
            break;
        case WidthCommand::for_this_row_add:
            if (current_row > 0 && std::find(t.fit_rows.begin(), t.fit_rows.end(), current_row) == t.fit_rows.end())
                t.fit_rows.push_back(current_row);
            break;
        case WidthCommand::for_visible_rows:
            t.fit_rows.clear();
            for (int32_t display = std::max(first_visible, 1); display <= std::min(last_visible, t.rows() - 1); ++display)
                t.fit_rows.push_back(t.row_at(display));
            break;
    }
    return layout.fitted_widths(table, t.fit_rows, shaper);
}

int animated_width(int start, int target, double t) {
    return static_cast<int>(std::floor(target * t + start * (1 - t) + 0.01));
}

void WidthAnimation::start(std::vector<int> from, std::vector<int> to, int32_t table, double now_ms) {
    starts_ = std::move(from);
    targets_ = std::move(to);
    table_ = table;
    start_ms_ = now_ms;
    active_ = true;
}

std::vector<int> WidthAnimation::step(double now_ms) {
    const double t = (now_ms - start_ms_) / kDurationMs;
    if (t >= 1 || starts_.size() != targets_.size()) {
        active_ = false;
        return targets_;
    }
    std::vector<int> widths(targets_.size());
    for (size_t c = 0; c < targets_.size(); ++c) widths[c] = animated_width(starts_[c], targets_[c], std::max(t, 0.0));
    return widths;
}

}  // namespace tessel
