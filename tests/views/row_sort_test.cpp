// Tests of row sorting through an in-memory table: directions, empty cells, ties, the
// message, bad column texts, cancellation and progress, and the merge sort against
// std::stable_sort with the same comparison.
#include "views/row_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "foundation/number_format.h"

namespace tessel {
namespace {

// A table held as texts; std::nullopt is an empty cell. Odd rows hand out their text built
// in the sort's arena, as a table that formats its display text would, so keys that were
// not copied out of it would show the arena's fill bytes.
class MemoryTable : public SortableTable {
public:
    explicit MemoryTable(std::vector<std::vector<std::optional<std::string>>> rows)
        : rows_(std::move(rows)) {}

    int32_t row_count() const override { return static_cast<int32_t>(rows_.size()); }
    bool cell_text(int32_t row, int32_t column, Arena& arena, std::string_view* text) override {
        const auto& cells = rows_.at(row - 1);
        if (column >= static_cast<int32_t>(cells.size()) || !cells[column]) return false;
        const std::string& cell = *cells[column];
        if (row % 2) {
            *text = {arena.copy_text(cell.data(), static_cast<uint32_t>(cell.size())), cell.size()};
        } else {
            *text = cell;
        }
        return true;
    }
    int32_t sort_column() const override { return column_; }
    bool sort_ascending() const override { return ascending_; }
    void set_sorted(int32_t column, bool ascending, std::span<const int32_t> order) override {
        column_ = column;
        ascending_ = ascending;
        order_.assign(order.begin(), order.end());
        ++stored_;
    }

    // The texts of a column in the stored display order ("-" for an empty cell).
    std::vector<std::string> shown(int32_t column) const {
        std::vector<std::string> texts;
        for (int32_t row : order_) {
            const auto& cell = rows_[row - 1][column];
            texts.push_back(cell ? *cell : "-");
        }
        return texts;
    }

    std::vector<std::vector<std::optional<std::string>>> rows_;
    int32_t column_ = -1;
    bool ascending_ = true;
    std::vector<int32_t> order_;
    int stored_ = 0;
};

MemoryTable one_column(const std::vector<std::optional<std::string>>& cells) {
    std::vector<std::vector<std::optional<std::string>>> rows;
    for (const auto& cell : cells) rows.push_back({cell});
    return MemoryTable(rows);
}

std::string sort_by(MemoryTable& table, std::string_view column, Job* job = nullptr) {
    std::string message;
    QuietJob quiet;
    run_sort(table, column, job ? job : &quiet, &message);
    return message;
}

using Texts = std::vector<std::string>;

TEST(RowSort, SameColumnTwiceReversesAnotherColumnStartsAscending) {
    MemoryTable table({{"item10", "b"}, {"item2", "c"}, {"Item1", "a"}, {"item3", "d"}});
    sort_by(table, "0");
    EXPECT_EQ(table.shown(0), (Texts{"Item1", "item2", "item3", "item10"}));
    EXPECT_TRUE(table.ascending_);
    sort_by(table, "0");
    EXPECT_EQ(table.shown(0), (Texts{"item10", "item3", "item2", "Item1"}));
    EXPECT_FALSE(table.ascending_);
    sort_by(table, "0");
    EXPECT_EQ(table.shown(0), (Texts{"Item1", "item2", "item3", "item10"}));
    // Column 1 after a descending sort of column 0: ascending again.
    sort_by(table, "0");
    sort_by(table, "1");
    EXPECT_EQ(table.column_, 1);
    EXPECT_TRUE(table.ascending_);
    EXPECT_EQ(table.shown(1), (Texts{"a", "b", "c", "d"}));
    EXPECT_EQ(table.stored_, 5);
}

TEST(RowSort, EmptyCellsGoLastInBothDirections) {
    MemoryTable table = one_column({std::nullopt, "b", std::nullopt, "a", "c", std::nullopt});
    sort_by(table, "0");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{4, 2, 5, 1, 3, 6}));
    sort_by(table, "0");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{5, 2, 4, 1, 3, 6}));
    // A column the rows do not reach is empty everywhere: document order both ways.
    sort_by(table, "7");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
    sort_by(table, "7");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
}

