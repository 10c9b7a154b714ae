// The two browsers without a window: views that arrive after their tree or their first view
// has gone are dropped, one selection rebuilds both browsers, and sorts reach the browser
// whose header was clicked.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/arena.h"
#include "foundation/job.h"
#include "parse/xml_parser.h"
#include "runtime/worker_pool.h"
#include "shell/browser_pair.h"
#include "tests/runtime/test_event_loop.h"
#include "tests/seams/fixed_advance_shaper.h"

namespace tessel {
namespace {

// Hand-overs wait here until the test runs them, in the order it chooses.
class QueuedPoster final : public UiPoster {
public:
    void post(std::function<void()> closure) override { queue.push_back(std::move(closure)); }
    bool on_ui_thread() const override { return false; }
    void run_all() {
        while (!queue.empty()) {
            auto closure = std::move(queue.front());
            queue.pop_front();
            closure();
        }
    }
    std::deque<std::function<void()>> queue;
};

// The window's part: lays a browser out as its widget would and records what it was told.
class RecordingPanes final : public BrowserPair::Panes {
public:
    void view_changed(int browser, int32_t centre_child) override {
        BrowserController& b = pair->browser(browser);
        b.layout().lay_out(b.view(), shaper, 16, 18);
        if (centre_child >= 0) b.layout().set_current(b.layout().position_of_child(centre_child));
        changes.push_back(browser);
    }
    void sorted(int browser) override {
        BrowserController& b = pair->browser(browser);
        b.layout().lay_out(b.view(), shaper, 16, 18, true);
        sorts.push_back(browser);
    }
    bool table_browser_shown() const override { return shown; }
    void request_table_browser(int32_t row) override { requests.push_back(row); }
    void status_message(std::string_view text) override { messages.emplace_back(text); }

    BrowserPair* pair = nullptr;
    test::FixedAdvanceShaper shaper;
    bool shown = true;
    std::vector<int> changes;
    std::vector<int32_t> requests;
    std::vector<int> sorts;
    std::vector<std::string> messages;
};

constexpr const char* kCatalogue =
    "<doc><item id='3'><part n='a'/><part n='b'/></item><item id='1'/><item id='2'/></doc>";

// Hand-overs go to the test's queue, or without one to an event loop that shares the lock
// with the workers as the window's does.
struct Browsers {
    explicit Browsers(QueuedPoster* queued)
        : loop(queued ? nullptr : std::make_unique<TestEventLoop>(pool)),
          pair(pool, queued ? static_cast<UiPoster*>(queued) : loop.get(), panes) {
        panes.pair = &pair;
        tree = parse_xml(kCatalogue);
        provider = std::make_unique<TreeNodeProvider>(tree.get());
    }
    Node* doc() { return tree->root()->child(0); }
    // The node the second browser shows, or null.
    const Node* table_browser_node() {
        View* view = pair.table_browser().view();
        return view ? &view->selected() : nullptr;
    }

