// Sorting the rows of a grid table by one column: the table interface the sort needs, the
// per-row keys, the row comparison, the merge sort and the job body run_sort.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "foundation/job.h"
#include "views/natural_compare.h"

namespace tessel {

class SortKeys;

// One key of a sort: a column and its direction.
struct SortSpec {
    int32_t column = 0;
    bool ascending = true;
    bool operator==(const SortSpec&) const = default;
};

// Where a column's texts go as they are read, row by row: the keys of a sort, or a pass that
// looks at each text once and keeps nothing (a filter).
class CellTexts {
public:
    virtual ~CellTexts() = default;
    // Rows 1..rows are about to be read; job, when given, may get yield points.
    virtual void begin(int32_t /*rows*/, Job* /*job*/) {}
    // The text of row; rows without text are not given.
    virtual void set(int32_t row, std::string_view text) = 0;
};

// What the sort needs from a grid table.
class SortableTable {
public:
    virtual ~SortableTable() = default;
    // Rows 1..n (row 0 is the header row).
    virtual int32_t row_count() const = 0;
    // The display text of the cell at (row, column), or false for an empty cell; the text may
    // point into the arena or into the document and must stay valid until the sort ends.
    virtual bool cell_text(int32_t row, int32_t column, Arena& arena, std::string_view* text) = 0;
    // Gives the texts of rows first..last (1-based, inclusive) of column at once, as
    // cell_text would give them, and returns true; or returns false, having given nothing,
    // when the table has no quicker way than cell_text for this column. A table of a million
    // rows reaches its cells far more cheaply in one walk than through one full lookup per cell.
    virtual bool fill_keys(int32_t /*column*/, int32_t /*first*/, int32_t /*last*/,
                           CellTexts& /*texts*/) {
        return false;
    }
    // -1 before the first sort.
    virtual int32_t sort_column() const = 0;
    virtual bool sort_ascending() const = 0;
    // Stores the result: row_order[i] is the 1-based row shown at display position i+1.
    virtual void set_sorted(int32_t column, bool ascending, std::span<const int32_t> row_order) = 0;
    // The keys after the first of the sort being stored (none for a sort by one column);
    // called just before set_sorted.
    virtual void set_further_keys(std::span<const SortSpec> /*keys*/) {}
    // Whether row is shown: a filter may hide rows, which statistics then leave out.
    virtual bool row_shown(int32_t /*row*/) const { return true; }
};

// One row's entry in the sort: the summary of its key (absent for an empty cell) with the
// row number in the key's spare field, so that an entry takes 32 bytes, two to a cache line.
// The sort moves these entries themselves; a comparison reads the texts only when the
// summaries leave it undecided.
struct RowKey {
    NaturalKey key;
    int32_t row() const { return key.spare; }
    bool present() const { return key.flags & NaturalKey::kPresent; }
};
static_assert(sizeof(RowKey) == 32);

// The keys of one sort: one per row, the texts copied into the arena given.
class SortKeys final : public CellTexts {
public:
    // natural: each key is also summarized for the natural comparison; without it only the
    // texts are kept, for readers that never compare (statistics).
    explicit SortKeys(Arena& arena, bool natural = true) : arena_(arena), natural_(natural) {}

    // Rows 1..rows, all without a key; the comparison counter restarts. Clearing a million
    // rows takes a while: job, when given, gets a yield point every 64 Ki rows.
    void reset(int32_t rows, Job* job = nullptr);
    void begin(int32_t rows, Job* job) override { reset(rows, job); }
    // Copies text into the arena as the key of row.
    void set(int32_t row, std::string_view text) override;
    int32_t row_count() const { return keys_.size(); }
    const RowKey& operator[](int32_t row) const { return keys_[row - 1]; }
    std::span<const RowKey> rows() const { return keys_.span(); }
    // The key text of row; empty for a row without a key.
    std::string_view text(int32_t row) const {
        return {texts_[row - 1], keys_[row - 1].key.length};
    }
    // n log2 n: what the merge sort of n rows needs at most; progress during the sort is
    // measured against it.
    double expected_comparisons() const {
        double n = keys_.size();
        return n > 1 ? n * std::log2(n) : 0;
    }

