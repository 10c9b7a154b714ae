// Find, Replace, Goto Line and the bookmarks through their keys and dialogs on a real document,
// checked against plain string searches of the same text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <string>
#include <vector>

#include "gui/built_dialog.h"
#include "gui/editor_view.h"
#include "gui/find_dialogs.h"
#include "tests/gui/editor_fixture.h"
#include "tests/gui/dialog_answers.h"
#include "tests/file_contents.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_until;
using test::shown_dialog;
using test::type_over;

constexpr const char* kRealDocument = "/usr/share/mime/packages/freedesktop.org.xml";

std::vector<size_t> occurrences(const std::string& text, const std::string& pattern) {
    std::vector<size_t> found;
    for (size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1))
        found.push_back(at);
    return found;
}

class FindCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        original = test::file_contents(kRealDocument);
        if (original.empty()) GTEST_SKIP() << kRealDocument << " is not installed";
    }
    void load(Editor& editor) {
        const std::string path = (folder.path() + "/mime.xml").toStdString();
        std::ofstream(path, std::ios::binary) << original;
        editor.app.commands().execute("load_file", path);
        ASSERT_TRUE(run_until([&] { return editor.app.document().text() == original; }, 20000));
        ASSERT_TRUE(run_until([&] { return editor.pool.job_elapsed_ms("load") < 0; }));
    }
    TextPos selection_start(Editor& editor) {
        return std::min(editor.app.document().selection_anchor(), editor.app.document().caret());
    }
    QTemporaryDir folder;
    std::string original;
};

TEST_F(FindCommandsTest, FindWalksTheMatchesBothWaysAndWrapsAndWarnsAboutAbsentText) {
    Editor editor(folder.path());
    load(editor);
    EditorView& view = editor.window.editor();
    view.setFocus();

    // Ctrl+F, a pattern that is not there, Enter: the warning under "Find".
    QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
    BuiltDialog* find = shown_dialog("Find");
    ASSERT_NE(find, nullptr);
    type_over(find->edit_of(0), "no such text here");
    QString caption, text;
    test::answer_next_box(QMessageBox::Ok, &text, &caption);
    QTest::keyClick(find->edit_of(0), Qt::Key_Return);
    ASSERT_TRUE(run_until([&] { return !text.isEmpty(); }, 20000));
    EXPECT_EQ(caption, "Find");
    EXPECT_EQ(text, "Could not find string 'no such text here'");
    EXPECT_TRUE(find->isVisible()) << "the dialog stays open for another try";

    // A pattern with a few matches: Enter finds the first after the caret, Esc closes, then
    // F3 and Shift+F3 step through them in order and around the ends.
    const std::string pattern = "x-ole-storage";
    const std::vector<size_t> at = occurrences(original, pattern);
    ASSERT_GE(at.size(), 2u);
    type_over(find->edit_of(0), QString::fromStdString(pattern));
    QTest::keyClick(find->edit_of(0), Qt::Key_Return);
    ASSERT_TRUE(run_until([&] { return selection_start(editor) == static_cast<TextPos>(at[0]); }));
    QTest::keyClick(find->edit_of(0), Qt::Key_Escape);
    EXPECT_FALSE(find->isVisible());
    for (size_t step = 1; step <= at.size(); ++step) {
        QTest::keyClick(&view, Qt::Key_F3);
        const auto wanted = static_cast<TextPos>(at[step % at.size()]);
        ASSERT_TRUE(run_until([&] { return selection_start(editor) == wanted; })) << "F3 #" << step;
        EXPECT_EQ(editor.app.document().caret(), wanted + static_cast<TextPos>(pattern.size()));
    }
    QTest::keyClick(&view, Qt::Key_F3, Qt::ShiftModifier);
    const auto last = static_cast<TextPos>(at.back());
    ASSERT_TRUE(run_until([&] { return selection_start(editor) == last; })) << "Shift+F3 wraps back";
    // The view scrolls the match into sight at its next refresh.
    const int32_t line = editor.app.document().index().line_of(last);
    const EditorViewModel& model = view.model();
    EXPECT_TRUE(run_until([&] {
        return line >= model.top_line() && line < model.top_line() + model.lines_per_page();
    })) << "line " << line << ", top " << model.top_line() << ", page " << model.lines_per_page();
}

