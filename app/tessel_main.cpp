// tessel: the editor. Start-up makes the process-wide objects in their order (the clock's
// epoch, the worker pool holding the lock, the Qt application with the loop's lock adapter,
// the toolkit, the editor and its window), runs the event loop, and at the end stops every
// worker before anything they use is destroyed.
#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "file/file_writer.h"
#include "file/recovery_journal.h"
#include "gui/command_icons.h"
#include "gui/main_window.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_ui.h"
#include "platform/qt_ui_poster.h"
#include "runtime/app_clock.h"
#include "runtime/ending_signals.h"
#include "runtime/worker_pool.h"
#include "shell/command_line.h"
#include "shell/editor_app.h"
#include "shell/file_message_log.h"
#include "shell/help_pages.h"

namespace {

// The editor while its event loop runs. The toolkit ends the process with exit() from inside
// the loop when the display goes away; the exit handler then keeps the unsaved edits and
// removes the hidden files of saves under way, and ends the process before the destructors of
// static objects run under the feet of the worker threads.
std::atomic<tessel::EditorApp*> editor_in_loop{nullptr};

void end_without_loop() {
    tessel::EditorApp* editor = editor_in_loop.exchange(nullptr);
    if (!editor) return;
    editor->keep_unsaved_edits();
    tessel::remove_pending_temporary_files();
    std::fflush(nullptr);
    std::_Exit(1);
}

// Without a display it can open, the toolkit stops the program with a fatal message while the
// application object is made, which aborts; that is a failure to start, not a crash.
std::atomic<bool> starting{true};
QtMessageHandler toolkit_messages = nullptr;

void start_up_messages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && starting) {
        std::fprintf(stderr, "%s\ntessel: cannot start: no display could be opened\n",
                     text.toLocal8Bit().constData());
        std::fflush(stderr);
        std::_Exit(1);
    }
    toolkit_messages(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
    const double started = tessel::AppClock::now();
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::string cwd = QDir::currentPath().toStdString();
    const tessel::CommandLine command_line = tessel::parse_command_line(args, cwd);
    switch (command_line.action) {
        case tessel::CommandLine::Action::help:
        case tessel::CommandLine::Action::version:
            std::fputs(command_line.text.c_str(), stdout);
            return 0;
        case tessel::CommandLine::Action::error:
            std::fprintf(stderr, "%s\n", command_line.text.c_str());
            return 2;
        case tessel::CommandLine::Action::recover:
            std::fputs(tessel::recoverable_listing(
                           tessel::recoverable_journals(tessel::recovery_folder())).c_str(),
                       stdout);
            return 0;
        case tessel::CommandLine::Action::run:
            break;
    }

    tessel::WorkerPool pool;
    toolkit_messages = qInstallMessageHandler(start_up_messages);
    tessel::TesselApplication application(argc, argv);
    starting = false;
    QApplication::setApplicationName(QStringLiteral("Tessel"));
    QApplication::setApplicationVersion(
        QString::fromUtf8(tessel::kVersion.data(), qsizetype(tessel::kVersion.size())));
    // The desktop entry's name: Wayland compositors find the window's icon through it.
    QApplication::setDesktopFileName(QStringLiteral(TESSEL_APP_ID));
    tessel::init_icon_resources();
    QApplication::setWindowIcon(tessel::application_icon());
    tessel::QtLoopLock loop_lock(pool);
    tessel::QtUiPoster poster(&application);
    tessel::QtUi ui(&pool, poster);

    std::unique_ptr<tessel::FileMessageLog> log;
    if (!command_line.log.empty()) {
        std::string error;
        log = tessel::FileMessageLog::open(command_line.log, error);
        if (!log) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
    }

    // SIGTERM, SIGINT and SIGHUP end the loop; the program then ends as after Exit, but
    // without asking, keeping the unsaved edits in the journal, and by the signal.
    int ending_signal = 0;
    std::unique_ptr<QSocketNotifier> signal_notifier;
    if (const int fd = tessel::watch_ending_signals(); fd >= 0) {
        signal_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(signal_notifier.get(), &QSocketNotifier::activated, [&ending_signal] {
            ending_signal = tessel::take_ending_signal();
            if (ending_signal) QCoreApplication::exit(128 + ending_signal);
        });
    }
    std::atexit(end_without_loop);

    int result = 0;
    {
        tessel::EditorApp editor(pool, ui, &poster);
        // Installed pages first, then the source tree's docs/ for a program run from its build
        // folder.
        editor.set_help_pages(tessel::find_help_pages(tessel::help_folders(
            QCoreApplication::applicationDirPath().toStdString(), TESSEL_SOURCE_DIR)));
        if (log) editor.attach_message_log(log.get());
        tessel::MainWindow window(editor, ui, tessel::command_icon);
        window.restore_and_show();
        editor.start(started, command_line.file);
        window.start_ticks();
        editor_in_loop = &editor;
        result = QApplication::exec();
        editor_in_loop = nullptr;
        // Nothing a worker may still touch is destroyed before every worker has ended; a save
        // cut off by a signal leaves the old file as it was.
        pool.stop_all_workers();
        if (ending_signal) editor.keep_unsaved_edits();
    }
    if (ending_signal) tessel::end_by_signal(ending_signal);
    return result;
}
