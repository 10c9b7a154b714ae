// BrowserLayout: where everything of a view stands in a browser pane. The view's items are
// stacked from the top (title line, text lines, tables); a table's columns are measured from
// a sample of its rows, and its rows all have one height, so a table of a million rows is laid
// out, hit-tested and scrolled in constant time. It also keeps the current cell and moves it
// with the keys. The widget only paints what this says; tests use a shaper with fixed advances.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/arena.h"
#include "seams/text_shaper.h"
#include "text/text_pos.h"
#include "views/table_view.h"

namespace tessel {

// The fonts a browser measures with: cells in the first, the header row in the second.
inline constexpr int kCellFont = kFirstEditorFont;
inline constexpr int kCaptionFont = kSecondEditorFont;

struct BrowserGeometry {
    static constexpr int kIconWidth = 16;
    static constexpr int kIconGap = 6;       // from the icon to the text
    static constexpr int kCellLeftPad = 3;   // from the column's start to the icon or text
    static constexpr int kCellRightPad = 6;  // kept free right of the widest text
    static constexpr int kMinColumnWidth = 5;
    static constexpr int kMarkWidth = 16;    // a mark at a cell's right end
    static constexpr int kRankWidth = 9;     // a sort key's rank beside a header's mark
    static constexpr int kBarColumnWidth = 160;  // a column whose counts are drawn as bars
    // A column is never measured wider than this: one long text should not push every other
    // column out of sight. The cell shows what fits; the editor shows the rest.
    static constexpr int kMaxColumnWidth = 480;
    static constexpr int kTableIndent = 8;   // tables stand this far right of the pane's edge
    static constexpr int kTextIndent = 4;
    static constexpr int kGapAfterTable = 6;
    static constexpr int kKeepInViewMargin = 10;
    // Measuring samples the first rows, one more, and replaces a sampled row past this index
    // with one drawn at random.
    static constexpr int32_t kMeasuredRows = 30;
    static constexpr int32_t kRandomRowAfter = 100;
    // A text block shows at most this many of its lines.
    static constexpr int32_t kMaxBlockLines = 200;
};

// What one cell shows, as drawn and as measured.
struct CellLook {
    std::string_view text;  // first line only for drawing; may point into the scratch arena
    bool cut = false;       // the value has more than text: drawn with "…" after it
    int kind_code = -1;     // -1: no icon
    bool caption = false;   // the header row and the "Name"/"Value" captions
    bool empty = true;      // no node and no caption
    bool link = false;      // the node reports a link: a line under the icon
    Node* node = nullptr;
    TextRange range{0, -1};  // the cell's source range, for selecting it in the editor
};

// A table position: display position `row` (0 is the header row) and column.
struct CellPos {
    int32_t table = -1;  // index into BrowserLayout::tables(); -1 for none
    int32_t row = 0;
    int32_t column = 0;
    bool valid() const { return table >= 0; }
    bool operator==(const CellPos&) const = default;
};

struct TableLayout {
    GridTable* table = nullptr;
    int32_t item = 0;     // the view item it belongs to
    int top = 0;          // the header row's top, in content coordinates
    int row_height = 0;
    std::vector<int> natural_widths;
    std::vector<int> current_widths;
    std::vector<int> column_starts;  // from the table's left edge
    // Columns that stay put while the others scroll sideways: the row-header column.
    int32_t fixed_columns = 0;
    // The user chose current_widths (minimized, restored, fitted): a refresh keeps them as
    // they are. fit_rows: the rows (row numbers) the widths were last fitted to.
    bool widths_chosen = false;
    std::vector<int32_t> fit_rows;

    int32_t rows() const { return table->shown_count() + 1; }  // with the header row
    int32_t columns() const { return static_cast<int32_t>(current_widths.size()); }
    int width() const { return column_starts.empty() ? 0 : column_starts.back() + current_widths.back(); }
    int height() const { return rows() * row_height; }
    // The row number shown at a display position.
    int32_t row_at(int32_t display) const { return display == 0 ? 0 : table->shown_row(display); }
};

struct BrowserItemLayout {
    int top = 0;
    int height = 0;
    int32_t table = -1;  // index into tables() for a table item
    int32_t lines = 1;   // text lines of a text block
};

enum class BrowserMove { left, right, up, down, page_up, page_down, home, end, first, last };

// A header row drawn pinned under the pane's top edge: the table whose rows cross that edge
// once its own header has scrolled above it, and where its header is drawn (content
// coordinates): at the top edge, or higher while the table's last row leaves the pane, so the
// header goes with its table.
struct PinnedHeader {
    int32_t table = -1;  // none
    int top = 0;
    bool valid() const { return table >= 0; }
};

struct ScrollPos {
    int x = 0;
    int y = 0;
    bool operator==(const ScrollPos&) const = default;
};

struct PixelBox {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

// Describes a cell of a table for drawing or measuring. Texts go to scratch.
CellLook look_of_cell(GridTable& table, int32_t row, int32_t column, Arena& scratch);

class BrowserLayout {
public:
    // Lays out view (null: nothing) with cells measured by shaper. refresh keeps every
    // column at least as wide as it was, so a relayout never makes columns jump narrower.
    void lay_out(View* view, TextShaper& shaper, int line_height, int row_height, bool refresh = false);
    void clear();

