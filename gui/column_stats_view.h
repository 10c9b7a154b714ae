// ColumnStatsView: the current column of a browser's table at a glance, under the document's
// figures in the "Stat" pane: its counts and numbers in a few lines, a histogram of a numeric
// column, and its most frequent values each with a bar scaled to the largest count.
#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

#include "views/column_stats.h"

namespace tessel {

class ColumnStatsView final : public QWidget {
    Q_OBJECT
public:
    explicit ColumnStatsView(QWidget* parent = nullptr);

    void show_stats(const ColumnStats& stats, std::string_view header);
    void clear();
    // The column shown ("" for none) and its statistics.
    const std::string& header() const { return header_; }
    const std::optional<ColumnStats>& stats() const { return stats_; }
    // How many of the most frequent values are drawn.
    static constexpr size_t kTopValues = 10;

    QSize sizeHint() const override { return {240, 320}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<ColumnStats> stats_;
    std::string header_;
};

}  // namespace tessel
