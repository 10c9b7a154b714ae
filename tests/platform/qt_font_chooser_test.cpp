// The "font" command's chooser, offscreen: asked from a worker, the QFontDialog opens on the
// UI thread with the current font; accepted, the chosen font is applied and is still there
// after a restart; rejected, nothing changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontDialog>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/qt_font_chooser.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_ui_poster.h"
#include "runtime/worker_pool.h"
#include "settings/font_record.h"
#include "settings/settings_store.h"
#include "tests/platform/config_folder.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::every_ms_until;
using test::run_until;

TEST(QtFontChooser, AWorkersChoiceIsKeptAcrossARestartAndACancelKeepsTheFont) {
    test::ConfigFolder config;
    WorkerPool pool;
    QtLoopLock adapter{pool};
    QtUiPoster poster{&adapter};
    SettingsStore store;
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    QWidget window;
    window.show();
    QtFontChooser chooser(&pool, poster);
    chooser.set_window(&window);

    FontRecord record;
    read_font_record(store, record);
    std::atomic<int> chosen{-1};
    std::atomic<int> applied_off_ui{0};
    std::vector<FontRecord> applied;
    const auto choose = [&] {
        chosen = -1;
        pool.run_job("font", "", [&](std::string_view, bool query) {
            if (query) return true;
            const bool ok = run_font_command(record, chooser, store, [&](const FontRecord& r) {
                applied_off_ui += QThread::currentThread() != qApp->thread();
                applied.push_back(r);
            });
            chosen = ok ? 1 : 0;
            return true;
        });
    };
    // Notes the dialog as the user finds it, then answers it.
    QFont initial;
    const auto answer = [&](std::function<void(QFontDialog*)> act) {
        every_ms_until(&adapter, [&, act] {
            QFontDialog* dialog = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* found = qobject_cast<QFontDialog*>(widget); found && found->isVisible())
                    dialog = found;
            if (!dialog) return false;
            initial = dialog->currentFont();
            act(dialog);
            return true;
        });
        EXPECT_TRUE(run_until([&] { return chosen.load() >= 0; }));
    };

    choose();
    answer([](QFontDialog* dialog) {
        dialog->setCurrentFont(QFont(QStringLiteral("DejaVu Serif"), 17, QFont::Bold, true));
        dialog->accept();
    });
    EXPECT_EQ(initial.pointSize(), 12);
    EXPECT_FALSE(initial.bold());
    EXPECT_FALSE(initial.italic());
    EXPECT_EQ(chosen.load(), 1);
    const FontRecord expected{"DejaVu Serif", 17, 1, 1};
    EXPECT_EQ(record, expected);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0], expected);
    EXPECT_EQ(applied_off_ui.load(), 1) << "apply runs on the worker";
    {
        SettingsStore fresh;
        SettingsKey fresh_app(fresh, SettingsStore::kApplicationKey, ',');
        FontRecord after_restart;
        read_font_record(fresh, after_restart);
        EXPECT_EQ(after_restart, expected);
    }

    ASSERT_TRUE(run_until([&] { return pool.job_elapsed_ms("font") < 0; }));
    choose();
    answer([](QFontDialog* dialog) {
        dialog->setCurrentFont(QFont(QStringLiteral("DejaVu Sans"), 8));
        dialog->reject();
    });
    EXPECT_EQ(initial.family(), "DejaVu Serif") << "the chooser starts from the current font";
    EXPECT_EQ(initial.pointSize(), 17);
    EXPECT_TRUE(initial.bold());
    EXPECT_TRUE(initial.italic());
    EXPECT_EQ(chosen.load(), 0);
    EXPECT_EQ(record, expected);
    EXPECT_EQ(applied.size(), 1u);
    EXPECT_EQ(pool.lock().hold_count(), 1);
}

}  // namespace
}  // namespace tessel
