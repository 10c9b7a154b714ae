// The Qt answers to the core's questions, offscreen: a message box asked by a worker is
// answered on the UI thread while its timers keep running, the core's filter texts become
// filters a Qt file dialog understands, the save dialog starts at home and asks before it
// overwrites, the clipboard round-trips text and only one balloon is ever on screen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>
#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "parse/language_registry.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_ui.h"
#include "platform/qt_ui_poster.h"
#include "runtime/worker_pool.h"
#include "tests/parse/map_extension_store.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

bool wait_until(const std::function<bool()>& done, int timeout_ms = 20000) {
    return test::run_until(done, timeout_ms);
}

template <typename Widget>
Widget* visible_top_level() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<Widget*>(widget); found && found->isVisible()) return found;
    return nullptr;
}

template <typename Widget>
int visible_top_level_count() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<Widget*>(widget) && widget->isVisible();
    return count;
}

using test::every_ms_until;

struct Fixture {
    WorkerPool pool;
    QtLoopLock adapter{pool};
    QtUiPoster poster{&adapter};
    QtUi ui{&pool, poster};
};

TEST(QtUi, AWorkersMessageBoxIsAnsweredOnTheUiThreadWhileItsTimersRun) {
    Fixture f;
    std::atomic<bool> answered{false};
    std::atomic<bool> held_after{false};
    UiAnswer answer = UiAnswer::ok;
    f.pool.run_job("save", "", [&](std::string_view, bool query) {
        if (query) return true;
        answer = f.ui.message_box("Save changes to /tmp/a.xml ?", "Tessel",
                                  UiButtons::yes_no_cancel, UiIcon::question);
        held_after = f.pool.lock().held_by_current_thread();
        answered = true;
        return true;
    });

    // Ticks of a 5 ms timer counted while the box is open; the box is answered with "No"
    // only after the UI thread has run ten of them, so a worker that kept the lock or a box
    // that stopped the loop would never be answered.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);
    QString caption, text;
    int ticks_at_open = -1, ticks_while_open = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    every_ms_until(&f.adapter, [&] {
        QMessageBox* box = visible_top_level<QMessageBox>();
        if (!box) return false;
        if (ticks_at_open < 0) {
            ticks_at_open = ticks;
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            EXPECT_NE(box->button(QMessageBox::Yes), nullptr);
            EXPECT_NE(box->button(QMessageBox::Cancel), nullptr);
        }
        ticks_while_open = ticks - ticks_at_open;
        if (ticks_while_open < 10) return false;
        box->button(QMessageBox::No)->click();
        return true;
    });
    ASSERT_TRUE(wait_until([&] { return answered.load(); }));
    EXPECT_EQ(answer, UiAnswer::no);
    EXPECT_TRUE(held_after);
    EXPECT_GE(ticks_while_open, 10);
    EXPECT_EQ(caption, "Tessel 2.2");
    EXPECT_EQ(text, "Save changes to /tmp/a.xml ?");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_TRUE(wait_until([&] { return f.pool.job_elapsed_ms("save") < 0; }));
    EXPECT_EQ(f.pool.lock().hold_count(), 1);
}

