// Drawing a column's statistics: lines of figures, a histogram, bars of value counts.
#include "gui/column_stats_view.h"

#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "foundation/number_format.h"
#include "platform/qt_string.h"

namespace tessel {

ColumnStatsView::ColumnStatsView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("column_stats"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void ColumnStatsView::show_stats(const ColumnStats& stats, std::string_view header) {
    stats_ = stats;
    // The full counts are for the value-count table; the pane draws the first few.
    if (stats_->counts.size() > kTopValues) stats_->counts.resize(kTopValues);
    header_ = header;
    update();
}

void ColumnStatsView::clear() {
    stats_.reset();
    header_.clear();
    update();
}

void ColumnStatsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& p = palette();
    const QFontMetrics metrics = fontMetrics();
    const int line = metrics.height() + 2, margin = 6, width = this->width() - 2 * margin;
    int y = margin;
    const auto text = [&](const QString& s, bool bold = false) {
        QFont font = this->font();
        font.setBold(bold);
        painter.setFont(font);
        painter.setPen(p.color(QPalette::Text));
        painter.drawText(QRect(margin, y, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(font).elidedText(s, Qt::ElideRight, width));
        y += line;
    };
    if (!stats_) {
        painter.setPen(p.color(QPalette::PlaceholderText));
        painter.drawText(rect().adjusted(margin, margin, -margin, -margin), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         tr("The current column of a table is described here."));
        return;
    }
    const ColumnStats& s = *stats_;
    text(tr("Column \"%1\"").arg(to_qstring(header_)), true);
    text(tr("%1 rows, %2 empty, %3 distinct")
             .arg(to_qstring(with_commas(s.rows)), to_qstring(with_commas(s.empty)), to_qstring(with_commas(s.distinct))));
    if (s.rows > s.empty) {
        text(tr("shortest: %1").arg(to_qstring(s.shortest)));
        text(tr("longest: %1").arg(to_qstring(s.longest)));
    }
    if (s.numbers > 0) {
        text(tr("%1 numbers from %2 to %3").arg(to_qstring(with_commas(s.numbers)), to_qstring(s.minimum_text),
                                                to_qstring(s.maximum_text)));
        text(tr("sum %1, mean %2").arg(to_qstring(s.sum.text()), to_qstring(s.mean.text())));
        // The histogram: one bar per bin, as tall as its share of the largest bin.
        const int height = 56;
        y += 2;
        int64_t tallest = 1;
        for (const HistogramBin& bin : s.histogram) tallest = std::max(tallest, bin.count);
        const double step = static_cast<double>(width) / static_cast<double>(s.histogram.size());
        painter.setPen(Qt::NoPen);
        painter.setBrush(p.color(QPalette::Highlight));
        for (size_t b = 0; b < s.histogram.size(); ++b) {
            const int h = static_cast<int>(height * static_cast<double>(s.histogram[b].count) / static_cast<double>(tallest) + 0.5);
            const int x0 = margin + static_cast<int>(step * static_cast<double>(b));
            const int x1 = margin + static_cast<int>(step * static_cast<double>(b + 1));
            painter.drawRect(x0, y + height - h, std::max(1, x1 - x0 - 1), h);
        }
        painter.setPen(p.color(QPalette::Mid));
        painter.drawLine(margin, y + height, margin + width, y + height);
        y += height + 1;
        // The range under the bars: the minimum at the left end, the maximum at the right.
        painter.setPen(p.color(QPalette::PlaceholderText));
        painter.drawText(QRect(margin, y, width, line), Qt::AlignLeft | Qt::AlignVCenter, to_qstring(s.minimum_text));
        painter.drawText(QRect(margin, y, width, line), Qt::AlignRight | Qt::AlignVCenter, to_qstring(s.maximum_text));
        y += line;
    }
    if (s.counts.empty()) return;
    y += 4;
    text(tr("Most frequent values"), true);
    // Each value with its count and a bar scaled to the most frequent one.
    const int64_t most = s.counts.front().count;
    const int value_width = width * 45 / 100, bar_left = margin + value_width + 4;
    for (const ValueCount& v : s.counts) {
        if (y + line > this->height()) break;
        painter.setPen(p.color(QPalette::Text));
        painter.setFont(font());
        painter.drawText(QRect(margin, y, value_width, line), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(to_qstring(v.value), Qt::ElideRight, value_width));
        const QString count = to_qstring(with_commas(v.count));
        const int count_width = metrics.horizontalAdvance(count) + 4;
        const int bar_room = std::max(0, width - value_width - 4 - count_width);
        const int bar = std::max(1, static_cast<int>(bar_room * static_cast<double>(v.count) / static_cast<double>(most)));
        painter.fillRect(bar_left, y + 3, bar, line - 6, p.color(QPalette::Highlight).lighter(130));
        painter.drawText(QRect(bar_left + bar + 4, y, count_width, line), Qt::AlignLeft | Qt::AlignVCenter, count);
        y += line;
    }
}

}  // namespace tessel