    View* view() const { return view_; }
    const std::vector<BrowserItemLayout>& items() const { return items_; }
    std::vector<TableLayout>& tables() { return tables_; }
    const std::vector<TableLayout>& tables() const { return tables_; }
    int content_height() const { return content_height_; }
    int content_width() const { return content_width_; }
    int line_height() const { return line_height_; }

    // The x where column c of a table starts on screen, scrolled by scroll_x unless fixed.
    int column_x(const TableLayout& table, int32_t column, int scroll_x) const;
    // The left edge of a table's scrolling columns (right of its fixed ones).
    int scrolling_left(const TableLayout& table) const;
    // The cell's rectangle: from the column's start plus the left pad to the start plus its
    // width, one pixel inside the row's grid lines. Content coordinates, scrolled by scroll_x.
    PixelBox cell_box(const CellPos& cell, int scroll_x) const;
    // The cell under a point of the content (scrolled sideways by scroll_x), or none.
    CellPos hit(int x, int y, int scroll_x) const;
    // The header to pin when the pane is scrolled down to scroll_y, or none. Tables stand one
    // below the other, so at most one table crosses the top edge.
    PinnedHeader pinned_header(int scroll_y) const;
    // The cell under a point of the pane (y from the pane's top) scrolled to scroll: the
    // pinned header where it covers the rows beneath it, otherwise as hit.
    CellPos hit_in_pane(int x, int y, ScrollPos scroll) const;
    // The items that meet the band [top, top + height) of the content.
    std::pair<int32_t, int32_t> items_in(int top, int height) const;
    // The display rows of a table that meet the band, or {1, 0} for none.
    std::pair<int32_t, int32_t> rows_in(const TableLayout& table, int top, int height) const;
    // The columns of a table that are on screen in [0, width) when scrolled by scroll_x.
    std::pair<int32_t, int32_t> columns_in(const TableLayout& table, int scroll_x, int width) const;

    // The current cell: where keys move and what copy, editor select and the second
    // browser read. Invalid when the view has no table.
    const CellPos& current() const { return current_; }
    void set_current(const CellPos& cell);
    // Moves the current cell; false when it stays. page_rows is the viewport's height in rows.
    bool move_current(BrowserMove move, int32_t page_rows);
    // The scroll that shows the current cell with a margin of kKeepInViewMargin pixels
    // sideways, and the row above and the two rows below it, in a viewport of width × height.
    ScrollPos keep_in_view(ScrollPos scroll, int width, int height) const;
    // The scroll that puts the current row in the middle of the viewport.
    ScrollPos centre_current(ScrollPos scroll, int height) const;
    // The first table position that shows the child of index child_index of the selected
    // node (its display row), or an invalid position.
    CellPos position_of_child(int32_t child_index) const;

    // Gives table `table` the column widths `widths` (the columns' starts and the content's
    // width follow). Chosen widths stay as they are through a refresh; measured ones only grow.
    void set_widths(int32_t table, const std::vector<int>& widths, bool chosen);
    // Each column's widest cell among `rows` (row numbers; the header row takes no part), at
    // least kMinColumnWidth and at most kMaxColumnWidth.
    std::vector<int> fitted_widths(int32_t table, const std::vector<int32_t>& rows, TextShaper& shaper);

private:
    // What a refresh carries over from a table's previous layout.
    struct KeptWidths {
        std::vector<int> widths;
        bool chosen = false;
        std::vector<int32_t> fit_rows;
    };
    void measure(TableLayout& layout, TextShaper& shaper, const KeptWidths* previous);
    int measured_width(const TableLayout& layout, int32_t row, int32_t column, TextShaper& shaper);
    void place_columns(TableLayout& layout);
    void update_content_width();

    View* view_ = nullptr;
    std::vector<BrowserItemLayout> items_;
    std::vector<TableLayout> tables_;
    int content_height_ = 0;
    int content_width_ = 0;
    int text_width_ = 0;  // the widest title and text line
    int line_height_ = 16;
    CellPos current_;
    uint32_t random_state_ = 0;
    SmallArena scratch_;
};

}  // namespace tessel
