// The two browsers' views: built on the worker, handed over on the UI thread, dropped with
// their tree.
#include "shell/browser_pair.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <utility>

#include "foundation/number_format.h"
#include "runtime/app_clock.h"
#include "runtime/worker_pool.h"
#include "views/row_sort.h"
#include "views/value_counts.h"

namespace tessel {

namespace {

// A browser shows its progress text from begin_build until the build ends, however it ends.
class Building {
public:
    explicit Building(BrowserController& browser) : browser_(browser) {
        browser_.begin_build(AppClock::now());
    }
    ~Building() { browser_.end_build(); }
    Building(const Building&) = delete;
    Building& operator=(const Building&) = delete;

private:
    BrowserController& browser_;
};

}  // namespace

BrowserPair::BrowserPair(WorkerPool& pool, UiPoster* poster, Panes& panes)
    : pool_(pool), route_(poster), panes_(panes) {}

bool BrowserPair::build_tree_browser(NodeProvider* provider, Node* node, int32_t centre_child, Job* job) {
    if (!provider || !node) return false;
    const uint64_t generation = generation_;
    std::string message;
    std::shared_ptr<std::unique_ptr<View>> view;
    {
        Building building(tree_);
        view = std::make_shared<std::unique_ptr<View>>(tree_.build(*provider, *node, job, &message));
        if (centre_child == kSameNodeAgain) {
            for (const auto& [index, sort] : carried_sorts_) kept_sorts_[{node, index}] = sort;
            for (const auto& [index, filter] : carried_filters_) kept_filters_[{node, index}] = filter;
        }
        if (*view) apply_kept_sorts(*node, **view, job);
    }
    if (!message.empty()) panes_.status_message(message);
    route_.post([this, view, centre_child, generation] {
        if (generation != generation_) return;
        // The second browser may show a node made by the first one's view (a group of
        // repeated names lives in that view's arena): it goes first, and so does a sort of
        // either browser's table.
        pool_.stop_worker("sort");
        sorting_ = nullptr;
        table_.drop();
        panes_.view_changed(2, -1);
        tree_.take(std::move(*view));
        carried_sorts_.clear();
        carried_filters_.clear();
        panes_.view_changed(1, centre_child);
        if (panes_.table_browser_shown()) panes_.request_table_browser(tree_.layout().current().row);
    });
    return true;
}

bool BrowserPair::build_table_browser(Job* job) {
    const BrowserTarget target = table_browser_target(tree_);
    if (!target.node) {
        route_.post([this] {
            table_.drop();
            panes_.view_changed(2, -1);
        });
        return true;
    }
    const uint64_t generation = generation_, first_view = tree_.serial(), request = table_requests_;
    std::string message;
    std::shared_ptr<std::unique_ptr<View>> view;
    {
        Building building(table_);
        view = std::make_shared<std::unique_ptr<View>>(
            table_.build(tree_.view()->provider(), *target.node, job, &message));
        if (*view) apply_kept_sorts(*target.node, **view, job);
    }
    if (!message.empty()) panes_.status_message(message);
    route_.post([this, view, generation, first_view, request] {
        // Built from a first view that has been replaced since: its target may be gone. Or
        // value counts came meanwhile, and stay.
        if (generation != generation_ || first_view != tree_.serial() || request != table_requests_) return;
        value_source_ = {};
        // A sort of the first browser's table goes on; one of the table being replaced stops.
        if (sorting_ == &table_) {
            pool_.stop_worker("sort");
            sorting_ = nullptr;
        }
        table_.take(std::move(*view));
        panes_.view_changed(2, -1);
    });
    return true;
}

void BrowserPair::apply_kept_sorts(const Node& node, View& view, Job* job) {
    int32_t index = 0;
    for (const ViewItem& item : view.items()) {
        if (item.kind != ViewItem::Kind::table) continue;
        auto kept = kept_sorts_.find({&node, index++});
        if (kept == kept_sorts_.end() || kept->second.last_column >= item.table->column_count()) continue;
        SmallArena scratch;
        if (item.table->cell_text(0, kept->second.column, scratch) != kept->second.title) continue;
        run_sort(*item.table, kept->second.keys, job, nullptr);
    }
    index = 0;
    for (const ViewItem& item : view.items()) {
        if (item.kind != ViewItem::Kind::table) continue;
        auto kept = kept_filters_.find({&node, index++});
        if (kept == kept_filters_.end()) continue;
        const RowFilter& filter = kept->second.filter;
        if (filter.column >= item.table->column_count()) continue;
        SmallArena scratch;
        if (filter.column >= 0 && item.table->cell_text(0, filter.column, scratch) != kept->second.title) continue;
        FilterResult result;
        if (run_filter(*item.table, item.table->column_count(), filter, job, &result, nullptr))
            item.table->set_filter(filter, result.keep);
    }
}

void BrowserPair::filter(int number, int32_t table_index, const RowFilter& filter) {
    BrowserController& browser = this->browser(number);
    if (!browser.view() || table_index < 0 || table_index >= static_cast<int32_t>(browser.layout().tables().size()))
        return;
    const TableLayout& layout = browser.layout().tables()[static_cast<size_t>(table_index)];
    GridTable* table = layout.table;
    const CellPos current = browser.layout().current();
    const int32_t data_row = current.valid() && current.table == table_index ? layout.row_at(current.row) : 0;
    if (filter.keeps_all()) {
        // Nothing to look at: every row shows again at once, and a filter on its way stops.
        if (sorting_ == &browser) {
            pool_.stop_worker("sort");
            sorting_ = nullptr;
        }
        filter_applied(number, table_index, filter, data_row);
        return;
    }
    const uint64_t serial = browser.serial();
    sorting_ = &browser;
    pool_.run_job("sort", filter.text, [=, this](std::string_view, bool query) {
        if (query) return true;
        Job* job = pool_.current_job();
        if (job) job->set_status_text("Filtering rows");
        auto result = std::make_shared<FilterResult>();
        std::string error;
        const auto started = std::chrono::steady_clock::now();
        const bool usable = run_filter(*table, table->column_count(), filter, job, result.get(), &error);
        if (usable) {
            const double elapsed =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
            panes_.status_message("Filtered " + counted(table->row_count(), "row") + " to " +
                                  with_commas(result->kept) + " in " + format_duration(elapsed));
        }
        route_.post([=, this] {
            // A view replaced meanwhile took its table with it.
            if (this->browser(number).serial() != serial) return;
            if (!usable) {
                panes_.filtered(number, table_index, error);
                return;
            }
            table->set_filter(filter, result->keep);
            filter_applied(number, table_index, filter, data_row);
            if (result->given_up > 0)
                panes_.status_message(std::to_string(result->given_up) +
                                      " cells were too costly for the regular expression and count as not matching");
        });
        return true;
    });
}

void BrowserPair::filter_applied(int number, int32_t table_index, const RowFilter& filter, int32_t data_row) {
    BrowserController& browser = this->browser(number);
    GridTable* table = browser.layout().tables()[static_cast<size_t>(table_index)].table;
    const Node* shown = &browser.view()->selected();
    if (filter.keeps_all()) {
        table->clear_filter();
        kept_filters_.erase({shown, table_index});
    } else {
        SmallArena scratch;
        kept_filters_[{shown, table_index}] = {
            filter, filter.column >= 0 ? std::string(table->cell_text(0, filter.column, scratch)) : std::string()};
    }
    const CellPos current = browser.layout().current();
    if (current.valid() && current.table == table_index) {
        const int32_t display = data_row > 0 ? table->display_of_row(data_row) : 0;
        browser.layout().set_current({table_index, display > 0 ? display : 1, current.column});
    }
    panes_.filtered(number, table_index, {});
}

void BrowserPair::drop() {
    ++generation_;
    value_source_ = {};
    // The nodes go with the tree, and their sorts with them; those of the first browser's
    // tables are carried over for its node in the next tree. With no view (a tree dropped
    // twice before a view came), what was carried stays.
    if (tree_.view()) {
        carried_sorts_.clear();
        carried_filters_.clear();
        const Node* shown = &tree_.view()->selected();
        for (const auto& [key, sort] : kept_sorts_)
            if (key.first == shown) carried_sorts_.emplace_back(key.second, sort);
        for (const auto& [key, filter] : kept_filters_)
            if (key.first == shown) carried_filters_.emplace_back(key.second, filter);
    }
    kept_sorts_.clear();
    kept_filters_.clear();
    // A sort works on a table of these views: it stops first.
    pool_.stop_worker("sort");
    sorting_ = nullptr;
    table_.drop();
    tree_.drop();
    panes_.view_changed(2, -1);
    panes_.view_changed(1, -1);
}

void BrowserPair::sort(int number, int32_t table_index, int32_t column, std::string_view direction) {
    BrowserController& browser = this->browser(number);
    if (!browser.view() || table_index < 0 ||
        table_index >= static_cast<int32_t>(browser.layout().tables().size()))
        return;
    const TableLayout& layout = browser.layout().tables()[static_cast<size_t>(table_index)];
    GridTable* table = layout.table;
    // The data row under the current cell, to find again in the new order.
    const CellPos current = browser.layout().current();
    const int32_t data_row = current.valid() && current.table == table_index ? layout.row_at(current.row) : -1;
    const uint64_t serial = browser.serial();
    const Node* shown = &browser.view()->selected();
    sorting_ = &browser;
    const std::string argument = std::to_string(column) + std::string(direction);
    pool_.run_job("sort", argument, [=, this](std::string_view column_text, bool query) {
        if (query) return true;
        std::string message;
        const bool sorted = run_sort(*table, column_text, pool_.current_job(), &message);
        if (!message.empty()) panes_.status_message(message);
        if (!sorted) return false;
        route_.post([=, this] {
            BrowserController& browser = this->browser(number);
            // A view replaced meanwhile took its table with it.
            if (browser.serial() != serial) return;
            SmallArena scratch;
            const std::vector<SortSpec> keys = table->sort_keys();
            int32_t last_column = 0;
            for (const SortSpec& key : keys) last_column = std::max(last_column, key.column);
            kept_sorts_[{shown, table_index}] = {sort_keys_text(keys), table->sort_column(), last_column,
                                                 std::string(table->cell_text(0, table->sort_column(), scratch))};
            // Unless the user moved it meanwhile, the current cell follows its row.
            if (data_row > 0 && browser.layout().current() == current)
                browser.layout().set_current({table_index, table->display_of_row(data_row), current.column});
            panes_.sorted(number);
        });
        return true;
    });
}

bool BrowserPair::describe_column(int number, int32_t table_index, int32_t column) {
    BrowserController& browser = this->browser(number);
    if (!browser.view() || table_index < 0 || table_index >= static_cast<int32_t>(browser.layout().tables().size()))
        return false;
    GridTable* table = browser.layout().tables()[static_cast<size_t>(table_index)].table;
    if (column < 0 || column >= table->column_count() || pool_.job_elapsed_ms("sort") >= 0) return false;
    const uint64_t serial = browser.serial();
    // Like a sort, it reads the table: replacing the view stops it first.
    sorting_ = &browser;
    pool_.run_job("sort", std::to_string(column), [=, this](std::string_view, bool query) {
        if (query) return true;
        auto stats = std::make_shared<ColumnStats>(column_stats(*table, column, pool_.current_job(), kDescribedValues));
        SmallArena scratch;
        std::string header(table->cell_text(0, column, scratch));
        route_.post([=, this] {
            // A view replaced meanwhile took its table with it.
            if (this->browser(number).serial() == serial) panes_.column_described(*stats, header);
        });
        return true;
    });
    return true;
}

bool BrowserPair::value_counts(int32_t table_index, int32_t column) {
    if (!tree_.view() || table_index < 0 || table_index >= static_cast<int32_t>(tree_.layout().tables().size()))
        return false;
    GridTable* table = tree_.layout().tables()[static_cast<size_t>(table_index)].table;
    if (column < 0 || column >= table->column_count()) return false;
    const uint64_t first_view = tree_.serial();
    View* counted_view = tree_.view();
    sorting_ = &tree_;
    pool_.run_job("sort", std::to_string(column), [=, this](std::string_view, bool query) {
        if (query) return true;
        Job* job = pool_.current_job();
        const auto started = std::chrono::steady_clock::now();
        const ColumnStats stats = column_stats(*table, column, job);
        SmallArena scratch;
        const std::string header(table->cell_text(0, column, scratch));
        auto view = std::make_shared<std::unique_ptr<View>>(
            value_count_view(counted_view->provider(), counted_view->selected(), stats, header, job));
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        panes_.status_message("Counted " + counted(stats.distinct, "distinct value") + " in " + format_duration(elapsed));
        route_.post([=, this] {
            if (first_view != tree_.serial()) return;
            // A build of the second browser on its way is dropped when it arrives.
            ++table_requests_;
            table_.take(std::move(*view));
            value_source_ = {first_view, table_index, column};
            panes_.view_changed(2, -1);
        });
        return true;
    });
    return true;
}

bool BrowserPair::choose_value(int32_t row) {
    if (!shows_value_counts() || value_source_.first_view != tree_.serial() || table_.layout().tables().empty())
        return false;
    GridTable& counts = *table_.layout().tables()[0].table;
    if (row < 1 || row > counts.row_count()) return false;
    SmallArena scratch;
    RowFilter exact{std::string(counts.cell_text(row, kValueColumn, scratch)), RowFilter::Match::exact,
                    value_source_.column};
    filter(1, value_source_.table, exact);
    return true;
}

void BrowserPair::tree_browser_current_changed() {
    if (panes_.table_browser_shown()) panes_.request_table_browser(tree_.layout().current().row);
}

void BrowserPair::table_browser_shown_again() {
    if (tree_.view()) panes_.request_table_browser(tree_.layout().current().row);
}

}  // namespace tessel
