// The document's parses under real threads: the "reparse" request deferred to the update
// tick, a change on the UI thread stopping a running parse, a parse's results reaching the
// owner on the UI thread in one step that stops the jobs of the old tree, and a stress run of
// random edits against parses and cancellations whose last tree must equal a direct parse of
// the final text.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <random>
#include <string>

#include "commands/command_registry.h"
#include "parse/default_languages.h"
#include "parse/document_tree.h"
#include "parse/xml_parser.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"
#include "shell/document_controller.h"
#include "tests/runtime/test_event_loop.h"
#include "text/edit_history.h"

namespace tessel {
namespace {

std::string catalogue(int items) {
    std::string text = "<catalog>\n";
    for (int i = 0; i < items; ++i)
        text += "  <item id=\"" + std::to_string(i) + "\"><name>part " + std::to_string(i) +
                "</name></item>\n";
    return text + "</catalog>\n";
}

// The editor's side: the pool, the document, the registry with the "reparse" handler on the
// "parse" worker, and an owner that keeps the latest result and writes down each call it
// gets, where it ran and whether the "view" and "sort" jobs were still running.
class Editor : public DocumentOwner {
public:
    Editor()
        : registry(&pool, [] { return AppClock::now(); }),
          controller(pool, document, *this,
                     [this](std::string_view name, std::string_view argument) {
                         registry.post_command(name, argument);
                     }) {
        document.set_history(&history);
        HandlerFunction reparse = controller.reparse_handler();
        registry.register_handler(
            "reparse", this,
            [this, reparse](std::string_view argument, bool query) {
                if (!query) arguments.push_back(std::string(argument));
                return reparse(argument, query);
            },
            "parse");
        registry.register_handler("apply_cur_location", this, [this](std::string_view, bool query) {
            if (!query) ++locations_applied;
            return true;
        });
        controller.set_poster(&loop);
    }

    void drop_views() override {
        record("drop_views");
        views.clear();
    }
    void tree_ready(ParseResult result) override {
        record("tree_ready");
        // The views of the old tree are gone before the new tree comes in.
        if (!views.empty()) calls.back() += " with old views";
        last = std::move(result);
    }
    void parse_failed(ParseResult result) override {
        record("parse_failed");
        last = std::move(result);
    }
    void set_status_message(std::string_view text) override {
        record("status", false);
        status = text;
    }
    // One call: its name, and what was wrong about where and when it ran (a new tree or new
    // diagnostics while the old tree's jobs still run).
    void record(std::string call, bool swap = true) {
        if (!loop.on_ui_thread()) call += " off the UI thread";
        if (!pool.lock().held_by_current_thread()) call += " without the lock";
        for (const char* worker : {"view", "sort"})
            if (Worker* w = pool.find(worker); swap && w && w->running())
                call += std::string(" while ") + worker + " runs";
        calls.push_back(std::move(call));
    }

    // Runs the event loop with the 50 ms update tick until done holds.
    bool run_until(const std::function<bool()>& done) {
        double next_tick = 0;
        return loop.run_until([&] {
            if (AppClock::now() >= next_tick) {
                registry.tick();
                next_tick = AppClock::now() + 50;
            }
            return done();
        });
    }
    bool idle() {
        Worker* parse = pool.find("parse");
        // A finished parse's result may still wait in the loop.
        return !registry.reparse_pending() && !(parse && parse->running()) && loop.empty();
    }

