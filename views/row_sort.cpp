// Sorting table rows: the keys and the "sort" job body.
#include "views/row_sort.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "foundation/number_format.h"

namespace tessel {

void SortKeys::reset(int32_t rows, Job* job) {
    comparisons = 0;
    // Every slot is set below, between yield points: zeroing the tail first would be a second
    // pass over tens of megabytes in one stretch, with the lock held.
    keys_.resize(rows, false);
    texts_.resize(rows, false);
    for (int32_t i = 0; i < rows; ++i) {
        if (job && (i & 0xFFFF) == 0xFFFF) job->yield_point();
        keys_[i] = RowKey{};
        keys_[i].key.spare = i + 1;
        texts_[i] = "";
    }
}

void SortKeys::set(int32_t row, std::string_view text) {
    const char* copy = arena_.copy_text(text.data(), static_cast<uint32_t>(text.size()));
    NaturalKey& key = keys_[row - 1].key;
    if (natural_) {
        key = prepare_natural_key({copy, text.size()});
    } else {
        key = NaturalKey{};
        key.length = static_cast<uint32_t>(text.size());
        key.flags = NaturalKey::kPresent;
    }
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

// From this many rows on, the two halves are sorted on two threads: below it, starting a
// thread costs more than it saves.
constexpr int32_t kParallelRows = 1 << 16;

}  // namespace

void collect_keys(SortableTable& table, int32_t column, CellTexts& keys, Job* job, int progress_share,
                  int progress_from) {
    QuietJob quiet;
    if (!job) job = &quiet;
    const int32_t rows = std::max<int32_t>(table.row_count(), 0);
    keys.begin(rows, job);
    // The table may build a display text in scratch space; it is copied into the keys at
    // once, so the scratch space is given back after every row. A table that can fill keys
    // in one walk does so a block of rows at a time, between the same progress reports.
    LargeArena scratch;
    ArenaMark clean = scratch.mark();
    for (int32_t first = 1; first <= rows; first += kUpdateEvery) {
        const int32_t last =
            static_cast<int32_t>(std::min<int64_t>(int64_t{first} + kUpdateEvery - 1, rows));
        if (!table.fill_keys(column, first, last, keys)) {
            for (int32_t row = first; row <= last; ++row) {
                std::string_view text;
                if (table.cell_text(row, column, scratch, &text)) keys.set(row, text);
                if (scratch.block_count() > 1 || scratch.used() != clean.used)
                    scratch.release(clean);
            }
        }
        if (last % kUpdateEvery == 0) {
            job->set_progress(progress_from + static_cast<int>(progress_share * int64_t{last} / rows));
            job->yield_point();
        }
    }
}

std::optional<std::vector<SortSpec>> parse_sort_keys(std::string_view text, bool* named, std::string_view* bad) {
    std::vector<SortSpec> keys;
    if (named) *named = false;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view piece = text.substr(start, end - start);
        SortSpec key;
        for (const auto& [suffix, up] : {std::pair{std::string_view(":asc"), true}, std::pair{std::string_view(":desc"), false}})
            if (piece.ends_with(suffix)) {
                key.ascending = up;
                if (named) *named = true;
                piece.remove_suffix(suffix.size());
            }
        if (!parse_column(piece, &key.column)) {
            if (bad) *bad = piece;
            return std::nullopt;
        }
        keys.push_back(key);
        start = end + 1;
    }
    return keys;
}

std::string sort_keys_text(std::span<const SortSpec> keys) {
    std::string text;
    for (const SortSpec& key : keys) {
        if (!text.empty()) text += ',';
        text += std::to_string(key.column) + (key.ascending ? ":asc" : ":desc");
    }
    return text;
}

