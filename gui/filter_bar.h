// FilterBar: the line at the top of a browser pane while the current table is filtered or a
// filter is being typed: the text, how it matches (contains, regular expression, is exactly),
// which columns it looks at, and how many rows it keeps. It only collects what the user asks for; the pane applies it.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "views/row_filter.h"

namespace tessel {

class FilterBar final : public QWidget {
    Q_OBJECT
public:
    explicit FilterBar(QWidget* parent = nullptr);

    // Shows filter; besides every column, the bar offers the columns listed (number, title),
    // which must include the filter's own column when it has one.
    void show_filter(const RowFilter& filter, const std::vector<std::pair<int32_t, QString>>& columns);
    // "N of M rows", or the reason a filter could not be used, in the error colour.
    void show_counts(int32_t shown, int32_t total);
    void show_error(const QString& error);
    // The filter as the fields now say.
    RowFilter filter() const;

    QLineEdit* text() const { return text_; }
    QString counts_text() const { return counts_->text(); }
    // The fields changed and the user paused typing: the filter is to be applied.
    void set_on_changed(std::function<void()> f) { on_changed_ = std::move(f); }
    // Esc in the bar or its close button: the filter is to be cleared and the bar hidden.
    void set_on_closed(std::function<void()> f) { on_closed_ = std::move(f); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changed();

    QLineEdit* text_;
    QComboBox* match_;  // contains, regular expression, is exactly
    QComboBox* scope_;
    QLabel* counts_;
    QTimer pause_;
    std::vector<int32_t> columns_;  // the columns the scope offers after "all columns"
    bool showing_ = false;  // the fields are being set from a table's filter
    std::function<void()> on_changed_, on_closed_;
};

}  // namespace tessel
