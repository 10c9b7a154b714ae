// The editor's window, offscreen, driven by real key and mouse events: the menus and the
// toolbar follow the command table, every accelerator reaches its command (in a dialog too),
// greyed states follow the handlers within a tick, a worker's question is answered while the
// window keeps running, the layout survives a restart, exit asks about changes and waits for
// a save, and opening a file reports its load and its parse.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "commands/key_table.h"
#include "commands/message_log.h"
#include "encoding/encoding.h"
#include "file/document_file.h"
#include "foundation/job.h"
#include "foundation/number_format.h"
#include "gui/built_dialog.h"
#include "gui/command_bars.h"
#include "gui/editor_view.h"
#include "gui/main_window.h"
#include "gui/pane_area.h"
#include "tests/gui/dialog_answers.h"
#include "tests/gui/parked_job.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_ui.h"
#include "platform/qt_ui_poster.h"
#include "runtime/worker_pool.h"
#include "shell/editor_app.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_until;
using test::ParkedJob;
using test::answer_next_box;
using test::visible_top_level;

QString text_of(const QAction* action) { return action->text().section('\t', 0, 0); }

// The Qt key and modifiers that type an accelerator.
std::pair<Qt::Key, Qt::KeyboardModifiers> qt_key_of(const KeyPress& press) {
    static const std::map<int32_t, Qt::Key> named{
        {kKeyLeft, Qt::Key_Left},     {kKeyRight, Qt::Key_Right},       {kKeyUp, Qt::Key_Up},
        {kKeyDown, Qt::Key_Down},     {kKeyBackspace, Qt::Key_Backspace}, {kKeyTab, Qt::Key_Tab},
        {kKeyEnter, Qt::Key_Return},  {kKeyDelete, Qt::Key_Delete},     {kKeyEscape, Qt::Key_Escape},
        {kKeyEnd, Qt::Key_End},       {kKeyHome, Qt::Key_Home},         {kKeyPageUp, Qt::Key_PageUp},
        {kKeyPageDown, Qt::Key_PageDown}};
    Qt::Key key = Qt::Key_unknown;
    if (press.key >= kKeyF1) key = static_cast<Qt::Key>(Qt::Key_F1 + (press.key - kKeyF1));
    else if (press.key == kKeyCharacter) key = static_cast<Qt::Key>(press.character);
    else key = named.at(press.key);
    static const std::map<int32_t, Qt::KeyboardModifiers> modifiers{
        {kModifierNone, Qt::NoModifier},
        {kModifierAlt, Qt::AltModifier},
        {kModifierShift, Qt::ShiftModifier},
        {kModifierCtrl, Qt::ControlModifier},
        {kModifierCtrlShift, Qt::ControlModifier | Qt::ShiftModifier},
        {kModifierCtrlAlt, Qt::ControlModifier | Qt::AltModifier},
        {kModifierAltShift, Qt::AltModifier | Qt::ShiftModifier}};
    return {key, modifiers.at(press.modifier)};
}

class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
};