    WorkerPool pool;
    TestEventLoop loop{pool};
    EditHistory history;
    TextDocument document;
    CommandRegistry registry;
    DocumentController controller;
    ParseResult last;
    std::vector<std::string> calls;
    std::vector<std::string> views;  // built on the tree in last
    std::vector<std::string> arguments;
    std::string status;
    int locations_applied = 0;
};

TEST(DocumentController, TwoReparseRequestsInOneTickGiveOneParseWithTheLaterArgument) {
    Editor editor;
    editor.document.set_text("<a><b/></a>");
    editor.registry.post_command("reparse", "first");
    editor.registry.post_command("reparse", "y");
    ASSERT_TRUE(editor.run_until([&] { return editor.controller.parses_completed() == 1; }));
    ASSERT_TRUE(editor.run_until([&] { return editor.idle(); }));
    EXPECT_EQ(editor.arguments, std::vector<std::string>{"y"});
    EXPECT_EQ(editor.controller.parses_completed(), 1);
    ASSERT_TRUE(editor.last.tree);
    EXPECT_TRUE(editor.last.requested);
    EXPECT_EQ(editor.status.rfind("Parsed 11 bytes in ", 0), 0u) << editor.status;
    EXPECT_EQ(editor.locations_applied, 0);  // asked for, not caused by an edit
}

TEST(DocumentController, AChangeOnTheUiThreadStopsARunningParseAndTheNextParseSeesIt) {
    Editor editor;
    editor.document.set_text(catalogue(200000));  // long enough to be caught running
    editor.registry.post_command("reparse", "y");
    ASSERT_TRUE(editor.run_until([&] { return editor.pool.job_elapsed_ms("parse") >= 0; }));
    ASSERT_EQ(editor.controller.parses_completed(), 0);
    // Typing into the document while the parse runs: the parse is stopped at once.
    editor.document.replace("<extra/>", 10, 0);
    EXPECT_EQ(editor.controller.parses_completed(), 0);
    EXPECT_EQ(editor.pool.job_elapsed_ms("parse"), -1);
    EXPECT_TRUE(editor.registry.reparse_pending());
    ASSERT_TRUE(editor.run_until([&] { return editor.controller.parses_completed() == 1; }));
    EXPECT_EQ(editor.arguments.back(), "");
    ASSERT_TRUE(editor.last.tree);
    EXPECT_EQ(editor.last.tree->dump(), parse_xml(editor.document.text())->dump());
    EXPECT_EQ(editor.locations_applied, 1);  // an edit's parse brings the views up to date
}

TEST(DocumentController, PlainTextIsNotParsedAndErrorsGoToTheWarningsPane) {
    Editor editor;
    editor.document.set_text("<a>");
    editor.registry.post_command("reparse", "y");
    ASSERT_TRUE(editor.run_until([&] { return editor.controller.parses_completed() == 1; }));
    EXPECT_GE(editor.last.error_at, 0);
    EXPECT_GT(editor.last.tree->diagnostics().error_count(), 0);

    editor.controller.apply_language("Plain Text");
    ASSERT_TRUE(editor.run_until([&] { return editor.idle(); }));
    EXPECT_EQ(editor.arguments, (std::vector<std::string>{"y", "y"}));  // asked, and ran
    EXPECT_EQ(editor.controller.parses_completed(), 1);
}

TEST(DocumentController, TheLanguageChoosesTheAutomatonThatColoursTheLines) {
    Editor editor;
    editor.document.set_text("<a b='1'\n\"c\": [2]\n");
    const LanguageRegistry& types = default_languages();
    editor.controller.set_languages(&types);  // the language is "XML" until set
    EXPECT_EQ(&editor.document.automaton(), types.find("XML")->automaton);
    while (!editor.document.scan_finished()) editor.document.run_scan_slice();
    EXPECT_NE(editor.document.index().scan(1).state, 0);  // inside the start tag

    editor.controller.set_language("JSON");
    EXPECT_EQ(&editor.document.automaton(), types.find("JSON")->automaton);
    EXPECT_EQ(editor.document.scan_next_line(), 0);
    while (!editor.document.scan_finished()) editor.document.run_scan_slice();
    EXPECT_EQ(editor.document.index().scan(1).state, 0);  // junk, then a line end

    editor.controller.apply_language("Plain Text");
    EXPECT_EQ(&editor.document.automaton(), types.find("Plain Text")->automaton);
    EXPECT_EQ(editor.document.scan_next_line(), 0);
    ASSERT_TRUE(editor.run_until([&] { return editor.idle(); }));
}

TEST(DocumentController, RandomEditsAgainstParsesAndCancellationsEndInTheRightTree) {
    Editor editor;
    std::mt19937 rng(2026);
    editor.document.set_text(catalogue(3000));
    const char* pieces[] = {"<x/>", "<y a=\"1\">t</y>", "text", "&amp;", "<", ">", "\n", " "};
    for (int step = 0; step < 3000; ++step) {
        const int32_t length = editor.document.length();
        const int32_t at = static_cast<int32_t>(rng() % (length + 1));
        switch (rng() % 4) {
            case 0:
            case 1:
                editor.document.replace(pieces[rng() % 8], at, 0);
                break;
            case 2:
                editor.document.replace("", at, std::min<int32_t>(length - at, rng() % 12));
                break;
            case 3:
                if (editor.history.can_undo()) editor.history.undo();
                break;
        }
        // Now and then the event loop runs a little: ticks start parses, the next edits
        // stop them again, some finish.
        if (rng() % 8 == 0) {
            const double until = AppClock::now() + static_cast<double>(rng() % 30);
            ASSERT_TRUE(editor.run_until([&] { return AppClock::now() >= until; }));
        }
    }
    ASSERT_TRUE(editor.run_until([&] { return editor.idle() && editor.last.tree; }));
    EXPECT_GT(editor.controller.parses_completed(), 1);
    EXPECT_EQ(editor.last.changes, editor.document.store().changes());
    EXPECT_EQ(editor.last.tree->dump(), parse_xml(editor.document.text())->dump());
    // Every result came on the UI thread, under the lock, after view and sort had stopped.
    for (const std::string& call : editor.calls)
        EXPECT_EQ(call.find(' '), std::string::npos) << call;
}

// A job on a worker that runs until it is stopped, as a view or a sort of a big tree does.
struct EndlessJob {
    std::atomic<bool> started{false};
    std::atomic<bool> cancelled{false};
    HandlerFunction handler(WorkerPool& pool) {
        return [this, &pool](std::string_view, bool query) {
            if (query) return true;
            started = true;
            try {
                for (;;) pool.yield_point();
            } catch (const JobCancelled&) {
                cancelled = true;
                throw;
            }
        };
    }
};

TEST(DocumentController, AParseResultIsSwappedInOnTheUiThreadAfterViewAndSortAreStopped) {
    Editor editor;
    editor.document.set_text("<a><b/></a>");
    editor.views = {"grid of the old tree"};
    EndlessJob view, sort;
    editor.pool.run_job("view", "", view.handler(editor.pool));
    editor.pool.run_job("sort", "", sort.handler(editor.pool));
    ASSERT_TRUE(editor.run_until([&] { return view.started && sort.started; }));
    editor.registry.post_command("reparse", "y");
    ASSERT_TRUE(editor.run_until([&] { return editor.controller.parses_completed() == 1; }));
    EXPECT_TRUE(view.cancelled);
    EXPECT_TRUE(sort.cancelled);
    // The status first, then in one step: the jobs stopped, the old views dropped, the tree.
    EXPECT_EQ(editor.calls, (std::vector<std::string>{"status", "drop_views", "tree_ready"}));
    EXPECT_TRUE(editor.views.empty());
    ASSERT_TRUE(editor.last.tree);
    EXPECT_EQ(editor.last.tree->dump(), parse_xml("<a><b/></a>")->dump());

    // A parse with errors stops the same jobs; the old tree's views stay for the user.
    editor.views = {"grid of the old tree"};
    EndlessJob view2;
    editor.pool.run_job("view", "", view2.handler(editor.pool));
    ASSERT_TRUE(editor.run_until([&] { return view2.started.load(); }));
    editor.document.set_text("<a><b></a>");
    editor.registry.post_command("reparse", "y");
    ASSERT_TRUE(editor.run_until([&] { return editor.controller.parses_completed() == 2; }));
    EXPECT_TRUE(view2.cancelled);
    EXPECT_EQ(editor.calls, (std::vector<std::string>{"status", "drop_views", "tree_ready",
                                                      "status", "parse_failed"}));
    EXPECT_EQ(editor.views.size(), 1u);
    EXPECT_GE(editor.last.error_at, 0);
}

// Holds what is posted until released, to catch a result between its parse and its delivery.
class HeldPoster final : public UiPoster {
public:
    explicit HeldPoster(TestEventLoop& loop) : loop_(loop) {}
    void post(std::function<void()> closure) override {
        std::lock_guard<std::mutex> guard(mutex_);
        held_.push_back(std::move(closure));
    }
    bool on_ui_thread() const override { return loop_.on_ui_thread(); }
    size_t held() {
        std::lock_guard<std::mutex> guard(mutex_);
        return held_.size();
    }
    void release() {
        std::lock_guard<std::mutex> guard(mutex_);
        for (auto& closure : held_) loop_.post(std::move(closure));
        held_.clear();
    }

private:
    TestEventLoop& loop_;
    std::mutex mutex_;
    std::vector<std::function<void()>> held_;
};

TEST(DocumentController, AResultOfTheOldDocumentStillOnItsWayIsDroppedByAReset) {
    Editor editor;
    HeldPoster held(editor.loop);
    editor.controller.set_poster(&held);
    editor.document.set_text("<old/>");
    editor.registry.post_command("reparse", "y");
    ASSERT_TRUE(editor.run_until([&] { return held.held() == 1 && editor.idle(); }));
    EXPECT_TRUE(editor.calls.empty());  // nothing reached the owner from the worker
    editor.controller.reset();          // a new document comes
    held.release();
    const double until = AppClock::now() + 100;
    ASSERT_TRUE(editor.run_until([&] { return AppClock::now() >= until; }));
    EXPECT_TRUE(editor.calls.empty());
    EXPECT_FALSE(editor.last.tree);
    EXPECT_EQ(editor.controller.parses_completed(), 0);

    // After the reset results are delivered again.
    editor.registry.post_command("reparse", "y");
    ASSERT_TRUE(editor.run_until([&] { return held.held() == 1 && editor.idle(); }));
    held.release();
    ASSERT_TRUE(editor.run_until([&] { return editor.controller.parses_completed() == 1; }));
    EXPECT_EQ(editor.calls, (std::vector<std::string>{"status", "drop_views", "tree_ready"}));
}

}  // namespace
}  // namespace tessel