TEST(RowSort, TiesKeepDocumentOrderInBothDirections) {
    // Rows 2, 3 and 5 are equal ("Item2", "item2", "item02"), as are rows 1 and 6.
    MemoryTable table = one_column({"x", "Item2", "item2", "item10", "item02", "X"});
    sort_by(table, "0");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{2, 3, 5, 4, 1, 6}));
    sort_by(table, "0");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{1, 6, 4, 2, 3, 5}));
    // A named direction holds whatever the last sort was.
    sort_by(table, "0:desc");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{1, 6, 4, 2, 3, 5}));
    sort_by(table, "0:asc");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{2, 3, 5, 4, 1, 6}));
    sort_by(table, "0:asc");
    EXPECT_EQ(table.order_, (std::vector<int32_t>{2, 3, 5, 4, 1, 6}));
}

// The row count of a message "Sorted N rows in D" (D a duration as every message writes it,
// "N row" for one); -1 when the message has another form.
int64_t sorted_rows(const std::string& message) {
    const std::string lead = "Sorted ";
    size_t in = message.find(" in ");
    if (message.rfind(lead, 0) != 0 || in == std::string::npos) return -1;
    std::string counted_rows = message.substr(lead.size(), in - lead.size());
    const std::string duration = message.substr(in + 4);
    size_t blank = counted_rows.find(' ');
    if (blank == std::string::npos) return -1;
    std::string count = counted_rows.substr(0, blank);
    std::erase(count, ',');
    if (count.empty() || !std::all_of(count.begin(), count.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    const int64_t rows = std::stoll(count);
    if (counted_rows != counted(rows, "row")) return -1;
    // The duration reads as format_duration writes one.
    const double value = std::atof(duration.c_str());
    if (duration != format_duration(value) && duration != format_duration(value * 1000)) return -1;
    return rows;
}

TEST(RowSort, MessageCountsRowsAndDuration) {
    MemoryTable one = one_column({"only"});
    std::string message = sort_by(one, "0");
    EXPECT_EQ(sorted_rows(message), 1) << message;
    EXPECT_EQ(message.rfind("Sorted 1 row in ", 0), 0u) << message;
    EXPECT_EQ(one.order_, (std::vector<int32_t>{1}));
    EXPECT_EQ(one.stored_, 1);

    MemoryTable three = one_column({"c", "b", "a"});
    message = sort_by(three, "0");
    EXPECT_EQ(sorted_rows(message), 3) << message;
    EXPECT_EQ(sorted_rows("Sorted 3 rows in 1.50 milliseconds"), 3);
    EXPECT_EQ(sorted_rows("sorted 3 rows: 1.5"), -1);
    EXPECT_EQ(sorted_rows("Sorted 3 rows in 1.5"), -1);
    EXPECT_EQ(sorted_rows("Sorted 3 row in 1.50 milliseconds"), -1);
}

TEST(RowSort, UnparsableColumnSortsNothing) {
    MemoryTable table = one_column({"b", "a"});
    for (std::string_view text : {"", "x", "-1", "+1", "1a", " 1", "2147483648", "99999999999"}) {
        std::string message;
        QuietJob job;
        EXPECT_FALSE(run_sort(table, text, &job, &message));
        EXPECT_EQ(message, "cannot sort: \"" + std::string(text) + "\" is not a column number");
    }
    EXPECT_EQ(table.stored_, 0);
    std::string message;
    EXPECT_TRUE(run_sort(table, "0", nullptr, &message));
    EXPECT_EQ(table.order_, (std::vector<int32_t>{2, 1}));
}

// Records what the sort reports; throws JobCancelled at the given yield point (1-based).
class RecordingJob : public Job {
public:
    explicit RecordingJob(int cancel_at = 0) : cancel_at_(cancel_at) {}
    void set_progress(int percent) override { progress.push_back(percent); }
    void set_status_text(std::string_view text) override { status = text; }
    void yield_point() override {
        if (++yields == cancel_at_) throw JobCancelled();
    }
    std::vector<int> progress;
    std::string status;
    int yields = 0;

private:
    int cancel_at_;
};

MemoryTable random_table(int rows, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::optional<std::string>> cells;
    for (int i = 0; i < rows; ++i) {
        if (rng() % 10 == 0)
            cells.push_back(std::nullopt);
        else
            cells.push_back("item" + std::to_string(rng() % 1000));
    }
    return one_column(cells);
}

TEST(RowSort, ProgressRisesThroughBothPassesToTheEnd) {
    MemoryTable table = random_table(5000, 1);
    RecordingJob job;
    std::string message;
    ASSERT_TRUE(run_sort(table, "0", &job, &message));
    EXPECT_EQ(job.status, "sorting");
    ASSERT_FALSE(job.progress.empty());
    EXPECT_TRUE(std::is_sorted(job.progress.begin(), job.progress.end()));
    EXPECT_GE(job.progress.front(), 0);
    EXPECT_EQ(job.progress.back(), 100);
    // Both the key pass (below 50) and the sort (above it) report, each about every 256
    // steps: 19 updates for 5 000 rows, and far more for the comparisons.
    auto keys_pass =
        std::count_if(job.progress.begin(), job.progress.end(), [](int p) { return p < 50; });
    auto sort_pass = std::count_if(job.progress.begin(), job.progress.end(),
                                   [](int p) { return p > 50 && p < 100; });
    EXPECT_EQ(keys_pass, 19);
    EXPECT_GT(sort_pass, 100);
    EXPECT_GT(job.yields, 19 + 100);
}

TEST(RowSort, CancellationStoresNothing) {
    MemoryTable table = random_table(3000, 2);
    // At the first yield point (while building keys) and at a late one (inside the sort).
    for (int cancel_at : {1, 50}) {
        RecordingJob job(cancel_at);
        std::string message = "unchanged";
        EXPECT_THROW(run_sort(table, "0", &job, &message), JobCancelled);
        EXPECT_EQ(job.yields, cancel_at);
        EXPECT_EQ(message, "unchanged");
        EXPECT_EQ(table.stored_, 0);
        EXPECT_EQ(table.column_, -1);
    }
    RecordingJob job;
    EXPECT_TRUE(run_sort(table, "0", &job, nullptr));
    EXPECT_EQ(table.stored_, 1);
}

TEST(RowSort, SortedOrderMatchesTheComparison) {
    // Every neighbour pair of a larger random sort is in order, and the order is a
    // permutation of the rows.
    MemoryTable table = random_table(4000, 3);
    for (int pass = 0; pass < 2; ++pass) {
        sort_by(table, "0");
        std::vector<int32_t> rows = table.order_;
        std::sort(rows.begin(), rows.end());
        std::vector<int32_t> all(4000);
        std::iota(all.begin(), all.end(), 1);
        EXPECT_EQ(rows, all);
        LargeArena arena;
        SortKeys keys(arena);
        keys.reset(4000);
        for (int32_t row = 1; row <= 4000; ++row) {
            const auto& cell = table.rows_[row - 1][0];
            if (cell) keys.set(row, *cell);
        }
        for (size_t i = 1; i < table.order_.size(); ++i)
            ASSERT_LT(compare_rows(keys, keys[table.order_[i - 1]], keys[table.order_[i]],
                                   table.ascending_),
                      0);
    }
}

}  // namespace
}  // namespace tessel

