// Laying out a view in a browser pane, and moving its current cell.
#include "views/browser_layout.h"

#include <algorithm>

#include "parse/node_description.h"
#include "views/shown_text.h"

namespace tessel {
namespace {

using G = BrowserGeometry;

// Only the first line of a cell shows, and only so much of it as could ever fit a column:
// measuring or drawing a 10 MB text node costs no more than a short one.
constexpr size_t kMaxShownBytes = 256;

std::string_view shown_part(std::string_view text) { return first_line_of(text, kMaxShownBytes).text; }

int cell_width(const CellLook& look, TextShaper& shaper) {
    int width = G::kCellLeftPad + G::kCellRightPad;
    if (look.kind_code != -1) width += G::kIconWidth + G::kIconGap;
    const int font = look.caption ? kCaptionFont : kCellFont;
    width += static_cast<int>(shaper.width(look.text, font) + (look.cut ? shaper.width(kCutMark, font) : 0) + 0.99);
    return std::clamp(width, G::kMinColumnWidth, G::kMaxColumnWidth);
}

int32_t count_lines(std::string_view text) {
    int32_t lines = 1;
    for (char c : text)
        if (c == '\n' && ++lines == G::kMaxBlockLines) break;
    return lines;
}

}  // namespace

CellLook look_of_cell(GridTable& table, int32_t row, int32_t column, Arena& scratch) {
    CellLook look;
    const Cell cell = table.cell_at(row, column, scratch);
    look.caption = row == 0 || cell.is_caption_cell;
    if (cell.caption) {
        const ShownLine shown = first_line_of(cell.caption, kMaxShownBytes);
        look.text = shown.text;
        look.cut = shown.cut;
        look.empty = false;
        return look;
    }
    if (!cell.node) return look;
    look.node = cell.node;
    look.empty = false;
    const ShownLine shown = first_line_of(table.cell_text(row, column, scratch), kMaxShownBytes);
    look.text = shown.text;
    look.cut = shown.cut;
    QueryResult r;
    run_query(*cell.node, kQueryDisplay, scratch, r, table.provider().document());
    look.range = r.description.range;
    // Icons stand in the row-header column, where they tell what each row is; in the other
    // columns every cell of a column is the same kind, and its header says which.
    if (column == 0 && table.display_column(0).kind == GridTable::ColumnKind::row_header)
        look.kind_code = r.description.kind_code;
    if (r.description.kind_code == -2) look.kind_code = -2;
    look.link = look.kind_code != -1 && r.description.link != nullptr;
    return look;
}

void BrowserLayout::clear() {
    view_ = nullptr;
    items_.clear();
    tables_.clear();
    content_height_ = content_width_ = text_width_ = 0;
    current_ = {};
}

void BrowserLayout::lay_out(View* view, TextShaper& shaper, int line_height, int row_height, bool refresh) {
    std::vector<KeptWidths> previous;
    if (refresh && view == view_)
        for (const TableLayout& t : tables_) previous.push_back({t.current_widths, t.widths_chosen, t.fit_rows});
    const CellPos kept = view == view_ ? current_ : CellPos{};
    clear();
    view_ = view;
    line_height_ = line_height;
    if (!view) return;
    int y = 2;
    for (int32_t i = 0; i < view->items().size(); ++i) {
        const ViewItem& item = view->items()[i];
        BrowserItemLayout layout;
        layout.top = y;
        switch (item.kind) {
            case ViewItem::Kind::title_line:
                layout.height = line_height + 6;
                text_width_ = std::max(text_width_, G::kTextIndent + G::kIconWidth + G::kIconGap +
                                                              static_cast<int>(shaper.width(shown_part(item.text), kCaptionFont)));
                break;
            case ViewItem::Kind::text_line:
                layout.lines = item.text_block ? count_lines(item.text) : 1;
                layout.height = layout.lines * line_height + (item.section_header ? 4 : 0);
                text_width_ = std::max(text_width_, G::kTextIndent +
                                                        static_cast<int>(shaper.width(shown_part(item.text), kCellFont)));
                break;
            case ViewItem::Kind::table: {
                TableLayout table;
                table.table = item.table;
                table.item = i;
                table.top = y;
                table.row_height = row_height;
                const size_t index = tables_.size();
                measure(table, shaper, index < previous.size() ? &previous[index] : nullptr);
                layout.table = static_cast<int32_t>(index);
                layout.height = table.height() + G::kGapAfterTable;
                tables_.push_back(std::move(table));
                break;
            }
        }
        items_.push_back(layout);
        y += layout.height;
    }
    content_height_ = y + line_height;
    update_content_width();
    if (kept.valid() && kept.table < static_cast<int32_t>(tables_.size()))
        set_current(kept);
    else if (!tables_.empty())
        set_current({0, 1, 0});
}

int BrowserLayout::measured_width(const TableLayout& layout, int32_t row, int32_t column, TextShaper& shaper) {
    GridTable& table = *layout.table;
    ArenaMark mark = scratch_.mark();
    const CellLook look = look_of_cell(table, row, column, scratch_);
    int width = cell_width(look, shaper);
    // Room for the marks drawn at a cell's right end, so they never cover its text: the sort
    // mark and a key's rank in a header, the caret's mark in the row-header column.
    const bool row_header = table.display_column(column).kind == GridTable::ColumnKind::row_header;
    if (row == 0 || row_header) width = std::min(width + G::kMarkWidth + (row == 0 ? G::kRankWidth : 0), G::kMaxColumnWidth);
    scratch_.release(mark);
    return width;
}

void BrowserLayout::measure(TableLayout& layout, TextShaper& shaper, const KeptWidths* previous) {
    GridTable& table = *layout.table;
    const int32_t columns = table.column_count();
    layout.natural_widths.assign(static_cast<size_t>(columns), G::kMinColumnWidth);
    const int32_t rows = layout.rows();
    std::vector<int32_t> sample;
    for (int32_t r = 0; r < std::min(G::kMeasuredRows, rows); ++r) sample.push_back(r);
    sample.push_back(rows - 1);
    for (int32_t& r : sample) {
        // Far down a long table a row drawn at random stands in for the sampled one, so that
        // a table whose first rows are short still gets room for what comes later.
        if (r > G::kRandomRowAfter) {
            random_state_ = random_state_ * 214013u + 2531011u;
            r = static_cast<int32_t>(random_state_ % static_cast<uint32_t>(rows));
        }
    }
    for (const int32_t display : sample) {
        const int32_t row = layout.row_at(display);
        for (int32_t c = 0; c < columns; ++c)
            layout.natural_widths[c] = std::max(layout.natural_widths[c], measured_width(layout, row, c, shaper));
    }
    // A column of bars needs room for them to tell counts apart.
    if (table.bar_column() >= 0 && table.bar_column() < columns)
        layout.natural_widths[table.bar_column()] = std::max(layout.natural_widths[table.bar_column()], G::kBarColumnWidth);
    layout.current_widths = layout.natural_widths;
    if (previous && previous->widths.size() == layout.current_widths.size()) {
        layout.widths_chosen = previous->chosen;
        layout.fit_rows = previous->fit_rows;
        for (size_t c = 0; c < previous->widths.size(); ++c)
            layout.current_widths[c] = previous->chosen ? previous->widths[c]
                                                        : std::max(layout.current_widths[c], previous->widths[c]);
    }
    layout.fixed_columns =
        columns > 1 && table.display_column(0).kind == GridTable::ColumnKind::row_header ? 1 : 0;
    place_columns(layout);
}

void BrowserLayout::place_columns(TableLayout& layout) {
    layout.column_starts.resize(layout.current_widths.size());
    int x = 0;
    for (size_t c = 0; c < layout.current_widths.size(); ++c) {
        layout.column_starts[c] = x;
        x += layout.current_widths[c];
    }
}

void BrowserLayout::update_content_width() {
    content_width_ = text_width_;
    for (const TableLayout& t : tables_) content_width_ = std::max(content_width_, G::kTableIndent + t.width() + 1);
}

void BrowserLayout::set_widths(int32_t table, const std::vector<int>& widths, bool chosen) {
    TableLayout& t = tables_[static_cast<size_t>(table)];
    if (widths.size() != t.current_widths.size()) return;
    t.current_widths = widths;
    t.widths_chosen = chosen;
    place_columns(t);
    update_content_width();
}

std::vector<int> BrowserLayout::fitted_widths(int32_t table, const std::vector<int32_t>& rows, TextShaper& shaper) {
    const TableLayout& t = tables_[static_cast<size_t>(table)];
    std::vector<int> widths(t.current_widths.size(), G::kMinColumnWidth);
    for (const int32_t row : rows) {
        if (row < 1 || row >= t.rows()) continue;
        for (int32_t c = 0; c < t.columns(); ++c)
            widths[c] = std::max(widths[c], measured_width(t, row, c, shaper));
    }
    return widths;
}

int BrowserLayout::column_x(const TableLayout& table, int32_t column, int scroll_x) const {
    const int x = G::kTableIndent + table.column_starts[column];
    return column < table.fixed_columns ? x : x - scroll_x;
}

int BrowserLayout::scrolling_left(const TableLayout& table) const {
    return table.fixed_columns ? G::kTableIndent + table.column_starts[table.fixed_columns] : 0;
}

PixelBox BrowserLayout::cell_box(const CellPos& cell, int scroll_x) const {
    if (!cell.valid()) return {};
    const TableLayout& t = tables_[cell.table];
    const int x = column_x(t, cell.column, scroll_x);
    return {x + G::kCellLeftPad, t.top + cell.row * t.row_height + 1,
            t.current_widths[cell.column] - G::kCellLeftPad, t.row_height - 1};
}

std::pair<int32_t, int32_t> BrowserLayout::items_in(int top, int height) const {
    const auto below = [](const BrowserItemLayout& item, int y) { return item.top + item.height <= y; };
    const auto first = std::lower_bound(items_.begin(), items_.end(), top, below);
    int32_t a = static_cast<int32_t>(first - items_.begin()), b = a - 1;
    while (b + 1 < static_cast<int32_t>(items_.size()) && items_[b + 1].top < top + height) ++b;
    return {a, b};
}

std::pair<int32_t, int32_t> BrowserLayout::rows_in(const TableLayout& table, int top, int height) const {
    const int from = top - table.top, to = from + height;
    if (to <= 0 || from >= table.height()) return {1, 0};
    return {std::max(from, 0) / table.row_height, std::min(to - 1, table.height() - 1) / table.row_height};
}

std::pair<int32_t, int32_t> BrowserLayout::columns_in(const TableLayout& table, int scroll_x, int width) const {
    const int32_t n = table.columns();
    if (n <= table.fixed_columns) return {n, n - 1};
    const int left = scrolling_left(table);
    // Columns are in order of their starts: bisect for the first one that reaches the strip.
    const int from = scroll_x + std::max(left, 0) - G::kTableIndent;
    const auto starts_begin = table.column_starts.begin() + table.fixed_columns;
    auto it = std::upper_bound(starts_begin, table.column_starts.end(), from);
    int32_t a = static_cast<int32_t>(it - table.column_starts.begin());
    if (a > table.fixed_columns) --a;
    // Scrolled past the last column, or not yet reaching the first one.
    if (column_x(table, a, scroll_x) + table.current_widths[a] <= left || column_x(table, a, scroll_x) >= width)
        return {n, n - 1};
    int32_t b = a;
    while (b + 1 < n && column_x(table, b + 1, scroll_x) < width) ++b;
    return {a, b};
}

CellPos BrowserLayout::hit(int x, int y, int scroll_x) const {
    const auto [first, last] = items_in(y, 1);
    if (first > last || items_[first].table < 0) return {};
    const TableLayout& t = tables_[items_[first].table];
    const int32_t row = (y - t.top) / t.row_height;
    if (y < t.top || row >= t.rows()) return {};
    for (int32_t c = 0; c < t.fixed_columns; ++c) {
        const int cx = column_x(t, c, scroll_x);
        if (x >= cx && x < cx + t.current_widths[c]) return {items_[first].table, row, c};
    }
    if (x < scrolling_left(t)) return {};
    const int from = x + scroll_x - G::kTableIndent;
    auto it = std::upper_bound(t.column_starts.begin() + t.fixed_columns, t.column_starts.end(), from);
    const int32_t c = static_cast<int32_t>(it - t.column_starts.begin()) - 1;
    if (c < t.fixed_columns || from >= t.column_starts[c] + t.current_widths[c]) return {};
    return {items_[first].table, row, c};
}

PinnedHeader BrowserLayout::pinned_header(int scroll_y) const {
    const auto [first, last] = items_in(scroll_y, 1);
    if (first > last || items_[first].table < 0) return {};
    const TableLayout& t = tables_[items_[first].table];
    // Its own header shows, or there are no rows under it.
    if (scroll_y <= t.top || t.rows() < 2) return {};
    // The header rides on the table's last row as that leaves.
    const int top = std::min(scroll_y, t.top + t.height() - t.row_height);
    return {items_[first].table, top};
}

CellPos BrowserLayout::hit_in_pane(int x, int y, ScrollPos scroll) const {
    int content_y = y + scroll.y;
    const PinnedHeader pinned = pinned_header(scroll.y);
    if (pinned.valid()) {
        const TableLayout& t = tables_[pinned.table];
        if (content_y >= pinned.top && content_y < pinned.top + t.row_height) content_y = t.top + (content_y - pinned.top);
    }
    return hit(x, content_y, scroll.x);
}

void BrowserLayout::set_current(const CellPos& cell) {
    if (!cell.valid() || cell.table >= static_cast<int32_t>(tables_.size())) {
        current_ = {};
        return;
    }
    const TableLayout& t = tables_[cell.table];
    // A table whose rows a filter all hides keeps its header as the current row, so that the
    // keys still reach the table and Esc can clear the filter.
    const int32_t row = t.rows() < 2 ? 0 : std::clamp(cell.row, 1, t.rows() - 1);
    current_ = {cell.table, row, std::clamp(cell.column, 0, std::max(t.columns() - 1, 0))};
}

bool BrowserLayout::move_current(BrowserMove move, int32_t page_rows) {
    if (!current_.valid()) {
        if (tables_.empty()) return false;
        set_current({0, 1, 0});
        return true;
    }
    const CellPos before = current_;
    CellPos c = current_;
    const TableLayout& t = tables_[c.table];
    const int32_t last_row = t.rows() - 1;
    switch (move) {
        case BrowserMove::left: c.column = std::max(c.column - 1, 0); break;
        case BrowserMove::right: c.column = std::min(c.column + 1, t.columns() - 1); break;
        case BrowserMove::home: c.column = 0; break;
        case BrowserMove::end: c.column = t.columns() - 1; break;
        case BrowserMove::up:
            // Up from the first row goes on into the table above, down from the last into
            // the one below: the tables of a view read as one list.
            if (c.row > 1) --c.row;
            else if (c.table > 0) c = {c.table - 1, tables_[c.table - 1].rows() - 1, c.column};
            break;
        case BrowserMove::down:
            if (c.row < last_row) ++c.row;
            else if (c.table + 1 < static_cast<int32_t>(tables_.size())) c = {c.table + 1, 1, c.column};
            break;
        case BrowserMove::page_up: c.row = std::max(c.row - std::max(page_rows, 1), 1); break;
        case BrowserMove::page_down: c.row = std::min(c.row + std::max(page_rows, 1), last_row); break;
        case BrowserMove::first: c = {0, 1, 0}; break;
        case BrowserMove::last: {
            const int32_t table = static_cast<int32_t>(tables_.size()) - 1;
            c = {table, tables_[table].rows() - 1, 0};
            break;
        }
    }
    set_current(c);
    return !(current_ == before);
}

ScrollPos BrowserLayout::keep_in_view(ScrollPos scroll, int width, int height) const {
    if (!current_.valid()) return scroll;
    const TableLayout& t = tables_[current_.table];
    if (current_.column >= t.fixed_columns) {
        const int start = column_x(t, current_.column, scroll.x);
        const int end = start + t.current_widths[current_.column];
        const int left = scrolling_left(t);
        if (end > width) scroll.x += end - width + G::kKeepInViewMargin;
        // A cell wider than the pane shows its start rather than its end.
        const int shifted = column_x(t, current_.column, scroll.x);
        if (shifted < left) scroll.x = std::max(0, scroll.x - (left - shifted) - G::kKeepInViewMargin);
    }
    // The row above stays in sight too; when the table's header is pinned it covers that row.
    const int above = t.top + (current_.row - 1) * t.row_height;
    const int below = t.top + (std::min(current_.row + 2, t.rows() - 1) + 1) * t.row_height;
    if (above < scroll.y)
        scroll.y = above;
    else if (below > scroll.y + height)
        scroll.y = std::min(below - height, above);
    scroll.y = std::clamp(scroll.y, 0, std::max(content_height_ - height, 0));
    return scroll;
}

ScrollPos BrowserLayout::centre_current(ScrollPos scroll, int height) const {
    if (!current_.valid()) return scroll;
    const TableLayout& t = tables_[current_.table];
    const int middle = t.top + current_.row * t.row_height + t.row_height / 2;
    scroll.y = std::clamp(middle - height / 2, 0, std::max(content_height_ - height, 0));
    return scroll;
}

CellPos BrowserLayout::position_of_child(int32_t child_index) const {
    for (size_t i = 0; i < tables_.size(); ++i) {
        GridTable& table = *tables_[i].table;
        if (child_index < table.first_child() || child_index > table.last_child()) continue;
        const int32_t row = child_index - table.first_child() + 1;
        return {static_cast<int32_t>(i), table.display_of_row(row), 0};
    }
    return {};
}

}  // namespace tessel
