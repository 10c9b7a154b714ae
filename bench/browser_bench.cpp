// browser_bench: the editor's window showing an element of 1 000 000 children in the Tree
// Selection Browser: from the tree selection to the first paint of its table, the UI stall
// monitor while the view is built, one scroll step anywhere in the table, and a header click's
// sort of all rows to its repaint, and cell edits (Enter in the in-place editor to the text
// changed and both browsers and the text repainted); the parse of the same document in the
// same run for scale.
// Usage: browser_bench [--rows N]; with QT_QPA_PLATFORM=xcb under a virtual X server
// (xvfb-run) it measures the real window system, offscreen otherwise.
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QEventLoop>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/make_document.h"
#include "bench/window_bench_support.h"
#include "commands/message_log.h"
#include "gui/browser_view.h"
#include "gui/column_stats_view.h"
#include "gui/editor_view.h"
#include "gui/main_window.h"
#include "gui/tree_view.h"
#include "platform/qt_loop_lock.h"
#include "platform/qt_ui.h"
#include "platform/qt_ui_poster.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"
#include "shell/editor_app.h"

namespace {

using tessel::AppClock;
using tessel::bench::TimedLog;
using tessel::bench::run_until;

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = tessel::bench::rows_argument(argc, argv);
    const std::string path = tessel::bench::catalog_file(rows, "browser_bench");
    if (path.empty()) return 1;
    const auto bytes = static_cast<unsigned long long>(std::filesystem::file_size(path));

