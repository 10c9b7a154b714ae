// The tree view and the warnings pane in the window, with real keys and clicks: the outline of
// a parsed document, Ctrl+L finding the node under the caret, Ctrl+E and Enter selecting a
// node's text, the wheel stepping the selection, and a diagnostic leading to its place.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <fstream>
#include <string>

#include "gui/command_bars.h"
#include "gui/editor_view.h"
#include "gui/tree_view.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"

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
    EXPECT_EQ(editor.app.document().selection_anchor(), selected->range.first);
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
    // The first diagnostic, activated with a double click, selects its place in the text.
    const int row_height = warnings.fontMetrics().height() + 2;
    const QPoint first_diagnostic(60, row_height + row_height / 2);
    QTest::mouseDClick(warnings.viewport(), Qt::LeftButton, Qt::NoModifier, first_diagnostic);
    const TreeItem* selected = warnings.model().selected_item();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->depth, 1);
    EXPECT_EQ(editor.app.document().selection_anchor(), selected->range.first);
    EXPECT_EQ(selected->label.rfind("Error", 0) == 0 || selected->label.rfind("Warning", 0) == 0, true)
        << selected->label;
}

}  // namespace
}  // namespace tessel
