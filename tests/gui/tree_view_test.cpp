// The tree view and the warnings pane in the window, with real keys and clicks: the outline of
// a parsed document, Ctrl+L finding the node under the caret, Ctrl+E and Enter selecting a
// node's text, the wheel stepping the selection, Home, End and the page keys, and a diagnostic
// leading to its place. Also: every kind code the parsers report has a picture.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gui/browser_view.h"
#include "gui/command_bars.h"
#include "gui/editor_view.h"
#include "gui/node_icons.h"
#include "gui/tree_view.h"
#include "parse/doctype_parser.h"
#include "parse/document_tree.h"
#include "parse/json_parser.h"
#include "parse/xml_parser.h"
#include "tests/file_contents.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"
#include "views/diagnostics_tree.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_until;

void load(Editor& editor, const std::string& path) {
    editor.app.commands().execute("load_file", path);
    ASSERT_TRUE(run_until([&] { return editor.app.controller().parses_completed() > 0; }));
}

TEST(TreeView, LocateSelectsTheNodeUnderTheCaretAndItsTextGoesToTheEditor) {
    QTemporaryDir folder;
    Editor editor(folder.path());
    TreeView& tree = editor.window.tree_view();
    EXPECT_FALSE(tree.model().has_tree());
    load(editor, TESSEL_SOURCE_DIR "/samples/catalog.xml");
    ASSERT_TRUE(tree.model().has_tree());
    EXPECT_GE(tree.model().visible_rows(), 2);

    // The caret inside "Hex key set": Ctrl+L selects the deepest item covering it.
    const std::string text = editor.app.document().text();
    const auto at = static_cast<TextPos>(text.find("Hex key set") + 4);
    editor.app.document().show_selection(at, at);
    editor.window.editor().setFocus();
    QTest::keyClick(&editor.window.editor(), Qt::Key_L, Qt::ControlModifier);
    const TreeItem* selected = tree.model().selected_item();
    ASSERT_NE(selected, nullptr);
    EXPECT_LE(selected->range.first, at);
    EXPECT_GE(selected->range.last, at);
    EXPECT_GE(selected->depth, 3);
    for (const auto& [index, child] : selected->children)
        EXPECT_FALSE(child->range.first <= at && at <= child->range.last) << "a deeper item covers it";

    // Enter on the tree selects the node's text in the editor.
    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_Return);
    const TextDocument& document = editor.app.document();
    EXPECT_LE(std::min(document.selection_anchor(), document.caret()), selected->range.first);
    EXPECT_GE(std::max(document.selection_anchor(), document.caret()), selected->range.first);
    EXPECT_EQ(editor.app.document().caret(), selected->range.last + 1);

    // Three notches towards the user move the selection three rows down.
    const int64_t row = tree.model().selected_row();
    QWheelEvent wheel(QPointF(20, 20), tree.mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -360),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(tree.viewport(), &wheel);
    EXPECT_EQ(tree.model().selected_row(), row + 3);
}

TEST(TreeView, ThePathBoxSelectsTheNodeItNamesOrSaysItFoundNothing) {
    QTemporaryDir folder;
    Editor editor(folder.path());
    load(editor, TESSEL_SOURCE_DIR "/samples/catalog.xml");
    QComboBox* box = editor.window.bars().path_box();
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), "/catalog/products -> product(2)");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    TreeView& tree = editor.window.tree_view();
    const std::string text = editor.app.document().text();
    const auto second = static_cast<TextPos>(text.find("<product sku=\"HX-110\""));
    ASSERT_TRUE(run_until([&] {
        const TreeItem* item = tree.model().selected_item();
        return item && item->range.first == second;
    }));
    EXPECT_EQ(tree.model().selected_item()->depth, 3);

    // A path that names nothing: the worker asks a message box, which runs its own loop, so
    // it is answered from a timer.
    QString told;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (QMessageBox* message = test::visible_top_level<QMessageBox>()) {
            told = message->text();
            answer.stop();
            QTest::mouseClick(message->button(QMessageBox::Ok), Qt::LeftButton);
        }
    });
    answer.start(5);
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), "/catalog/nothing");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(run_until([&] { return !told.isEmpty(); }));
    EXPECT_EQ(told, "not found");
    EXPECT_EQ(tree.model().selected_item()->range.first, second);
}

