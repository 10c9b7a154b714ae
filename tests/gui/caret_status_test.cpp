// The caret status at the status bar's right end ("Ln 12  col 5  Pos  311") stays on screen
// and follows the caret however slow the start-up, a load, a parse or a dialog's job was: a
// slow job shows a pane in the status bar, and taking that pane away must leave the caret
// status in place. Each case makes a job slow on purpose (parked at its first yield point, or
// kept waiting in a dialog, or a 30 MB document) and checks that a job pane was really shown.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <fstream>
#include <string>

#include "editor/caret_status.h"
#include "foundation/job.h"
#include "gui/command_bars.h"
#include "gui/editor_view.h"
#include "runtime/app_clock.h"
#include "tests/gui/editor_fixture.h"
#include "tests/gui/parked_job.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::run_until;
using test::ParkedJob;

constexpr const char* kMimeDatabase = "/usr/share/mime/packages/freedesktop.org.xml";

// A job's pane in the status bar: a visible label other than the message and the caret status.
bool job_pane_shown(MainWindow& window) {
    for (QLabel* label : window.statusBar()->findChildren<QLabel*>())
        if (label != window.bars().message_pane() && label != &window.caret_status() &&
            label->isVisible())
            return true;
    return false;
}

// What the caret status must say for the caret where it is now.
QString expected_status(test::Editor& editor) {
    TextDocument& document = editor.app.document();
    return QString::fromStdString(caret_status_text(caret_place(document, document.caret())));
}

// The caret status is on screen, inside the status bar, and names the caret's place.
void expect_caret_status_shown(test::Editor& editor, const char* when) {
    QLabel& label = editor.window.caret_status();
    // The label follows the caret from the next refresh of the text pane; give the window a
    // few ticks.
    EXPECT_TRUE(run_until([&] { return label.isVisible() && label.text() == expected_status(editor); },
                          3000))
        << when << ": visible " << label.isVisible() << ", text '" << label.text().toStdString()
        << "', expected '" << expected_status(editor).toStdString() << "'";
    EXPECT_GT(label.width(), 0) << when;
    EXPECT_TRUE(editor.window.statusBar()->rect().contains(label.geometry())) << when;
}

// The steps of the report: a click in the text, typing, arrow keys, Ctrl+Home; the caret
// status follows each.
void click_type_and_move(test::Editor& editor) {
    EditorView& view = editor.window.editor();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 60));
    expect_caret_status_shown(editor, "after a click");
    const QString clicked = editor.window.caret_status().text();
    QTest::keyClicks(&view, "abc");
    expect_caret_status_shown(editor, "after typing");
    EXPECT_NE(editor.window.caret_status().text(), clicked);
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_Right);
    expect_caret_status_shown(editor, "after the arrows");
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    expect_caret_status_shown(editor, "after Ctrl+Home");
    EXPECT_EQ(editor.window.caret_status().text(), "Ln 1  col 1  Pos  0");
}

class CaretStatusTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
};

// The first load of a real document held up as on a busy machine: its pane shows, then goes.
TEST_F(CaretStatusTest, StaysAfterASlowFirstLoadAndParse) {
    test::Editor editor(folder.path());
    expect_caret_status_shown(editor, "at start-up");
    ParkedJob parked(editor.pool);
    editor.pool.run_job("load", {}, [&](std::string_view, bool) {
        parked.inner = editor.pool.current_job();
        return editor.app.file().load_file(kMimeDatabase, &parked);
    });
    ASSERT_TRUE(run_until([&] { return parked.parked.load() && job_pane_shown(editor.window); }));
    parked.gate_open = true;
    ASSERT_TRUE(run_until([&] {
        return editor.window.bars().message_pane()->text().startsWith("Parsed ") &&
               !job_pane_shown(editor.window);
    }));
    click_type_and_move(editor);
}

// Ctrl+I then Esc: the indent job waits in its dialog, with its pane shown, and is cancelled.
TEST_F(CaretStatusTest, StaysAfterTheIndentDialogIsCancelled) {
    test::Editor editor(folder.path());
    editor.app.commands().execute("load_file", kMimeDatabase);
    ASSERT_TRUE(run_until([&] { return editor.window.bars().message_pane()->text().startsWith("Parsed "); }));
    EditorView& view = editor.window.editor();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 60));
    expect_caret_status_shown(editor, "before Ctrl+I");
    QTest::keyClick(&view, Qt::Key_I, Qt::ControlModifier);
    QDialog* dialog = nullptr;
    ASSERT_TRUE(run_until([&] {
        dialog = test::visible_top_level<QDialog>();
        return dialog != nullptr && job_pane_shown(editor.window);
    }));
    QTest::keyClick(dialog, Qt::Key_Escape);
    ASSERT_TRUE(run_until([&] {
        return editor.pool.job_elapsed_ms("load") < 0 && !job_pane_shown(editor.window);
    }));
    click_type_and_move(editor);
}

// The program started on a 30 MB file: the load and the parse each show a pane for a while.
TEST_F(CaretStatusTest, ShowsWhenTheProgramStartsOnA30MbFile) {
    const std::string path = (folder.path() + "/big.xml").toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        out << "<list>\n";
        int64_t written = 7;
        for (int i = 0; written < 30'000'000; ++i) {
            const std::string line = "  <item id=\"" + std::to_string(i) +
                                     "\" kind=\"plain\">the text of item number " +
                                     std::to_string(i) + "</item>\n";
            out << line;
            written += static_cast<int64_t>(line.size());
        }
        out << "</list>\n";
    }
    test::Editor editor(folder.path());
    bool pane_seen = false;
    editor.app.start(AppClock::now(), path);
    ASSERT_TRUE(run_until([&] {
        pane_seen = pane_seen || job_pane_shown(editor.window);
        return editor.window.bars().message_pane()->text().startsWith("Parsed ");
    }, 120000));
    ASSERT_TRUE(run_until([&] { return !job_pane_shown(editor.window); }));
    ASSERT_TRUE(pane_seen) << "the load was never slow enough to show its pane";
    click_type_and_move(editor);
}

}  // namespace
}  // namespace tessel
