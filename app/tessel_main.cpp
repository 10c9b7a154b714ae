// tessel: the editor. Start-up makes the process-wide objects in their order (the clock's
// epoch, the worker pool holding the lock, the Qt application with the loop's lock adapter,
// the toolkit, the editor and its window), runs the event loop, and at the end stops every
// worker before anything they use is destroyed.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "file/recovery_journal.h"
#include "gui/command_icons.h"
#include "gui/main_window.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_ui.h"
#include "platform/qt_ui_poster.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"
#include "shell/command_line.h"
#include "shell/editor_app.h"
#include "shell/file_message_log.h"

namespace {

// The user guide and release notes: beside the program when installed, in the source tree's
// docs/ when run from a build folder.
tessel::HelpPages find_help_pages() {
    QDir dir(QCoreApplication::applicationDirPath());
    for (int up = 0; up < 4; ++up) {
        for (const QString& folder : {QStringLiteral("docs"), QStringLiteral("share/doc/tessel")}) {
            const QFileInfo guide(dir.filePath(folder + QStringLiteral("/user-guide.md")));
            if (!guide.exists()) continue;
            const QString notes = dir.filePath(folder + QStringLiteral("/release-notes.md"));
            tessel::HelpPages pages;
            pages.documentation = QUrl::fromLocalFile(guide.absoluteFilePath()).toString().toStdString();
            pages.release_notes = QUrl::fromLocalFile(notes).toString().toStdString();
            pages.updates = pages.release_notes;
            return pages;
        }
        if (!dir.cdUp()) break;
    }
    return {};
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
    tessel::TesselApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessel"));
    QApplication::setApplicationVersion(QStringLiteral("2.2"));
    QApplication::setDesktopFileName(QStringLiteral("tessel"));
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

    int result = 0;
    {
        tessel::EditorApp editor(pool, ui, &poster);
        editor.set_help_pages(find_help_pages());
        if (log) editor.attach_message_log(log.get());
        tessel::MainWindow window(editor, ui, tessel::command_icon);
        window.restore_and_show();
        editor.start(started, command_line.file);
        window.start_ticks();
        result = QApplication::exec();
        // Nothing a worker may still touch is destroyed before every worker has ended.
        pool.stop_all_workers();
    }
    return result;
}