namespace tessel {
namespace {

// Sorting by several columns: every neighbouring pair of rows is in order by the first key
// that tells them apart (natural order, either direction, empty cells last), and rows no key
// tells apart keep their document order. Few distinct values make ties the common case; the
// large table sorts on two threads.
TEST(RowSort, SeveralKeysOrderEachPairByTheFirstKeyThatDiffers) {
    std::mt19937 random(5);
    const char* const words[] = {"a2", "A10", "b", "a10", "1.5", "1.25", "x"};
    for (const int rows : {300, 70000}) {
        std::vector<std::vector<std::optional<std::string>>> cells(static_cast<size_t>(rows));
        for (auto& row : cells)
            for (int c = 0; c < 3; ++c)
                row.push_back(random() % 6 == 0 ? std::nullopt : std::optional<std::string>(words[random() % 7]));
        MemoryTable table(cells);
        const std::vector<SortSpec> keys{{2, false}, {0, true}, {1, false}};
        ASSERT_NE(sort_by(table, "2:desc,0,1:desc").find("Sorted"), std::string::npos);
        ASSERT_EQ(table.order_.size(), static_cast<size_t>(rows));
        std::vector<int32_t> sorted_rows = table.order_;
        std::sort(sorted_rows.begin(), sorted_rows.end());
        for (int32_t i = 0; i < rows; ++i) ASSERT_EQ(sorted_rows[static_cast<size_t>(i)], i + 1);
        for (size_t i = 1; i < table.order_.size(); ++i) {
            const auto& x = cells[static_cast<size_t>(table.order_[i - 1] - 1)];
            const auto& y = cells[static_cast<size_t>(table.order_[i] - 1)];
            int verdict = 0;
            for (const SortSpec& key : keys) {
                const auto& a = x[static_cast<size_t>(key.column)];
                const auto& b = y[static_cast<size_t>(key.column)];
                if (a && b) verdict = natural_compare(*a, *b) * (key.ascending ? 1 : -1);
                else if (a || b) verdict = a ? -1 : 1;
                if (verdict) break;
            }
            ASSERT_LE(verdict, 0) << "rows " << table.order_[i - 1] << " and " << table.order_[i];
            if (verdict == 0) {
                ASSERT_LT(table.order_[i - 1], table.order_[i]);
            }
        }
    }
}

TEST(MergeSort, MatchesStableSortWithTheSameComparison) {
    std::mt19937 rng(12);
    for (int round = 0; round < 40; ++round) {
        int n = round < 20 ? round * 3 : static_cast<int>(rng() % 5000);
        std::vector<std::pair<int, int>> values(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) values[static_cast<size_t>(i)] = {static_cast<int>(rng() % 40), i};
        std::vector<std::pair<int, int>> expected = values, scratch(values.size());
        auto before = [](const std::pair<int, int>& a, const std::pair<int, int>& b) {
            return a.first < b.first;
        };
        std::stable_sort(expected.begin(), expected.end(), before);
        merge_sort(std::span<std::pair<int, int>>(values), std::span<std::pair<int, int>>(scratch), before);
        ASSERT_EQ(values, expected) << n;
    }
}

TEST(MergeSort, SurvivesAnInconsistentComparison) {
    std::mt19937 rng(9);
    std::vector<int> values(3000), scratch(3000);
    std::iota(values.begin(), values.end(), 0);
    merge_sort(std::span<int>(values), std::span<int>(scratch), [&](int, int) { return rng() % 2 == 0; });
    std::sort(values.begin(), values.end());
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(values[static_cast<size_t>(i)], i);
}

TEST(MergeSort, MergingBothSidesOfAnySplitGivesTheWholeMerge) {
    // Values with many ties, tagged by side: a split must keep a's ties in front of b's.
    std::mt19937 rng(5);
    auto before = [](const std::pair<int, int>& x, const std::pair<int, int>& y) {
        return x.first < y.first;
    };
    for (int round = 0; round < 30; ++round) {
        std::vector<std::pair<int, int>> a(rng() % 50), b(rng() % 50);
        for (auto& v : a) v = {static_cast<int>(rng() % 6), 0};
        for (auto& v : b) v = {static_cast<int>(rng() % 6), 1};
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        std::vector<std::pair<int, int>> whole(a.size() + b.size()), parts(whole.size());
        merge_runs(a.data(), a.data() + a.size(), b.data(), b.data() + b.size(), whole.data(), before);
        for (size_t k = 0; k <= whole.size(); ++k) {
            size_t i = merge_split(a.data(), a.size(), b.data(), b.size(), k, before);
            merge_runs(a.data(), a.data() + i, b.data(), b.data() + (k - i), parts.data(), before);
            merge_runs(a.data() + i, a.data() + a.size(), b.data() + (k - i), b.data() + b.size(),
                       parts.data() + k, before);
            ASSERT_EQ(parts, whole) << "round " << round << ", k " << k;
        }
    }
}

TEST(RowSort, LargeTablesSortOnTwoThreadsToTheSameOrder) {
    // Past 65 536 rows the sort splits the work between two threads; the order must still be
    // exactly the order of the comparison, ties by row number.
    MemoryTable table = random_table(70'001, 5);
    for (int pass = 0; pass < 2; ++pass) {
        sort_by(table, "0");
        LargeArena arena;
        SortKeys keys(arena);
        keys.reset(70'001);
        for (int32_t row = 1; row <= 70'001; ++row)
            if (const auto& cell = table.rows_[static_cast<size_t>(row - 1)][0]) keys.set(row, *cell);
        std::vector<RowKey> expected(keys.rows().begin(), keys.rows().end());
        std::stable_sort(expected.begin(), expected.end(), [&](const RowKey& x, const RowKey& y) {
            return compare_rows(keys, x, y, table.ascending_) < 0;
        });
        ASSERT_EQ(table.order_.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(table.order_[i], expected[i].row()) << i;
    }
}

}  // namespace
}  // namespace tessel
