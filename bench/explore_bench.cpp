// explore_bench: exploring a table of 1 000 000 rows in the editor's window, each step asked
// as a user does and timed to its result with the UI stall monitor running: a filter typed in
// the filter bar (a substring, a regular expression), a two-key sort by header clicks, the
// column statistics and the value counts of a column, and a value chosen from the counts. Beside
// each, in the same run, the command-line tool that does the same to the column's TSV field:
// grep -c -F / -E, sort -V -k, sort | uniq -c.
// Usage: explore_bench [--rows N]; with QT_QPA_PLATFORM=xcb under a virtual X server it
// measures the real window system, offscreen otherwise.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/make_document.h"
#include "bench/window_bench_support.h"
#include "gui/browser_view.h"
#include "gui/column_stats_view.h"
#include "gui/filter_bar.h"
#include "gui/main_window.h"
#include "gui/tree_view.h"
#include "runtime/app_clock.h"
#include "shell/editor_app.h"

namespace {

using tessel::AppClock;
using tessel::bench::run_until;

struct Step {
    std::string name;
    double window_ms = 0, stall_ms = 0, peer_ms = 0;
    std::string peer, result, peer_result;
};

// Sends a press and release of the left button at the centre of a cell, with modifiers.
void click_cell(tessel::BrowserView& browser, const tessel::CellPos& cell, Qt::KeyboardModifiers modifiers) {
    const QPointF at(browser.cell_rect(cell).center());
    const QPointF global = browser.viewport()->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, modifiers);
    QApplication::sendEvent(browser.viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(browser.viewport(), &release);
}

void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(widget, &up);
}