TEST(QtUi, MessageBoxCaptionsButtonsAndAnswersOnTheUiThread) {
    Fixture f;
    struct Case {
        std::string caption;
        UiButtons buttons;
        QMessageBox::StandardButton press;  // NoButton: closed without a choice
        std::string expected_caption;
        UiAnswer expected;
    };
    const Case cases[] = {
        {"Tessel", UiButtons::ok, QMessageBox::Ok, "Tessel 2.2", UiAnswer::ok},
        {"", UiButtons::ok_cancel, QMessageBox::Cancel, "Tessel 2.2", UiAnswer::cancel},
        {"Find", UiButtons::yes_no, QMessageBox::Yes, "Find", UiAnswer::yes},
        {"Tessel", UiButtons::yes_no, QMessageBox::NoButton, "Tessel 2.2", UiAnswer::no},
        {"Tessel", UiButtons::yes_no_cancel, QMessageBox::NoButton, "Tessel 2.2",
         UiAnswer::cancel},
        {"Tessel", UiButtons::ok_cancel, QMessageBox::NoButton, "Tessel 2.2", UiAnswer::cancel},
    };
    for (const Case& c : cases) {
        QString caption;
        every_ms_until(&f.adapter, [&] {
            QMessageBox* box = visible_top_level<QMessageBox>();
            if (!box) return false;
            caption = box->windowTitle();
            if (c.press == QMessageBox::NoButton)
                box->close();
            else
                box->button(c.press)->click();
            return true;
        });
        const UiAnswer answer = f.ui.message_box("text", c.caption, c.buttons, UiIcon::warning);
        EXPECT_EQ(caption.toStdString(), c.expected_caption) << c.caption;
        EXPECT_EQ(answer, c.expected) << c.caption << " " << static_cast<int>(c.buttons);
        EXPECT_EQ(f.pool.lock().hold_count(), 1);
    }
}

using test::MapStore;

TEST(QtNameFilters, TheCoresFilterTextsBecomeQtFilters) {
    LanguageRegistry registry;
    registry.add_type({"xml", "XML", 0, nullptr, true});
    registry.add_type({"dtd", "DTD", 1, nullptr, true});
    registry.add_type({"json", "JSON", 0, nullptr, false});
    registry.add_type({"", "Plain Text", 0, nullptr, false});
    MapStore store;
    store.values = {{"xml", "xsd, xsl,"}};
    registry.read_groups(store);
    EXPECT_EQ(qt_name_filters(registry.file_filter()),
              QStringList({"All files (*)", "xml files (*.xml *.xsd *.xsl)", "dtd files (*.dtd)",
                           "json files (*.json)"}));

    // The shorter texts of the core's tests, without the closing "#", spaces around the
    // patterns, a name without a pattern list, a pair without patterns and nothing at all.
    EXPECT_EQ(qt_name_filters("XML#*.xml"), QStringList({"XML (*.xml)"}));
    EXPECT_EQ(qt_name_filters("Docs (*.txt)# *.txt ; *.md ;#Empty##"),
              QStringList({"Docs (*.txt *.md)"}));
    EXPECT_EQ(qt_name_filters("(*.x)#*.x##Ignored#*.y#"), QStringList({"*.x (*.x)"}));
    EXPECT_EQ(qt_name_filters(""), QStringList());
    EXPECT_EQ(qt_name_filters("##"), QStringList());

    // What a Qt file dialog makes of them: the names and patterns it shows back.
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters(qt_name_filters(registry.file_filter()));
    EXPECT_EQ(dialog.nameFilters().size(), 4);
    dialog.selectNameFilter("xml files (*.xml *.xsd *.xsl)");
    EXPECT_EQ(dialog.selectedNameFilter(), "xml files (*.xml *.xsd *.xsl)");
}