TEST_F(MainWindowTest, MenusAndToolbarFollowTheCommandTable) {
    Editor editor(folder.path());
    const CommandBars& bars = editor.window.bars();
    const QList<QAction*> menus = editor.window.menuBar()->actions();
    ASSERT_EQ(static_cast<size_t>(menus.size()), menu_bar().size());
    for (size_t m = 0; m < menu_bar().size(); ++m) {
        const MenuInfo& info = menu_bar()[m];
        EXPECT_EQ(menus[m]->text().toStdString(), info.caption);
        // Each entry in order: its caption, a separator where the table has one; the dynamic
        // sections stand where the table puts them.
        std::vector<std::string> expected;
        for (std::string_view name : info.entries) {
            if (name == kRecentFilesSection) {
                // The recent files stand between two separators, hidden while there are none.
                expected.push_back("-");
                expected.push_back("-");
            } else if (name.empty()) {
                expected.push_back("-");
            } else if (name == kPanesSection) {
                expected.push_back("Stat");
                expected.push_back("Table Selection Browser");
            } else {
                expected.emplace_back(find_command_info(name)->caption);
            }
        }
        std::vector<std::string> shown;
        for (QAction* action : menus[m]->menu()->actions())
            shown.push_back(action->isSeparator() ? "-" : text_of(action).toStdString());
        EXPECT_EQ(shown, expected) << info.caption;
    }
    // The accelerator is shown beside its entry, the desktop's Ctrl+Q beside "E&xit".
    EXPECT_EQ(bars.action_of("save")->text(), "&Save\tCtrl+S");
    EXPECT_EQ(bars.action_of("exit")->text(), "E&xit\tCtrl+Q");

    std::vector<std::string> expected_toolbar;
    for (std::string_view name : toolbar())
        if (!name.empty()) expected_toolbar.emplace_back(find_command_info(name)->tooltip);
    std::vector<std::string> shown_toolbar;
    for (QAction* action : bars.toolbar()->actions())
        if (!action->isSeparator() && !qobject_cast<QComboBox*>(bars.toolbar()->widgetForAction(action)))
            shown_toolbar.push_back(action->toolTip().toStdString());
    EXPECT_EQ(shown_toolbar, expected_toolbar);
    // The path box comes last.
    EXPECT_EQ(bars.toolbar()->widgetForAction(bars.toolbar()->actions().last()), bars.path_box());
    EXPECT_EQ(editor.window.windowTitle(), "Untitled.xml - Tessel 2.2");
    EXPECT_EQ(editor.window.tabs().tabText(0), "Tree View");
    EXPECT_EQ(editor.window.tabs().tabText(1), "0 warning(s), 0 error(s)");
}

TEST_F(MainWindowTest, EveryAcceleratorReachesItsCommandAlsoFromADialog) {
    Editor editor(folder.path());
    CommandRegistry& commands = editor.app.commands();
    // Recording handlers stand in for the real ones, which would open files and dialogs.
    commands.remove_handlers(&editor.app);
    commands.remove_handlers(&editor.window);
    commands.remove_handlers(&editor.window.find_commands());
    std::vector<std::string> ran;
    std::vector<const CommandItem*> keyed;
    for (const CommandItem& item : commands.items()) {
        if (item.accelerator.key == kKeyNone) continue;
        keyed.push_back(&item);
        commands.register_handler(item.name, this, [&ran, name = item.name](std::string_view, bool query) {
            if (!query) ran.push_back(name);
            return true;
        });
    }
    ASSERT_GE(keyed.size(), 30u);
    editor.window.activateWindow();
    QWidget* target = editor.window.centralWidget();
    for (const CommandItem* item : keyed) {
        ran.clear();
        auto [key, modifiers] = qt_key_of(item->accelerator);
        QTest::keyClick(target, key, modifiers);
        EXPECT_EQ(ran, std::vector<std::string>{item->name}) << item->accelerator_text;
    }

    // With a dialog's text box focused, the box keeps typing and its editing keys, while F7
    // and Esc still reach their commands.
    QDialog dialog(&editor.window);
    auto* field = new QLineEdit(&dialog);
    dialog.show();
    field->setFocus();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(run_until([&] { return QApplication::focusWidget() == field; }));
    ran.clear();
    QTest::keyClicks(field, "abc");
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(field->text(), "");
    QTest::keyClick(field, Qt::Key_F7);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(ran, (std::vector<std::string>{"reparse", "cancel"}));
    commands.remove_handlers(this);
}

// No dead entries: every command the menus, the toolbar or a key offers has a handler in the
// running window.
TEST_F(MainWindowTest, EveryOfferedCommandHasAHandler) {
    Editor editor(folder.path());
    const CommandRegistry& commands = editor.app.commands();
    const auto handled = [&](std::string_view name) {
        for (const CommandHandler& handler : commands.handlers())
            if (handler.name == name) return true;
        return false;
    };
    std::vector<std::string_view> offered;
    for (const MenuInfo& menu : menu_bar())
        for (std::string_view name : menu.entries)
            if (find_command_info(name)) offered.push_back(name);
    for (std::string_view name : toolbar())
        if (!name.empty()) offered.push_back(name);
    for (const CommandInfo& info : command_table())
        if (!info.accelerator.empty()) offered.push_back(info.name);
    ASSERT_GT(offered.size(), 60u);
    for (std::string_view name : offered) EXPECT_TRUE(handled(name)) << name << " has no handler";
}

