// Dialogs of the builder, offscreen, driven by real key presses and clicks: an integer field
// refuses a value out of range with a balloon and keeps the dialog open, a title opened twice
// is the same window refilled from its variables, a worker waits for the answer while the UI
// thread keeps ticking, Esc reaches the dialog through the "cancel" command, what the user
// confirms is in the settings after a restart, and the "XML Indent Options" dialog answers
// the indent command's worker.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <atomic>
#include <functional>
#include <string>

#include "commands/command_registry.h"
#include "commands/command_table.h"
#include "gui/built_dialog.h"
#include "gui/dialog_builder.h"
#include "gui/indent_options_dialog.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_ui.h"
#include "platform/qt_ui_poster.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"
#include "settings/settings_store.h"
#include "tests/platform/config_folder.h"
#include "tests/platform/dialog_layout.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::every_ms_until;
using test::run_until;

using test::ConfigFolder;

// A value as the next run of the program reads it: from a store of its own.
int32_t stored_after_restart(std::string_view key_name, std::string_view name) {
    SettingsStore fresh;
    SettingsKey app(fresh, SettingsStore::kApplicationKey, ',');
    SettingsKey key(fresh, key_name);
    int32_t value = -999;
    fresh.read_int(name, value);
    return value;
}

struct Fixture {
    Fixture() {
        auto* layout = new QVBoxLayout(&owner);
        owner_edit = new QLineEdit(&owner);
        owner_button = new QPushButton(QStringLiteral("Press"), &owner);
        layout->addWidget(owner_edit);
        layout->addWidget(owner_button);
        QObject::connect(owner_button, &QPushButton::clicked, [this] { ++owner_clicks; });
        owner.setGeometry(100, 100, 500, 400);
        ui.set_window(&owner);
        owner.show();
        owner.activateWindow();
        owner_edit->setFocus();
        EXPECT_TRUE(run_until([&] { return owner_edit->hasFocus(); }));
    }

    // A click as the window system delivers it, so that a modal dialog can refuse it.
    void click_owner_button() {
        const QPoint at = owner_button_centre();
        QTest::mouseClick(owner.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    }
    QPoint owner_button_centre() const {
        return owner_button->mapTo(&owner, owner_button->rect().center());
    }

    ConfigFolder config;
    WorkerPool pool;
    QtLoopLock adapter{pool};
    QtUiPoster poster{&adapter};
    QtUi ui{&pool, poster};
    SettingsStore store;
    SettingsKey app{store, SettingsStore::kApplicationKey, ','};
    CommandRegistry registry{&pool, [] { return AppClock::now(); }};
    DialogBuilder builder{store, ui, poster, &pool, &registry};
    QWidget owner;
    QLineEdit* owner_edit = nullptr;
    QPushButton* owner_button = nullptr;
    int owner_clicks = 0;
};

// Clicks a check box or radio button on its indicator, where a user aims.
void click_indicator(QAbstractButton* box) {
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(box->height() / 2, box->height() / 2));
}

QPushButton* button(BuiltDialog* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(name);
}

