// A column's statistics and value counts, over the keys the sort would use.
#include "views/column_stats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <cstring>
#include <utility>
#include <vector>

#include "views/natural_compare.h"

namespace tessel {

namespace {

// Counts texts by value. Open addressing over a power-of-two table of slots that hold a
// value's hash and its entry; the entries, in order of first appearance, are what the
// ranking sorts. Two arrays instead of a node per value: a column of half a million distinct
// values is counted and freed without half a million allocations.
class ValueCounter {
public:
    using Entry = std::pair<std::string_view, int64_t>;

    void add(std::string_view text) {
        if (entries_.size() * 2 >= slots_.size()) grow();
        const uint64_t hash = hash_of(text);
        const size_t mask = slots_.size() - 1;
        for (size_t at = static_cast<size_t>(hash) & mask;; at = (at + 1) & mask) {
            Slot& slot = slots_[at];
            if (slot.entry < 0) {
                slot = {hash, static_cast<int64_t>(entries_.size())};
                entries_.emplace_back(text, 1);
                return;
            }
            Entry& entry = entries_[static_cast<size_t>(slot.entry)];
            if (slot.hash == hash && entry.first == text) {
                ++entry.second;
                return;
            }
        }
    }
    size_t size() const { return entries_.size(); }
    // The entries, taken out; the counter is empty after.
    std::vector<Entry> take() {
        std::vector<Slot>().swap(slots_);
        return std::move(entries_);
    }

private:
    struct Slot {
        uint64_t hash = 0;
        int64_t entry = -1;
    };

    // Eight bytes at a time, each word mixed in by a multiply and a shift.
    static uint64_t hash_of(std::string_view text) {
        uint64_t h = 0x9E3779B97F4A7C15ull ^ text.size();
        const char* p = text.data();
        size_t n = text.size();
        for (; n >= 8; p += 8, n -= 8) {
            uint64_t word;
            std::memcpy(&word, p, 8);
            h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
            h ^= h >> 31;
        }
        uint64_t tail = 0;
        std::memcpy(&tail, p, n);
        h = (h ^ tail) * 0x94D049BB133111EBull;
        return h ^ (h >> 29);
    }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(std::max<size_t>(old.size() * 2, 1024), Slot{});
        const size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.entry < 0) continue;
            size_t at = static_cast<size_t>(slot.hash) & mask;
            while (slots_[at].entry >= 0) at = (at + 1) & mask;
            slots_[at] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::vector<Entry> entries_;
};

size_t characters(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string_view trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A number's value as a double, for the histogram: from the text, with no copy.
double approximate(std::string_view text) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

}  // namespace

ColumnStats column_stats(SortableTable& table, int32_t column, Job* job, size_t max_counts) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("counting");
    LargeArena arena;
    // Only the texts: the statistics never compare them naturally.
    SortKeys keys(arena, false);
    collect_keys(table, column, keys, job, 50);