TEST_F(MainWindowTest, GreyedStatesFollowTheHandlersWithinATick) {
    Editor editor(folder.path());
    CommandRegistry& commands = editor.app.commands();
    commands.remove_handlers(&editor.window.find_commands());
    bool can_find = false;
    commands.register_handler("find", this, [&](std::string_view, bool query) { return query ? can_find : true; });
    QAction* find = editor.window.bars().action_of("find");
    ASSERT_NE(find, nullptr);
    ASSERT_TRUE(run_until([&] { return !find->isEnabled(); }, 2000));
    can_find = true;
    // The update tick runs every 50 ms; a few ticks are allowed for a loaded machine.
    EXPECT_TRUE(run_until([&] { return find->isEnabled(); }, 2000));
    commands.remove_handlers(this);
}

TEST_F(MainWindowTest, ThePathBoxRunsGotoPathAndKeepsItsHistoryNewestFirst) {
    std::vector<std::string> asked;
    {
        Editor editor(folder.path());
        editor.app.commands().register_handler("goto_path", this, [&](std::string_view path, bool query) {
            if (!query) asked.emplace_back(path);
            return true;
        });
        QComboBox* box = editor.window.bars().path_box();
        for (const char* path : {"/catalog/products", "/catalog/supplier[2]", "/catalog/products"}) {
            box->lineEdit()->clear();
            QTest::keyClicks(box->lineEdit(), path);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        }
        editor.app.commands().remove_handlers(this);
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"/catalog/products", "/catalog/supplier[2]", "/catalog/products"}));
    Editor again(folder.path());
    QComboBox* box = again.window.bars().path_box();
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), "/catalog/products");
    EXPECT_EQ(box->itemText(1), "/catalog/supplier[2]");
}

TEST_F(MainWindowTest, TheTabOptionsDialogChangesTheViewsOptionsAndTheyPersist) {
    {
        Editor editor(folder.path());
        EXPECT_EQ(editor.app.editor_options.tab_size, 4);
        EXPECT_EQ(editor.app.editor_options.keep_tabs, 1);
        editor.window.bars().action_of("tabs")->trigger();
        auto* dialog = visible_top_level<BuiltDialog>();
        if (!dialog) dialog = editor.window.findChild<BuiltDialog*>();
        ASSERT_TRUE(dialog && dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), "Tab Options");
        QLineEdit* size = dialog->edit_of(0);
        ASSERT_NE(size, nullptr);
        size->selectAll();
        QTest::keyClicks(size, "8");
        QRadioButton* spaces = nullptr;
        for (QRadioButton* button : dialog->findChildren<QRadioButton*>())
            if (button->text() == "Insert Spaces") spaces = button;
        ASSERT_NE(spaces, nullptr);
        // On its round indicator, as a person clicks it.
        QTest::mouseClick(spaces, Qt::LeftButton, Qt::NoModifier,
                          QPoint(spaces->height() / 2, spaces->height() / 2));
        QTest::keyClick(size, Qt::Key_Return);
        ASSERT_TRUE(run_until([&] { return !dialog->isVisible(); }));
        EXPECT_EQ(editor.app.editor_options.tab_size, 8);
        EXPECT_EQ(editor.app.editor_options.keep_tabs, 0);
        // The view follows: Tab now fills to the next stop of 8 with blanks.
        EditorView& view = editor.window.editor();
        view.setFocus();
        QTest::keyClicks(&view, "ab");
        QTest::keyClick(&view, Qt::Key_Tab);
        EXPECT_EQ(editor.app.document().text(), "ab      ");

        // The highlighting style: "Dotted line" frames highlighted ranges with dots.
        // No menu lists it; it runs by name.
        ASSERT_TRUE(editor.app.commands().execute("text_highlighting_options", {}));
        BuiltDialog* style = nullptr;
        for (auto* candidate : editor.window.findChildren<BuiltDialog*>())
            if (candidate->isVisible()) style = candidate;
        ASSERT_NE(style, nullptr);
        EXPECT_EQ(style->windowTitle(), "Text range highlighting style");
        for (QRadioButton* button : style->findChildren<QRadioButton*>())
            if (button->text() == "Dotted line")
                QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier,
                                  QPoint(button->height() / 2, button->height() / 2));
        QTest::keyClick(style, Qt::Key_Return);
        ASSERT_TRUE(run_until([&] { return !style->isVisible(); }));
        EXPECT_EQ(view.model().settings().highlight_style, FrameStyle::dotted);
    }
    Editor again(folder.path());
    EXPECT_EQ(again.app.editor_options.tab_size, 8);
    EXPECT_EQ(again.app.editor_options.keep_tabs, 0);
    EXPECT_EQ(again.app.editor_options.line_style, 1);
}

