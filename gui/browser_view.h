// BrowserView: a browser pane on screen. It paints its controller's view as the layout places
// it (only the rows and columns in sight, so a table of any size paints in the same time),
// scrolls in pixels, moves the current cell with the mouse and the keys, sorts from a header
// click and offers the cell's commands in a context menu. What the current cell means for the
// rest of the window (the second browser, the editor) is its owner's business.
#pragma once

#include <QAbstractScrollArea>
#include <QDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <string>
#include <string_view>

#include "foundation/arena.h"
#include "gui/filter_bar.h"
#include "views/browser_controller.h"
#include "views/cell_edit.h"
#include "views/column_widths.h"

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
    // Where the pane stands: its current cell by data row (so a new order of the same rows
    // finds it) and its scroll position. A view rebuilt after an edit of the text comes back
    // to the place the old one had, as far as the new view still has it.
    struct Place {
        int32_t table = -1;
        int32_t data_row = 0;
        int32_t column = 0;
        int scroll_x = 0;
        int scroll_y = 0;
    };
    Place place() const;
    bool restore_place(const Place& place);
    // Called every 10 ms: paints again while a view is being built, and moves the columns
    // while their widths change.
    void tick();
    // "Minimize all", "Restore all" and the fits to rows, on the current cell's table: its
    // columns move to their new widths over half a second. False without a current cell.
    bool change_widths(WidthCommand command);
    bool widths_moving() const { return widths_.active(); }

    // The current cell moved (by the mouse or the keys).
    void set_on_current_changed(std::function<void()> f) { on_current_changed_ = std::move(f); }
    // A header click asks to sort table `table` by `column` ("" or ":asc"/":desc" direction).
    void set_on_sort(std::function<void(int32_t table, int32_t column, std::string_view direction)> f) {
        on_sort_ = std::move(f);
    }
    // The filter bar asks to filter table `table` (a filter that keeps all rows clears it).
    void set_on_filter(std::function<void(int32_t table, const RowFilter& filter)> f) { on_filter_ = std::move(f); }
    // Opens the filter bar for the current cell's table, its text selected for typing; false
    // without a current cell.
    bool open_filter();
    // Esc outside the bar: clears the current table's filter and hides the bar; false when the
    // current table is not filtered.
    bool clear_filter();
    // A filter of `table` was applied (error empty) or refused: rows laid out again, the bar
    // updated.
    void filter_done(int32_t table, std::string_view error);
    FilterBar* filter_bar() const { return filter_bar_; }
    // The context menu's and double click's commands go through the command table;
    // "browser_locate" (the menu's "Locate in tree") is the owner's own.
    void set_command_runner(std::function<bool(std::string_view name, bool query)> f) {
        run_command_ = std::move(f);
    }
    // The source position whose row gets the mark (the editor's caret), or -1.
    void set_marked_position(std::function<TextPos()> f) { marked_position_ = std::move(f); }

    // Cell editing: why no cell may be edited now (null when they may), and the write of a
    // committed cell (the node, what was typed, the query it is written with).
    void set_cell_editing(std::function<const char*()> edit_check,
                          std::function<void(Node&, std::string_view, int)> write) {
        edit_check_ = std::move(edit_check);
        write_cell_ = std::move(write);
    }
    // Opens the in-place editor over the current cell, or shows at the cell why it cannot;
    // true when the editor opened. A paste opens it holding the pasted text (initial).
    bool begin_in_place_edit(const QString* initial = nullptr);
    // "Edit using editor": the "Edit Text" dialog over the current cell's text, for long and
    // multi-line values. OK writes the text as Enter does in the in-place editor; a refused
    // value stays in the dialog with the reason. True when the dialog opened.
    bool edit_in_dialog(const QString* initial = nullptr);
    // The "Edit Text" dialog while it is open, else null.
    // A new view came while a cell was being edited: the edit goes on if `same_place` (the
    // pane came back to its place) and the edited cell is current; otherwise its commit says
    // the cell is gone and keeps what was typed.
    void follow_edit(bool same_place);
    QDialog* edit_dialog() const { return edit_dialog_ && edit_dialog_->isVisible() ? edit_dialog_.data() : nullptr; }
    // Enter (commit true) or Esc (false). A value the cell's node refuses keeps the editor
    // open with an "Invalid value" balloon; false then.
    bool end_in_place_edit(bool commit);
    bool editing() const { return cell_editor_ && cell_editor_->isVisible(); }
    QLineEdit* cell_editor() const { return cell_editor_; }
    // The balloon's text while one shows at a cell ("title\nmessage"), else empty.
    QString balloon_text() const;

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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lay_out(bool refresh);
    // The bar shows while the current table is filtered or a filter is being typed for it.
    void sync_filter_bar();
    void set_filter_bar_visible(bool visible);
    void update_scroll_bars();
    void set_scroll(ScrollPos scroll);
    void current_moved(bool centre);
    struct Brushes;
    void paint_table(QPainter& painter, const Brushes& brushes, const TableLayout& table, int top, int height,
                     bool header_only);
    int row_height() const;
    // Whether the current cell may be edited now (showing why not at the cell); an editable
    // cell becomes the edited one.
    EditDecision decide_edit();
    // Writes `typed` into the edited cell through its node: the node's refusal, or null
    // (written tells whether anything was written: not when the view was replaced).
    const char* write_edited(const std::string& typed, bool* written);
    // The in-place editor's width for `text`.
    int editor_width(const QString& text) const;
    // A balloon at the cell: title in bold over the message.
    void show_balloon(const QRect& cell, const char* title, const char* message);

    BrowserController& controller_;
    QFont caption_font_;
    std::function<void()> on_current_changed_;
    std::function<void(int32_t, int32_t, std::string_view)> on_sort_;
    std::function<void(int32_t, const RowFilter&)> on_filter_;
    FilterBar* filter_bar_ = nullptr;
    int32_t filter_table_ = -1;  // the table the bar is for
    std::function<bool(std::string_view, bool)> run_command_;
    std::function<TextPos()> marked_position_;
    bool was_building_ = false;
    QTimer repaint_timer_;
    std::function<const char*()> edit_check_;
    std::function<void(Node&, std::string_view, int)> write_cell_;
    // The in-place editor, the cell it edits and the query it writes with.
    QPointer<QLineEdit> cell_editor_;
    QPointer<QLabel> balloon_;
    QPointer<QDialog> edit_dialog_;
    QTimer balloon_timer_;
    CellPos edited_;
    uint64_t edited_serial_ = 0;
    int edit_query_ = -1;
    bool ending_edit_ = false;
    WidthAnimation widths_;
    uint64_t widths_serial_ = 0;
};

}  // namespace tessel
