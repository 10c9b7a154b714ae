// The text pane in the window, driven by real key and mouse events: undo steps as typing
// makes them, selections grown from their anchor, Tab with blanks, Backspace and Delete over
// CR LF, the caret status, the clipboard, and random key sequences against a string model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/editor_view.h"
#include "tests/editor/editor_reference.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"
#include "text/edit_history.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_for;
using test::run_until;

using test::type_keys;

class EditorViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor_ = std::make_unique<Editor>(folder_.path());
        view().setFocus();
        QApplication::setActiveWindow(&editor_->window);
        ASSERT_TRUE(run_until([&] { return view().hasFocus(); }));
    }
    void TearDown() override { editor_.reset(); }

    EditorView& view() { return editor_->window.editor(); }
    TextDocument& document() { return editor_->app.document(); }
    std::string text() { return document().text(); }
    void type(const char* keys) { QTest::keyClicks(&view(), keys); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&view(), k, m); }
    // Ctrl+Z and Ctrl+Y run on the "undo" worker: wait for the text they leave.
    void undo_to(const std::string& expected) {
        key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(run_until([&] { return text() == expected; })) << "undo left \"" << text() << "\"";
    }

    QTemporaryDir folder_;
    std::unique_ptr<Editor> editor_;
};

TEST_F(EditorViewTest, ANewlyOpenedTextStartsAtItsTopAndAReparseKeepsThePlace) {
    // Two real documents of some length: the mime database and the project's catalogue.
    const std::string first = "/usr/share/mime/packages/freedesktop.org.xml";
    const std::string second = TESSEL_SOURCE_DIR "/samples/catalog.xml";
    if (!std::filesystem::exists(first)) GTEST_SKIP() << first << " is not installed";
    QScrollBar* bar = view().verticalScrollBar();
    const auto load = [&](const std::string& path) {
        const int parses = editor_->app.controller().parses_completed();
        editor_->app.commands().execute("load_file", path);
        ASSERT_TRUE(run_until([&] { return editor_->app.controller().parses_completed() > parses; }));
        view().setFocus();
    };
    load(first);
    for (int i = 0; i < 20; ++i) key(Qt::Key_PageDown);
    ASSERT_GT(bar->value(), 200);
    ASSERT_FALSE(editor_->window.caret_status().text().startsWith("Ln 1 "));

    // Another file: its first line at the top, the caret on it.
    load(second);
    EXPECT_TRUE(run_until([&] { return bar->value() == 0; }, 3000)) << bar->value();
    EXPECT_EQ(view().model().top_line(), 0);
    EXPECT_EQ(editor_->window.caret_status().text(), "Ln 1  col 1  Pos  0");

    // The first file again, scrolled down; a parse of the same text (F7) leaves it there.
    load(first);
    EXPECT_EQ(bar->value(), 0);
    for (int i = 0; i < 5; ++i) key(Qt::Key_PageDown);
    const int scrolled = bar->value();
    ASSERT_GT(scrolled, 0);
    const int parses = editor_->app.controller().parses_completed();
    key(Qt::Key_F7);
    ASSERT_TRUE(run_until([&] { return editor_->app.controller().parses_completed() > parses; }));
    run_for(50);
    EXPECT_EQ(bar->value(), scrolled);
}

TEST_F(EditorViewTest, TypingMakesTheUndoStepsAUserExpects) {
    EXPECT_EQ(editor_->window.caret_status().text(), "Ln 1  col 1  Pos  0");
    type("word   next");
    key(Qt::Key_Return);
    type("cd");
    EXPECT_EQ(text(), "word   next\ncd");
    // A word, a run of blanks and a line break are each one step.
    undo_to("word   next\n");
    undo_to("word   next");
    undo_to("word   ");
    undo_to("word");
    undo_to("");

    // Typing over a selection replaces it; undo gives it back.
    document().replace("keep this text", 0, 0);
    view().text_changed(false);
    key(Qt::Key_End);
    for (int i = 0; i < 4; ++i) key(Qt::Key_Left, Qt::ShiftModifier);
    type("X");
    EXPECT_EQ(text(), "keep this X");
    undo_to("keep this text");
}

TEST_F(EditorViewTest, ShiftArrowsGrowTheSelectionFromItsAnchorAndTabFillsWithBlanks) {
    document().replace("alpha beta gamma", 0, 0);
    view().text_changed(false);
    key(Qt::Key_Home);
    for (int i = 0; i < 6; ++i) key(Qt::Key_Right);
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(view().selected_text(), "be");
    // Ctrl+Shift grows by words from the same anchor; Shift+Left takes back from the caret end.
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view().selected_text(), "beta");
    key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(view().selected_text(), "bet");
    key(Qt::Key_Right);  // collapses
    EXPECT_FALSE(view().has_selection());

    // Tab keeps a tab by default.
    key(Qt::Key_Home);
    key(Qt::Key_Tab);
    EXPECT_EQ(text(), "\talpha beta gamma");
}