TEST_F(MainWindowTest, AWorkersQuestionIsAnsweredWhileTheWindowKeepsRunning) {
    Editor editor(folder.path());
    std::atomic<int> answer{-1};
    editor.pool.run_job("load", {}, [&](std::string_view, bool) {
        answer = static_cast<int>(editor.ui.message_box("Go on?", "Tessel", UiButtons::yes_no,
                                                        UiIcon::question));
        return true;
    });
    // The box runs its own loop on the UI thread; what happens meanwhile is watched from a
    // timer: the window's ticks go on and a status message still reaches the status bar.
    QString title;
    int64_t ticks_when_shown = -1;
    bool message_shown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QMessageBox* box = visible_top_level<QMessageBox>();
        if (!box) return;
        if (ticks_when_shown < 0) {
            title = box->windowTitle();
            ticks_when_shown = editor.window.tick_count();
            editor.app.commands().set_status_message("still running");
            // Ctrl+N would run "new" on the worker that waits for this box: refused.
            QTest::keyClick(box, Qt::Key_N, Qt::ControlModifier);
            return;
        }
        message_shown = editor.window.bars().message_pane()->text() == "still running";
        if (message_shown && editor.window.tick_count() >= ticks_when_shown + 10) {
            watch.stop();
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        }
    });
    watch.start(5);
    ASSERT_TRUE(run_until([&] { return answer.load() >= 0; }));
    EXPECT_EQ(answer.load(), static_cast<int>(UiAnswer::yes));
    EXPECT_EQ(title, "Tessel 2.2");
    EXPECT_TRUE(message_shown);
    EXPECT_EQ(editor.window.windowTitle(), "Untitled.xml - Tessel 2.2");
}

