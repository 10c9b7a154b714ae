// BrowserPair: the two browsers and how they follow each other, without their widgets. The
// first ("Tree Selection Browser") shows the children of the tree's selection; the second
// ("Table Selection Browser") shows what the first one's current cell stands for. Views are
// built on the "view" worker and handed to the UI thread, where a view built on a tree that
// has gone since, or from a first view that has been replaced, is dropped unseen. Header
// sorts run on the "sort" worker. The window turns events into calls here and repaints what
// it is told to, so every staleness rule is tested without a window.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "seams/ui_poster.h"
#include "views/browser_controller.h"
#include "views/column_stats.h"
#include "views/row_filter.h"

namespace tessel {

class Job;
class Node;
class NodeProvider;
class WorkerPool;

class BrowserPair {
public:
    // What the pair asks of the window.
    class Panes {
    public:
        virtual ~Panes() = default;
        // UI thread: a browser took a new view or lost its view. centre_child >= 0 puts the
        // current row on that child of the shown node and keeps it in the middle.
        virtual void view_changed(int browser, int32_t centre_child) = 0;
        // UI thread: a table of the browser was sorted; its rows are laid out again.
        virtual void sorted(int browser) = 0;
        // Whether the "Table Selection Browser" shows: it is built only then.
        virtual bool table_browser_shown() const = 0;
        // UI thread: the second browser is to show what the first one's current row stands
        // for; the window runs "apply_scroll_selection", which comes back to
        // build_table_browser on the "view" worker.
        virtual void request_table_browser(int32_t row) = 0;
        // From the worker, lock held: what a build or sort reports ("sorted N rows: ...").
        virtual void status_message(std::string_view text) = 0;
        // UI thread: the statistics describe_column worked out, with the column's header.
        virtual void column_described(const ColumnStats& /*stats*/, std::string_view /*header*/) {}
        // UI thread: a table of the browser shows the rows of a new filter, or every row again
        // (error empty); or the filter could not be used and nothing changed (error says why).
        virtual void filtered(int /*browser*/, int32_t /*table*/, std::string_view /*error*/) {}
    };

    // poster reaches the UI thread (null: hand-overs run at once, as in batch use).
    BrowserPair(WorkerPool& pool, UiPoster* poster, Panes& panes);
    BrowserPair(const BrowserPair&) = delete;
    BrowserPair& operator=(const BrowserPair&) = delete;

    // 1: the "Tree Selection Browser", 2: the "Table Selection Browser".
    BrowserController& browser(int number) { return number == 1 ? tree_ : table_; }
    BrowserController& tree_browser() { return tree_; }
    BrowserController& table_browser() { return table_; }

    // centre_child for the node shown before a new parse of the text, shown again: its tables
    // are sorted and filtered as the last view's were, and the window puts the current cell
    // back where it was.
    static constexpr int32_t kSameNodeAgain = -2;
    // On the "view" worker, lock held: builds the first browser's view of node and posts its
    // hand-over, which drops the second browser in the same step and asks for it again. False
    // (nothing built) without a node or provider.
    bool build_tree_browser(NodeProvider* provider, Node* node, int32_t centre_child, Job* job);
    // On the "view" worker: the second browser's view of table_browser_target, or nothing.
    bool build_table_browser(Job* job);
    // UI thread: both browsers show nothing, a sort of their tables stops, and every view
    // still on its way is dropped when it arrives. Comes with each new tree or document.
    void drop();
    // UI thread: sorts one table of a browser on the "sort" worker; direction is "",
    // ":asc" or ":desc". A table that is not shown is ignored. The current row stays on the
    // same data row wherever the sort puts it, and the sort is kept for the node the view
    // shows: a later view of that node (after drilling away and back) is sorted the same way
    // before it is shown, until the next tree comes.
    void sort(int browser, int32_t table, int32_t column, std::string_view direction);
    // UI thread: works out the statistics of a column of a shown table on the "sort" worker
    // and hands them to column_described, unless the view is replaced first. A sort in
    // progress is not disturbed: nothing starts then, and the result is false.
    bool describe_column(int browser, int32_t table, int32_t column);
    // UI thread: shows only the rows of a shown table that filter keeps, found on the "sort"
    // worker (a sort or description running there is cancelled first). The sort order stays,
    // the current cell stays on its data row while that row is shown (else goes to the first
    // row), and the filter is kept for the node as a sort is. A filter that keeps every row
    // clears the table's filter at once. Ends in Panes::filtered, unless the view goes first.
    void filter(int browser, int32_t table, const RowFilter& filter);
    // UI thread: counts every value of a column of the first browser's shown table on the
    // "sort" worker and shows the counts in the second browser, which keeps them until it is
    // built again for the first browser's current cell. False when there is no such column.
    bool value_counts(int32_t table, int32_t column);
    // Whether the second browser shows value counts.
    bool shows_value_counts() const { return value_source_.table >= 0 && table_.view(); }
    // UI thread: the value on row `row` (a data row) of the value counts filters the counted
    // table to the rows whose cell is exactly that value. False when the counts' table is gone.
    bool choose_value(int32_t row);
    // How many of the most frequent values a description keeps.
    static constexpr size_t kDescribedValues = 10;
    // UI thread: the first browser's current cell moved; the second follows while it shows.
    void tree_browser_current_changed();
    // UI thread: the second browser's pane was shown again; it is built for the current cell.
    void table_browser_shown_again();

private:
    // The sort last made of each table, by the node its view shows and the table's place
    // among the view's tables.
    struct KeptSort {
        // The keys, as run_sort reads them ("2:asc,0:desc").
        std::string keys;
        int32_t column;  // the first key's column
        int32_t last_column;  // the highest column of a key
        // The column's title: a sort is made again only on a table that has it there.
        std::string title;
    };
    // On the worker, lock held: sorts and filters the tables of a new view of node as they
    // were sorted and filtered.
    void apply_kept_sorts(const Node& node, View& view, Job* job);
    // UI thread: the table now shows `filter`'s rows; the current cell follows data_row.
    void filter_applied(int number, int32_t table_index, const RowFilter& filter, int32_t data_row);

    WorkerPool& pool_;
    UiRoute route_;
    Panes& panes_;
    BrowserController tree_{1};
    BrowserController table_{2};
    // Counts the drops: a view built before the latest one belongs to a tree that has gone.
    uint64_t generation_ = 0;
    // The browser whose table the "sort" worker sorts, if any.
    BrowserController* sorting_ = nullptr;
    std::map<std::pair<const Node*, int32_t>, KeptSort> kept_sorts_;
    // The filter of each table, kept as sorts are; a filter names its column by title too.
    struct KeptFilter {
        RowFilter filter;
        std::string title;  // the filtered column's title; empty for every column
    };
    std::map<std::pair<const Node*, int32_t>, KeptFilter> kept_filters_;
    // The sorts and filters of the first browser's tables when its tree went, by table: for
    // the same node in the next tree (kSameNodeAgain). Kept until a first view is taken.
    std::vector<std::pair<int32_t, KeptSort>> carried_sorts_;
    std::vector<std::pair<int32_t, KeptFilter>> carried_filters_;
    // What the second browser's value counts count: the first browser's view (its serial),
    // the table and the column; table -1 when the second browser shows no counts.
    struct ValueSource {
        uint64_t first_view = 0;
        int32_t table = -1;
        int32_t column = -1;
    };
    ValueSource value_source_;
    // Counts the second browser's views asked for: a build started before the counts were
    // shown does not replace them when it arrives.
    uint64_t table_requests_ = 0;
};

}  // namespace tessel