TEST_F(EditorViewTest, BackspaceAndDeleteTakeCarriageReturnAndLineFeedTogether) {
    document().replace("one\r\ntwo\r\nthree", 0, 0);
    view().text_changed(false);
    key(Qt::Key_Home, Qt::ControlModifier);
    key(Qt::Key_End);
    key(Qt::Key_Delete);
    EXPECT_EQ(text(), "onetwo\r\nthree");
    key(Qt::Key_Down);
    key(Qt::Key_Home);
    key(Qt::Key_Backspace);
    EXPECT_EQ(text(), "onetwothree");
    EXPECT_EQ(editor_->window.caret_status().text(), "Ln 1  col 7  Pos  6");
}

TEST_F(EditorViewTest, CopyCutAndPasteGoThroughTheClipboard) {
    document().replace("first second", 0, 0);
    view().text_changed(false);
    key(Qt::Key_Home);
    key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "first");
    key(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text(), " second");
    key(Qt::Key_End);
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), " secondfirst");
    QApplication::clipboard()->setText(QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text(), " secondfirst\xC3\xA9t\xC3\xA9");
    // Text composed by an input method (a dead key, a compose sequence) arrives committed.
    QInputMethodEvent composed;
    composed.setCommitString(QString::fromUtf8("\xC5\x91"));
    QApplication::sendEvent(&view(), &composed);
    EXPECT_EQ(text(), " secondfirst\xC3\xA9t\xC3\xA9\xC5\x91");
}

// Random keys through the widget on documents with LF and CR LF and multi-byte characters:
// the same text, caret and selection as the reference after every key; then Ctrl+Z takes the
// text back to where it started and Ctrl+Y forward to where it ended.
TEST_F(EditorViewTest, RandomKeysLeaveWhatAStringModelLeaves) {
    struct Press {
        int32_t key;
        Qt::Key qt;
    };
    // Up, Down and the page keys keep an x position, which depends on the font's widths; the
    // model's own random test covers them with a fixed-advance font.
    const Press presses[] = {{kKeyLeft, Qt::Key_Left},         {kKeyRight, Qt::Key_Right},
                             {kKeyHome, Qt::Key_Home},         {kKeyEnd, Qt::Key_End},
                             {kKeyBackspace, Qt::Key_Backspace}, {kKeyDelete, Qt::Key_Delete},
                             {kKeyTab, Qt::Key_Tab},           {kKeyEnter, Qt::Key_Return}};
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        test::Keyboard keys(seed);
        const std::string start = keys.text(300) + keys.long_line() + keys.text(200);
        editor_->app.history().clear();
        document().set_text(start);
        document().set_caret(0);
        view().text_changed(true);
        test::Reference reference;
        reference.m.set_text(start);
        if (auto lf = start.find('\n'); lf != std::string::npos)
            reference.line_end_text = lf > 0 && start[lf - 1] == '\r' ? "\r\n" : "\n";
        for (int step = 0; step < 150; ++step) {
            const int32_t pick = keys.below(12);
            const int modifier = std::array{kModifierNone, kModifierShift, kModifierCtrl,
                                            kModifierCtrlShift}[static_cast<size_t>(keys.below(4))];
            if (pick >= 8) {
                std::string typed = keys.typed();
                // A key event carries one UTF-16 unit: characters beyond the BMP come from
                // input methods, not from QTest's typing.
                if (typed.size() == 4) typed = "\xC3\xA9";
                type_keys(&view(), QString::fromUtf8(typed.data(), qsizetype(typed.size())));
                reference.key(kKeyNone, kModifierNone, typed);
            } else {
                const Press& press = presses[pick];
                // Ctrl with Tab, Enter, Delete and Backspace belongs to the window's commands.
                const bool plain_only = press.key == kKeyTab || press.key == kKeyEnter ||
                                        press.key == kKeyDelete || press.key == kKeyBackspace;
                const int used = plain_only ? kModifierNone : modifier;
                Qt::KeyboardModifiers qt_modifiers;
                if (used == kModifierShift || used == kModifierCtrlShift) qt_modifiers |= Qt::ShiftModifier;
                if (used == kModifierCtrl || used == kModifierCtrlShift) qt_modifiers |= Qt::ControlModifier;
                QTest::keyClick(&view(), press.qt, qt_modifiers);
                reference.key(press.key, used, {});
            }
            ASSERT_EQ(text(), reference.text) << "step " << step;
            ASSERT_EQ(document().caret(), reference.caret) << "step " << step;
            ASSERT_EQ(document().selection_anchor(), reference.anchor) << "step " << step;
        }
        const std::string end = text();
        for (int i = 0; i < 1000 && editor_->app.history().can_undo(); ++i) {
            const std::string before = text();
            key(Qt::Key_Z, Qt::ControlModifier);
            ASSERT_TRUE(run_until([&] { return text() != before || !editor_->app.history().can_undo(); }));
        }
        EXPECT_EQ(text(), start);
        for (int i = 0; i < 1000 && editor_->app.history().can_redo(); ++i) {
            const std::string before = text();
            key(Qt::Key_Y, Qt::ControlModifier);
            ASSERT_TRUE(run_until([&] { return text() != before || !editor_->app.history().can_redo(); }));
        }
        EXPECT_EQ(text(), end);
    }
}

}  // namespace
}  // namespace tessel
