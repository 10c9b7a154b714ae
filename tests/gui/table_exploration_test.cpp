// Exploring a table with real keys and clicks: the filter bar (typing, "N of M rows", a sort
// that keeps the filter, Esc), and the value counts of a column in the second browser, where
// choosing a value filters the first.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>

#include "gui/browser_view.h"
#include "gui/filter_bar.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::run_until;

constexpr int kItems = 300;
const char* const kColours[] = {"red", "Green", "blue", "dark red", "white"};

// Item i's colour: not a repeating cycle, so a filter keeps rows spread over the table.
const char* colour_of(int i) { return kColours[(i * 7 + i / 11) % 5]; }

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

    // Only in the id column: "2" as a regular expression anchored at both ends.
    items().setFocus();
    QTest::keyClick(items().viewport(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(bar.text(), Qt::Key_A, Qt::ControlModifier);
    bar.findChild<QCheckBox*>("filter_regex")->click();
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

}  // namespace
}  // namespace tessel