TEST(TreeView, TheWarningsPaneListsTheDiagnosticsAndLeadsToTheirPlace) {
    QTemporaryDir folder;
    const std::string path = (folder.path() + "/broken.xml").toStdString();
    std::ofstream(path) << "<?xml version=\"1.0\"?>\n<root>\n  <a x=\"1\">text</b>\n  <c>\n</root>\n";
    Editor editor(folder.path());
    load(editor, path);
    TreeView& warnings = editor.window.warnings_view();
    ASSERT_TRUE(run_until([&] { return editor.window.tabs().currentIndex() == 1; }));
    EXPECT_TRUE(editor.window.tabs().tabText(1).endsWith("error(s)"));
    EXPECT_NE(editor.window.tabs().tabText(1), "0 warning(s), 0 error(s)");
    ASSERT_TRUE(warnings.model().has_tree());
    ASSERT_GE(warnings.model().visible_rows(), 2);
    // The first diagnostic, chosen with a click, selects its place in the text, and the
    // browser shows its details.
    const int row_height = warnings.fontMetrics().height() + 2;
    const QPoint first_diagnostic(60, row_height + row_height / 2);
    QTest::mouseClick(warnings.viewport(), Qt::LeftButton, Qt::NoModifier, first_diagnostic);
    const TreeItem* selected = warnings.model().selected_item();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->depth, 1);
    const TextDocument& document = editor.app.document();
    EXPECT_LE(std::min(document.selection_anchor(), document.caret()), selected->range.first);
    EXPECT_GE(std::max(document.selection_anchor(), document.caret()), selected->range.first);
    EXPECT_EQ(selected->label.rfind("Error", 0) == 0 || selected->label.rfind("Warning", 0) == 0, true)
        << selected->label;
    BrowserController& browser = editor.window.browser(1).controller();
    EXPECT_TRUE(run_until([&] {
        return browser.view() && !browser.building() && std::string_view(browser.view()->items()[0].text) == selected->label;
    }));
    // The second browser shows the detail line of the first browser's current row.
    BrowserController& second = editor.window.browser(2).controller();
    ASSERT_TRUE(run_until([&] {
        return second.view() && !second.building() && std::string_view(second.view()->items()[0].text).starts_with("Description");
    }));
    test::screenshot(editor.window, "warnings");
}

// "line:column" of a byte offset as the caret status counts them: lines end at LF, columns
// count characters, both from 1.
std::string place_of(std::string_view text, size_t offset) {
    int line = 1, column = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return std::to_string(line) + ":" + std::to_string(column);
}

TEST(TreeView, EachWarningShowsItsLineAndColumnAClickSelectsItsLineAndACleanParseShowsTheTree) {
    QTemporaryDir folder;
    const std::string path = (folder.path() + "/broken.xml").toStdString();
    const std::string text =
        "<?xml version=\"1.0\"?>\n<root>\n  <a x=\"\u00e9\u00e9\">text</b>\n  <c>\n\t\u00e9 <d y=1/>\n</root>\n";
    std::ofstream(path) << text;
    Editor editor(folder.path());
    load(editor, path);
    TreeView& warnings = editor.window.warnings_view();
    ASSERT_TRUE(run_until([&] { return editor.window.tabs().currentIndex() == 1; }));
    TreeViewModel& model = warnings.model();
    ASSERT_GE(model.visible_rows(), 3);
    warnings.setFocus();
    const int row_height = warnings.fontMetrics().height() + 2;
    for (int64_t row = 1; row < model.visible_rows(); ++row) {
        TreeItem* item = model.item_at_row(row);
        if (item->depth != 1) continue;
        SCOPED_TRACE(item->label);
        // The row names its place as the status bar would: "Error at 3:21: ...".
        const std::string place = place_of(text, static_cast<size_t>(item->range.first));
        EXPECT_NE(item->label.find(" at " + place + ": "), std::string::npos);
        // A click selects the diagnostic's whole line in the text, and shows it.
        QTest::mouseClick(warnings.viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(60, static_cast<int>(row - warnings.verticalScrollBar()->value()) * row_height + row_height / 2));
        ASSERT_EQ(model.selected_item(), item);
        const size_t at = static_cast<size_t>(item->range.first);
        size_t line_start = text.rfind('\n', at == 0 ? 0 : at - 1);
        line_start = (line_start == std::string::npos || at == 0) ? 0 : line_start + 1;
        const size_t line_end = std::min(text.find('\n', at), text.size());
        TextDocument& document = editor.app.document();
        const TextPos first = std::min(document.selection_anchor(), document.caret());
        const TextPos last = std::max(document.selection_anchor(), document.caret());
        EXPECT_EQ(text.substr(static_cast<size_t>(first), static_cast<size_t>(last - first)),
                  text.substr(line_start, line_end - line_start));
        const QString line_status = QString::fromStdString("Ln " + place.substr(0, place.find(':')) + " ");
        EXPECT_TRUE(run_until([&] { return editor.window.caret_status().text().startsWith(line_status); }, 3000))
            << editor.window.caret_status().text().toStdString();
    }
    test::screenshot(editor.window, "warnings-places");

    // The text mended by keys and parsed again (F7): the tree comes back in front.
    EditorView& text_view = editor.window.editor();
    text_view.setFocus();
    QTest::keyClick(&text_view, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&text_view, "<root><a/></root>");
    QTest::keyClick(&text_view, Qt::Key_F7);
    EXPECT_TRUE(run_until([&] { return editor.window.tabs().currentIndex() == 0; }, 10000));
    EXPECT_EQ(editor.window.tabs().tabText(1), "0 warning(s), 0 error(s)");
}

