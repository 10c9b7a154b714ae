// Keys in the window's text boxes, sent where the platform sends them (to the focus widget
// after a click), offscreen and under X: the path box, the "Stat" pane and a dialog's line
// edit, editable combo box and spin box keep typing and their own editing keys; Enter in the
// path box runs "goto_path".
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>
#include <filesystem>
#include <string>
#include <vector>

#include "gui/command_bars.h"
#include "gui/editor_view.h"
#include "gui/pane_area.h"
#include "gui/tree_view.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_until;

constexpr const char* kMimeDatabase = "/usr/share/mime/packages/freedesktop.org.xml";

// Clicks a widget as the mouse does and waits until the focus lands in it (or its proxy).
QWidget* click_into(QWidget& window, QWidget* widget) {
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(10, widget->height() / 2));
    const auto focused = [&] {
        QWidget* focus = QApplication::focusWidget();
        return focus && (focus == widget || focus->isAncestorOf(widget) || widget->isAncestorOf(focus) ||
                         widget->focusProxy() == focus);
    };
    if (!run_until(focused, 3000)) {
        // Some platforms activate a window only from the window manager: the focus as a click gives it.
        widget->setFocus(Qt::MouseFocusReason);
        run_until(focused, 3000);
    }
    return QApplication::focusWidget();
}

// The editing keys a text box keeps, each sent to the focus widget.
void press_editing_keys(QWidget* focus) {
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End,
                        Qt::Key_Backspace, Qt::Key_Delete})
        QTest::keyClick(focus, key);
    for (Qt::Key key : {Qt::Key_C, Qt::Key_V, Qt::Key_X, Qt::Key_Y, Qt::Key_Z, Qt::Key_A})
        QTest::keyClick(focus, key, Qt::ControlModifier);
}

class TextBoxKeysTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
};

TEST_F(TextBoxKeysTest, ThePathBoxKeepsItsKeysAndEnterGoesToThePath) {
    if (!std::filesystem::exists(kMimeDatabase)) GTEST_SKIP() << kMimeDatabase << " is not installed";
    const std::string copy = (folder.path() + "/copy-of-freedesktop.org.xml").toStdString();
    std::filesystem::copy_file(kMimeDatabase, copy);
    Editor editor(folder.path());
    // Wide enough that the toolbar shows the path box rather than keeping it in its overflow.
    editor.window.resize(1800, 900);
    editor.app.commands().execute("load_file", copy);
    ASSERT_TRUE(run_until([&] { return editor.window.tree_view().model().has_tree(); }, 20000));
    const std::string original = editor.app.document().text();
    const TextPos caret = editor.app.document().caret();

    QComboBox* box = editor.window.bars().path_box();
    QWidget* focus = click_into(editor.window, box->lineEdit());
    ASSERT_NE(focus, nullptr);
    ASSERT_NE(focus, static_cast<QWidget*>(&editor.window.editor()));
    QTest::keyClicks(focus, "/mime-info");
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(focus, 'Z');
    EXPECT_EQ(box->currentText(), "Z");
    // Undo, redo, cut, copy, paste, the arrows and deletes work on the box, never the text.
    press_editing_keys(focus);
    EXPECT_EQ(QApplication::focusWidget(), focus);
    EXPECT_EQ(editor.app.document().text(), original);
    EXPECT_EQ(editor.app.document().caret(), caret);

    // A path and Enter: the tree goes to the path's node, and the text is untouched.
    QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(focus, "/mime-info -> mime-type(3)");
    QTest::keyClick(focus, Qt::Key_Return);
    size_t third = 0;
    for (int n = 0; n < 3; ++n) third = original.find("<mime-type ", third + 1);
    ASSERT_NE(third, std::string::npos);
    EXPECT_TRUE(run_until([&] {
        const TreeItem* item = editor.window.tree_view().model().selected_item();
        return item && item->range.first == static_cast<TextPos>(third);
    }, 10000));
    EXPECT_EQ(editor.app.document().text(), original);
    EXPECT_EQ(box->itemText(0), "/mime-info -> mime-type(3)");
}

TEST_F(TextBoxKeysTest, EveryTextBoxOfTheWindowAndItsDialogsKeepsTheKeysOfTyping) {
    Editor editor(folder.path());
    CommandRegistry& commands = editor.app.commands();
    // Recording handlers stand in for every keyed command, so a key that leaks shows.
    commands.remove_handlers(&editor.app);
    commands.remove_handlers(&editor.window);
    std::vector<std::string> ran;
    for (const CommandItem& item : commands.items()) {
        if (item.accelerator.key == kKeyNone) continue;
        commands.register_handler(item.name, this, [&ran, name = item.name](std::string_view, bool query) {
            if (!query) ran.push_back(name);
            return true;
        });
    }

    // The "Stat" pane: read-only, it selects and copies its own text.
    auto* stat = editor.window.panes().pane_window(PaneId::stat)->findChild<QPlainTextEdit*>("stat");
    ASSERT_NE(stat, nullptr);
    editor.window.panes().set_pane_visible(PaneId::stat, true);
    stat->setPlainText("Elements: 12\nAttributes: 3");
    QWidget* focus = click_into(editor.window, stat->viewport());
    ASSERT_EQ(focus, stat);
    press_editing_keys(focus);
    QTest::keyClicks(focus, "typed");
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_TRUE(ran.empty()) << testing::PrintToString(ran);
    EXPECT_EQ(stat->textCursor().selectedText(), QString("Elements: 12") + QChar(0x2029) + "Attributes: 3");

    // A dialog's line edit, editable combo box and spin box.
    QDialog dialog(&editor.window);
    auto* layout = new QVBoxLayout(&dialog);
    auto* line = new QLineEdit(&dialog);
    auto* combo = new QComboBox(&dialog);
    combo->setEditable(true);
    auto* spin = new QSpinBox(&dialog);
    spin->setRange(0, 99999);
    for (QWidget* w : std::initializer_list<QWidget*>{line, combo, spin}) layout->addWidget(w);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    struct Box {
        QWidget* click;
        std::function<QString()> text;
    };
    const std::vector<Box> boxes{{line, [&] { return line->text(); }},
                                 {combo->lineEdit(), [&] { return combo->currentText(); }},
                                 {spin, [&] { return spin->text(); }}};
    for (const Box& box : boxes) {
        ran.clear();
        focus = click_into(dialog, box.click);
        ASSERT_NE(focus, nullptr);
        QTest::keyClicks(focus, "12");
        press_editing_keys(focus);
        // Ctrl+A then typing replaces the whole text of the box.
        QTest::keyClicks(focus, "345");
        EXPECT_EQ(box.text(), "345") << focus->metaObject()->className();
        EXPECT_TRUE(ran.empty()) << focus->metaObject()->className() << testing::PrintToString(ran);
        // The keys the box does not keep still reach their commands.
        QTest::keyClick(focus, Qt::Key_F7);
        EXPECT_EQ(ran, std::vector<std::string>{"reparse"}) << focus->metaObject()->className();
    }
    commands.remove_handlers(this);
}

}  // namespace
}  // namespace tessel
