// Sorting table rows: the keys and the "sort" job body.
#include "views/row_sort.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace tessel {

void SortKeys::reset(int32_t rows) {
    keys_.resize(rows);
    texts_.resize(rows);
    for (int32_t i = 0; i < rows; ++i) {
        keys_[i] = RowKey{};
        keys_[i].key.spare = i + 1;
        texts_[i] = "";
    }
    comparisons = 0;
}

void SortKeys::set(int32_t row, std::string_view text) {
    const char* copy = arena_.copy_text(text.data(), static_cast<uint32_t>(text.size()));
    NaturalKey& key = keys_[row - 1].key;
    key = prepare_natural_key({copy, text.size()});
    key.spare = row;
    texts_[row - 1] = copy;
}

namespace {

// A column index in plain decimal: digits only, at most 2^31 - 1.
bool parse_column(std::string_view text, int32_t* column) {
    if (text.empty() || text.size() > 10) return false;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > INT32_MAX) return false;
    *column = static_cast<int32_t>(value);
    return true;
}

constexpr int64_t kUpdateEvery = 256;

}  // namespace

bool run_sort(SortableTable& table, std::string_view column_text, Job* job,
              std::string* status_message) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("sorting");
    auto started = std::chrono::steady_clock::now();

    int32_t column = 0;
    if (!parse_column(column_text, &column)) {
        if (status_message)
            *status_message =
                "cannot sort: \"" + std::string(column_text) + "\" is not a column number";
        return false;
    }
    bool ascending = column == table.sort_column() ? !table.sort_ascending() : true;

    int32_t rows = std::max<int32_t>(table.row_count(), 0);
    LargeArena key_arena;
    SortKeys keys(key_arena);
    keys.reset(rows);
    // The table may build a display text in scratch space; it is copied into the keys at
    // once, so the scratch space is given back after every row.
    LargeArena scratch;
    ArenaMark clean = scratch.mark();
    for (int32_t row = 1; row <= rows; ++row) {
        std::string_view text;
        if (table.cell_text(row, column, scratch, &text)) keys.set(row, text);
        if (scratch.block_count() > 1 || scratch.used() != clean.used) scratch.release(clean);
        if (row % kUpdateEvery == 0) {
            job->set_progress(static_cast<int>(50 * int64_t{row} / rows));
            job->yield_point();
        }
    }

    // The order is built from the row numbers, not from the table's present order: ties go
    // to the lower row number, so the result is the same either way. The entries start one
    // place into a 64-byte aligned buffer, so that the two children of a heap node (2i + 1
    // and 2i + 2) share a cache line.
    std::vector<RowKey> buffer(static_cast<size_t>(rows) + 3);
    uintptr_t start = (reinterpret_cast<uintptr_t>(buffer.data()) + 63) & ~uintptr_t{63};
    std::span<RowKey> order(reinterpret_cast<RowKey*>(start) + 1, static_cast<size_t>(rows));
    std::copy(keys.rows().begin(), keys.rows().end(), order.begin());
    if (rows >= 2) {
        double expected = keys.expected_comparisons();
        heap_sort(order, [&](const RowKey& x, const RowKey& y) {
            if (++keys.comparisons % kUpdateEvery == 0) {
                double done = std::min(static_cast<double>(keys.comparisons) / expected, 1.0);
                job->set_progress(50 + static_cast<int>(50 * done));
                job->yield_point();
            }
            return compare_rows(keys, x, y, ascending) < 0;
        });
    }
    std::vector<int32_t> row_order(static_cast<size_t>(rows));
    for (int32_t i = 0; i < rows; ++i) row_order[i] = order[i].row();

    auto took = std::chrono::steady_clock::now() - started;
    double elapsed = std::chrono::duration<double, std::milli>(took).count();
    char milliseconds[48];
    std::snprintf(milliseconds, sizeof milliseconds, "%.2f", elapsed);
    if (status_message)
        *status_message = "sorted " + std::to_string(rows) + " rows: " + milliseconds;
    job->set_progress(100);
    table.set_sorted(column, ascending, row_order);
    return true;
}

}  // namespace tessel
