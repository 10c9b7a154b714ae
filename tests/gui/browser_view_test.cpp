// The two browsers in the window, with real clicks, keys and wheel turns on real documents:
// the first browser shows the tree's selection as the batch tool prints it, a cell click fills
// the second, header clicks sort, copy grid gives the table's cells, drilling moves the tree,
// and an edit's parse follows the caret.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QGuiApplication>
#include <QImage>
#include <QHelpEvent>
#include <QProcess>
#include <QTextDocument>
#include <QToolTip>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <string>
#include <vector>

#include "foundation/number_format.h"
#include "gui/browser_view.h"
#include "gui/editor_view.h"
#include "gui/tree_view.h"
#include "tests/file_contents.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"
#include "views/grid_text.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_until;
using test::screenshot;

constexpr const char* kMimeFile = "/usr/share/mime/packages/freedesktop.org.xml";

void load(Editor& editor, const std::string& path) {
    editor.app.commands().execute("load_file", path);
    ASSERT_TRUE(run_until([&] { return editor.app.controller().parses_completed() > 0; }));
}

// A window large enough for the wide tables, and active: keys go to the focused pane only in
// the active window (under a window system).
void show_active(Editor& editor) {
    editor.window.resize(1200, 900);
    editor.window.activateWindow();
    (void)QTest::qWaitForWindowActive(&editor.window, 2000);
}

// Waits until a browser shows a view of a node whose title starts with title.
bool shows(BrowserView& browser, std::string_view title) {
    return run_until([&] {
        View* view = browser.controller().view();
        return view && !browser.controller().building() && view->items().size() > 0 &&
               std::string_view(view->items()[0].text).starts_with(title);
    });
}

// Clicks the tree's row whose label starts with label; false when no row in sight has it.
bool click_tree_row(TreeView& tree, std::string_view label) {
    TreeViewModel& model = tree.model();
    const int line = tree.model().line_height();
    const int64_t first = tree.verticalScrollBar()->value();
    for (int64_t row = first; row < first + tree.viewport()->height() / line; ++row) {
        TreeItem* item = model.item_at_row(row);
        if (!item) break;
        if (!item->label.starts_with(label)) continue;
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                          QPoint(item->x() + 10, static_cast<int>((row - first) * line + line / 2)));
        return true;
    }
    return false;
}

// The view as the batch tool prints it: item texts, and each table as its grid text.
std::string printed(View& view) {
    std::string out;
    LargeArena scratch;
    for (const ViewItem& item : view.items()) {
        if (item.kind == ViewItem::Kind::table)
            out += build_grid_text(*item.table, scratch) + "\n";
        else
            out += std::string(item.text) + "\n";
    }
    return out;
}

std::string cli_grid(const std::string& file, const std::string& path) {
    QProcess cli;
    QStringList arguments{"grid", QString::fromStdString(file)};
    if (!path.empty()) arguments << "--path" << QString::fromStdString(path);
    cli.start(TESSEL_CLI, arguments);
    cli.waitForFinished(60000);
    return cli.readAllStandardOutput().toStdString();
}

// Tab-separated rows ending in CR LF; quoted fields keep their tabs and line ends.
std::vector<std::vector<std::string>> parse_tsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == '\t') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            // The last field of a row has no tab after it.
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    rows.pop_back();
    return rows;
}

// The MIME database open in an active window, its mime-types in the first browser (a click on
// "mime-info" in the tree).
bool open_mime_types(Editor& editor) {
    show_active(editor);
    editor.app.commands().execute("load_file", kMimeFile);
    if (!run_until([&] { return editor.app.controller().parses_completed() > 0; })) return false;
    return click_tree_row(editor.window.tree_view(), "mime-info") &&
           shows(editor.window.browser(1), "mime-info");
}

// The column of a table whose header is caption, or -1.
int32_t column_of(const TableLayout& t, std::string_view caption) {
    SmallArena scratch;
    for (int32_t c = 0; c < t.columns(); ++c)
        if (look_of_cell(*t.table, 0, c, scratch).text == caption) return c;
    return -1;
}