TEST_F(MainWindowTest, PlacementTogglesAndPaneLayoutSurviveARestart) {
    QRect placed;
    double mid_pos = 0;
    {
        Editor editor(folder.path());
        // Within the offscreen screen (800 x 600), where a placement is kept as it is.
        editor.window.setGeometry(60, 40, 640, 480);
        ASSERT_TRUE(run_until([&] { return editor.window.geometry().width() == 640; }));
        placed = editor.window.geometry();
        PaneArea& panes = editor.window.panes();
        // Drag the bar between the columns 90 pixels to the right.
        const PixelRect bar = panes.geometry_model().column_bar;
        const QPoint grab((bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2);
        QTest::mousePress(&panes, Qt::LeftButton, Qt::NoModifier, grab);
        QMouseEvent move(QEvent::MouseMove, QPointF(grab + QPoint(90, 0)), panes.mapToGlobal(QPointF(grab + QPoint(90, 0))),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&panes, &move);
        QTest::mouseRelease(&panes, Qt::LeftButton, Qt::NoModifier, grab + QPoint(90, 0));
        mid_pos = panes.layout_model().mid_pos;
        EXPECT_NEAR(mid_pos, 0.4 + 90.0 / (panes.width() - 2), 0.002);
        // "Stat" starts hidden: show it from the View menu, close it with its button, and turn
        // the toolbar off from the menu.
        QWidget* stat = panes.pane_window(PaneId::stat);
        ASSERT_TRUE(stat && !stat->isVisible());
        editor.window.bars().action_of("stat")->trigger();
        ASSERT_TRUE(stat->isVisible());
        auto* close = panes.findChild<QAbstractButton*>();
        ASSERT_NE(close, nullptr);
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_FALSE(stat->isVisible());
        EXPECT_FALSE(panes.pane_visible(PaneId::stat));
        editor.window.bars().action_of("toolbar")->trigger();
        EXPECT_FALSE(editor.window.bars().toolbar()->isVisible());
        // The settings are written by the way out.
        editor.app.commands().execute("exit", {});
    }
    Editor again(folder.path());
    EXPECT_EQ(again.window.geometry(), placed);
    EXPECT_NEAR(again.window.panes().layout_model().mid_pos, static_cast<int>(mid_pos * 100) / 100.0, 1e-9);
    EXPECT_FALSE(again.window.panes().pane_visible(PaneId::stat));
    EXPECT_TRUE(again.window.panes().pane_visible(PaneId::table_browser));
    EXPECT_FALSE(again.window.bars().toolbar()->isVisible());
    EXPECT_FALSE(again.window.bars().action_of("toolbar")->isChecked());
    ASSERT_TRUE(run_until([&] { return !again.window.bars().action_of("stat")->isChecked(); }));
}

TEST_F(MainWindowTest, ExitAsksAboutChangesAndWaitsForASave) {
    Editor editor(folder.path());
    editor.app.document().replace("<a/>", 0, 0);
    EXPECT_TRUE(run_until([&] { return editor.window.windowTitle() == "Untitled.xml * - Tessel 2.2"; }));
    QString asked;
    answer_next_box(QMessageBox::Cancel, &asked);
    QTest::keyClick(editor.window.centralWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(asked, "Save changes to Untitled.xml ?");
    EXPECT_TRUE(editor.window.isVisible());
    EXPECT_EQ(editor.app.document().text(), "<a/>");

    // A save long enough to be caught running: while it runs, Ctrl+Q does nothing.
    std::string big = "<list>\n";
    while (big.size() < 20'000'000) big += "  <item id=\"42\">some text of the item</item>\n";
    big += "</list>\n";
    editor.app.document().replace(big, 0, 4);
    const std::string path = (folder.path() + "/saved.xml").toStdString();
    // The save stops at its first yield point until the test opens the gate, so the checks
    // below see it running however fast the machine writes.
    ParkedJob parked(editor.pool);
    editor.pool.run_job("save", {}, [&](std::string_view, bool) {
        parked.inner = editor.pool.current_job();
        return editor.app.file().save(path, kEncodingUnspecified, &parked);
    });
    ASSERT_TRUE(run_until([&] { return parked.parked.load(); }));
    QtLoopLock::instance()->claim();
    ASSERT_TRUE(editor.app.save_running());
    // The text takes no typing while it is being saved.
    EditorView& view = editor.window.editor();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_X);
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(editor.app.document().length(), static_cast<int32_t>(big.size()));
    QTest::keyClick(editor.window.centralWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(visible_top_level<QMessageBox>(), nullptr);
    EXPECT_TRUE(editor.window.isVisible());
    parked.open();
    ASSERT_TRUE(run_until([&] { return !editor.app.save_running(); }, 60000));
    EXPECT_EQ(std::filesystem::file_size(path), big.size());
    // Saved: nothing to ask, the window goes.
    QTest::keyClick(editor.window.centralWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(editor.window.isVisible());
}

TEST_F(MainWindowTest, ADroppedFileIsLoadedAndParsedAndReportedInTheStatusBarAndTheLog) {
    Editor editor(folder.path());
    const QString sample = QStringLiteral(TESSEL_SOURCE_DIR "/samples/catalog.xml");
    const auto size = std::filesystem::file_size(sample.toStdString());
    // Three files dropped: only the first is opened.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(sample), QUrl::fromLocalFile("/nonexistent/b.xml"),
                  QUrl::fromLocalFile("/nonexistent/c.xml")});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&editor.window, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&editor.window, &drop);
    ASSERT_TRUE(drop.isAccepted());
    const std::string parsed = "Parsed " + with_commas(static_cast<int64_t>(size)) + " bytes in ";
    ASSERT_TRUE(run_until([&] {
        return editor.window.bars().message_pane()->text().startsWith(QString::fromStdString(parsed));
    }, 5000)) << testing::PrintToString(editor.log.lines) << editor.window.bars().message_pane()->text().toStdString();
    std::vector<std::string> reports;
    for (const std::string& line : editor.log.lines)
        if (line.starts_with("Loaded ") || line.starts_with("Parsed ")) reports.push_back(line.substr(0, line.find(" in ")));
    EXPECT_EQ(reports, (std::vector<std::string>{"Loaded " + with_commas(static_cast<int64_t>(size)) + " bytes",
                                                 "Parsed " + with_commas(static_cast<int64_t>(size)) + " bytes"}));
    EXPECT_EQ(editor.window.windowTitle(), "catalog.xml - Tessel 2.2");
    ASSERT_TRUE(run_until([&] {
        return editor.window.panes().pane_window(PaneId::stat)->findChild<QPlainTextEdit*>("stat")->toPlainText().contains("Elements: ");
    }));
    EXPECT_EQ(editor.window.tabs().tabText(1), "0 warning(s), 0 error(s)");
    EXPECT_EQ(editor.app.file().recent().entries().front(), sample.toStdString());
    // The background line scan runs on the window's timer: line numbers and colours follow.
    EXPECT_TRUE(run_until([&] { return editor.app.document().scan_finished(); }));
}

