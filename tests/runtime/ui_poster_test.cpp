// What workers tell the window reaches it on the UI thread: a load's status, progress and
// name, the text view's repaint, the recent-files menu and the status bar each run there with
// the application lock held, in the order the worker asked; on the UI thread they run at
// once; and what a component posted is dropped once the component is gone.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "commands/command_registry.h"
#include "file/recent_files.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"
#include "seams/command_view.h"
#include "shell/routed_document_host.h"
#include "tests/runtime/test_event_loop.h"
#include "text/text_document.h"

namespace tessel {
namespace {

// Writes down each call with what was wrong about where it ran.
class CallLog {
public:
    CallLog(WorkerPool& pool, const UiPoster& ui) : pool_(pool), ui_(ui) {}
    void record(std::string call) {
        if (!ui_.on_ui_thread()) call += " off the UI thread";
        if (!pool_.lock().held_by_current_thread()) call += " without the lock";
        std::lock_guard<std::mutex> guard(mutex_);
        calls_.push_back(std::move(call));
    }
    std::vector<std::string> calls() {
        std::lock_guard<std::mutex> guard(mutex_);
        return calls_;
    }

private:
    WorkerPool& pool_;
    const UiPoster& ui_;
    std::mutex mutex_;
    std::vector<std::string> calls_;
};

struct LoggingTextView final : TextDocumentView {
    explicit LoggingTextView(CallLog& log) : log(log) {}
    void text_changed(bool) override { log.record("text_changed"); }
    CallLog& log;
};

struct LoggingCommandView final : CommandView {
    explicit LoggingCommandView(CallLog& log) : log(log) {}
    void show_enabled(const std::vector<bool>&, bool) override {}
    void set_checked(size_t, bool) override {}
    void show_status_message(std::string_view text) override {
        log.record("status bar: " + std::string(text));
    }
    void redraw() override {}
    bool pane_visible(std::string_view) override { return false; }
    CallLog& log;
};

// The window's side of a load: only the calls that reach widgets are written down.
class LoggingHost final : public DocumentHost {
public:
    LoggingHost(CallLog& log, TextDocument& document) : log_(log), document_(document) {}
    TextDocument& document() override { return document_; }
    void set_language_for(std::string_view, std::string_view) override {}
    std::string language_extension() override { return "xml"; }
    std::string file_filter() override { return "XML#*.xml"; }
    void reset_views() override {}
    void set_busy(bool) override {}
    void name_changed() override { log_.record("name_changed"); }
    void document_saved() override {}
    void post_command(std::string_view, std::string_view) override {}
    void set_status_message(std::string_view text) override {
        log_.record("host status: " + std::string(text));
    }
    void log(std::string_view) override {}
    void progress_changed() override { log_.record("progress_changed"); }
    double now_ms() override { return AppClock::now(); }

private:
    CallLog& log_;
    TextDocument& document_;
};

TEST(UiPoster, WorkerCallbacksReachTheUiThreadInOrderWithTheLockHeld) {
    WorkerPool pool;
    TestEventLoop loop(pool);
    CallLog log(pool, loop);

    TextDocument document;
    LoggingTextView text_view(log);
    document.set_view(&text_view);
    document.set_poster(&loop);
    LoggingHost window(log, document);
    RoutedDocumentHost host(window, &loop);
    RecentFiles recent;
    recent.set_on_change([&] { log.record("recent files"); });
    recent.set_poster(&loop);
    CommandRegistry registry(&pool, [] { return AppClock::now(); });
    LoggingCommandView command_view(log);
    registry.set_view(&command_view);
    registry.set_poster(&loop);

    // On the UI thread the calls run at once.
    registry.set_status_message("Ready");
    document.set_text("<a/>");
    EXPECT_EQ(log.calls(), (std::vector<std::string>{"status bar: Ready", "text_changed"}));

    // A load on a worker, as the file code runs it.
    std::atomic<bool> done{false};
    pool.run_job("load_file", "", [&](std::string_view, bool query) {
        if (query) return true;
        host.set_status_message("Loading");
        document.set_text("<a/><b/>");  // the load's fresh start, or an undo
        host.progress_changed();
        recent.add("/tmp/a.xml");
        registry.set_status_message("Loaded 8 bytes");
        host.name_changed();
        done = true;
        return true;
    });
    ASSERT_TRUE(loop.run_until([&] { return done && loop.empty() && log.calls().size() == 8; }));
    EXPECT_EQ(log.calls(),
              (std::vector<std::string>{"status bar: Ready", "text_changed", "host status: Loading",
                                        "text_changed", "progress_changed", "recent files",
                                        "status bar: Loaded 8 bytes", "name_changed"}));
    EXPECT_EQ(registry.status_message(), "Loaded 8 bytes");
    EXPECT_EQ(document.text(), "<a/><b/>");
}

// Keeps what is posted until the test runs it.
class QueuePoster final : public UiPoster {
public:
    explicit QueuePoster(const UiPoster& ui) : ui_(ui) {}
    void post(std::function<void()> closure) override {
        std::lock_guard<std::mutex> guard(mutex_);
        queued_.push_back(std::move(closure));
    }
    bool on_ui_thread() const override { return ui_.on_ui_thread(); }
    size_t run_all() {
        std::vector<std::function<void()>> queued;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            queued.swap(queued_);
        }
        for (auto& closure : queued) closure();
        return queued.size();
    }

private:
    const UiPoster& ui_;
    std::mutex mutex_;
    std::vector<std::function<void()>> queued_;
};

TEST(UiPoster, WhatAComponentPostedIsDroppedOnceItIsGone) {
    WorkerPool pool;
    TestEventLoop loop(pool);
    QueuePoster queue(loop);
    int changes = 0;
    auto recent = std::make_unique<RecentFiles>();
    recent->set_on_change([&] { ++changes; });
    recent->set_poster(&queue);
    auto document = std::make_unique<TextDocument>();
    CallLog log(pool, loop);
    LoggingTextView text_view(log);
    document->set_view(&text_view);
    document->set_poster(&queue);

    std::atomic<bool> done{false};
    pool.run_job("load_file", "", [&](std::string_view, bool query) {
        if (query) return true;
        recent->add("/tmp/a.xml");
        document->set_text("<a/>");
        recent->add("/tmp/b.xml");
        done = true;
        return true;
    });
    ASSERT_TRUE(loop.run_until([&] { return done && !pool.find("load_file")->running(); }));
    EXPECT_EQ(changes, 0);  // nothing ran on the worker
    recent.reset();
    document.reset();
    EXPECT_EQ(queue.run_all(), 3u);  // three closures were posted, and none reached the dead
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(log.calls().empty());
}

}  // namespace
}  // namespace tessel