// Replaces an edit box's text as a user does: click into it, select all, type.
void retype(QLineEdit* edit, const char* text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

bool shown_and_active(BuiltDialog* dialog) {
    return dialog->isVisible() && dialog->isActiveWindow();
}

TEST(DialogBuilder, AnIntegerOutOfRangeIsRefusedWithABalloonAndTheDialogStaysOpen) {
    Fixture f;
    int applied = 0;
    f.registry.register_handler("apply_indent", &f, [&](std::string_view, bool query) {
        if (!query) ++applied;
        return true;
    });
    int32_t size = 0;
    int32_t remove = 0;
    ASSERT_EQ(f.builder.begin_dialog("XML Indent Options", 232, 96), nullptr);
    f.builder.add_int_field("Indent size", &size, 1, 9, 4, {7, 7, 218, 13});
    f.builder.add_check_box("Remove comments", &remove, {7, 45, 218, 10});
    f.builder.add_ok("apply_indent", {121, 75, 50, 14});
    f.builder.add_cancel({175, 75, 50, 14});
    BuiltDialog* dialog = f.builder.end_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(size, 4) << "nothing stored yet: the default";

    EXPECT_EQ(dialog->show_dialog(&f.owner), 0);
    ASSERT_TRUE(run_until([&] { return shown_and_active(dialog); }));
    QLineEdit* edit = dialog->edit_of(0);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "4");
    // The owner takes no input while the dialog is up.
    EXPECT_EQ(QGuiApplication::modalWindow(), dialog->windowHandle());
    f.click_owner_button();
    EXPECT_EQ(f.owner_clicks, 0);

    retype(edit, "12");
    QTest::mouseClick(button(dialog, "ok"), Qt::LeftButton);
    QtBalloon* balloon = f.ui.current_balloon();
    ASSERT_NE(balloon, nullptr);
    EXPECT_EQ(balloon->title(), "Invalid value");
    EXPECT_EQ(balloon->text(), " Please enter an integer between 1 and 9");
    EXPECT_EQ(balloon->tip(), edit->mapToGlobal(edit->rect().center()));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 0);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), "12");
    EXPECT_EQ(size, 4);
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(stored_after_restart("XML Indent Options", "Indent size"), -999);

    // Not a number at all is refused the same way.
    retype(edit, "-");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(edit->selectedText(), "-");

    // The selected text is replaced by what is typed next.
    QTest::keyClicks(edit, "7");
    EXPECT_EQ(edit->text(), "7");
    click_indicator(dialog->findChild<QCheckBox*>());
    QTest::mouseClick(button(dialog, "ok"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), BuiltDialog::kConfirmed);
    EXPECT_EQ(f.ui.current_balloon(), nullptr);
    EXPECT_EQ(size, 7);
    EXPECT_EQ(remove, 1);
    EXPECT_EQ(applied, 1) << "nobody waits: Ok runs the command";
    EXPECT_EQ(stored_after_restart("XML Indent Options", "Indent size"), 7);
    EXPECT_EQ(stored_after_restart("XML Indent Options", "Remove comments"), 1);

    // The owner has its input and its focus back.
    EXPECT_TRUE(run_until([&] { return f.owner_edit->hasFocus(); }));
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    f.click_owner_button();
    EXPECT_EQ(f.owner_clicks, 1);

    // At exit every dialog writes its variables again.
    size = 3;
    f.builder.save_all();
    EXPECT_EQ(stored_after_restart("XML Indent Options", "Indent size"), 3);
}

TEST(DialogBuilder, OpeningATitleAgainShowsTheSameDialogRefilledFromTheVariables) {
    Fixture f;
    int32_t tab_size = 4;
    int32_t keep_tabs = 1;
    std::string find;
    const auto open = [&] {
        BuiltDialog* dialog = f.builder.begin_dialog("Tab Options", 180, 100);
        if (dialog) return dialog;
        f.builder.add_int_field("Tab Size", &tab_size, 1, 64, 4, {7, 7, 120, 13});
        f.builder.add_radio("keep tabs", 1, "Keep Tabs", &keep_tabs, {7, 26, 120, 10});
        f.builder.add_radio("keep tabs", 0, "Insert Spaces", &keep_tabs, {7, 40, 120, 10});
        f.builder.add_text_box("find_text", &find, true, {7, 55, 160, 14});
        f.builder.add_ok({}, {63, 80, 50, 14});
        f.builder.add_cancel({117, 80, 50, 14});
        return f.builder.end_dialog();
    };
    BuiltDialog* first = open();
    const auto edits = first->findChildren<QLineEdit*>().size();
    first->show_dialog(&f.owner);
    ASSERT_TRUE(run_until([&] { return shown_and_active(first); }));
    retype(first->edit_of(0), "33");
    click_indicator(first->findChildren<QRadioButton*>().at(1));
    QTest::keyClicks(first->findChild<QComboBox*>()->lineEdit(), "typed");
    QTest::mouseClick(button(first, "cancel"), Qt::LeftButton);
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(first->result(), BuiltDialog::kCancelled);
    EXPECT_EQ(tab_size, 4);
    EXPECT_EQ(keep_tabs, 1);
    EXPECT_EQ(find, "");

    tab_size = 9;
    keep_tabs = 0;
    find = "needle";
    BuiltDialog* second = open();
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->findChildren<QLineEdit*>().size(), edits) << "no controls added again";
    second->show_dialog(&f.owner);
    ASSERT_TRUE(run_until([&] { return shown_and_active(second); }));
    EXPECT_EQ(second->edit_of(0)->text(), "9");
    EXPECT_FALSE(second->findChildren<QRadioButton*>().at(0)->isChecked());
    EXPECT_TRUE(second->findChildren<QRadioButton*>().at(1)->isChecked());
    EXPECT_EQ(second->findChild<QComboBox*>()->currentText(), "needle");
    EXPECT_EQ(second->findChild<QComboBox*>()->count(), 0);

    // Confirmed, the text joins the box's history, which the next opening lists.
    click_indicator(second->findChildren<QRadioButton*>().at(0));
    QTest::mouseClick(button(second, "ok"), Qt::LeftButton);
    EXPECT_EQ(keep_tabs, 1);
    EXPECT_EQ(tab_size, 9);
    EXPECT_EQ(stored_after_restart("Tab Options", "keep tabs"), 1);
    find = "other";
    open()->show_dialog(&f.owner);
    ASSERT_EQ(second->findChild<QComboBox*>()->count(), 1);
    EXPECT_EQ(second->findChild<QComboBox*>()->itemText(0), "needle");
    EXPECT_EQ(second->findChild<QComboBox*>()->currentText(), "other");
    second->cancel();
}