TEST_F(MainWindowTest, FileCommandsFromTheMenuAndAnOutsideChangeAsksToReload) {
    Editor editor(folder.path());
    const QString path = folder.path() + "/notes.xml";
    {
        std::ofstream(path.toStdString()) << "<notes><n>one</n></notes>\n";
    }
    editor.app.commands().execute("load_file", path.toStdString());
    ASSERT_TRUE(run_until([&] { return editor.window.windowTitle() == "notes.xml - Tessel 2.2"; }));
    // The File menu lists it first among the recent files.
    QMenu* file_menu = editor.window.bars().menus().front();
    const QString entry = "&1 " + path;
    EXPECT_TRUE(run_until([&] {
        for (QAction* action : file_menu->actions())
            if (action->text() == entry) return true;
        return false;
    }));

    // Another program rewrites the file: the next check asks, and Yes reads it again.
    {
        std::ofstream(path.toStdString()) << "<notes><n>two</n></notes>\n";
    }
    QString asked;
    answer_next_box(QMessageBox::Yes, &asked);
    ASSERT_TRUE(run_until([&] { return editor.app.document().text() == "<notes><n>two</n></notes>\n"; }, 10000));
    EXPECT_TRUE(asked.endsWith("This file has been modified outside of the source editor. Do you want to reload it?"));

    // File > New Json, once the reload has ended (the file commands wait for it): an empty
    // JSON document, named as such.
    QAction* new_json = editor.window.bars().action_of("new_json");
    ASSERT_NE(new_json, nullptr);
    ASSERT_TRUE(run_until([&] { return editor.pool.job_elapsed_ms("load") < 0 && new_json->isEnabled(); }));
    new_json->trigger();
    ASSERT_TRUE(run_until([&] { return editor.window.windowTitle() == "Untitled.json - Tessel 2.2"; }));
    EXPECT_EQ(editor.app.document().length(), 0);
    EXPECT_EQ(editor.app.controller().language(), "JSON");
}

}  // namespace
}  // namespace tessel
