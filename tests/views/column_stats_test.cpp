// The window keeps only the most frequent values of a column, picked a slice at a time: they
// must be exactly the head of the full ranking that tessel-cli stats prints (which the shell
// test checks against sort | uniq -c), on a column of many slices with many equal counts.
#include "views/column_stats.h"
#include "views/natural_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace tessel {
namespace {

class Column : public SortableTable {
public:
    explicit Column(std::vector<std::string> cells) : cells_(std::move(cells)) {}
    int32_t row_count() const override { return static_cast<int32_t>(cells_.size()); }
    bool cell_text(int32_t row, int32_t, Arena&, std::string_view* text) override {
        const std::string& cell = cells_[static_cast<size_t>(row - 1)];
        if (cell.empty()) return false;
        *text = cell;
        return true;
    }
    int32_t sort_column() const override { return -1; }
    bool sort_ascending() const override { return true; }
    void set_sorted(int32_t, bool, std::span<const int32_t>) override {}

private:
    std::vector<std::string> cells_;
};

TEST(ColumnStats, TheMostFrequentFewAreTheHeadOfTheFullRanking) {
    std::mt19937 random(17);
    std::vector<std::string> cells;
    // 300,000 cells over about 150,000 values: counts of 1 to 6 with many ties, so the
    // natural order of the values decides between most of them.
    for (int i = 0; i < 300000; ++i) {
        const unsigned r = random();
        cells.push_back(r % 50 == 0 ? std::string() : "v" + std::to_string(r % 150000) + (r % 3 ? "" : ".5"));
    }
    Column column(cells);
    const ColumnStats all = column_stats(column, 0, nullptr);
    // The full ranking, sorted and merged a slice at a time, is the order a plain count and
    // one stable sort give: by count, most first, then in natural order.
    std::map<std::string, int64_t> reference;
    for (const std::string& cell : cells)
        if (!cell.empty()) ++reference[cell];
    std::vector<std::pair<std::string, int64_t>> want(reference.begin(), reference.end());
    std::stable_sort(want.begin(), want.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second) return a.second > b.second;
        return natural_compare(a.first, b.first) < 0;
    });
    ASSERT_EQ(all.counts.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(all.counts[i].value, want[i].first) << i;
        ASSERT_EQ(all.counts[i].count, want[i].second) << i;
    }
    for (const size_t few : {size_t{1}, size_t{10}, size_t{1000}}) {
        const ColumnStats top = column_stats(column, 0, nullptr, few);
        ASSERT_EQ(top.counts.size(), few);
        EXPECT_EQ(top.distinct, all.distinct);
        for (size_t i = 0; i < few; ++i) {
            EXPECT_EQ(top.counts[i].value, all.counts[i].value) << i;
            EXPECT_EQ(top.counts[i].count, all.counts[i].count) << i;
        }
    }
}

}  // namespace
}  // namespace tessel