bool run_sort(SortableTable& table, std::string_view column_text, Job* job,
              std::string* status_message) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("sorting");
    auto started = std::chrono::steady_clock::now();

    // The context menu's "Sort ascending" and "Sort descending" name their direction.
    bool named_direction = false;
    std::string_view bad;
    std::optional<std::vector<SortSpec>> parsed = parse_sort_keys(column_text, &named_direction, &bad);
    if (!parsed) {
        if (status_message) *status_message = "cannot sort: \"" + std::string(bad) + "\" is not a column number";
        return false;
    }
    std::vector<SortSpec>& specs = *parsed;
    // One column named without a direction: the other way round when sorted by it already.
    if (specs.size() == 1 && !named_direction)
        specs[0].ascending = specs[0].column == table.sort_column() ? !table.sort_ascending() : true;
    const int32_t column = specs[0].column;
    const bool ascending = specs[0].ascending;

    int32_t rows = std::max<int32_t>(table.row_count(), 0);
    LargeArena key_arena;
    SortKeys keys(key_arena);
    std::vector<std::unique_ptr<SortKeys>> further;
    const int share = 50 / static_cast<int>(specs.size());
    collect_keys(table, column, keys, job, share);
    for (size_t k = 1; k < specs.size(); ++k) {
        further.push_back(std::make_unique<SortKeys>(key_arena));
        collect_keys(table, specs[k].column, *further.back(), job, share);
    }
    // The row order by every key, then by row number.
    const auto compare = [&keys, &further, &specs](const RowKey& x, const RowKey& y) {
        int c = compare_by_key(keys, x, y, specs[0].ascending);
        for (size_t k = 0; c == 0 && k < further.size(); ++k) {
            const SortKeys& more = *further[k];
            c = compare_by_key(more, more[x.row()], more[y.row()], specs[k + 1].ascending);
        }
        if (c) return c;
        return x.row() < y.row() ? -1 : (x.row() > y.row() ? 1 : 0);
    };

    // Copies of millions of entries pass yield points every 64 Ki of them, so that the lock is
    // not held for the whole copy.
    constexpr size_t kCopySlice = size_t{1} << 16;
    auto copy_yielding = [&](auto from, auto to, auto out) {
        while (to - from > static_cast<std::ptrdiff_t>(kCopySlice)) {
            out = std::copy(from, from + kCopySlice, out);
            from += kCopySlice;
            job->yield_point();
        }
        std::copy(from, to, out);
    };

    // The order is built from the row numbers, not from the table's present order: ties go
    // to the lower row number, so the result is the same either way.
    std::vector<RowKey> order(keys.rows().size());
    copy_yielding(keys.rows().begin(), keys.rows().end(), order.begin());
    if (rows >= 2) {
        // Allocated, not zeroed: every entry is written before it is read.
        std::unique_ptr<RowKey[], decltype(&std::free)> merge_space(
            static_cast<RowKey*>(std::malloc(order.size() * sizeof(RowKey))), &std::free);
        if (!merge_space) throw std::bad_alloc();
        std::span<RowKey> all(order), space(merge_space.get(), order.size());
        const double n = rows;
        const bool parallel = rows >= kParallelRows;
        // In two halves, this thread sorts one and counts only its own comparisons, plus
        // those of its half of the final merge.
        const double expected =
            parallel ? (n / 2) * std::log2(n / 2) + n / 2 : keys.expected_comparisons();
        auto before = [&](const RowKey& x, const RowKey& y) {
            if (++keys.comparisons % kUpdateEvery == 0) {
                double done = std::min(static_cast<double>(keys.comparisons) / expected, 1.0);
                job->set_progress(50 + static_cast<int>(50 * done));
                job->yield_point();
            }
            return compare(x, y) < 0;
        };
        std::thread helper;
        std::atomic<bool> stop{false};
        std::atomic<bool> helper_done{false};
        // Waits for the helper while passing yield points, so that the user interface still
        // gets the lock and a cancellation is seen while the helper works.
        auto wait_for_helper = [&] {
            while (!helper_done.load(std::memory_order_acquire)) {
                job->yield_point();
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            helper.join();
        };
        const size_t half = order.size() / 2;
        // The helper thread's comparison. It neither reports progress nor yields, as the
        // job belongs to this thread; when this thread is cancelled it tells the helper to
        // stop, which then finishes at once (every comparison says "not before"), and waits
        // for it.
        auto quiet_before = [&compare, &stop](const RowKey& x, const RowKey& y) {
            if (stop.load(std::memory_order_relaxed)) return false;
            return compare(x, y) < 0;
        };
        if (parallel) {
            // The second half on another core.
            try {
                helper = std::thread([all, space, half, quiet_before, &helper_done]() mutable {
                    merge_sort(all.subspan(half), space.subspan(half), quiet_before);
                    helper_done.store(true, std::memory_order_release);
                });
            } catch (const std::system_error&) {
                // No thread to be had: sort it all here.
            }
        }
        try {
            if (helper.joinable()) {
                merge_sort(all.first(half), space.first(half), before);
                wait_for_helper();
                // The final merge on both threads as well: the helper writes the second
                // half of the output, this thread the first.
                const RowKey* a = all.data();
                const RowKey* b = all.data() + half;
                const size_t na = half, nb = all.size() - half, k = all.size() / 2;
                const size_t i = merge_split(a, na, b, nb, k, before);
                RowKey* out = space.data();
                helper_done.store(false, std::memory_order_relaxed);
                try {
                    helper = std::thread([=, &helper_done]() mutable {
                        merge_runs(a + i, a + na, b + (k - i), b + nb, out + k, quiet_before);
                        helper_done.store(true, std::memory_order_release);
                    });
                } catch (const std::system_error&) {
                    // No thread to be had: this thread merges both parts.
                }
                if (!helper.joinable())
                    merge_runs(a + i, a + na, b + (k - i), b + nb, out + k, before);
                merge_runs(a, a + i, b, b + (k - i), out, before);
                if (helper.joinable()) wait_for_helper();
                copy_yielding(space.begin(), space.end(), all.begin());
            } else {
                merge_sort(all, space, before);
            }
        } catch (...) {
            if (helper.joinable()) {
                stop.store(true, std::memory_order_relaxed);
                helper.join();
            }
            throw;
        }
    }
    std::vector<int32_t> row_order(static_cast<size_t>(rows));
    for (int32_t i = 0; i < rows; ++i) {
        row_order[i] = order[i].row();
        if ((i & 0xFFFF) == 0xFFFF) job->yield_point();
    }

    auto took = std::chrono::steady_clock::now() - started;
    double elapsed = std::chrono::duration<double, std::milli>(took).count();
    if (status_message)
        *status_message = "Sorted " + counted(rows, "row") + " in " + format_duration(elapsed);
    job->set_progress(100);
    table.set_further_keys(std::span<const SortSpec>(specs).subspan(1));
    table.set_sorted(column, ascending, row_order);
    return true;
}

}  // namespace tessel
