// BrowserView: a browser pane on screen. It paints its controller's view as the layout places
// it (only the rows and columns in sight, so a table of any size paints in the same time),
// scrolls in pixels, moves the current cell with the mouse and the keys, sorts from a header
// click and offers the cell's commands in a context menu. What the current cell means for the
// rest of the window (the second browser, the editor) is its owner's business.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>
#include <functional>
#include <string>
#include <string_view>

#include "views/browser_controller.h"

namespace tessel {

class BrowserView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    BrowserView(BrowserController& controller, QWidget* parent = nullptr);
    ~BrowserView() override;

    BrowserController& controller() { return controller_; }

    // The controller took or dropped a view: lay it out and show its start, or the row of
    // the child of index centre_child, current and in the middle of the pane.
    void view_changed(int32_t centre_child = -1);
    // The same view in a new order or with new widths: lay out again keeping the widths.
    void relayout();
    // Called every 10 ms: paints again while a view is being built.
    void tick();

    // The current cell moved (by the mouse or the keys).
    void set_on_current_changed(std::function<void()> f) { on_current_changed_ = std::move(f); }
    // A header click asks to sort table `table` by `column` ("" or ":asc"/":desc" direction).
    void set_on_sort(std::function<void(int32_t table, int32_t column, std::string_view direction)> f) {
        on_sort_ = std::move(f);
    }
    // The context menu's and double click's commands go through the command table;
    // "browser_locate" (the menu's "Locate in tree") is the owner's own.
    void set_command_runner(std::function<bool(std::string_view name, bool query)> f) {
        run_command_ = std::move(f);
    }
    // The source position whose row gets the mark (the editor's caret), or -1.
    void set_marked_position(std::function<TextPos()> f) { marked_position_ = std::move(f); }

    // The current cell's rectangle in the viewport (empty when none).
    QRect current_rect() const;
    QRect cell_rect(const CellPos& cell) const;
    // The text of the current cell, as drawn (its first line) but whole.
    std::string current_text();
    // The current cell's source range, or an empty range.
    TextRange current_range();
    // Scroll position in pixels.
    ScrollPos scroll() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    // A tooltip over a label or cell whose value is cut shows the whole value.
    bool viewportEvent(QEvent* event) override;

private:
    void lay_out(bool refresh);
    void update_scroll_bars();
    void set_scroll(ScrollPos scroll);
    void current_moved(bool centre);
    struct Brushes;
    void paint_table(QPainter& painter, const Brushes& brushes, const TableLayout& table, int top, int height,
                     bool header_only);
    int row_height() const;

    BrowserController& controller_;
    QFont caption_font_;
    std::function<void()> on_current_changed_;
    std::function<void(int32_t, int32_t, std::string_view)> on_sort_;
    std::function<bool(std::string_view, bool)> run_command_;
    std::function<TextPos()> marked_position_;
    bool was_building_ = false;
    QTimer repaint_timer_;
};

}  // namespace tessel