    ColumnStats stats;
    stats.rows = 0;
    ValueCounter counts;
    DecimalSum sum;
    std::vector<double> numbers;
    size_t shortest = SIZE_MAX, longest = SIZE_MAX;
    int32_t widest_fraction = 0;
    bool first_number = true;
    for (int32_t row = 1; row <= keys.row_count(); ++row) {
        if ((row & 0x1FFF) == 0) {
            job->set_progress(50 + static_cast<int>(40 * int64_t{row} / keys.row_count()));
            job->yield_point();
        }
        // Rows a filter hides are left out: the statistics describe what is shown.
        if (!table.row_shown(row)) continue;
        ++stats.rows;
        if (!keys[row].present()) {
            ++stats.empty;
            continue;
        }
        const std::string_view text = keys.text(row);
        counts.add(text);
        const size_t length = characters(text);
        if (length < shortest) {
            shortest = length;
            stats.shortest = text;
        }
        if (longest == SIZE_MAX || length > longest) {
            longest = length;
            stats.longest = text;
        }
        const std::optional<ExactDecimal> number = read_decimal(text);
        if (!number) continue;
        ++stats.numbers;
        sum.add(*number);
        widest_fraction = std::max(widest_fraction, number->scale);
        numbers.push_back(approximate(trimmed(text)));
        if (first_number || compare_decimals(*number, stats.minimum) < 0) {
            stats.minimum = *number;
            stats.minimum_text = trimmed(text);
        }
        if (first_number || compare_decimals(*number, stats.maximum) > 0) {
            stats.maximum = *number;
            stats.maximum_text = trimmed(text);
        }
        first_number = false;
    }
    if (stats.numbers > 0) {
        stats.sum = sum.total();
        stats.mean = sum.mean(stats.numbers, widest_fraction + kMeanExtraPlaces);
        // Equal widths from the minimum to the maximum; one bin when they are the same.
        const double low = stats.minimum.approximate(), high = stats.maximum.approximate();
        const int bins = high > low && std::isfinite(high - low) ? kHistogramBins : 1;
        const double width = bins > 1 ? (high - low) / bins : 0;
        for (int b = 0; b < bins; ++b)
            stats.histogram.push_back({low + width * b, b + 1 == bins ? high : low + width * (b + 1), 0});
        for (const double v : numbers) {
            const double at = width > 0 ? std::floor((v - low) / width) : 0;
            const int b = std::isfinite(at) ? static_cast<int>(std::clamp(at, 0.0, bins - 1.0)) : 0;
            ++stats.histogram[static_cast<size_t>(b)].count;
        }
    }
    job->set_progress(95);
    job->yield_point();
    stats.distinct = static_cast<int64_t>(counts.size());
    // The values stay views into the keys until the ones kept are chosen.
    std::vector<std::pair<std::string_view, int64_t>> ranked = counts.take();
    job->yield_point();
    const auto before = [](const std::pair<std::string_view, int64_t>& a, const std::pair<std::string_view, int64_t>& b) {
        if (a.second != b.second) return a.second > b.second;
        const int c = natural_compare(a.first, b.first);
        return c != 0 ? c < 0 : a.first < b.first;
    };
    const size_t kept = std::min(max_counts, ranked.size());
    if (kept < ranked.size()) {
        // The most frequent few, a slice at a time: the best of each slice joins the best so far.
        std::vector<std::pair<std::string_view, int64_t>> best;
        constexpr size_t kSlice = 65536;
        for (size_t from = 0; from < ranked.size(); from += kSlice) {
            const auto first = ranked.begin() + static_cast<std::ptrdiff_t>(from);
            best.insert(best.end(), first, first + static_cast<std::ptrdiff_t>(std::min(kSlice, ranked.size() - from)));
            const size_t keep = std::min(kept, best.size());
            std::partial_sort(best.begin(), best.begin() + static_cast<std::ptrdiff_t>(keep), best.end(), before);
            best.resize(keep);
            job->yield_point();
        }
        ranked = std::move(best);
    } else {
        // Every value, for the full table of counts: slices sorted on their own, then merged
        // in pairs, with a yield point after each.
        constexpr size_t kSlice = 16384;
        for (size_t from = 0; from < ranked.size(); from += kSlice) {
            std::sort(ranked.begin() + static_cast<std::ptrdiff_t>(from),
                      ranked.begin() + static_cast<std::ptrdiff_t>(std::min(from + kSlice, ranked.size())), before);
            job->yield_point();
        }
        // A merge of two long runs is itself cut into pieces of a slice's length, each found
        // by merge_split, so that no stretch between yield points grows with the column.
        std::vector<std::pair<std::string_view, int64_t>> merged(ranked.size());
        auto less = before;
        for (size_t width = kSlice; width < ranked.size(); width *= 2) {
            for (size_t left = 0; left < ranked.size(); left += 2 * width) {
                const auto* a = ranked.data() + left;
                const size_t na = std::min(width, ranked.size() - left);
                const auto* b = a + na;
                const size_t nb = std::min(width, ranked.size() - left - na);
                size_t done_a = 0, done_b = 0;
                for (size_t k = std::min(kSlice, na + nb);; k = std::min(k + kSlice, na + nb)) {
                    const size_t i = merge_split(a, na, b, nb, k, less);
                    std::merge(a + done_a, a + i, b + done_b, b + (k - i), merged.data() + left + done_a + done_b, less);
                    done_a = i;
                    done_b = k - i;
                    job->yield_point();
                    if (k == na + nb) break;
                }
            }
            ranked.swap(merged);
        }
    }
    job->yield_point();
    stats.counts.reserve(kept);
    for (size_t i = 0; i < kept; ++i) {
        stats.counts.push_back({std::string(ranked[i].first), ranked[i].second});
        if (i % 65536 == 65535) job->yield_point();
    }
    job->set_progress(100);
    return stats;
}

}  // namespace tessel
