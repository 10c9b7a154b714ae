// Exploring a table with real keys and clicks: the filter bar (typing, "N of M rows", a sort
// that keeps the filter, Esc), and the value counts of a column in the second browser, where
// choosing a value filters the first.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <string>

#include "gui/browser_view.h"
#include "gui/filter_bar.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::run_until;

constexpr int kItems = 300;
// Item i's colour, spread over the table, each colour as often as no other: 100 red, 80 Green,
// 60 blue, 40 dark red, 20 white.
const char* colour_of(int i) {
    const int k = (i * 7) % 15;
    return k < 5 ? "red" : k < 9 ? "Green" : k < 12 ? "blue" : k < 14 ? "dark red" : "white";
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

class TableExplorationTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = (folder.path() + "/catalog.xml").toStdString();
        std::ofstream out(path, std::ios::binary);
        out << "<catalog>\n";
        for (int i = 1; i <= kItems; ++i)
            out << "  <item id=\"" << i << "\" colour=\"" << colour_of(i) << "\">thing " << i << "</item>\n";
        out << "</catalog>\n";
        out.close();
        editor = std::make_unique<test::Editor>(folder.path());
        editor->app.commands().execute("load_file", path);
        ASSERT_TRUE(run_until([&] { return editor->app.tree() && editor->app.edit_check() == nullptr; }));
        editor->app.commands().execute("goto_path", "/catalog");
        ASSERT_TRUE(run_until([&] {
            const BrowserController& c = items().controller();
            return c.view() && !c.layout().tables().empty() && table().row_count() == kItems;
        }));
        editor->window.activateWindow();
        (void)QTest::qWaitForWindowActive(&editor->window, 2000);
    }

    BrowserView& items() { return editor->window.browser(1); }
    GridTable& table() { return *items().controller().layout().tables()[0].table; }
    int32_t column(const char* name) {
        SmallArena scratch;
        for (int32_t c = 0; c < table().column_count(); ++c)
            if (table().cell_text(0, c, scratch) == name) return c;
        return -1;
    }
    void click(int32_t row, int32_t c, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(items().viewport(), Qt::LeftButton, modifiers, items().cell_rect({0, row, c}).center());
    }
    // The data rows shown, in display order.
    std::vector<int32_t> shown() {
        std::vector<int32_t> rows;
        for (int32_t d = 1; d <= table().shown_count(); ++d) rows.push_back(table().shown_row(d));
        return rows;
    }

    QTemporaryDir folder;
    std::string path;
    std::unique_ptr<test::Editor> editor;
};