// A tree view of its own, on screen, showing document.
bool show_tree(TreeView& tree, DocumentTree* document) {
    tree.resize(420, 300);
    tree.show();
    if (!QTest::qWaitForWindowExposed(&tree)) return false;
    tree.show_document(document);
    return true;
}

constexpr const char* kMimeTypes = "/usr/share/mime/packages/freedesktop.org.xml";
constexpr const char* kFontsDtd = "/usr/share/xml/fontconfig/fonts.dtd";

TEST(TreeView, HomeEndAndThePageKeysSelectRowsShowThemAndReportEachMove) {
    TESSEL_REQUIRE_INPUT(kMimeTypes);
    const std::string text = test::file_contents(kMimeTypes);
    std::unique_ptr<DocumentTree> document = parse_xml(text);
    TreeView tree;
    ASSERT_TRUE(show_tree(tree, document.get()));
    tree.setFocus();
    TreeViewModel& model = tree.model();
    std::vector<std::pair<int32_t, int>> reports;
    tree.set_on_selection([&](int32_t node, int source) { reports.emplace_back(node, source); });
    // One key: the row it selects. Each check below also asks that the move was reported once,
    // with the selected node, and that the row is drawn whole in the viewport.
    const int row_height = tree.fontMetrics().height() + 2;
    const int64_t page = tree.viewport()->height() / row_height;
    ASSERT_GE(page, 3);
    auto press = [&](Qt::Key key) {
        reports.clear();
        QTest::keyClick(&tree, key);
        return model.selected_row();
    };
    auto moved_and_shown = [&] {
        const int64_t row = model.selected_row();
        const int64_t top = tree.verticalScrollBar()->value();
        using Report = std::pair<int32_t, int>;
        return reports == std::vector<Report>{{model.selected_node(), kSelectedByPosition}} && top <= row &&
               row < top + page;
    };

    // The document's children are shown: End goes to its last one, the root element.
    EXPECT_EQ(press(Qt::Key_End), model.visible_rows() - 1);
    EXPECT_TRUE(moved_and_shown());
    ASSERT_EQ(model.selected_item()->parent, model.root());
    EXPECT_EQ(model.selected_item()->index, model.root()->child_count - 1);
    QTest::keyClick(&tree, Qt::Key_Right);  // opens it: several hundred mime types
    const int64_t last = model.visible_rows() - 1;
    ASSERT_GT(last, 10 * page);
    EXPECT_EQ(press(Qt::Key_End), last);
    EXPECT_TRUE(moved_and_shown());
    EXPECT_EQ(model.selected_item()->parent->parent, model.root());
    EXPECT_EQ(model.selected_item()->index, model.selected_item()->parent->child_count - 1);
    EXPECT_EQ(press(Qt::Key_End), last);
    EXPECT_TRUE(reports.empty()) << "a key that does not move reports nothing";

    EXPECT_EQ(press(Qt::Key_Home), 0);
    EXPECT_TRUE(moved_and_shown());
    EXPECT_EQ(model.selected_node(), 0);
    EXPECT_EQ(press(Qt::Key_Home), 0);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(press(Qt::Key_PageUp), 0);
    EXPECT_TRUE(reports.empty());

    // A page at a time to the end, the last step clamped, then back up to the top.
    for (int64_t expected = page;; expected += page) {
        ASSERT_EQ(press(Qt::Key_PageDown), std::min(expected, last));
        ASSERT_TRUE(moved_and_shown()) << "page down to row " << expected;
        if (expected >= last) break;
    }
    EXPECT_EQ(press(Qt::Key_PageDown), last);
    EXPECT_TRUE(reports.empty());
    for (int64_t expected = last - page;; expected -= page) {
        ASSERT_EQ(press(Qt::Key_PageUp), std::max<int64_t>(expected, 0));
        ASSERT_TRUE(moved_and_shown()) << "page up to row " << expected;
        if (expected <= 0) break;
    }

    // Row 0 is on top again: its icon is drawn at the item's x, centred in the row, over the
    // view's base; a click on a row's icon selects that row.
    ASSERT_EQ(tree.verticalScrollBar()->value(), 0);
    ASSERT_EQ(tree.horizontalScrollBar()->value(), 0);
    const TreeItem& root = *model.root();
    const QPixmap& icon = node_icon(root.kind_code);
    ASSERT_FALSE(icon.isNull());
    QImage expected(kNodeIconSize, kNodeIconSize, QImage::Format_ARGB32);
    expected.fill(tree.viewport()->palette().color(QPalette::Base));
    QPainter(&expected).drawPixmap(0, 0, icon);
    const QImage drawn = tree.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(drawn.copy(root.x(), (row_height - kNodeIconSize) / 2, kNodeIconSize, kNodeIconSize), expected);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(model.item_at_row(2)->x() + kNodeIconSize / 2, 2 * row_height + row_height / 2));
    EXPECT_EQ(model.selected_row(), 2);
}

