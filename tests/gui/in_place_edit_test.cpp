// Editing a browser's cell with real keys and clicks: F6 opens the editor over the cell with
// its text; Enter writes exactly the cell's bytes; a refused value keeps the editor open with
// its balloon; Esc writes nothing; an empty cell and a busy document say why they cannot be
// edited. Paste opens the editor with the clipboard's text; "Edit Text" takes several lines;
// the column-width commands animate and survive a sort.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <fstream>
#include <string>

#include "gui/browser_view.h"
#include "gui/column_stats_view.h"
#include "gui/command_bars.h"
#include "gui/tree_view.h"
#include "tests/gui/editor_fixture.h"
#include "runtime/app_clock.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::run_until;

constexpr const char* kText =
    "<c>\n  <item id=\"1\" note='x'>Kettle</item>\n  <item id=\"2\">Pot</item>\n</c>\n";

class InPlaceEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = (folder.path() + "/c.xml").toStdString();
        std::ofstream(path, std::ios::binary) << kText;
        editor = std::make_unique<test::Editor>(folder.path());
        editor->app.commands().execute("load_file", path);
        ASSERT_TRUE(ready());
        // Keys reach the commands of the active window only (under a real window system).
        editor->window.activateWindow();
        (void)QTest::qWaitForWindowActive(&editor->window, 2000);
    }

    BrowserView& items() { return editor->window.browser(2); }

    // The items' table is in the table browser and cells may be edited.
    bool ready() {
        return run_until([&] {
            const BrowserController& c = items().controller();
            return c.view() && !c.layout().tables().empty() && editor->app.edit_check() == nullptr &&
                   column("id") >= 0;
        });
    }

    // The column of that name; null names the key column, where each item's own text shows.
    int32_t column(const char* name) {
        const auto& tables = items().controller().layout().tables();
        if (tables.empty()) return -1;
        GridTable& table = *tables[0].table;
        for (int32_t c = 0; c < table.column_count(); ++c) {
            const GridTable::DisplayColumn& dc = table.display_column(c);
            if (name ? dc.column && std::strcmp(dc.column->name, name) == 0 : dc.kind == GridTable::ColumnKind::key)
                return c;
        }
        return -1;
    }

    // Clicks the cell of item `item` (from 1) in the named column, then presses F6.
    void edit(int32_t item, const char* name) {
        const CellPos cell{0, item, column(name)};
        ASSERT_GE(cell.column, 0) << (name ? name : "the key column");
        QTest::mouseClick(items().viewport(), Qt::LeftButton, Qt::NoModifier, items().cell_rect(cell).center());
        ASSERT_EQ(items().controller().layout().current(), cell);
        items().setFocus();
        QTest::keyClick(items().viewport(), Qt::Key_F6);
    }

    void type(const QString& text) {
        QLineEdit* box = items().cell_editor();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
    }

    QTemporaryDir folder;
    std::string path;
    std::unique_ptr<test::Editor> editor;
};