// The table of the first browser's view that has the most rows.
int32_t largest_table(BrowserLayout& layout) {
    int32_t best = 0;
    for (size_t i = 0; i < layout.tables().size(); ++i)
        if (layout.tables()[i].rows() > layout.tables()[best].rows()) best = static_cast<int32_t>(i);
    return best;
}

// Scrolls the browser until the cell is in sight, then clicks it.
void click_cell(BrowserView& browser, const CellPos& cell, Qt::MouseButton button = Qt::LeftButton) {
    BrowserLayout& layout = browser.controller().layout();
    const PixelBox box = layout.cell_box(cell, 0);
    browser.verticalScrollBar()->setValue(std::max(box.top - 40, 0));
    const TableLayout& t = layout.tables()[cell.table];
    if (cell.column >= t.fixed_columns)
        browser.horizontalScrollBar()->setValue(std::max(layout.column_x(t, cell.column, 0) - layout.scrolling_left(t) - 10, 0));
    const QRect rect = browser.cell_rect(cell);
    ASSERT_TRUE(browser.viewport()->rect().contains(rect.center())) << "cell out of sight";
    QTest::mouseClick(browser.viewport(), button, {}, rect.center());
}

TEST(Browsers, TheFirstShowsTheTreeSelectionAsTheBatchToolPrintsItAndACellFillsTheSecond) {
    QTemporaryDir folder;
    Editor editor(folder.path());
    show_active(editor);
    load(editor, kMimeFile);
    TreeView& tree = editor.window.tree_view();
    BrowserView& first = editor.window.browser(1);
    BrowserView& second = editor.window.browser(2);
    // The parse shows the document itself.
    ASSERT_TRUE(shows(first, "XML Document"));
    EXPECT_EQ(printed(*first.controller().view()), cli_grid(kMimeFile, ""));
    // Drill Up is greyed at the root.
    EXPECT_EQ(editor.app.commands().find_enabled_handler("drill_up"), nullptr);

    ASSERT_TRUE(click_tree_row(tree, "mime-info"));
    ASSERT_TRUE(shows(first, "mime-info"));
    EXPECT_EQ(printed(*first.controller().view()), cli_grid(kMimeFile, "mime-info"));
    EXPECT_NE(editor.app.commands().find_enabled_handler("drill_up"), nullptr);
    // What is drawn is what is printed: the first line of each cell in sight.
    BrowserLayout& layout = first.controller().layout();
    const int32_t types = largest_table(layout);
    TableLayout& table = layout.tables()[types];
    ASSERT_GT(table.rows(), 800);
    SmallArena scratch;
    const auto tsv = parse_tsv(build_grid_text(*table.table, scratch));
    for (int32_t r = 0; r < 20; ++r)
        for (int32_t c = 0; c < table.columns(); ++c)
            EXPECT_EQ(look_of_cell(*table.table, table.row_at(r), c, scratch).text,
                      tsv[static_cast<size_t>(r)][static_cast<size_t>(c)]) << r << "," << c;

    // A click on a "magic" cell shows that magic element, nested matches and all, in the
    // second browser; a click on a "type" cell shows the row's mime-type.
    const int32_t magic = column_of(table, "magic"), type = column_of(table, "type");
    ASSERT_GT(magic, 0);
    int32_t with_magic = 1;
    while (look_of_cell(*table.table, table.row_at(with_magic), magic, scratch).empty) ++with_magic;
    click_cell(first, {types, with_magic, magic});
    ASSERT_TRUE(shows(second, "magic"));
    screenshot(editor.window, "magic");
    EXPECT_EQ(first.controller().layout().current(), (CellPos{types, with_magic, magic}));
    bool has_match_table = false;
    for (const TableLayout& t : second.controller().layout().tables())
        has_match_table |= column_of(t, "value") > 0 && column_of(t, "offset") > 0;
    EXPECT_TRUE(has_match_table);
    // The fifth type's comments have a lonely attribute: a consolidated column.
    click_cell(first, {types, 5, type});
    ASSERT_TRUE(shows(second, "mime-type"));
    screenshot(editor.window, "consolidated");

    // The keys move the current cell, and the second browser follows.
    first.setFocus();
    const uint64_t shown_before = second.controller().serial();
    QTest::keyClick(&first, Qt::Key_Up);
    EXPECT_EQ(first.controller().layout().current(), (CellPos{types, 4, type}));
    ASSERT_TRUE(run_until([&] { return second.controller().serial() != shown_before && second.controller().view(); }));
    const std::string fourth_type(look_of_cell(*table.table, table.row_at(4), type, scratch).text);
    // Enter selects the cell's text (the type attribute) in the editor.
    QTest::keyClick(&first, Qt::Key_Return);
    const std::string text = editor.app.document().text();
    const TextPos anchor = editor.app.document().selection_anchor(), caret = editor.app.document().caret();
    ASSERT_LT(anchor, caret);
    EXPECT_NE(text.substr(static_cast<size_t>(anchor), static_cast<size_t>(caret - anchor)).find(fourth_type), std::string::npos);
    EXPECT_NE(printed(*second.controller().view()).find(fourth_type), std::string::npos);

    // Drill Down selects the current row's child in the tree; Drill Up comes back to
    // mime-info with that row current, in the middle of the pane.
    const int32_t fourth_child = table.table->first_child() + table.row_at(4) - 1;
    QTest::keyClick(&first, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(shows(first, "mime-type"));
    EXPECT_EQ(tree.model().selected_path().back(), fourth_child);
    QTest::keyClick(&first, Qt::Key_Up, Qt::AltModifier);
    ASSERT_TRUE(shows(first, "mime-info"));
    EXPECT_EQ(first.controller().layout().current().row, first.controller().layout().tables()[types].table->display_of_row(4));
}

// JSON and DTD documents too: the root after the parse, then the first node under it chosen
// with a click, each as the batch tool prints it.
TEST(Browsers, JsonAndDtdDocumentsShowAsTheBatchToolPrintsThem) {
    for (const char* file : {"/usr/share/iso-codes/json/iso_3166-1.json", "/usr/share/xml/fontconfig/fonts.dtd"}) {
        QTemporaryDir folder;
        Editor editor(folder.path());
        editor.window.resize(1200, 900);
        load(editor, file);
        TreeView& tree = editor.window.tree_view();
        BrowserView& first = editor.window.browser(1);
        ASSERT_TRUE(run_until([&] { return first.controller().view() && !first.controller().building(); })) << file;
        EXPECT_EQ(printed(*first.controller().view()), cli_grid(file, "")) << file;
        TreeItem* child = tree.model().child_item(tree.model().root(), 0);
        ASSERT_NE(child, nullptr) << file;
        ASSERT_TRUE(click_tree_row(tree, child->label.substr(0, 6))) << file;
        ASSERT_TRUE(shows(first, child->label.substr(0, 6))) << file;
        EXPECT_EQ(printed(*first.controller().view()), cli_grid(file, "[1]")) << file;
    }
}

TEST(Browsers, ACutValueEndsInAMarkAndItsTooltipShowsTheWholeValue) {
    const char* file = "/usr/share/xml/fontconfig/fonts.dtd";
    TESSEL_REQUIRE_INPUT(file);
    QTemporaryDir folder;
    Editor editor(folder.path());
    show_active(editor);
    load(editor, file);
    BrowserView& first = editor.window.browser(1);
    ASSERT_TRUE(run_until([&] { return first.controller().view() && !first.controller().building(); }));
    // Every cell of a value of several lines (a content model spread over lines, an ATTLIST
    // of several attributes) shows its first line and says that more follows; one-line values
    // say nothing.
    BrowserLayout& layout = first.controller().layout();
    SmallArena scratch;
    CellPos multi_line;
    std::string whole;
    int cut = 0, whole_cells = 0;
    for (int32_t t = 0; t < static_cast<int32_t>(layout.tables().size()); ++t) {
        TableLayout& table = layout.tables()[t];
        for (int32_t r = 1; r < table.rows(); ++r)
            for (int32_t c = 0; c < table.columns(); ++c) {
                const std::string value(table.table->cell_text(table.row_at(r), c, scratch));
                const CellLook look = look_of_cell(*table.table, table.row_at(r), c, scratch);
                const size_t line_end = std::min(value.find_first_of("\r\n"), value.size());
                const bool more = value.find_first_not_of(" \t\r\n", line_end) != std::string::npos;
                EXPECT_EQ(look.cut, more || line_end > 256) << value;
                EXPECT_EQ(look.text, value.substr(0, std::min<size_t>(line_end, look.text.size())));
                if (look.cut) ++cut;
                else ++whole_cells;
                if (more && !multi_line.valid()) {
                    multi_line = {t, r, c};
                    whole = value;
                }
            }
    }
    ASSERT_TRUE(multi_line.valid());
    EXPECT_GE(cut, 5);
    EXPECT_GT(whole_cells, 10);
    // Hovering over it shows the whole value, lines and all.
    click_cell(first, multi_line);
    const QPoint at = first.cell_rect(multi_line).center();
    QHelpEvent hover(QEvent::ToolTip, at, first.viewport()->mapToGlobal(at));
    QApplication::sendEvent(first.viewport(), &hover);
    ASSERT_TRUE(run_until([] { return QToolTip::isVisible(); }, 3000));
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    const std::string tip = shown.toPlainText().toStdString();
    // Every word of the value, in order, line breaks and all.
    size_t from = 0;
    for (size_t i = 0; i < whole.size();) {
        const size_t start = whole.find_first_not_of(" \t\r\n", i);
        if (start == std::string::npos) break;
        const size_t end = std::min(whole.find_first_of(" \t\r\n", start), whole.size());
        const size_t found = tip.find(whole.substr(start, end - start), from);
        ASSERT_NE(found, std::string::npos) << whole.substr(start, end - start) << " in " << tip;
        from = found + (end - start);
        i = end;
    }
    screenshot(editor.window, "cut-values");
    QToolTip::hideText();
}

TEST(Browsers, HeaderClicksSortAndFlipTheMarkAndCopyGridGivesTheCells) {
    QTemporaryDir folder;
    Editor editor(folder.path());
    ASSERT_TRUE(open_mime_types(editor));
    BrowserView& first = editor.window.browser(1);
    BrowserLayout& layout = first.controller().layout();
    const int32_t types = largest_table(layout);
    const int32_t type = column_of(layout.tables()[types], "type");
    GridTable& table = *layout.tables()[types].table;
    SmallArena scratch;
    const auto column_texts = [&] {
        std::vector<std::string> texts;
        for (int32_t r = 1; r < layout.tables()[types].rows(); ++r)
            texts.emplace_back(look_of_cell(table, layout.tables()[types].row_at(r), type, scratch).text);
        return texts;
    };
    const auto header_image = [&] {
        const QRect rect = first.cell_rect({types, 0, type});
        return first.viewport()->grab(rect).toImage();
    };
    const QImage unsorted = header_image();

    click_cell(first, {types, 0, type});
    ASSERT_TRUE(run_until([&] { return table.is_sorted(); }));
    EXPECT_TRUE(table.sort_ascending());
    std::vector<std::string> texts = column_texts();
    EXPECT_TRUE(std::is_sorted(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
        return natural_compare(a, b) < 0;
    }));
    EXPECT_TRUE(run_until([&] {
        return editor.app.commands().status_message().starts_with("Sorted " + with_commas(static_cast<int64_t>(texts.size())) + " rows in ");
    }));
    QApplication::processEvents();
    const QImage ascending = header_image();
    screenshot(editor.window, "sorted");
    EXPECT_NE(ascending, unsorted);

    click_cell(first, {types, 0, type});
    ASSERT_TRUE(run_until([&] { return !table.sort_ascending(); }));
    texts = column_texts();
    EXPECT_TRUE(std::is_sorted(texts.rbegin(), texts.rend(), [](const std::string& a, const std::string& b) {
        return natural_compare(a, b) < 0;
    }));
    QApplication::processEvents();
    const QImage descending = header_image();
    EXPECT_NE(descending, ascending);
    EXPECT_NE(descending, unsorted);
    // The row-header column does not sort.
    click_cell(first, {types, 0, 0});
    test::run_for(50);
    EXPECT_EQ(table.sort_column(), type);

    // The context menu sorts the current cell's column the way it names.
    const int32_t comment = column_of(layout.tables()[types], "comment");
    ASSERT_GT(comment, 0);
    click_cell(first, {types, 3, comment});
    QTimer pick;
    QObject::connect(&pick, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            pick.stop();
            for (QAction* action : menu->actions())
                if (action->text() == "Sort &descending") action->trigger();
            menu->close();
        }
    });
    pick.start(5);
    QContextMenuEvent context(QContextMenuEvent::Mouse, first.current_rect().center(),
                              first.viewport()->mapToGlobal(first.current_rect().center()));
    QApplication::sendEvent(first.viewport(), &context);
    ASSERT_TRUE(run_until([&] { return table.sort_column() == comment; }));
    EXPECT_FALSE(table.sort_ascending());

    // Copy grid puts the table, in the order shown, on the clipboard.
    click_cell(first, {types, 2, type});
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(editor.app.commands().execute("copy_grid_to_clipboard", {}));
    ASSERT_TRUE(run_until([&] { return !QGuiApplication::clipboard()->text().isEmpty(); }));
    const auto rows = parse_tsv(QGuiApplication::clipboard()->text().toStdString());
    ASSERT_EQ(rows.size(), static_cast<size_t>(layout.tables()[types].rows()));
    for (size_t r = 0; r < rows.size(); r += 37)
        for (int32_t c = 0; c < layout.tables()[types].columns(); ++c) {
            const int32_t row = layout.tables()[types].row_at(static_cast<int32_t>(r));
            const std::string cell(table.cell_text(row, c, scratch));
            if (r > 0) {
                EXPECT_EQ(rows[r][static_cast<size_t>(c)], cell) << r << "," << c;
            }
        }
    // The job's message follows the text to the UI thread.
    EXPECT_TRUE(run_until([&] { return editor.app.commands().status_message().starts_with("Copied grid to clipboard in "); }));
    // Ctrl+C copies the current cell (the window active again after the menu).
    editor.window.activateWindow();
    (void)QTest::qWaitForWindowActive(&editor.window, 2000);
    first.setFocus();
    QTest::keyClick(&first, Qt::Key_C, Qt::ControlModifier);
    const std::string second_type(table.cell_text(layout.tables()[types].row_at(2), type, scratch));
    ASSERT_FALSE(second_type.empty());
    ASSERT_TRUE(run_until([&] { return QGuiApplication::clipboard()->text().toStdString() == second_type; }))
        << QGuiApplication::clipboard()->text().toStdString().substr(0, 80) << " / " << second_type;
}