TEST(QtUi, TheSaveDialogStartsAtHomeShowsTheFiltersAndAsksBeforeOverwriting) {
    Fixture f;
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray old_home = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QFile existing(home.filePath("old.xml"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();

    QString start_dir;
    QStringList filters;
    QString question;
    bool accepted = false;
    every_ms_until(&f.adapter, [&] {
        if (auto* box = visible_top_level<QMessageBox>()) {  // the overwrite question
            question = box->text();
            box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click()
                                          : box->done(QMessageBox::Yes);
            return true;
        }
        auto* dialog = visible_top_level<QFileDialog>();
        if (!dialog || accepted) return false;
        start_dir = dialog->directory().absolutePath();
        filters = dialog->nameFilters();
        dialog->selectFile(home.filePath("old.xml"));
        // Queued: the overwrite question runs its own loop, in which this timer must go on.
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        accepted = true;
        return false;
    });
    const std::string chosen = f.ui.file_dialog(true, "", "XML#*.xml#All files (*.*)#*.*##");
    qputenv("HOME", old_home);
    EXPECT_EQ(QDir(start_dir), QDir(home.path()));
    EXPECT_EQ(filters, QStringList({"XML (*.xml)", "All files (*)"}));
    EXPECT_TRUE(question.contains("old.xml")) << question.toStdString();
    EXPECT_EQ(chosen, home.filePath("old.xml").toStdString());
    EXPECT_EQ(f.pool.lock().hold_count(), 1);

    // Cancelled: nothing chosen; a given path opens its folder.
    QString open_dir;
    every_ms_until(&f.adapter, [&] {
        auto* dialog = visible_top_level<QFileDialog>();
        if (!dialog) return false;
        open_dir = dialog->directory().absolutePath();
        dialog->reject();
        return true;
    });
    EXPECT_EQ(f.ui.file_dialog(false, home.filePath("old.xml").toStdString(), "XML#*.xml##"), "");
    EXPECT_EQ(QDir(open_dir), QDir(home.path()));
}

TEST(QtUi, TheClipboardRoundTripsTextAlsoFromAWorker) {
    Fixture f;
    const std::string text = "<a b=\"\xC3\xA9\"/>\n\xE2\x9C\x93 line two\t";
    f.ui.set_clipboard(text);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), text);
    EXPECT_EQ(f.ui.clipboard_text(), text);

    std::atomic<bool> done{false};
    std::string read_back;
    f.pool.run_job("copy", "", [&](std::string_view, bool query) {
        if (query) return true;
        f.ui.set_clipboard("from the worker");
        read_back = f.ui.clipboard_text();
        done = true;
        return true;
    });
    ASSERT_TRUE(wait_until([&] { return done.load(); }));
    EXPECT_EQ(read_back, "from the worker");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "from the worker");
}

TEST(QtUi, OneBalloonAtATimePointingAtItsPointAndTheFocusComesBackOnClose) {
    Fixture f;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new QLineEdit(&window);
    layout->addWidget(edit);
    window.setGeometry(100, 100, 300, 200);
    f.ui.set_window(&window);
    window.show();
    window.activateWindow();
    edit->setFocus();
    ASSERT_TRUE(wait_until([&] { return edit->hasFocus(); }));

    f.ui.balloon("Goto", "No such line", 10, 20);
    QPointer<QtBalloon> first = f.ui.current_balloon();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->title(), "Goto");
    EXPECT_EQ(first->text(), "No such line");
    EXPECT_EQ(first->tip(), window.mapToGlobal(QPoint(10, 20)));
    EXPECT_TRUE(first->geometry().contains(first->tip() + QPoint(1, 1)));

    f.ui.balloon("Find", "Not found", 40, 50);
    QPointer<QtBalloon> second = f.ui.current_balloon();
    ASSERT_TRUE(second);
    EXPECT_NE(first.data(), second.data());
    EXPECT_TRUE(!first || !first->isVisible());
    EXPECT_EQ(visible_top_level_count<QtBalloon>(), 1);
    EXPECT_TRUE(edit->hasFocus());

    // The focus moved meanwhile (a click into the balloon takes it); closing gives it back.
    auto* other = new QLineEdit(&window);
    layout->addWidget(other);
    other->show();
    other->setFocus();
    ASSERT_TRUE(wait_until([&] { return other->hasFocus(); }));
    second->findChild<QToolButton*>("close")->click();
    EXPECT_TRUE(!second || !second->isVisible());
    EXPECT_EQ(visible_top_level_count<QtBalloon>(), 0);
    EXPECT_EQ(f.ui.current_balloon(), nullptr);
    EXPECT_TRUE(edit->hasFocus());

    // From a worker the balloon is posted and shows up on the UI thread.
    std::atomic<bool> posted{false};
    f.pool.run_job("search", "", [&](std::string_view, bool query) {
        if (query) return true;
        f.ui.balloon("Search", "Done", 0, 0);
        posted = true;
        return true;
    });
    EXPECT_TRUE(wait_until([&] { return posted && f.ui.current_balloon(); }));
    EXPECT_EQ(f.ui.current_balloon()->title(), "Search");
}

}  // namespace
}  // namespace tessel