TEST_F(FindCommandsTest, ReplaceAllCountsAndOneUndoRestoresEveryReplacement) {
    Editor editor(folder.path());
    load(editor);
    EditorView& view = editor.window.editor();
    view.setFocus();
    const std::string pattern = "<comment";
    const size_t count = occurrences(original, pattern).size();
    ASSERT_GT(count, 1000u);
    std::string expected;
    size_t from = 0;
    for (size_t at : occurrences(original, pattern)) {
        expected.append(original, from, at - from).append("<note");
        from = at + pattern.size();
    }
    expected.append(original, from);

    QTest::keyClick(&view, Qt::Key_H, Qt::ControlModifier);
    BuiltDialog* replace = shown_dialog("Replace");
    ASSERT_NE(replace, nullptr);
    type_over(replace->edit_of(0), QString::fromStdString(pattern));
    type_over(replace->edit_of(1), "<note");
    auto* all = replace->findChild<QPushButton*>("Replace All");
    ASSERT_NE(all, nullptr);
    QTest::mouseClick(all, Qt::LeftButton);
    ASSERT_TRUE(run_until([&] { return editor.app.document().text() == expected; }, 20000));
    std::string counted = std::to_string(count);
    counted.insert(counted.size() - 3, ",");
    EXPECT_TRUE(run_until([&] {
        return editor.app.commands().status_message() == "Replaced " + counted + " occurrences";
    })) << editor.app.commands().status_message();
    QTest::keyClick(replace->edit_of(0), Qt::Key_Escape);
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(run_until([&] { return editor.app.document().text() == original; }, 20000));
}

TEST_F(FindCommandsTest, GotoLineAndBookmarksFollowTheCaretAndTheEdits) {
    Editor editor(folder.path());
    load(editor);
    TextDocument& document = editor.app.document();
    EditorView& view = editor.window.editor();
    view.setFocus();
    const LineIndex& index = document.index();

    // Ctrl+G shows the caret's line (from 0); 1000 then Enter goes there, in view.
    document.set_caret(index.line_start(7) + 3);
    QTest::keyClick(&view, Qt::Key_G, Qt::ControlModifier);
    BuiltDialog* go = shown_dialog("Goto Line");
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->edit_of(0)->text(), "7");
    type_over(go->edit_of(0), "1000");
    QTest::keyClick(go->edit_of(0), Qt::Key_Return);
    EXPECT_FALSE(go->isVisible());
    EXPECT_EQ(document.caret(), index.line_start(1000));
    EXPECT_GE(1000, view.model().top_line());
    EXPECT_LT(1000, view.model().top_line() + view.model().lines_per_page());

    // Bookmarks on lines 10 and 20, visited in turn from the top, around the end and back.
    const auto enabled = [&](std::string_view name) {
        return editor.app.commands().find_enabled_handler(name, {}) != nullptr;
    };
    EXPECT_FALSE(enabled("next_bookmark"));
    const TextPos ten = index.line_start(10);
    const TextPos twenty = index.line_start(20);
    document.set_caret(ten);
    QTest::keyClick(&view, Qt::Key_F2, Qt::ControlModifier);
    document.set_caret(twenty);
    QTest::keyClick(&view, Qt::Key_F2, Qt::ControlModifier);
    document.set_caret(0);
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_EQ(document.caret(), ten);
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_EQ(document.caret(), twenty);
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_EQ(document.caret(), ten);
    QTest::keyClick(&view, Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_EQ(document.caret(), twenty);

    // The gutter shows the mark on the bookmarked line.
    view.model().set_top_line(0);
    QApplication::processEvents();
    const QImage picture = view.grab().toImage();
    const double line_height = view.model().metrics().line_height;
    const auto mark_at = [&](int32_t line) {
        return picture.pixelColor(3, static_cast<int>((line + 0.5) * line_height * picture.devicePixelRatio()));
    };
    EXPECT_EQ(mark_at(10), QColor(40, 110, 220));
    EXPECT_NE(mark_at(11), QColor(40, 110, 220));

    // Typed text above both moves them along.
    document.set_caret(0);
    test::type_keys(&view, "abc");
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_EQ(document.caret(), ten + 3);
    // Ctrl+F2 on a bookmark takes it away; Ctrl+Shift+F2 clears the rest.
    QTest::keyClick(&view, Qt::Key_F2, Qt::ControlModifier);
    document.set_caret(0);
    QTest::keyClick(&view, Qt::Key_F2);
    EXPECT_EQ(document.caret(), twenty + 3);
    QTest::keyClick(&view, Qt::Key_F2, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(enabled("next_bookmark"));
    EXPECT_FALSE(enabled("clear_all_bookmarks"));
}

TEST_F(FindCommandsTest, TheReplaceDialogOffersItsLastValuesAfterARestart) {
    {
        Editor editor(folder.path());
        editor.app.document().replace("alpha beta", 0, 0);
        EditorView& view = editor.window.editor();
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_H, Qt::ControlModifier);
        BuiltDialog* replace = shown_dialog("Replace");
        ASSERT_NE(replace, nullptr);
        type_over(replace->edit_of(0), "beta");
        type_over(replace->edit_of(1), "gamma");
        for (QAbstractButton* button : replace->findChildren<QAbstractButton*>())
            if (button->text() == "Match case" || button->text() == "Selection")
                QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(5, button->height() / 2));
        QTest::mouseClick(replace->findChild<QPushButton*>("Find Next"), Qt::LeftButton);
        ASSERT_TRUE(run_until([&] { return editor.app.document().caret() == 10; }));
    }
    Editor editor(folder.path());
    EditorView& view = editor.window.editor();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_H, Qt::ControlModifier);
    BuiltDialog* replace = shown_dialog("Replace");
    ASSERT_NE(replace, nullptr);
    EXPECT_EQ(replace->edit_of(0)->text(), "beta");
    EXPECT_EQ(replace->edit_of(1)->text(), "gamma");
    for (QAbstractButton* button : replace->findChildren<QAbstractButton*>()) {
        const QString text = button->text();
        if (text == "Match case" || text == "Selection") {
            EXPECT_TRUE(button->isChecked()) << text.toStdString();
        } else if (text == "Match Whole word" || text == "Whole file") {
            EXPECT_FALSE(button->isChecked()) << text.toStdString();
        }
    }
}

