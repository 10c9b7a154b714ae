// A column's statistics and value counts, over the keys the sort would use.
#include "views/column_stats.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>

#include "views/natural_compare.h"

namespace tessel {

namespace {

size_t characters(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

}  // namespace

ColumnStats column_stats(SortableTable& table, int32_t column, Job* job) {
    QuietJob quiet;
    if (!job) job = &quiet;
    job->set_status_text("counting");
    LargeArena arena;
    SortKeys keys(arena);
    collect_keys(table, column, keys, job, 50);

    ColumnStats stats;
    stats.rows = keys.row_count();
    std::unordered_map<std::string_view, int64_t> counts;
    DecimalSum sum;
    std::vector<double> numbers;
    size_t shortest = SIZE_MAX, longest = SIZE_MAX;
    int32_t widest_fraction = 0;
    bool first_number = true;
    for (int32_t row = 1; row <= keys.row_count(); ++row) {
        if ((row & 0xFFFF) == 0) {
            job->set_progress(50 + static_cast<int>(40 * int64_t{row} / keys.row_count()));
            job->yield_point();
        }
        if (!keys[row].present()) {
            ++stats.empty;
            continue;
        }
        const std::string_view text = keys.text(row);
        ++counts[text];
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
        numbers.push_back(number->approximate());
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
    stats.distinct = static_cast<int64_t>(counts.size());
    stats.counts.reserve(counts.size());
    for (const auto& [value, count] : counts) stats.counts.push_back({std::string(value), count});
    std::sort(stats.counts.begin(), stats.counts.end(), [](const ValueCount& a, const ValueCount& b) {
        if (a.count != b.count) return a.count > b.count;
        const int c = natural_compare(a.value, b.value);
        return c != 0 ? c < 0 : a.value < b.value;
    });
    job->set_progress(100);
    return stats;
}

}  // namespace tessel
