// The browser's layout: measuring from a sample of rows, hit testing against the cell boxes,
// the current cell kept in view, and what the second browser shows for a cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "foundation/job.h"
#include "parse/xml_parser.h"
#include "tests/seams/fixed_advance_shaper.h"
#include "tests/views/shown_in_browser.h"
#include "views/browser_controller.h"
#include "views/browser_layout.h"
#include "views/row_sort.h"

namespace tessel {
namespace {

using G = BrowserGeometry;
constexpr int kLine = test::kLineHeight, kRow = test::kRowHeight;

using Shown = test::ShownInBrowser;

// Rows whose name column grows with the row number: "r1", "rr2", ... so a column's width
// tells which rows were measured.
std::string growing_rows(int n) {
    std::string xml = "<doc>";
    for (int i = 1; i <= n; ++i)
        xml += "<row name=\"" + std::string(static_cast<size_t>(i % 50 + 1), 'n') + "\" id=\"" +
               std::to_string(i) + "\"/>";
    return xml + "</doc>";
}

int32_t column_of(const TableLayout& t, std::string_view caption) {
    SmallArena scratch;
    for (int32_t c = 0; c < t.columns(); ++c)
        if (look_of_cell(*t.table, 0, c, scratch).text == caption) return c;
    return -1;
}

int expected_width(size_t chars) {
    return G::kCellLeftPad + G::kCellRightPad + static_cast<int>(chars) * 8;
}

TEST(BrowserLayout, MeasuresTheFirstThirtyRowsAndTheLastOne) {
    // 40 rows: rows 0..29 and row 40 are measured; the names of rows 30..39 are longer.
    std::string xml = "<doc>";
    for (int i = 1; i <= 40; ++i)
        xml += "<row name=\"" + std::string(i <= 29 ? 3 : i < 40 ? 30 : 12, 'x') + "\"/>";
    Shown shown(xml + "</doc>");
    const TableLayout& t = shown.layout().tables().at(0);
    ASSERT_EQ(t.rows(), 41);
    // The widest measured cell of "name" has 12 characters (its header, 4 with the sort
    // mark's room, is narrower).
    const int32_t name = column_of(t, "name");
    ASSERT_GT(name, 0);
    EXPECT_EQ(t.natural_widths[name], expected_width(12));
    EXPECT_EQ(t.column_starts[name], t.column_starts[name - 1] + t.current_widths[name - 1]);
}

TEST(BrowserLayout, LongTablesMeasureARandomRowAndARefreshNeverNarrows) {
    Shown shown(growing_rows(5000));
    BrowserLayout& layout = shown.layout();
    const int32_t name = column_of(layout.tables()[0], "name");
    ASSERT_GT(name, 0);
    const int first = layout.tables()[0].current_widths[name];
    int widest_seen = first;
    for (int i = 0; i < 20; ++i) {
        layout.lay_out(shown.browser.view(), shown.shaper, kLine, kRow, true);
        const int width = layout.tables()[0].current_widths[name];
        EXPECT_GE(width, widest_seen);
        widest_seen = width;
        EXPECT_LE(width, expected_width(50));
    }
    // The first 30 rows hold at most 31 characters; random rows further down are longer.
    EXPECT_GT(widest_seen, expected_width(31));
}

// Hit testing is the inverse of the cell boxes, at every scroll position, and the rows and
// columns said to be on screen are exactly those whose boxes meet the viewport.
TEST(BrowserLayout, HitTestingInvertsCellBoxesAndVisibleRangesMatchTheBoxes) {
    Shown shown(growing_rows(300));
    BrowserLayout& layout = shown.layout();
    const TableLayout& t = layout.tables()[0];
    ASSERT_GT(t.columns(), 2);
    std::mt19937 random(7);
    const int width = 60, height = 200;
    for (int trial = 0; trial < 300; ++trial) {
        const int scroll_x = static_cast<int>(random() % 80), scroll_y = static_cast<int>(random() % 5000);
        const CellPos cell{0, static_cast<int32_t>(random() % t.rows()), static_cast<int32_t>(random() % t.columns())};
        const PixelBox box = layout.cell_box(cell, scroll_x);
        const int centre = box.left + box.width / 2;
        // A scrolled column passes under the fixed one, which is what shows there.
        if (cell.column < t.fixed_columns || centre >= layout.scrolling_left(t)) {
            EXPECT_EQ(layout.hit(centre, box.top + box.height / 2, scroll_x), cell);
        }
        const auto [first_row, last_row] = layout.rows_in(t, scroll_y, height);
        const bool row_seen = box.bottom() > scroll_y && box.top - 1 < scroll_y + height;
        EXPECT_EQ(cell.row >= first_row && cell.row <= last_row, row_seen) << cell.row;
        if (cell.column >= t.fixed_columns) {
            const auto [first_col, last_col] = layout.columns_in(t, scroll_x, width);
            const int start = layout.column_x(t, cell.column, scroll_x);
            const bool seen = start + t.current_widths[cell.column] > layout.scrolling_left(t) && start < width;
            EXPECT_EQ(cell.column >= first_col && cell.column <= last_col, seen)
                << "column " << cell.column << " scrolled " << scroll_x;
        }
    }
    // Nothing outside the table is a cell.
    EXPECT_FALSE(layout.hit(2, t.top + 3, 0).valid());
    EXPECT_FALSE(layout.hit(20, t.top + t.height() + 1, 0).valid());
}

// Every pixel of a row belongs to the column whose strip holds it, found by walking the
// columns one by one: the fixed ones first (they cover what scrolls under them), then the
// scrolling ones right of them. Edges count as much as centres.
TEST(BrowserLayout, HitTestingGivesEveryPixelTheColumnWhoseStripHoldsIt) {
    Shown shown(growing_rows(60));
    BrowserLayout& layout = shown.layout();
    const TableLayout& t = layout.tables()[0];
    ASSERT_GT(t.columns(), t.fixed_columns + 1);
    const auto strip_at = [&](int x, int scroll_x) {
        for (int32_t c = 0; c < t.columns(); ++c) {
            if (c >= t.fixed_columns && x < layout.scrolling_left(t)) break;
            const int left = layout.column_x(t, c, scroll_x);
            if (x >= left && x < left + t.current_widths[c]) return c;
        }
        return -1;
    };
    for (int scroll_x : {0, 1, 7, 23, 60}) {
        for (int32_t row : {0, 1, 2, 30, t.rows() - 1}) {
            for (int y : {t.top + row * t.row_height, t.top + (row + 1) * t.row_height - 1}) {
                for (int x = -2; x < t.width() + 40; ++x) {
                    const int32_t column = strip_at(x, scroll_x);
                    const CellPos expected = column < 0 ? CellPos{} : CellPos{0, row, column};
                    ASSERT_EQ(layout.hit(x, y, scroll_x), expected)
                        << "x " << x << " y " << y << " scrolled " << scroll_x;
                }
            }
        }
    }
}

// Whatever the keys do, the current cell stays on screen: sideways with the margin, and with
// the row above and the two below it visible.
TEST(BrowserLayout, KeepInViewShowsTheCurrentCellAfterEveryMove) {
    std::string xml = "<doc>";
    for (int i = 1; i <= 400; ++i) {
        xml += "<row";
        for (int c = 0; c < 12; ++c) xml += " attribute" + std::to_string(c) + "=\"value " + std::to_string(i) + "\"";
        xml += "/>";
    }
    // The attributes' table, then the rows'.
    Shown shown("<doc a='1' b='2'>" + xml.substr(5) + "</doc>");
    BrowserLayout& layout = shown.layout();
    ASSERT_EQ(layout.tables().size(), 2u);
    const int width = 300, height = 180;
    std::mt19937 random(3);
    ScrollPos scroll;
    const BrowserMove moves[] = {BrowserMove::left,    BrowserMove::right,     BrowserMove::up,
                                 BrowserMove::down,    BrowserMove::page_up,   BrowserMove::page_down,
                                 BrowserMove::home,    BrowserMove::end,       BrowserMove::first,
                                 BrowserMove::last};
    for (int i = 0; i < 2000; ++i) {
        layout.move_current(moves[random() % std::size(moves)], height / kRow);
        scroll = layout.keep_in_view(scroll, width, height);
        const CellPos& c = layout.current();
        ASSERT_TRUE(c.valid());
        const TableLayout& t = layout.tables()[c.table];
        ASSERT_GE(c.row, 1);
        ASSERT_LT(c.row, t.rows());
        const PixelBox box = layout.cell_box(c, scroll.x);
        if (c.column >= t.fixed_columns && t.current_widths[c.column] + 2 * G::kKeepInViewMargin < width - layout.scrolling_left(t)) {
            EXPECT_GE(box.left - G::kCellLeftPad, layout.scrolling_left(t));
            EXPECT_LE(box.right(), width);
        }
        EXPECT_GE(box.top - 1 - kRow, scroll.y);
        EXPECT_LE(t.top + (std::min(c.row + 2, t.rows() - 1) + 1) * kRow, scroll.y + height);
    }
    // Down from the first table's last row goes on into the second table.
    layout.set_current({0, layout.tables()[0].rows() - 1, 0});
    layout.move_current(BrowserMove::down, 1);
    EXPECT_EQ(layout.current(), (CellPos{1, 1, 0}));
}

TEST(BrowserLayout, TheHeaderOfTheTableUnderTheTopEdgeStaysInSight) {
    // Two tables one below the other: the element's attributes, then its 120 rows.
    std::string xml = "<doc a='1' b='2' c='3' d='4'>";
    for (int i = 1; i <= 120; ++i) xml += "<row name=\"n" + std::to_string(i) + "\" id=\"" + std::to_string(i) + "\"/>";
    Shown shown(xml + "</doc>");
    BrowserLayout& layout = shown.layout();
    ASSERT_EQ(layout.tables().size(), 2u);
    int pinned_scrolls = 0;
    for (int y = 0; y < layout.content_height(); ++y) {
        SCOPED_TRACE(y);
        const PinnedHeader pinned = layout.pinned_header(y);
        // Which table is under the top edge, its header partly or wholly above it, if any.
        int32_t under = -1;
        for (int32_t t = 0; t < 2; ++t) {
            const TableLayout& table = layout.tables()[t];
            if (y > table.top && y < table.top + table.height()) under = t;
        }
        if (under < 0) {
            // Above a table's header, or in the gap below a table: the header is where it is.
            if (pinned.valid()) {
                const TableLayout& t = layout.tables()[pinned.table];
                EXPECT_GT(y, t.top);
                EXPECT_EQ(pinned.top + t.row_height, t.top + t.height());
            }
            continue;
        }
        const TableLayout& t = layout.tables()[under];
        ASSERT_TRUE(pinned.valid());
        ++pinned_scrolls;
        EXPECT_EQ(pinned.table, under);
        // At the edge, or riding up on the last row; never below its table.
        EXPECT_LE(pinned.top, y);
        EXPECT_LE(pinned.top + t.row_height, t.top + t.height());
        EXPECT_TRUE(pinned.top == y || pinned.top + t.row_height == t.top + t.height());
        // A click on the pinned header is a click on the header.
        if (pinned.top == y) {
            const int x = G::kTableIndent + t.column_starts[1] + 2;  // inside column 1
            const CellPos hit = layout.hit_in_pane(x, 1, {0, y});
            EXPECT_EQ(hit, (CellPos{under, 0, 1}));
            // Below it, the rows are hit as they stand.
            const CellPos below = layout.hit_in_pane(x, t.row_height + 1, {0, y});
            EXPECT_EQ(below, layout.hit(x, y + t.row_height + 1, 0));
        }
    }
    EXPECT_GT(pinned_scrolls, 100 * kRow);
    // At the top nothing is pinned: the first header shows where it stands.
    EXPECT_FALSE(layout.pinned_header(0).valid());
    EXPECT_FALSE(layout.pinned_header(layout.tables()[1].top).valid());
}

TEST(BrowserLayout, TheSecondBrowserShowsANestedCellOrTheRow) {
    Shown shown("<doc><type id='a'><magic priority='5'><match value='x'/></magic></type>"
                "<type id='b'><glob pattern='*.b'/></type></doc>");
    BrowserController& first = shown.browser;
    const TableLayout& t = first.layout().tables().at(0);
    int32_t magic = -1, id = -1;
    SmallArena scratch;
    for (int32_t c = 0; c < t.columns(); ++c) {
        const std::string_view caption = look_of_cell(*t.table, 0, c, scratch).text;
        if (caption == "magic") magic = c;
        if (caption == "id") id = c;
    }
    ASSERT_GE(magic, 0);
    ASSERT_GE(id, 0);
    Node* doc = shown.tree->root()->child(0);
    // A cell with children of its own: the nested element, found under the row's child.
    first.layout().set_current({0, 1, magic});
    BrowserTarget target = table_browser_target(first);
    EXPECT_EQ(target.child_index, 0);
    ASSERT_GE(target.grandchild_index, 0);
    EXPECT_EQ(target.node, doc->child(0)->child(target.grandchild_index));
    // An attribute's cell: the row's child.
    first.layout().set_current({0, 2, id});
    target = table_browser_target(first);
    EXPECT_EQ(target.node, doc->child(1));
    EXPECT_EQ(target.child_index, 1);
    // The row has no magic: still its own child.
    first.layout().set_current({0, 2, magic});
    EXPECT_EQ(table_browser_target(first).node, doc->child(1));
}

// After a sort the rows show in another order than the document's: the second browser shows
// the child of the row the user sees, not the child the row had before the sort.
TEST(BrowserLayout, TheSecondBrowserShowsTheSortedRowsChild) {
    Shown shown("<doc><item id='5'/><item id='3'/><item id='9'/><item id='1'/><item id='7'/></doc>");
    const int document_ids[] = {5, 3, 9, 1, 7};
    BrowserController& first = shown.browser;
    const TableLayout& t = first.layout().tables().at(0);
    const int32_t id = column_of(t, "id");
    ASSERT_GE(id, 0);
    QuietJob job;
    std::string message;
    ASSERT_TRUE(run_sort(*t.table, std::to_string(id) + ":desc", &job, &message));
    const int shown_ids[] = {9, 7, 5, 3, 1};
    Node* doc = shown.tree->root()->child(0);
    for (int32_t row = 1; row <= 5; ++row) {
        first.layout().set_current({0, row, id});
        const BrowserTarget target = table_browser_target(first);
        ASSERT_GE(target.child_index, 0);
        ASSERT_LT(target.child_index, 5);
        EXPECT_EQ(document_ids[target.child_index], shown_ids[row - 1]) << "row " << row;
        EXPECT_EQ(target.node, doc->child(target.child_index));
    }
}

}  // namespace
}  // namespace tessel