TEST(DialogBuilder, AWorkerWaitsForTheAnswerWhileTheUiThreadTicks) {
    Fixture f;
    int applied = 0;
    f.registry.register_handler("goto", &f, [&](std::string_view, bool query) {
        if (!query) ++applied;
        return true;
    });
    int32_t line = 1;
    ASSERT_EQ(f.builder.begin_dialog("Goto Line", 150, 50), nullptr);
    f.builder.add_int_field("Line", &line, 1, 1000, 1, {7, 7, 136, 13}, 40);
    f.builder.add_ok("goto", {39, 28, 50, 14});
    f.builder.add_cancel({93, 28, 50, 14});
    BuiltDialog* dialog = f.builder.end_dialog();

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    std::atomic<int> answer{-1};
    std::atomic<bool> worker_thread{false};
    const auto ask = [&] {
        answer = -1;
        f.pool.run_job("load", "", [&](std::string_view, bool query) {
            if (query) return true;
            worker_thread = QThread::currentThread() != qApp->thread();
            answer = dialog->show_dialog(&f.owner);
            return true;
        });
    };
    // Answered only after the UI thread ran ten ticks with the dialog up: a worker that kept
    // the lock, or a wait that stopped the loop, would never be answered.
    const auto answer_after_ticks = [&](const char* text, const char* press) {
        int ticks_at_open = -1;
        every_ms_until(&f.adapter, [&, text, press] {
            if (!shown_and_active(dialog)) return false;
            if (ticks_at_open < 0) ticks_at_open = ticks;
            if (ticks - ticks_at_open < 10) return false;
            retype(dialog->edit_of(0), text);
            QTest::mouseClick(button(dialog, press), Qt::LeftButton);
            return true;
        });
        EXPECT_TRUE(run_until([&] { return answer.load() >= 0; }));
        EXPECT_GE(ticks - ticks_at_open, 10);
    };

    ask();
    answer_after_ticks("250", "ok");
    EXPECT_TRUE(worker_thread);
    EXPECT_EQ(answer.load(), BuiltDialog::kConfirmed);
    EXPECT_EQ(line, 250);
    EXPECT_EQ(applied, 0) << "a worker waited: it acts on the answer, not the command";

    ask();
    answer_after_ticks("300", "cancel");
    EXPECT_NE(answer.load(), BuiltDialog::kConfirmed);
    EXPECT_NE(answer.load(), 0);
    EXPECT_EQ(line, 250);
    EXPECT_EQ(stored_after_restart("Goto Line", "Line"), 250);
    EXPECT_TRUE(run_until([&] { return f.pool.job_elapsed_ms("load") < 0; }));

    // A job stopped while it waits (another command on its worker) closes the dialog unanswered
    // instead of leaving the stop waiting for the user.
    std::atomic<bool> after_wait{false};
    f.pool.run_job("load", "", [&](std::string_view, bool query) {
        if (query) return true;
        dialog->show_dialog(&f.owner);
        after_wait = true;
        return true;
    });
    ASSERT_TRUE(run_until([&] { return shown_and_active(dialog); }));
    retype(dialog->edit_of(0), "400");
    f.pool.stop_worker("load");
    EXPECT_TRUE(run_until([&] { return !dialog->isVisible(); }));
    EXPECT_FALSE(after_wait);
    EXPECT_EQ(line, 250);
    EXPECT_EQ(f.pool.lock().hold_count(), 1);
}