    WorkerPool pool;
    std::unique_ptr<TestEventLoop> loop;
    RecordingPanes panes;
    BrowserPair pair;
    std::unique_ptr<DocumentTree> tree;
    std::unique_ptr<TreeNodeProvider> provider;
    QuietJob job;
};

TEST(BrowserPair, AViewBuiltBeforeADropIsDroppedUnseen) {
    QueuedPoster poster;
    Browsers b(&poster);
    ASSERT_TRUE(b.pair.build_tree_browser(b.provider.get(), b.doc(), -1, &b.job));
    ASSERT_EQ(poster.queue.size(), 1u);
    // A new tree came in while the view was on its way.
    b.pair.drop();
    b.panes.changes.clear();
    poster.run_all();
    EXPECT_EQ(b.pair.tree_browser().view(), nullptr);
    EXPECT_TRUE(b.panes.changes.empty());
    EXPECT_TRUE(b.panes.requests.empty());
    // Without a node nothing is built or posted.
    EXPECT_FALSE(b.pair.build_tree_browser(b.provider.get(), nullptr, -1, &b.job));
    EXPECT_TRUE(poster.queue.empty());
}

TEST(BrowserPair, ASecondBrowserViewBuiltFromAReplacedFirstViewIsDropped) {
    QueuedPoster poster;
    Browsers b(&poster);
    b.pair.build_tree_browser(b.provider.get(), b.doc(), -1, &b.job);
    poster.run_all();
    ASSERT_NE(b.pair.tree_browser().view(), nullptr);
    // The first item's row: its second browser shows that item.
    b.pair.tree_browser().layout().set_current({0, 1, 0});
    ASSERT_TRUE(b.pair.build_table_browser(&b.job));
    // Meanwhile the first browser takes a new view of the same node.
    b.pair.build_tree_browser(b.provider.get(), b.doc(), -1, &b.job);
    std::function<void()> stale = std::move(poster.queue.front());
    poster.queue.pop_front();
    poster.run_all();
    stale();
    EXPECT_EQ(b.pair.table_browser().view(), nullptr);
    // Built again from the view now shown, it arrives.
    b.pair.tree_browser().layout().set_current({0, 1, 0});
    b.pair.build_table_browser(&b.job);
    poster.run_all();
    EXPECT_EQ(b.table_browser_node(), b.doc()->child(0));
}

TEST(BrowserPair, OneSelectionRebuildsBothBrowsersInOneStep) {
    QueuedPoster poster;
    Browsers b(&poster);
    b.pair.build_tree_browser(b.provider.get(), b.doc(), -1, &b.job);
    poster.run_all();
    b.pair.tree_browser().layout().set_current({0, 1, 0});
    b.pair.build_table_browser(&b.job);
    poster.run_all();
    ASSERT_NE(b.pair.table_browser().view(), nullptr);
    b.panes.changes.clear();
    b.panes.requests.clear();
    // A new selection: the second browser goes in the same step as the first takes its view,
    // and is asked for again, for the row of the child to centre on (the third item).
    b.pair.build_tree_browser(b.provider.get(), b.doc(), 2, &b.job);
    poster.run_all();
    EXPECT_EQ(b.pair.table_browser().view(), nullptr);
    EXPECT_EQ(b.panes.changes, (std::vector<int>{2, 1}));
    EXPECT_EQ(b.panes.requests, (std::vector<int32_t>{3}));
    // The current cell moves: the second browser follows while it shows, and not while hidden.
    b.pair.tree_browser().layout().set_current({0, 2, 0});
    b.pair.tree_browser_current_changed();
    b.panes.shown = false;
    b.pair.tree_browser_current_changed();
    b.pair.build_tree_browser(b.provider.get(), b.doc(), -1, &b.job);
    poster.run_all();
    EXPECT_EQ(b.panes.requests, (std::vector<int32_t>{3, 2}));
    // Shown again, it is built for the current row.
    b.pair.table_browser_shown_again();
    EXPECT_EQ(b.panes.requests.size(), 3u);
}

TEST(BrowserPair, SortsReachTheirBrowserAndTheSecondBrowserFollowsTheSortedRow) {
    Browsers b(nullptr);
    BrowserPair& pair = b.pair;
    TestEventLoop& loop = *b.loop;
    pair.build_tree_browser(b.provider.get(), b.doc(), -1, &b.job);
    ASSERT_TRUE(loop.run_until([&] { return pair.tree_browser().view() != nullptr; }));
    const TableLayout& items = pair.tree_browser().layout().tables().at(0);
    int32_t id_column = -1;
    SmallArena scratch;
    for (int32_t c = 0; c < items.columns(); ++c)
        if (look_of_cell(*items.table, 0, c, scratch).text == "id") id_column = c;
    ASSERT_GE(id_column, 0);
    pair.sort(1, 0, id_column, ":desc");
    ASSERT_TRUE(loop.run_until([&] { return !b.panes.sorts.empty(); }));
    EXPECT_EQ(b.panes.sorts, (std::vector<int>{1}));
    ASSERT_FALSE(b.panes.messages.empty());
    EXPECT_EQ(b.panes.messages.back().rfind("Sorted 3 rows in ", 0), 0u) << b.panes.messages.back();
    // The top row is now the item with id 3 (the document's first): the second browser shows
    // its parts. Then the last row, id 1 (the document's second item).
    pair.tree_browser().layout().set_current({0, 1, id_column});
    pair.build_table_browser(&b.job);
    ASSERT_TRUE(loop.run_until([&] { return pair.table_browser().view() != nullptr; }));
    EXPECT_EQ(b.table_browser_node(), b.doc()->child(0));
    // A sort of the second browser's table reaches the second browser.
    const int32_t last_column = pair.table_browser().layout().tables().at(0).columns() - 1;
    ASSERT_GE(last_column, 1);
    pair.sort(2, 0, last_column, "");
    ASSERT_TRUE(loop.run_until([&] { return b.panes.sorts.size() == 2; }));
    EXPECT_EQ(b.panes.sorts.back(), 2);
    pair.tree_browser().layout().set_current({0, 3, id_column});
    b.panes.changes.clear();
    pair.build_table_browser(&b.job);
    ASSERT_TRUE(loop.run_until([&] { return !b.panes.changes.empty(); }));
    EXPECT_EQ(b.table_browser_node(), b.doc()->child(1));
}

// The data row under the current cell, and the document child it stands for.
int32_t current_child(BrowserController& browser) {
    const CellPos cell = browser.layout().current();
    const TableLayout& t = browser.layout().tables().at(static_cast<size_t>(cell.table));
    return t.table->first_child() + t.row_at(cell.row) - 1;
}

TEST(BrowserPair, TheCurrentRowFollowsItsDataThroughASortAndASortOutlivesDrilling) {
    Browsers b(nullptr);
    BrowserPair& pair = b.pair;
    TestEventLoop& loop = *b.loop;
    pair.build_tree_browser(b.provider.get(), b.doc(), -1, &b.job);
    ASSERT_TRUE(loop.run_until([&] { return pair.tree_browser().view() != nullptr; }));
    BrowserLayout& layout = pair.tree_browser().layout();
    int32_t id_column = -1;
    SmallArena scratch;
    for (int32_t c = 0; c < layout.tables().at(0).columns(); ++c)
        if (look_of_cell(*layout.tables().at(0).table, 0, c, scratch).text == "id") id_column = c;
    ASSERT_GE(id_column, 0);
    // On the second row (id 1), sorted by id: id 1 comes first, and the current row with it.
    layout.set_current({0, 2, id_column});
    ASSERT_EQ(current_child(pair.tree_browser()), 1);
    pair.sort(1, 0, id_column, ":asc");
    ASSERT_TRUE(loop.run_until([&] { return !b.panes.sorts.empty(); }));
    EXPECT_EQ(layout.current(), (CellPos{0, 1, id_column}));
    EXPECT_EQ(current_child(pair.tree_browser()), 1);
    // Descending: id 1 goes last.
    pair.sort(1, 0, id_column, ":desc");
    ASSERT_TRUE(loop.run_until([&] { return b.panes.sorts.size() == 2; }));
    EXPECT_EQ(layout.current(), (CellPos{0, 3, id_column}));
    EXPECT_EQ(current_child(pair.tree_browser()), 1);

    // Drilling down to the first item and back up builds the document's view anew: it comes
    // sorted as it was, its current row on the item drilled from.
    b.panes.changes.clear();
    pair.build_tree_browser(b.provider.get(), b.doc()->child(0), -1, &b.job);
    ASSERT_TRUE(loop.run_until([&] { return pair.tree_browser().view() && &pair.tree_browser().view()->selected() == b.doc()->child(0); }));
    pair.build_tree_browser(b.provider.get(), b.doc(), 0, &b.job);
    ASSERT_TRUE(loop.run_until([&] { return pair.tree_browser().view() && &pair.tree_browser().view()->selected() == b.doc(); }));
    const GridTable& table = *pair.tree_browser().layout().tables().at(0).table;
    EXPECT_TRUE(table.is_sorted());
    EXPECT_EQ(table.sort_column(), id_column);
    EXPECT_FALSE(table.sort_ascending());
    // Item 0 (id 3) is first in descending order.
    EXPECT_EQ(pair.tree_browser().layout().current().row, 1);
    EXPECT_EQ(current_child(pair.tree_browser()), 0);
    // A new tree forgets the sorts.
    pair.drop();
    pair.build_tree_browser(b.provider.get(), b.doc(), -1, &b.job);
    ASSERT_TRUE(loop.run_until([&] { return pair.tree_browser().view() != nullptr; }));
    EXPECT_FALSE(pair.tree_browser().layout().tables().at(0).table->is_sorted());
}

}  // namespace
}  // namespace tessel