TEST(TreeView, LettersTypedQuicklyMakeOnePrefixInTheTreeOfARealDtd) {
    TESSEL_REQUIRE_INPUT(kFontsDtd);
    const std::string fonts = test::file_contents(kFontsDtd);
    std::unique_ptr<DocumentTree> document = parse_dtd(fonts);
    TreeView tree;
    ASSERT_TRUE(show_tree(tree, document.get()));
    tree.setFocus();
    TreeViewModel& model = tree.model();
    // The declarations in order: fontconfig, dir, dir, cache, cache, cachedir, cachedir, ...
    ASSERT_EQ(model.item_at_row(6)->label, "cachedir");
    QTest::keyClicks(&tree, "cached");
    EXPECT_EQ(model.selected_item()->label, "cachedir");
    EXPECT_EQ(model.selected_row(), 6);
    // Another key ends the prefix: from the top, "des" finds "description", and the same
    // letter typed again steps on to the next item that begins with it.
    QTest::keyClick(&tree, Qt::Key_Home);
    QTest::keyClicks(&tree, "des");
    EXPECT_EQ(model.selected_item()->label, "description");
    EXPECT_EQ(model.selected_row(), 8);
    QTest::keyClick(&tree, Qt::Key_Home);
    QTest::keyClicks(&tree, "ccc");
    EXPECT_EQ(model.selected_row(), 6);
    EXPECT_EQ(model.selected_item()->label, "cachedir");
}

TEST(TreeView, ALabelCutToItsFirstLineShowsTheWholeTextWhenHoveredOver) {
    std::unique_ptr<DocumentTree> document =
        parse_xml("<a><m>Licence text,\n  second line &amp; more<b/>one line</m></a>");
    TreeView tree;
    ASSERT_TRUE(show_tree(tree, document.get()));
    tree.activateWindow();
    TreeViewModel& model = tree.model();
    model.expand(model.item_at_row(1));
    model.expand(model.item_at_row(2));
    ASSERT_EQ(model.item_at_row(3)->label, "Licence text,\xE2\x80\xA6");
    const int line = model.line_height();
    const auto hover = [&](int64_t row) {
        QToolTip::hideText();
        const QPoint at(model.item_at_row(row)->x() + 30, static_cast<int>(row * line + line / 2));
        QHelpEvent help(QEvent::ToolTip, at, tree.viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree.viewport(), &help);
    };
    hover(3);
    ASSERT_TRUE(run_until([] { return QToolTip::isVisible(); }, 3000));
    QTextDocument shown;
    shown.setHtml(QToolTip::text());
    // The text as the label has it (the source's "&amp;"): markup in a value is shown, never read.
    EXPECT_EQ(shown.toPlainText().toStdString(), "Licence text,\nsecond line &amp; more");
    // A label that shows all of its text has no tooltip.
    hover(5);
    EXPECT_TRUE(run_until([] { return !QToolTip::isVisible(); }, 3000));
}