TEST(DialogBuilder, EscRunsTheCancelCommandWhichClosesWithoutSaving) {
    Fixture f;
    register_command_items(f.registry);
    f.builder.register_commands(f.registry);
    f.registry.register_handler("find", &f, [](std::string_view, bool) { return true; });
    int32_t size = 5;
    ASSERT_EQ(f.builder.begin_dialog("Unique Consolidation Options", 160, 50), nullptr);
    f.builder.add_label("Merge rows that differ in a number", 7, 7);
    f.builder.add_int_field("", &size, 1, 9, 2, {7, 18, 40, 13});
    f.builder.add_ok({}, {49, 32, 50, 14});
    f.builder.add_cancel({103, 32, 50, 14});
    BuiltDialog* dialog = f.builder.end_dialog();
    EXPECT_EQ(size, 2);
    EXPECT_EQ(f.registry.find_enabled_handler("cancel"), nullptr) << "no dialog shown";

    dialog->show_dialog(&f.owner);
    ASSERT_TRUE(run_until([&] { return shown_and_active(dialog); }));
    EXPECT_NE(f.registry.find_enabled_handler("cancel"), nullptr);
    EXPECT_EQ(f.registry.find_enabled_handler("find"), nullptr) << "the main window is disabled";
    std::string command_at_close;
    QObject::connect(dialog, &BuiltDialog::answered,
                     [&] { command_at_close = f.registry.current_command(); });
    retype(dialog->edit_of(0), "8");
    QTest::keyClick(dialog->edit_of(0), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(command_at_close, "cancel");
    EXPECT_EQ(dialog->result(), BuiltDialog::kCancelled);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(stored_after_restart("Unique Consolidation Options", ""), -999);
    EXPECT_EQ(f.registry.find_enabled_handler("cancel"), nullptr);
    EXPECT_NE(f.registry.find_enabled_handler("find"), nullptr);
    EXPECT_TRUE(run_until([&] { return f.owner_edit->hasFocus(); }));
}


TEST(IndentOptionsDialog, AskedFromTheLoadWorkerItShowsTheOptionsAndGivesBackTheAnswer) {
    Fixture f;
    GuiIndentOptionsDialog indent(f.builder);
    indent.set_owner(&f.owner);
    std::atomic<int> answered{-1};
    IndentOptions options;
    options.indent_size = 6;
    options.max_attributes = 3;
    options.remove_comments = false;
    options.show_dialog_first = true;
    const auto ask = [&] {
        answered = -1;
        f.pool.run_job("load", "", [&](std::string_view, bool query) {
            if (query) return true;
            answered = indent.ask(options) ? 1 : 0;
            return true;
        });
    };
    ask();
    BuiltDialog* dialog = nullptr;
    ASSERT_TRUE(run_until([&] {
        dialog = f.builder.find("XML Indent Options");
        return dialog && shown_and_active(dialog);
    }));
    EXPECT_EQ(dialog->windowTitle(), "XML Indent Options");
    test::expect_laid_out(dialog);
    QStringList captions;
    for (QLabel* label : dialog->findChildren<QLabel*>()) captions << label->text();
    EXPECT_EQ(captions,
              QStringList({"Indent size", "Maximum number of attributes in tag line"}));
    const QList<QCheckBox*> boxes = dialog->findChildren<QCheckBox*>();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0]->text(), "Remove comments");
    EXPECT_EQ(boxes[1]->text(), "Show this dialog before indenting");
    EXPECT_EQ(dialog->edit_of(0)->text(), "6");
    EXPECT_EQ(dialog->edit_of(1)->text(), "3");
    EXPECT_FALSE(boxes[0]->isChecked());
    EXPECT_TRUE(boxes[1]->isChecked());

    retype(dialog->edit_of(1), "101");
    QTest::mouseClick(button(dialog, "ok"), Qt::LeftButton);
    ASSERT_NE(f.ui.current_balloon(), nullptr);
    EXPECT_EQ(f.ui.current_balloon()->text(), " Please enter an integer between 0 and 100");
    retype(dialog->edit_of(1), "0");
    retype(dialog->edit_of(0), "2");
    click_indicator(boxes[0]);
    QTest::mouseClick(button(dialog, "ok"), Qt::LeftButton);
    ASSERT_TRUE(run_until([&] { return answered.load() >= 0; }));
    EXPECT_EQ(answered.load(), 1);
    EXPECT_EQ(options.indent_size, 2);
    EXPECT_EQ(options.max_attributes, 0);
    EXPECT_TRUE(options.remove_comments);
    EXPECT_TRUE(options.show_dialog_first);
    EXPECT_EQ(stored_after_restart("XML Indent Options", "Indent size"), 2);
    EXPECT_EQ(stored_after_restart("XML Indent Options", "Maximum number of attributes in tag line"), 0);

    // Cancelled: the options stay as they were.
    ASSERT_TRUE(run_until([&] { return f.pool.job_elapsed_ms("load") < 0; }));
    ask();
    ASSERT_TRUE(run_until([&] { return shown_and_active(dialog); }));
    retype(dialog->edit_of(0), "9");
    QTest::mouseClick(button(dialog, "cancel"), Qt::LeftButton);
    ASSERT_TRUE(run_until([&] { return answered.load() >= 0; }));
    EXPECT_EQ(answered.load(), 0);
    EXPECT_EQ(options.indent_size, 2);

    // Asked on the UI thread, it waits in a nested loop.
    every_ms_until(&f.adapter, [&] {
        if (!shown_and_active(dialog)) return false;
        retype(dialog->edit_of(0), "5");
        QTest::keyClick(dialog->edit_of(0), Qt::Key_Return);
        return true;
    });
    EXPECT_TRUE(indent.ask(options));
    EXPECT_EQ(options.indent_size, 5);
    EXPECT_EQ(f.pool.lock().hold_count(), 1);
}

}  // namespace
}  // namespace tessel