    // Counted by whoever compares (run_sort's comparison).
    int64_t comparisons = 0;

private:
    Arena& arena_;
    bool natural_;
    Array<RowKey> keys_;
    // Apart from the summaries, which are what the sort moves and mostly reads.
    Array<const char*> texts_;
};

// Negative when row x goes before row y by this key, positive when after, 0 when the key
// does not tell them apart. Present keys come before empty ones in either direction;
// ascending order shows the naturally smaller key first.
inline int compare_by_key(const SortKeys& keys, const RowKey& x, const RowKey& y, bool ascending) {
    bool has_x = x.present(), has_y = y.present();
    if (has_x && has_y) {
        int c = compare_summaries(x.key, y.key);
        if (c == kUndecided) c = natural_compare(keys.text(x.row()), keys.text(y.row()));
        return ascending ? c : -c;
    }
    return has_x == has_y ? 0 : (has_x ? -1 : 1);
}

// Negative when row x is shown before row y, positive when after; 0 only for a row with
// itself: compare_by_key, and ties to the lower row number in either direction.
inline int compare_rows(const SortKeys& keys, const RowKey& x, const RowKey& y, bool ascending) {
    if (int c = compare_by_key(keys, x, y, ascending)) return c;
    return x.row() < y.row() ? -1 : (x.row() > y.row() ? 1 : 0);
}

// Merges the sorted runs [a, a_end) and [b, b_end) into out, taking from a on ties.
template <typename T, typename Before>
void merge_runs(const T* a, const T* a_end, const T* b, const T* b_end, T* out, Before& before) {
    // Which side goes next is a coin toss to the branch predictor; choosing by arithmetic
    // instead of by a branch saves a misprediction per comparison.
    while (a < a_end && b < b_end) {
        const bool take_b = before(*b, *a);
        *out++ = take_b ? *b : *a;
        b += take_b;
        a += !take_b;
    }
    out = std::copy(a, a_end, out);
    std::copy(b, b_end, out);
}

// Where to cut the merge of the sorted runs a (length na) and b (length nb) so that its
// first k outputs are exactly a[0, i) and b[0, k - i); returns i. The two parts can then be
// merged on their own, for instance on two threads. At most log2(min(na, nb)) + 1
// comparisons, and bounded by indexes whatever the comparison says.
template <typename T, typename Before>
size_t merge_split(const T* a, size_t na, const T* b, size_t nb, size_t k, Before& before) {
    size_t lo = k > nb ? k - nb : 0, hi = std::min(k, na);
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        // a[mid] is output before b[k - mid - 1] (ties go to a): more of a belongs in front.
        if (!before(b[k - mid - 1], a[mid]))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Sorts items so that before(items[i], items[j]) never holds for i > j, using scratch (at
// least as long as items) for the merges. Stable, and with at most about n log2 n
// comparisons, about half of what a heap sort needs, while every pass reads and writes memory
// front to back. It neither crashes nor loops when the comparison is not a consistent order: every step is bounded by indexes, not
// by what the comparison says. Runs of kRun items are first sorted by insertion, which is
// cheaper than merging for so few. before may throw; items are then left in some
// permutation spread over items and scratch.
template <typename T, typename Before>
void merge_sort(std::span<T> items, std::span<T> scratch, Before&& before) {
    constexpr size_t kRun = 16;
    size_t n = items.size();
    if (n < 2) return;
    for (size_t from = 0; from < n; from += kRun) {
        size_t to = std::min(from + kRun, n);
        for (size_t i = from + 1; i < to; ++i) {
            T value = items[i];
            size_t j = i;
            for (; j > from && before(value, items[j - 1]); --j) items[j] = items[j - 1];
            items[j] = value;
        }
    }
    T* source = items.data();
    T* target = scratch.data();
    for (size_t width = kRun; width < n; width *= 2) {
        for (size_t left = 0; left < n; left += 2 * width) {
            size_t middle = std::min(left + width, n), right = std::min(left + 2 * width, n);
            // Already in order (a common case for partly sorted columns): one comparison.
            if (middle < right && !before(source[middle], source[middle - 1])) {
                std::copy(source + left, source + right, target + left);
                continue;
            }
            merge_runs(source + left, source + middle, source + middle, source + right,
                       target + left, before);
        }
        std::swap(source, target);
    }
    if (source != items.data()) std::copy(source, source + n, items.data());
}

// The texts of rows 1..n of column, given to texts (after its begin), through fill_keys where
// the table can and cell_text otherwise, reporting progress from progress_from to
// progress_from + progress_share percent with a yield point every 256 rows (JobCancelled
// passes through). job may be null.
void collect_keys(SortableTable& table, int32_t column, CellTexts& texts, Job* job, int progress_share,
                  int progress_from = 0);

// The keys of a sort written as text, "2:desc,0": column numbers, each optionally followed by
// ":asc" or ":desc", separated by commas. Nothing when a piece is not a column number (it is
// then left in *bad); *named tells whether any piece names its direction.
std::optional<std::vector<SortSpec>> parse_sort_keys(std::string_view text, bool* named = nullptr,
                                                     std::string_view* bad = nullptr);
// The text of keys as parse_sort_keys reads it, every key with its direction.
std::string sort_keys_text(std::span<const SortSpec> keys);

// The body of the "sort" job: sorts table by the column whose index column_text gives in
// decimal, the opposite way when it is the column last sorted by and ascending otherwise,
// stores the order with set_sorted and leaves "sorted N rows: MS" in status_message.
// A column text ending in ":asc" or ":desc" sorts that way whatever the last sort was.
// Several columns separated by commas ("2:desc,0") sort by the first, rows it leaves equal by
// the second, and so on, each ascending unless it says ":desc".
// Column text that is not a decimal number from 0 to 2^31 - 1 sorts nothing and leaves
// "cannot sort: \"TEXT\" is not a column number". Returns whether the order was stored.
// A JobCancelled thrown by job->yield_point() passes through with nothing stored.
bool run_sort(SortableTable& table, std::string_view column_text, Job* job,
              std::string* status_message);

}  // namespace tessel