// A long search shows "Searching" in the status bar while it runs, and Esc stops it: no
// warning, the caret where it was.
TEST_F(FindCommandsTest, ALongSearchShowsItsPaneAndEscStopsIt) {
    Editor editor(folder.path());
    // Every byte starts a candidate of "aba" whose first and last bytes match, and none
    // matches: the slowest path, throughout.
    std::string line(99, 'a');
    line += '\n';
    std::string text;
    text.reserve(80'000'000);
    while (text.size() < 80'000'000) text += line;
    // Plain text: no parse holds the search back.
    editor.app.file().new_document("txt");
    editor.app.document().replace(text, 0, 0);
    editor.app.document().set_caret(5);
    EditorView& view = editor.window.editor();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
    BuiltDialog* find = shown_dialog("Find");
    ASSERT_NE(find, nullptr);
    type_over(find->edit_of(0), "aba");
    const auto searching_pane = [&] {
        for (QLabel* label : editor.window.statusBar()->findChildren<QLabel*>())
            if (label->isVisible() && label->text() == "Searching") return true;
        return false;
    };
    QTest::keyClick(find->edit_of(0), Qt::Key_Return);
    ASSERT_TRUE(run_until(searching_pane, 20000)) << "the search ended before its pane showed";
    // The first Esc stops the search, the second closes the dialog.
    QTest::keyClick(find->edit_of(0), Qt::Key_Escape);
    EXPECT_TRUE(find->isVisible());
    EXPECT_TRUE(run_until([&] { return editor.pool.job_elapsed_ms("editorfinder") < 0; }, 2000));
    EXPECT_TRUE(run_until([&] { return editor.app.commands().status_message() == "Search stopped"; }));
    EXPECT_EQ(test::visible_top_level<QMessageBox>(), nullptr);
    EXPECT_EQ(editor.app.document().caret(), 5);
    EXPECT_TRUE(run_until([&] { return !searching_pane(); }));
    QTest::keyClick(find->edit_of(0), Qt::Key_Escape);
    EXPECT_FALSE(find->isVisible());
}

}  // namespace
}  // namespace tessel