    tessel::bench::WindowBenchProcess process(argv);
    tessel::WorkerPool& pool = process.pool;
    tessel::QtLoopLock& loop_lock = process.loop_lock;
    TimedLog& log = process.log;
    tessel::bench::LockWaits waits(loop_lock, pool);
    waits.step = "start-up";
    {
        tessel::EditorApp editor(pool, process.ui, &process.poster, process.settings_path(),
                                 process.recovery_folder());
        editor.attach_message_log(&log);
        tessel::MainWindow window(editor, process.ui);
        window.restore_and_show();
        window.resize(1200, 800);
        window.start_ticks();
        const double asked = AppClock::now();
        waits.step = "load and parse";
        editor.commands().execute("load_file", path);
        run_until([&] { return editor.controller().parses_completed() > 0; }, 600000);
        const double parsed = AppClock::now() - asked;
        waits.step = "after the parse (views of the document)";
        run_until([] { return false; }, 300);

        // The catalog element, chosen in the tree as a click would.
        tessel::TreeView& tree = window.tree_view();
        tessel::BrowserView& browser = window.browser(1);
        tessel::BrowserController& controller = browser.controller();
        const int32_t catalog = tessel::bench::catalog_item(tree);
        if (catalog < 0) {
            std::fprintf(stderr, "browser_bench: no catalog element in the tree\n");
            return 1;
        }
        tessel::bench::BrowserPaintWatch ready(controller);
        browser.viewport()->installEventFilter(&ready);
        window.reset_tick_gap();
        const double selected = AppClock::now();
        const std::vector<int32_t> path_to_catalog{catalog};
        waits.step = "building the table";
        tree.select_path(path_to_catalog);
        run_until([&] { return ready.first_paint >= 0; }, 600000);
        const double first_paint_ms = ready.first_paint - selected;
        const double build_gap = window.longest_tick_gap();

        tessel::BrowserLayout& layout = controller.layout();
        int32_t table = 0;
        for (size_t i = 0; i < layout.tables().size(); ++i)
            if (layout.tables()[i].rows() > layout.tables()[table].rows()) table = static_cast<int32_t>(i);
        const int32_t table_rows = layout.tables()[table].rows() - 1;

        waits.step = "scrolling";
        // One scroll step of the scroll bar, anywhere in the table: the repaint it causes.
        std::vector<double> steps;
        QScrollBar* bar = browser.verticalScrollBar();
        for (int i = 0; i < 300; ++i) {
            loop_lock.claim();
            const double t0 = AppClock::now();
            bar->setValue(static_cast<int>((static_cast<int64_t>(bar->maximum()) * ((i * 7919) % 300)) / 300));
            browser.viewport()->repaint();
            steps.push_back(AppClock::now() - t0);
        }
        // Sideways too, where the columns scroll under the fixed one.
        std::vector<double> sideways;
        QScrollBar* across = browser.horizontalScrollBar();
        for (int i = 0; i < 50; ++i) {
            loop_lock.claim();
            const double t0 = AppClock::now();
            across->setValue(across->maximum() * (i % 10) / 10);
            browser.viewport()->repaint();
            sideways.push_back(AppClock::now() - t0);
        }

        // A header click: the sort job over every row, and the repaint of the new order.
        const int32_t sort_column = layout.tables()[table].columns() > 2 ? 2 : 1;
        waits.step = "sorting";
        window.reset_tick_gap();
        const double click = AppClock::now();
        controller.layout().set_current({table, 1, sort_column});
        tessel::GridTable* grid = layout.tables()[table].table;
        bar->setValue(std::max(0, layout.tables()[table].top - 20));
        const QRect shown_header = browser.cell_rect({table, 0, sort_column});
        QMouseEvent click_event(QEvent::MouseButtonPress, QPointF(shown_header.center()),
                                browser.viewport()->mapToGlobal(QPointF(shown_header.center())), Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(browser.viewport(), &click_event);
        run_until([&] { return grid->is_sorted(); }, 600000);
        browser.viewport()->repaint();
        const double sorted_ms = AppClock::now() - click;
        // The job's message comes to the UI thread after the order.
        run_until([&] { return !log.text("Sorted ").empty(); }, 5000);
        const double sort_gap = window.longest_tick_gap();

        // Cell edits spread over the sorted table: F6's editor with a new value, then Enter.
        // The write is timed to the end of the key's handling (the text changed, the undo
        // step recorded); the repaints of both browsers and the text pane beside it.
        waits.step = "cell edits";
        std::vector<double> writes, repaints, totals;
        const int64_t length_before = editor.document().length();
        int64_t typed_growth = 0;
        tessel::BrowserView& second = window.browser(2);
        for (int i = 0; i < 100; ++i) {
            const int32_t display = 1 + static_cast<int32_t>((static_cast<int64_t>(i) * 104729) % table_rows);
            controller.layout().set_current({table, display, sort_column});
            browser.setFocus();
            const std::string before = browser.current_text();
            if (!browser.begin_in_place_edit()) {
                std::fprintf(stderr, "browser_bench: the cell at display row %d cannot be edited\n", display);
                return 1;
            }
            const QString value = QString("edited%1").arg(i);
            typed_growth += value.size() - static_cast<int64_t>(before.size());
            browser.cell_editor()->setText(value);
            loop_lock.claim();
            const double t0 = AppClock::now();
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(browser.cell_editor(), &enter);
            const double t1 = AppClock::now();
            browser.viewport()->repaint();
            second.viewport()->repaint();
            window.editor().viewport()->repaint();
            repaints.push_back(AppClock::now() - t1);
            writes.push_back(t1 - t0);
            totals.push_back(AppClock::now() - t0);
            if (browser.editing()) {
                std::fprintf(stderr, "browser_bench: the cell refused the value %s\n", value.toUtf8().constData());
                return 1;
            }
        }
        const int64_t growth = editor.document().length() - length_before;

        // Column statistics of the price column (value counts included), asked as the user
        // does, on the sort worker, with the UI stall monitor running.
        waits.step = "column statistics";
        int32_t price_column = -1;
        {
            tessel::SmallArena scratch;
            for (int32_t c = 0; c < grid->column_count(); ++c)
                if (grid->cell_text(0, c, scratch) == "price") price_column = c;
        }
        // First with the Stat pane appearing (the command shows it), on the id column; then
        // the price column in the pane already shown, as when the current cell moves.
        int32_t id_column = -1;
        {
            tessel::SmallArena scratch;
            for (int32_t c = 0; c < grid->column_count(); ++c)
                if (grid->cell_text(0, c, scratch) == "id") id_column = c;
        }
        controller.layout().set_current({table, 1, id_column});
        browser.setFocus();
        window.reset_tick_gap();
        const double asked_first = AppClock::now();
        editor.commands().execute("column_statistics", {});
        run_until([&] { return window.column_stats().header() == "id"; }, 60000);
        const double first_ms = AppClock::now() - asked_first;
        const double first_gap = window.longest_tick_gap();
        run_until([] { return false; }, 300);
        window.reset_tick_gap();
        const double asked_stats = AppClock::now();
        controller.layout().set_current({table, 1, price_column});
        editor.commands().execute("column_statistics", {});
        run_until([&] { return window.column_stats().header() == "price"; }, 60000);
        const double stats_ms = AppClock::now() - asked_stats;
        const double stats_gap = window.longest_tick_gap();
        const int64_t distinct = window.column_stats().stats() ? window.column_stats().stats()->distinct : -1;

        // "Minimize all" and "Restore all" on the million rows: the half-second slide, ticked
        // by the window, with the UI stall monitor running.
        waits.step = "column widths";
        std::vector<double> slides, slide_gaps;
        for (const tessel::WidthCommand command : {tessel::WidthCommand::minimize_all, tessel::WidthCommand::restore_all}) {
            window.reset_tick_gap();
            const double t0 = AppClock::now();
            browser.change_widths(command);
            run_until([&] { return !browser.widths_moving(); }, 10000);
            slides.push_back(AppClock::now() - t0);
            slide_gaps.push_back(window.longest_tick_gap());
        }

        std::printf("platform: %s\n", QApplication::platformName().toUtf8().constData());
        std::printf("document: %llu bytes, %d children; parse (load to parsed) %.1f ms\n", bytes, rows, parsed);
        std::printf("tree selection to the first paint of the table (%d rows): %.1f ms (budget 2000 ms); "
                    "ratio to the parse %.2f\n", table_rows, first_paint_ms, first_paint_ms / parsed);
        std::printf("  %s\n", log.text("Created view in ").c_str());
        std::printf("UI stall monitor during the build: largest gap between 10 ms ticks %.1f ms (budget 50 ms)\n",
                    build_gap);
        std::printf("one scroll step anywhere in the table: median %.2f ms, worst %.2f ms (budget 16 ms)\n",
                    percentile(steps, 0.5), percentile(steps, 1.0));
        std::printf("one sideways scroll step: median %.2f ms, worst %.2f ms\n", percentile(sideways, 0.5),
                    percentile(sideways, 1.0));
        std::printf("header click to the sorted repaint: %.1f ms (%s); UI stall %.1f ms\n", sorted_ms,
                    log.text("Sorted ").c_str(), sort_gap);
        std::printf("cell edit, Enter to the text changed: median %.3f ms, worst %.3f ms (budget 16 ms); "
                    "then the repaint of both browsers and the text: median %.2f ms, worst %.2f ms; "
                    "Enter to all repainted: median %.2f ms, worst %.2f ms\n",
                    percentile(writes, 0.5), percentile(writes, 1.0), percentile(repaints, 0.5),
                    percentile(repaints, 1.0), percentile(totals, 0.5), percentile(totals, 1.0));
        std::printf("  100 edits changed the text's length by %lld bytes (the values typed: %lld)\n",
                    static_cast<long long>(growth), static_cast<long long>(typed_growth));
        std::printf("column statistics of \"id\" with the Stat pane appearing: %.1f ms; UI stall %.1f ms\n", first_ms,
                    first_gap);
        std::printf("column statistics of \"price\" (%lld distinct values counted), asked to shown: %.1f ms "
                    "(goal 500 ms); UI stall %.1f ms (budget 50 ms)\n",
                    static_cast<long long>(distinct), stats_ms, stats_gap);
        std::printf("Minimize all: slide over %.0f ms, UI stall %.1f ms; Restore all: %.0f ms, UI stall %.1f ms "
                    "(budget 50 ms)\n", slides[0], slide_gaps[0], slides[1], slide_gaps[1]);
        std::printf("longest wait of the UI thread for the lock in the whole run: %.1f ms\n", loop_lock.longest_wait_ms());
        for (const auto& [name, waited] : waits.longest)
            std::printf("  longest during %s: %.1f ms (jobs running: %s)\n", name.c_str(), waited,
                        waits.running_at[name].c_str());
        pool.stop_all_workers();
    }
    std::remove(path.c_str());
    return 0;
}
