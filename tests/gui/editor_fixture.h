// The editor as main() makes it, on a settings folder of the test's own, for the window tests.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "commands/message_log.h"
#include "gui/main_window.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_ui.h"
#include "platform/qt_ui_poster.h"
#include "runtime/worker_pool.h"
#include "shell/editor_app.h"

namespace tessel::test {

class RecordingLog final : public MessageLog {
public:
    void add(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
};

// One editor as main() makes it, on a settings database and a folder of recovery journals of
// the test's own.
struct Editor {
    explicit Editor(const QString& settings_folder)
        : app(pool, ui, &poster, (settings_folder + "/registry.sqlite").toStdString(),
              (settings_folder + "/recovery").toStdString()),
          window(app, ui) {
        app.attach_message_log(&log);
        window.restore_and_show();
        window.start_ticks();
    }
    ~Editor() { pool.stop_all_workers(); }

    WorkerPool pool;
    QtLoopLock loop_lock{pool};
    QtUiPoster poster{qApp};
    QtUi ui{&pool, poster};
    RecordingLog log;
    EditorApp app;
    MainWindow window;
};

// With TESSEL_SCREENSHOTS set to a folder, the window as it stands goes there as name.png, for
// a person to look at.
inline void screenshot(QWidget& window, const char* name) {
    const QString folder = qEnvironmentVariable("TESSEL_SCREENSHOTS");
    if (folder.isEmpty()) return;
    QApplication::processEvents();
    window.grab().save(folder + "/" + name + ".png");
}

// Types text as a keyboard does, one key event per character; characters QTest has no key for
// come as key events that carry their text, as a keyboard layout's would.
inline void type_keys(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, static_cast<char>(c.unicode()));
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

template <typename Widget>
Widget* visible_top_level() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<Widget*>(widget); found && found->isVisible()) return found;
    return nullptr;
}

}  // namespace tessel::test