// The first line of a shell command's output.
std::string output_of(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[256];
        if (std::fgets(line, sizeof line, pipe)) out = line;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out.substr(out.find_first_not_of(' ') == std::string::npos ? 0 : out.find_first_not_of(' '));
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = tessel::bench::rows_argument(argc, argv);
    const std::string path = tessel::bench::catalog_file(rows, "explore_bench");
    if (path.empty()) return 1;
    const std::string fields = path + ".fields";

    tessel::bench::WindowBenchProcess process(argv);
    // The UI thread's longest wait for the lock in each step, and what ran then: a stall the
    // UI thread did not wait for is its own work.
    tessel::bench::LockWaits waits(process.loop_lock, process.pool);
    std::vector<Step> steps;
    {
        tessel::EditorApp editor(process.pool, process.ui, &process.poster, process.settings_path(),
                                 process.recovery_folder());
        editor.attach_message_log(&process.log);
        tessel::MainWindow window(editor, process.ui);
        window.restore_and_show();
        window.resize(1200, 800);
        window.start_ticks();
        editor.commands().execute("load_file", path);
        run_until([&] { return editor.controller().parses_completed() > 0; }, 600000);
        run_until([] { return false; }, 300);

        tessel::TreeView& tree = window.tree_view();
        tessel::BrowserView& browser = window.browser(1);
        tessel::BrowserController& controller = browser.controller();
        const int32_t catalog = tessel::bench::catalog_item(tree);
        if (catalog < 0) {
            std::fprintf(stderr, "explore_bench: no catalog element in the tree\n");
            return 1;
        }
        tree.select_path(std::vector<int32_t>{catalog});
        // The catalog's view: the one with a table of every item.
        run_until([&] {
            if (!controller.view() || controller.building()) return false;
            for (const tessel::TableLayout& t : controller.layout().tables())
                if (t.table->row_count() == rows) return true;
            return false;
        }, 600000);
        tessel::BrowserLayout& layout = controller.layout();
        int32_t table = 0;
        for (size_t i = 0; i < layout.tables().size(); ++i)
            if (layout.tables()[i].rows() > layout.tables()[table].rows()) table = static_cast<int32_t>(i);
        tessel::GridTable* grid = layout.tables()[table].table;
        std::printf("platform: %s; table of %d rows\n", QApplication::platformName().toUtf8().constData(),
                    grid->row_count());
        std::fflush(stdout);
        const auto column = [&](std::string_view name) {
            tessel::SmallArena scratch;
            for (int32_t c = 0; c < grid->column_count(); ++c)
                if (grid->cell_text(0, c, scratch) == name) return c;
            return -1;
        };
        const int32_t name = column("name"), price = column("price"), qty = column("qty");
        if (name < 0 || price < 0 || qty < 0) {
            std::fprintf(stderr, "explore_bench: the table lacks name, price or qty\n");
            return 1;
        }
        // The fields the peers read, as the table shows them: name, price, qty.
        {
            std::ofstream out(fields, std::ios::binary);
            tessel::LargeArena scratch;
            std::string line;
            for (int32_t row = 1; row <= grid->row_count(); ++row) {
                tessel::ArenaMark mark = scratch.mark();
                line.assign(grid->cell_text(row, name, scratch));
                line += '\t';
                line += grid->cell_text(row, price, scratch);
                line += '\t';
                line += grid->cell_text(row, qty, scratch);
                line += '\n';
                out << line;
                scratch.release(mark);
            }
        }
        for (const std::string& command :
             {"cut -f1 " + fields + " > " + fields + ".name", "cut -f2 " + fields + " > " + fields + ".price",
              "awk -F'\\t' '{print $3\"\\t\"$2}' " + fields + " > " + fields + ".qty_price"})
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "explore_bench: %s failed\n", command.c_str());
                return 1;
            }

        const auto measure = [&](const char* step_name, const std::function<void()>& ask,
                                 const std::function<bool()>& done) {
            window.reset_tick_gap();
            waits.step = step_name;
            const double t0 = AppClock::now();
            ask();
            run_until(done, 600000);
            Step s;
            s.name = step_name;
            s.window_ms = AppClock::now() - t0;
            s.stall_ms = window.longest_tick_gap();
            waits.step.clear();
            run_until([] { return false; }, 200);
            return s;
        };
        tessel::FilterBar& bar = *browser.filter_bar();

        // 1. A filter typed in the bar: a substring of the name column, then a regular expression.
        layout.set_current({table, 1, name});
        browser.setFocus();
        editor.commands().execute("filter_rows", {});
        for (const auto& [label, typed, regex, peer] :
             {std::tuple{"filter, substring in name", "item123", false, "grep -c -F item123 " + fields + ".name"},
              std::tuple{"filter, regular expression in name", "^item9[0-9]*7$", true,
                         "grep -c -E '^item9[0-9]*7$' " + fields + ".name"}}) {
            bar.findChild<QComboBox*>("filter_match")->setCurrentIndex(regex ? 1 : 0);
            bar.text()->setText(QString::fromUtf8(typed));
            Step s = measure(label, [&] { press(bar.text(), Qt::Key_Return); },
                             [&] { return grid->is_filtered() && grid->filter().text == typed && bar.counts_text().contains(" of "); });
            s.result = std::to_string(grid->shown_count()) + " rows; the job: " + process.log.latest("Filtered ");
            s.peer = peer;
            s.peer_ms = 1000 * tessel::bench::command_seconds(peer + " > /dev/null", 3);
            s.peer_result = output_of(peer) + " lines";
            steps.push_back(s);
        }
        press(bar.text(), Qt::Key_Escape);
        run_until([&] { return !grid->is_filtered(); }, 10000);

        // 2. Two keys: a click on qty's header, then Shift+click on price's.
        QScrollBar* vertical = browser.verticalScrollBar();
        vertical->setValue(std::max(0, layout.tables()[table].top - 20));
        browser.viewport()->repaint();
        click_cell(browser, {table, 0, qty}, Qt::NoModifier);
        run_until([&] { return grid->is_sorted() && grid->sort_column() == qty; }, 600000);
        run_until([] { return false; }, 200);
        {
            const std::string peer = "LC_ALL=C sort -t \"$(printf '\\t')\" -k1,1V -k2,2V " + fields + ".qty_price";
            Step s = measure("sort by qty, then Shift+click price", [&] { click_cell(browser, {table, 0, price}, Qt::ShiftModifier); },
                             [&] { return grid->sort_keys().size() == 2; });
            s.result = process.log.latest("Sorted ");
            s.peer = peer;
            s.peer_ms = 1000 * tessel::bench::command_seconds(peer + " > /dev/null", 3);
            steps.push_back(s);
        }

        // 3. The statistics of the price column, with the Stat pane shown first.
        layout.set_current({table, 1, name});
        editor.commands().execute("column_statistics", {});
        run_until([&] { return window.column_stats().header() == "name"; }, 600000);
        run_until([] { return false; }, 300);
        {
            const std::string peer = "sort " + fields + ".price | uniq -c";
            Step s = measure("column statistics of price",
                             [&] {
                                 layout.set_current({table, 1, price});
                                 editor.commands().execute("column_statistics", {});
                             },
                             [&] { return window.column_stats().header() == "price"; });
            s.result = std::to_string(window.column_stats().stats() ? window.column_stats().stats()->distinct : -1) +
                       " distinct";
            s.peer = peer;
            s.peer_ms = 1000 * tessel::bench::command_seconds(peer + " > /dev/null", 3);
            s.peer_result = output_of(peer + " | wc -l") + " distinct";
            steps.push_back(s);
        }

        // 4. The value counts of the price column in the second browser, then the most
        // frequent value chosen there with Enter.
        tessel::BrowserView& second = window.browser(2);
        const auto counts_shown = [&] {
            const tessel::BrowserController& c = second.controller();
            return c.view() && !c.layout().tables().empty() && c.layout().tables()[0].table->is_literal();
        };
        {
            const std::string peer = "sort " + fields + ".price | uniq -c | sort -rn";
            browser.setFocus();
            Step s = measure("value counts of price", [&] { editor.commands().execute("value_counts", {}); }, counts_shown);
            s.result = counts_shown() ? std::to_string(second.controller().layout().tables()[0].table->row_count()) + " values"
                                      : "none";
            s.peer = peer;
            s.peer_ms = 1000 * tessel::bench::command_seconds(peer + " > /dev/null", 3);
            s.peer_result = output_of(peer + " | wc -l") + " values";
            steps.push_back(s);
        }
        if (counts_shown()) {
            second.controller().layout().set_current({0, 1, 0});
            second.setFocus();
            tessel::SmallArena scratch;
            const std::string top(second.controller().layout().tables()[0].table->cell_text(1, 0, scratch));
            const std::string peer = "grep -c -x -F '" + top + "' " + fields + ".price";
            Step s = measure("choosing the most frequent price", [&] { press(second.viewport(), Qt::Key_Return); },
                             [&] { return grid->is_filtered(); });
            s.result = std::to_string(grid->shown_count()) + " rows of \"" + top + "\"";
            s.peer = peer;
            s.peer_ms = 1000 * tessel::bench::command_seconds(peer + " > /dev/null", 3);
            s.peer_result = output_of(peer) + " lines";
            steps.push_back(s);
        }
        process.pool.stop_all_workers();
    }
    for (const Step& s : steps) {
        std::printf("%-40s window %8.1f ms  UI stall %5.1f ms (budget 50)  %s\n", s.name.c_str(), s.window_ms,
                    s.stall_ms, s.result.c_str());
        std::printf("%-40s peer   %8.1f ms  ratio %.2f  %s   [%s]\n", "", s.peer_ms,
                    s.peer_ms > 0 ? s.window_ms / s.peer_ms : 0.0, s.peer_result.c_str(), s.peer.c_str());
        std::printf("%-40s longest wait of the UI thread for the lock %.1f ms (jobs running: %s)\n", "",
                    waits.longest[s.name], waits.running_at[s.name].c_str());
    }
    for (const char* suffix : {"", ".name", ".price", ".qty_price"}) std::remove((fields + suffix).c_str());
    std::remove(path.c_str());
    return 0;
}