TEST_F(InPlaceEditTest, EnterWritesTheValueBetweenTheQuotesAndOneUndoTakesItBack) {
    edit(1, "id");
    ASSERT_TRUE(items().editing());
    EXPECT_EQ(items().cell_editor()->text(), "1");
    type("say \"x\"");
    QTest::keyClick(items().cell_editor(), Qt::Key_Return);
    EXPECT_TRUE(items().editing()) << "a refused value keeps the editor open";
    EXPECT_TRUE(items().balloon_text().contains("Invalid value")) << items().balloon_text().toStdString();
    EXPECT_TRUE(items().balloon_text().contains("Attribute value contains quotes"));
    EXPECT_EQ(editor->app.document().text(), kText);

    type("42 & more");
    QTest::keyClick(items().cell_editor(), Qt::Key_Return);
    EXPECT_FALSE(items().editing());
    std::string expected = kText;
    expected.replace(expected.find("id=\"1\"") + 4, 1, "42 &amp; more");
    EXPECT_EQ(editor->app.document().text(), expected);
    EXPECT_EQ(items().current_text(), "42 &amp; more");

    QTest::keyClick(items().viewport(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(run_until([&] { return editor->app.document().text() == kText; }));
    // The undo's parse rebuilds both browsers: they come back to the edited cell, so the
    // next F6 edits it again.
    ASSERT_TRUE(ready());
    EXPECT_EQ(items().controller().layout().current(), (CellPos{0, 1, column("id")}));
    items().setFocus();
    QTest::keyClick(items().viewport(), Qt::Key_F6);
    ASSERT_TRUE(items().editing());
    EXPECT_EQ(items().cell_editor()->text(), "1");
    QTest::keyClick(items().cell_editor(), Qt::Key_Escape);

    // Ctrl+A in a table keeps the focus there: the next key must not replace the text.
    QTest::keyClick(items().viewport(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(items().viewport(), "x");
    EXPECT_TRUE(items().hasFocus());
    EXPECT_EQ(editor->app.document().text(), kText);
}

TEST_F(InPlaceEditTest, TextCellsRefuseALessThanAndEscWritesNothing) {
    edit(2, nullptr);
    ASSERT_TRUE(items().editing());
    EXPECT_EQ(items().cell_editor()->text(), "Pot");
    type("a < b");
    QTest::keyClick(items().cell_editor(), Qt::Key_Return);
    EXPECT_TRUE(items().editing());
    EXPECT_TRUE(items().balloon_text().contains("Invalid character for chardata: <"))
        << items().balloon_text().toStdString();
    type("Pan");
    QTest::keyClick(items().cell_editor(), Qt::Key_Escape);
    EXPECT_FALSE(items().editing());
    EXPECT_EQ(editor->app.document().text(), kText);
}

TEST_F(InPlaceEditTest, AnEmptyCellAndABusyDocumentSayWhyTheyAreReadOnly) {
    edit(2, "note");
    EXPECT_FALSE(items().editing());
    EXPECT_TRUE(items().balloon_text().contains("This cell is read only"));
    EXPECT_TRUE(items().balloon_text().contains("Empty cells are not editable"));
    // A typed change makes the tree older than the text until the next parse (held back here).
    editor->app.controller().set_parse_blocked(true);
    editor->app.document().replace(" ", 3, 0);
    edit(1, "id");
    EXPECT_FALSE(items().editing()) << "the editor opened on a tree older than the text";
    EXPECT_TRUE(items().balloon_text().contains("Parsing is in progress")) << items().balloon_text().toStdString();
    editor->app.controller().set_parse_blocked(false);
}

TEST_F(InPlaceEditTest, PasteOpensTheEditorWithTheClipboardAndWritesOnlyOnEnter) {
    QGuiApplication::clipboard()->setText("Pan & lid");
    edit(2, nullptr);
    QTest::keyClick(items().cell_editor(), Qt::Key_Escape);
    QTest::keyClick(items().viewport(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(items().editing());
    EXPECT_EQ(items().cell_editor()->text(), "Pan & lid");
    EXPECT_EQ(editor->app.document().text(), kText) << "a paste writes nothing before Enter";
    QTest::keyClick(items().cell_editor(), Qt::Key_Return);
    std::string expected = kText;
    expected.replace(expected.find(">Pot<") + 1, 3, "Pan &amp; lid");
    EXPECT_EQ(editor->app.document().text(), expected);
}

TEST_F(InPlaceEditTest, EditTextTakesSeveralLinesAndKeepsARefusedValue) {
    const CellPos cell{0, 1, column("note")};
    QTest::mouseClick(items().viewport(), Qt::LeftButton, Qt::NoModifier, items().cell_rect(cell).center());
    items().setFocus();
    ASSERT_TRUE(editor->app.commands().execute("edit_using_editor", {}));
    QDialog* dialog = items().edit_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Edit Text");
    EXPECT_EQ(dialog->size(), QSize(483, 318));
    auto* text = dialog->findChild<QPlainTextEdit*>("edit_text");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(), "x");
    QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);

    QTest::keyClicks(text, "it's");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible()) << "a refused value stays in the dialog";
    EXPECT_TRUE(dialog->findChild<QLabel*>("refusal")->text().contains("Attribute value contains quotes"));
    EXPECT_EQ(editor->app.document().text(), kText);

    text->selectAll();
    QTest::keyClicks(text, "one");
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClicks(text, "two");
    QTest::keyClick(text, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(run_until([&] { return items().edit_dialog() == nullptr; }));
    std::string expected = kText;
    expected.replace(expected.find("note='x'") + 6, 1, "one\ntwo");
    EXPECT_EQ(editor->app.document().text(), expected);
}

TEST_F(InPlaceEditTest, MinimizeAllAnimatesSurvivesASortAndRestoreAllBringsTheWidthsBack) {
    const auto widths = [&] { return items().controller().layout().tables()[0].current_widths; };
    const std::vector<int> natural = widths();
    ASSERT_GE(natural.size(), 3u);
    const CellPos cell{0, 1, column("id")};
    QTest::mouseClick(items().viewport(), Qt::LeftButton, Qt::NoModifier, items().cell_rect(cell).center());
    items().setFocus();
    const double start = AppClock::now();
    ASSERT_TRUE(editor->app.commands().execute("minimize_all", {}));
    // Half way the columns are between their widths; after half a second they are 5 pixels.
    ASSERT_TRUE(run_until([&] { return AppClock::now() - start > 200; }));
    if (AppClock::now() - start < 450) {
        EXPECT_LT(widths()[1], natural[1]);
        EXPECT_GT(widths()[1], 5);
    }
    ASSERT_TRUE(run_until([&] { return !items().widths_moving(); }));
    EXPECT_GE(AppClock::now() - start, 500);
    std::vector<int> minimized = widths();
    EXPECT_EQ(minimized[0], natural[0]) << "the row headers keep their width";
    for (size_t c = 1; c < minimized.size(); ++c) EXPECT_EQ(minimized[c], 5) << c;

    // A click on the header sorts: the chosen widths stay.
    const CellPos header{0, 0, 1};
    QTest::mouseClick(items().viewport(), Qt::LeftButton, Qt::NoModifier, items().cell_rect(header).center());
    ASSERT_TRUE(run_until([&] { return items().controller().layout().tables()[0].table->is_sorted(); }));
    QTest::qWait(50);
    EXPECT_EQ(widths(), minimized);

    ASSERT_TRUE(editor->app.commands().execute("restore_all", {}));
    ASSERT_TRUE(run_until([&] { return !items().widths_moving(); }));
    EXPECT_EQ(widths(), natural);
}

TEST_F(InPlaceEditTest, AnEditOpenWhileTheTextIsParsedAgainGoesOnOrSaysTheCellIsGone) {
    // F7 parses again and the browsers come back to their places: the edit goes on.
    edit(1, "id");
    type("7");
    uint64_t serial = items().controller().serial();
    ASSERT_TRUE(editor->app.commands().execute("reparse", {}));
    ASSERT_TRUE(run_until([&] { return items().controller().serial() > serial + 1 && ready(); }));
    ASSERT_TRUE(items().editing());
    QTest::keyClick(items().cell_editor(), Qt::Key_Return);
    std::string expected = kText;
    expected.replace(expected.find("id=\"1\"") + 4, 1, "7");
    EXPECT_EQ(editor->app.document().text(), expected);

    // A view of another node replaces the edited one: Enter writes nothing and says so,
    // keeping what was typed.
    edit(2, "id");
    type("8");
    serial = items().controller().serial();
    editor->window.tree_view().select_path(std::vector<int32_t>{0, 0});
    ASSERT_TRUE(run_until([&] { return items().controller().serial() > serial + 1 && items().controller().view(); }));
    QTest::keyClick(items().cell_editor(), Qt::Key_Return);
    EXPECT_TRUE(items().editing());
    EXPECT_TRUE(items().balloon_text().contains("no longer shown")) << items().balloon_text().toStdString();
    EXPECT_EQ(items().cell_editor()->text(), "8");
    EXPECT_EQ(editor->app.document().text(), expected);
}

TEST_F(InPlaceEditTest, ShiftClickOnAHeaderAddsASortKeyOrTurnsItRound) {
    GridTable& table = *items().controller().layout().tables()[0].table;
    const int32_t id = column("id"), note = column("note");
    const auto click_header = [&](int32_t c, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(items().viewport(), Qt::LeftButton, modifiers, items().cell_rect({0, 0, c}).center());
    };
    click_header(id, Qt::NoModifier);
    ASSERT_TRUE(run_until([&] { return table.is_sorted(); }));
    click_header(note, Qt::ShiftModifier);
    ASSERT_TRUE(run_until([&] { return table.sort_keys().size() == 2; }));
    EXPECT_EQ(table.sort_keys(), (std::vector<SortSpec>{{id, true}, {note, true}}));
    click_header(note, Qt::ShiftModifier);
    ASSERT_TRUE(run_until([&] { return table.sort_keys().size() == 2 && !table.sort_keys()[1].ascending; }));
    EXPECT_EQ(table.sort_keys(), (std::vector<SortSpec>{{id, true}, {note, false}}));
    // The first key decides first: item 1 stays in front whatever the notes say.
    EXPECT_EQ(table.row_order()[0], 1);
    click_header(note, Qt::NoModifier);
    ASSERT_TRUE(run_until([&] { return table.sort_keys().size() == 1; }));
    EXPECT_EQ(table.sort_column(), note);
}

TEST_F(InPlaceEditTest, TheStatPaneDescribesTheCurrentColumn) {
    ColumnStatsView& described = editor->window.column_stats();
    QTest::mouseClick(items().viewport(), Qt::LeftButton, Qt::NoModifier, items().cell_rect({0, 1, column("id")}).center());
    // The command shows the Stat pane; from then on it follows the current column.
    QTest::keyClick(items().viewport(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(described.isVisible());
    ASSERT_TRUE(run_until([&] { return described.header() == "id"; }));
    ASSERT_TRUE(described.stats());
    EXPECT_EQ(described.stats()->rows, 2);
    EXPECT_EQ(described.stats()->numbers, 2);
    EXPECT_EQ(described.stats()->sum.text(), "3");
    QTest::keyClick(items().viewport(), Qt::Key_Right);
    QTest::mouseClick(items().viewport(), Qt::LeftButton, Qt::NoModifier, items().cell_rect({0, 2, column("note")}).center());
    ASSERT_TRUE(run_until([&] { return described.header() == "note"; }));
    EXPECT_EQ(described.stats()->empty, 1);
    EXPECT_EQ(described.stats()->counts.size(), 1u);
    test::screenshot(editor->window, "column_stats");
}

}  // namespace
}  // namespace tessel