TEST(Browsers, ASortKeepsTheCurrentRowAndDrillingDownAndUpKeepsTheSort) {
    QTemporaryDir folder;
    Editor editor(folder.path());
    ASSERT_TRUE(open_mime_types(editor));
    BrowserView& first = editor.window.browser(1);
    BrowserView& second = editor.window.browser(2);
    BrowserLayout& layout = first.controller().layout();
    const int32_t types = largest_table(layout);
    const int32_t type = column_of(layout.tables()[types], "type");
    ASSERT_GT(type, 0);
    SmallArena scratch;
    const auto current_type = [&] {
        const CellPos cell = layout.current();
        const TableLayout& t = layout.tables()[cell.table];
        return std::string(t.table->cell_text(t.row_at(cell.row), type, scratch));
    };
    // The second browser shows the row the first one's current cell is on.
    const auto second_follows = [&] {
        return run_until([&] {
            View* view = second.controller().view();
            return view && !second.controller().building() && !first.controller().building() &&
                   &view->selected() == table_browser_target(first.controller()).node;
        }, 10000);
    };
    click_cell(first, {types, 5, type});
    ASSERT_TRUE(second_follows());
    const std::string chosen = current_type();
    ASSERT_FALSE(chosen.empty());
    const Node* chosen_node = table_browser_target(first.controller()).node;

    // Sorted by "type", twice (ascending, then descending): the current row stays on the same
    // mime-type, wherever it lands, shown in the pane, and the second browser still agrees.
    GridTable& table = *layout.tables()[types].table;
    for (bool ascending : {true, false}) {
        click_cell(first, {types, 0, type});
        ASSERT_TRUE(run_until([&] { return table.is_sorted() && table.sort_ascending() == ascending; }));
        ASSERT_TRUE(run_until([&] { return current_type() == chosen; }, 5000)) << current_type() << " / " << chosen;
        EXPECT_NE(layout.current().row, 5);
        EXPECT_EQ(table_browser_target(first.controller()).node, chosen_node);
        EXPECT_TRUE(second_follows());
        QApplication::processEvents();
        EXPECT_TRUE(first.viewport()->rect().contains(first.current_rect().center()));
    }
    screenshot(editor.window, "sorted-current-row");

    // Alt+Down drills into the current mime-type, Alt+Up comes back: the table is still sorted
    // by "type", descending, and the current row is the mime-type drilled into.
    first.setFocus();
    QTest::keyClick(&first, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(run_until([&] {
        View* view = first.controller().view();
        return view && !first.controller().building() && &view->selected() == chosen_node;
    }, 10000));
    first.setFocus();
    QTest::keyClick(&first, Qt::Key_Up, Qt::AltModifier);
    ASSERT_TRUE(shows(first, "mime-info"));
    const TableLayout& back = first.controller().layout().tables()[types];
    EXPECT_TRUE(back.table->is_sorted());
    EXPECT_EQ(back.table->sort_column(), type);
    EXPECT_FALSE(back.table->sort_ascending());
    EXPECT_EQ(current_type(), chosen);
    EXPECT_TRUE(second_follows());
}

TEST(Browsers, ScrolledDownALongTableKeepsItsHeaderRowInSightAndItsClicksSort) {
    QTemporaryDir folder;
    Editor editor(folder.path());
    ASSERT_TRUE(open_mime_types(editor));
    BrowserView& first = editor.window.browser(1);
    BrowserLayout& layout = first.controller().layout();
    const int32_t types = largest_table(layout);
    const int32_t type = column_of(layout.tables()[types], "type");
    const TableLayout& t = layout.tables()[types];
    // The header as drawn where it stands, the table's top in sight.
    const int standing_scroll = std::max(t.top - 4, 0);
    first.verticalScrollBar()->setValue(standing_scroll);
    QApplication::processEvents();
    const QRect header = first.cell_rect({types, 0, type});
    ASSERT_TRUE(first.viewport()->rect().contains(header));
    const QImage standing = first.viewport()->grab(header).toImage();

    // The wheel turned towards the user, ten notches: the header's place has scrolled away.
    first.setFocus();
    for (int notch = 0; notch < 10; ++notch) {
        QWheelEvent wheel(QPointF(40, 40), first.mapToGlobal(QPointF(40, 40)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(first.viewport(), &wheel);
    }
    QApplication::processEvents();
    const int scrolled = first.verticalScrollBar()->value();
    ASSERT_GT(scrolled, t.top + 5 * t.row_height);
    ASSERT_LT(scrolled + first.viewport()->height(), t.top + t.height());
    const PinnedHeader pinned = layout.pinned_header(scrolled);
    ASSERT_EQ(pinned.table, types);
    EXPECT_EQ(pinned.top, scrolled);
    // The same pixels at the top of the pane, over the rows: the header moved up by as much
    // as the pane scrolled past its place.
    const QRect at_top = header.translated(0, -(t.top - standing_scroll) + (pinned.top - scrolled));
    ASSERT_LT(at_top.top(), t.row_height);
    EXPECT_EQ(first.viewport()->grab(at_top).toImage(), standing);
    screenshot(editor.window, "pinned-header");

    // A click there sorts by "type", as a click on the header does.
    QTest::mouseClick(first.viewport(), Qt::LeftButton, {}, at_top.center());
    GridTable& table = *t.table;
    ASSERT_TRUE(run_until([&] { return table.is_sorted() && table.sort_column() == type; }));
}

TEST(Browsers, TheWheelStepsTheTreeAndEditsFollowTheCaret) {
    QTemporaryDir folder;
    Editor editor(folder.path());
    load(editor, TESSEL_SOURCE_DIR "/samples/catalog.xml");
    TreeView& tree = editor.window.tree_view();
    BrowserView& first = editor.window.browser(1);
    ASSERT_TRUE(shows(first, "XML Document"));
    ASSERT_TRUE(click_tree_row(tree, "catalog"));
    QTest::keyClick(&tree, Qt::Key_Right);
    // Three notches towards the user: three rows down, and the browser shows where it landed.
    const int64_t row = tree.model().selected_row();
    QWheelEvent wheel(QPointF(20, 20), tree.mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -360),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tree.viewport(), &wheel);
    ASSERT_EQ(tree.model().selected_row(), row + 3);
    const std::string label = tree.model().selected_item()->label;
    ASSERT_TRUE(shows(first, label.substr(0, label.find(' '))));

    // Ctrl+L from inside an attribute value selects the attribute's element.
    const std::string text = editor.app.document().text();
    const size_t attribute = text.find("sku=\"");
    ASSERT_NE(attribute, std::string::npos);
    const auto at = static_cast<TextPos>(attribute + 6);
    editor.app.document().show_selection(at, at);
    editor.window.editor().setFocus();
    QTest::keyClick(&editor.window.editor(), Qt::Key_L, Qt::ControlModifier);
    const TreeItem* element = tree.model().selected_item();
    ASSERT_NE(element, nullptr);
    const size_t open = text.rfind('<', attribute);
    EXPECT_EQ(element->range.first, static_cast<TextPos>(open));
    ASSERT_TRUE(shows(first, text.substr(open + 1, text.find_first_of(" >", open) - open - 1)));

    // F4 parses again from scratch and shows the same selection.
    const int before_f4 = editor.app.controller().parses_completed();
    const uint64_t first_serial = first.controller().serial();
    QTest::keyClick(&editor.window.editor(), Qt::Key_F4);
    ASSERT_TRUE(run_until([&] { return editor.app.controller().parses_completed() > before_f4; }));
    ASSERT_TRUE(run_until([&] { return first.controller().serial() != first_serial && first.controller().view() && !first.controller().building(); }));
    EXPECT_EQ(tree.model().selected_item()->range.first, static_cast<TextPos>(open));

    // Typing inside that element keeps it selected after the parse; typing elsewhere moves
    // the selection to the innermost node that holds the caret.
    const std::vector<int32_t> path = tree.model().selected_path();
    const int before_typing = editor.app.controller().parses_completed();
    const uint64_t shown_before = first.controller().serial();
    QTest::keyClicks(&editor.window.editor(), "Z");
    // The parse drops the browsers' views, and the caret's place builds the first one again.
    ASSERT_TRUE(run_until([&] {
        return editor.app.controller().parses_completed() > before_typing && first.controller().serial() >= shown_before + 2 &&
               !first.controller().building() && first.controller().view();
    }));
    EXPECT_EQ(tree.model().selected_path(), path);
    const TextPos end = editor.app.document().length() - 12;
    editor.app.document().show_selection(end, end);
    const int parses = editor.app.controller().parses_completed();
    QTest::keyClicks(&editor.window.editor(), " ");
    ASSERT_TRUE(run_until([&] { return editor.app.controller().parses_completed() > parses; }));
    ASSERT_TRUE(run_until([&] { return tree.model().selected_path() != path; }));
    const TreeItem* now = tree.model().selected_item();
    EXPECT_LE(now->range.first, end);
    EXPECT_GE(now->range.last + 1, end);
}

}  // namespace
}  // namespace tessel
