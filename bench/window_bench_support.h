// What the window benchmarks share: the catalog they open and its element in the tree, a
// message log that keeps when each status message came, and a wait that runs the event loop
// until something holds.
#pragma once

#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "bench/make_document.h"
#include "commands/message_log.h"
#include "gui/tree_view.h"
#include "platform/qt_loop_lock.h"
#include "views/browser_controller.h"
#include "platform/qt_ui.h"
#include "platform/qt_ui_poster.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"

namespace tessel::bench {

// The catalog's size: --rows N on the command line, 1 000 000 items otherwise.
inline int rows_argument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rows") == 0) return std::max(1, std::atoi(argv[i + 1]));
    return 1'000'000;
}

// A catalog of rows items written to a temporary .xml file (the extension makes it open as
// XML); empty when it could not be written.
inline std::string catalog_file(int rows, const char* bench) {
    std::printf("generating a catalog of %d items ...\n", rows);
    const std::string temp = write_temp_file(make_item_catalog(rows), bench);
    if (temp.empty()) return {};
    const std::string path = temp + ".xml";
    if (std::rename(temp.c_str(), path.c_str()) != 0) return {};
    return path;
}

// The catalog element among the tree's top-level items, or -1.
inline int32_t catalog_item(TreeView& tree) {
    for (int32_t i = 0; i < tree.model().root()->child_count; ++i)
        if (tree.model().child_item(tree.model().root(), i)->label.starts_with("catalog")) return i;
    return -1;
}

// Keeps when each status message arrived.
class TimedLog final : public MessageLog {
public:
    void add(std::string_view text) override { lines.push_back({AppClock::now(), std::string(text)}); }
    // When the first message starting with prefix came, or -1.
    double when(std::string_view prefix) const {
        for (const auto& [at, text] : lines)
            if (text.starts_with(prefix)) return at;
        return -1;
    }
    // The first message starting with prefix, or empty.
    std::string text(std::string_view prefix) const {
        for (const auto& [at, text] : lines)
            if (text.starts_with(prefix)) return text;
        return {};
    }
    // The latest message starting with prefix, or empty: a step's own, when steps repeat.
    std::string latest(std::string_view prefix) const {
        for (auto line = lines.rbegin(); line != lines.rend(); ++line)
            if (line->second.starts_with(prefix)) return line->second;
        return {};
    }
    std::vector<std::pair<double, std::string>> lines;
};

// Runs the event loop until done() holds (checked every poll_ms, with the lock held) or the
// time is up.
inline void run_until(const std::function<bool()>& done, double timeout_ms, int poll_ms = 5) {
    const double end = AppClock::now() + timeout_ms;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || AppClock::now() > end) loop.quit();
    });
    poll.start(poll_ms);
    loop.exec();
}

// Notes a browser's first paint once it shows a finished view.
class BrowserPaintWatch final : public QObject {
public:
    explicit BrowserPaintWatch(BrowserController& browser) : browser_(browser) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && first_paint < 0 && browser_.view() && !browser_.building())
            first_paint = AppClock::now();
        return false;
    }
    double first_paint = -1;

private:
    BrowserController& browser_;
};

// The UI thread's longest wait for the lock in each step of a run (set `step` as the run
// goes on; an empty step is not recorded), with the worker jobs running when it ended.
class LockWaits {
public:
    LockWaits(QtLoopLock& lock, WorkerPool& pool) {
        lock.set_wait_observer([this, &pool](bool waiting) {
            if (waiting) {
                began_ = AppClock::now();
                return;
            }
            // The lock is held again here: the jobs' texts may be read.
            const double waited = AppClock::now() - began_;
            if (step.empty() || waited <= longest[step]) return;
            longest[step] = waited;
            std::string running;
            for (const auto& [text, progress] : pool.running_job_texts())
                running += (running.empty() ? "" : ", ") + text + " " + std::to_string(progress) + "%";
            running_at[step] = running.empty() ? "none" : running;
        });
    }
    std::string step;
    std::map<std::string, double> longest;
    std::map<std::string, std::string> running_at;

private:
    double began_ = 0;
};

// The process-wide objects the program makes before its editor, in the program's order, with
// a settings folder of the bench's own and a timed log.
struct WindowBenchProcess {
    explicit WindowBenchProcess(char** argv)
        : application(argc, argv), loop_lock(pool), poster(&application), ui(&pool, poster) {}
    std::string settings_path() const { return (settings.path() + "/registry.sqlite").toStdString(); }
    // The benchmarks' edits are journaled where the user's recovery never looks.
    std::string recovery_folder() const { return (settings.path() + "/recovery").toStdString(); }

    int argc = 1;
    WorkerPool pool;
    TesselApplication application;
    QtLoopLock loop_lock;
    QtUiPoster poster;
    QtUi ui;
    QTemporaryDir settings;
    TimedLog log;
};

}  // namespace tessel::bench