// The kind codes of the first few hundred items of a tree, opening every item on the way.
void collect_kind_codes(TreeViewModel& model, std::set<int>& codes) {
    for (int64_t row = 0; row < model.visible_rows() && row < 400; ++row) {
        TreeItem* item = model.item_at_row(row);
        codes.insert(item->kind_code);
        model.expand(item);
    }
}

TEST(NodeIcons, EveryKindCodeTheTreesReportHasAPictureOfItsOwn) {
    TESSEL_REQUIRE_INPUT(kMimeTypes);
    TESSEL_REQUIRE_INPUT(kFontsDtd);
    const std::string mime_types = test::file_contents(kMimeTypes);
    const std::string fonts = test::file_contents(kFontsDtd);
    const std::string subset = test::file_contents(TESSEL_SOURCE_DIR "/tests/data/dtd/subset.xml");
    std::vector<std::unique_ptr<DocumentTree>> trees;
    trees.push_back(parse_xml(mime_types));
    trees.push_back(parse_xml(subset));
    trees.push_back(parse_xml("<r><e/><t>text</t><m>mixed <b/> text</m><one a=\"1\"/>"
                              "<two a=\"1\" b=\"2\"/><at a=\"1\">text</at></r>"));
    trees.push_back(parse_json("{\"v\": 1, \"o\": {}, \"ov\": {\"a\": 1}, \"oc\": {\"x\": {}},"
                               " \"a\": [], \"av\": [1, \"s\"], \"ac\": [[], {}]}"));
    trees.push_back(parse_dtd(fonts));
    trees.push_back(parse_dtd("<!ELEMENT a ANY><![INCLUDE[<!ELEMENT b EMPTY>]]>"));
    std::set<int> codes;
    for (auto& tree : trees) {
        TreeViewModel model;
        model.set_document(tree.get(), nullptr);
        collect_kind_codes(model, codes);
    }
    // The warnings pane: errors, warnings only, and a clean parse.
    auto broken = parse_xml("<root>\n  <a x=\"1\">text</b>\n  <c>\n</root>\n");
    auto warned = parse_dtd("<!ELEMENT a (b)\n<!ELEMENT b EMPTY>");
    ASSERT_GT(broken->diagnostics().count(), 0);
    ASSERT_GT(warned->diagnostics().count(), 0);
    for (DocumentTree* tree : {broken.get(), warned.get(), trees[0].get()}) {
        DiagnosticsRoot root(tree->diagnostics(), "shown");
        TreeViewModel model;
        model.set_root(&root, tree, nullptr);
        collect_kind_codes(model, codes);
    }

    // Every code from 0 to 15 turns up, and nothing else but "no icon".
    std::set<int> expected_codes{-1};
    for (int code = 0; code < 16; ++code) expected_codes.insert(code);
    EXPECT_EQ(codes, expected_codes);
    // Each picture is a 16-pixel square with something drawn in it, and no two are alike.
    std::vector<QImage> pictures;
    for (int code : codes) {
        const QPixmap& icon = node_icon(code);
        if (code < 0) {
            EXPECT_TRUE(icon.isNull());
            continue;
        }
        ASSERT_FALSE(icon.isNull()) << code;
        EXPECT_EQ(icon.deviceIndependentSize(), QSizeF(kNodeIconSize, kNodeIconSize)) << code;
        const QImage image = icon.toImage();
        EXPECT_GT(image.pixelColor(image.width() / 2, image.height() / 2).alpha(), 0) << code;
        for (const QImage& other : pictures) EXPECT_NE(image, other) << code;
        pictures.push_back(image);
    }
    EXPECT_TRUE(node_icon(16).isNull());
    for (int mark : {11, 12, 15, 16}) EXPECT_FALSE(mark_icon(mark).isNull()) << mark;
    for (int mark : {-2, 0, 13, 17}) EXPECT_TRUE(mark_icon(mark).isNull()) << mark;
}

}  // namespace
}  // namespace tessel