TEST_F(TableExplorationTest, ATypedFilterShowsItsRowsKeepsThemThroughASortAndEscShowsAllAgain) {
    const int32_t colour = column("colour"), id = column("id");
    ASSERT_GE(colour, 0);
    ASSERT_GE(id, 0);
    int want = 0;
    for (int i = 1; i <= kItems; ++i) want += std::string(colour_of(i)).find("red") != std::string::npos;
    // The current cell stands on a row the filter keeps.
    int32_t kept_row = 1;
    while (std::string(colour_of(kept_row)).find("red") == std::string::npos) ++kept_row;
    click(kept_row, colour);
    QTest::keyClick(items().viewport(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    FilterBar& bar = *items().filter_bar();
    ASSERT_TRUE(bar.isVisible());
    ASSERT_TRUE(bar.text()->hasFocus());
    QTest::keyClicks(bar.text(), "RED");
    ASSERT_TRUE(run_until([&] { return table().is_filtered(); }));
    EXPECT_EQ(table().shown_count(), want);
    EXPECT_EQ(bar.counts_text(), QString("%1 of 300 rows").arg(want));
    SmallArena scratch;
    for (int32_t row : shown()) EXPECT_NE(lowered(table().cell_text(row, colour, scratch)).find("red"), std::string::npos);
    // The current cell stayed on its data row.
    EXPECT_EQ(items().controller().layout().tables()[0].row_at(items().controller().layout().current().row), kept_row);

    // A header click sorts the rows shown; the filter stays and so does the current row.
    click(0, colour);
    ASSERT_TRUE(run_until([&] { return table().is_sorted(); }));
    ASSERT_EQ(table().shown_count(), want);
    std::vector<std::string> colours;
    for (int32_t row : shown()) colours.emplace_back(table().cell_text(row, colour, scratch));
    EXPECT_TRUE(std::is_sorted(colours.begin(), colours.end()));
    EXPECT_EQ(items().controller().layout().tables()[0].row_at(items().controller().layout().current().row), kept_row);
    EXPECT_TRUE(bar.isVisible());

    // A regular expression over every column: only ids 20 to 29 are two digits starting with 2.
    items().setFocus();
    QTest::keyClick(items().viewport(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(bar.text(), Qt::Key_A, Qt::ControlModifier);
    bar.findChild<QComboBox*>("filter_match")->setCurrentIndex(1);
    QTest::keyClicks(bar.text(), "^2[0-9]$");
    QTest::keyClick(bar.text(), Qt::Key_Return);
    ASSERT_TRUE(run_until([&] { return table().shown_count() == 10; }));
    EXPECT_EQ(bar.counts_text(), "10 of 300 rows");
    // A broken expression says why and leaves the rows as they were.
    QTest::keyClicks(bar.text(), "(");
    QTest::keyClick(bar.text(), Qt::Key_Return);
    ASSERT_TRUE(run_until([&] { return bar.counts_text().startsWith("Invalid regular expression"); }));
    EXPECT_EQ(table().shown_count(), 10);

    // Esc in the bar shows every row again and hides it.
    QTest::keyClick(bar.text(), Qt::Key_Escape);
    ASSERT_TRUE(run_until([&] { return !table().is_filtered(); }));
    EXPECT_EQ(table().shown_count(), kItems);
    EXPECT_FALSE(bar.isVisible());
    EXPECT_TRUE(items().hasFocus());
}

TEST_F(TableExplorationTest, EscInTheTableClearsItsFilter) {
    const int32_t colour = column("colour");
    click(1, colour);
    QTest::keyClick(items().viewport(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(items().filter_bar()->text(), "white");
    QTest::keyClick(items().filter_bar()->text(), Qt::Key_Return);
    ASSERT_TRUE(run_until([&] { return table().is_filtered(); }));
    items().setFocus();
    QTest::keyClick(items().viewport(), Qt::Key_Escape);
    ASSERT_TRUE(run_until([&] { return !table().is_filtered(); }));
    EXPECT_FALSE(items().filter_bar()->isVisible());
}

TEST_F(TableExplorationTest, AnEditedCellsTableKeepsItsFilterAndSortAfterTheTextIsParsedAgain) {
    const int32_t colour = column("colour"), id = column("id");
    click(1, colour);
    QTest::keyClick(items().viewport(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(items().filter_bar()->text(), "blue");
    QTest::keyClick(items().filter_bar()->text(), Qt::Key_Return);
    ASSERT_TRUE(run_until([&] { return table().is_filtered(); }));
    click(0, id);
    ASSERT_TRUE(run_until([&] { return table().is_sorted(); }));
    const int32_t blue = table().shown_count();
    // The id of the third row shown, edited in place.
    click(3, id);
    items().setFocus();
    QTest::keyClick(items().viewport(), Qt::Key_F6);
    ASSERT_TRUE(items().editing());
    QTest::keyClick(items().cell_editor(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(items().cell_editor(), "9999");
    const GridTable* before = &table();
    QTest::keyClick(items().cell_editor(), Qt::Key_Return);
    ASSERT_FALSE(items().editing());
    // F7 parses the text again; the view is built anew, filtered and sorted as before.
    QTest::keyClick(items().viewport(), Qt::Key_F7);
    ASSERT_TRUE(run_until([&] {
        const BrowserController& c = items().controller();
        return c.view() && !c.layout().tables().empty() && &table() != before && table().row_count() == kItems &&
               editor->app.edit_check() == nullptr;
    }));
    EXPECT_EQ(table().shown_count(), blue);
    EXPECT_EQ(table().filter().text, "blue");
    EXPECT_EQ(table().sort_keys(), (std::vector<SortSpec>{{id, true}}));
    SmallArena scratch;
    EXPECT_EQ(table().cell_text(table().shown_row(blue), id, scratch), "9999");
    EXPECT_TRUE(items().filter_bar()->isVisible());
}

TEST_F(TableExplorationTest, ChoosingAValueCountFiltersTheFirstBrowserToThatValue) {
    std::map<std::string, int> want;
    for (int i = 1; i <= kItems; ++i) ++want[colour_of(i)];
    const int32_t colour = column("colour");
    click(1, colour);
    QTest::keyClick(items().viewport(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    BrowserView& counts = editor->window.browser(2);
    const auto counts_table = [&]() -> GridTable* {
        const BrowserController& c = counts.controller();
        if (!c.view() || c.layout().tables().empty()) return nullptr;
        GridTable* t = c.layout().tables()[0].table;
        return t->is_literal() ? t : nullptr;
    };
    ASSERT_TRUE(run_until([&] { return counts_table() != nullptr; }));
    GridTable& table_of_counts = *counts_table();
    ASSERT_EQ(table_of_counts.row_count(), static_cast<int32_t>(want.size()));
    SmallArena scratch;
    int64_t previous = kItems;
    int32_t green = -1;
    for (int32_t row = 1; row <= table_of_counts.row_count(); ++row) {
        const std::string value(table_of_counts.cell_text(row, 0, scratch));
        const int64_t count = std::stoll(std::string(table_of_counts.cell_text(row, 1, scratch)));
        EXPECT_EQ(count, want[value]) << value;
        EXPECT_LE(count, previous) << "most frequent first";
        previous = count;
        if (value == "Green") green = row;
    }
    EXPECT_EQ(table_of_counts.bar_column(), 1);
    test::screenshot(editor->window, "value_counts");

    // Enter on "Green" shows the Green items only; the counts stay to choose another.
    ASSERT_GT(green, 0);
    QTest::mouseClick(counts.viewport(), Qt::LeftButton, Qt::NoModifier, counts.cell_rect({0, green, 0}).center());
    QTest::keyClick(counts.viewport(), Qt::Key_Return);
    ASSERT_TRUE(run_until([&] { return table().is_filtered() && table().shown_count() == want["Green"]; }));
    for (int32_t d = 1; d <= table().shown_count(); ++d) EXPECT_EQ(table().cell_text(table().shown_row(d), colour, scratch), "Green");
    EXPECT_TRUE(items().filter_bar()->isVisible());
    EXPECT_EQ(counts_table(), &table_of_counts);
    // "red" exactly: not "dark red", which a substring would keep too. A double click chooses.
    int32_t red = 1;
    while (table_of_counts.cell_text(red, 0, scratch) != "red") ++red;
    QTest::mouseClick(counts.viewport(), Qt::LeftButton, Qt::NoModifier, counts.cell_rect({0, red, 0}).center());
    QTest::mouseDClick(counts.viewport(), Qt::LeftButton, Qt::NoModifier, counts.cell_rect({0, red, 0}).center());
    ASSERT_TRUE(run_until([&] { return table().shown_count() == want["red"]; }));
    test::screenshot(editor->window, "value_counts_chosen");
}

}  // namespace
}  // namespace tessel
