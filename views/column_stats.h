// What one column of a table holds, at a glance: how many rows and empty cells, how many
// distinct values, the shortest and longest text, and where the values read as numbers their
// count, minimum, maximum, exact sum and mean with a histogram; and the count of every value.
// Computed from the cells' display texts (what the browser and `tessel-cli grid` show).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/job.h"
#include "views/exact_decimal.h"
#include "views/row_sort.h"

namespace tessel {

struct ValueCount {
    std::string value;
    int64_t count = 0;
};

struct HistogramBin {
    double low = 0;   // the bin holds values from low up to high (the last one up to and
    double high = 0;  // including high)
    int64_t count = 0;
};

struct ColumnStats {
    int64_t rows = 0;
    int64_t empty = 0;
    int64_t distinct = 0;
    std::string shortest, longest;  // by characters; the first such in row order
    // The values that read as numbers (read_decimal); the rest are words.
    int64_t numbers = 0;
    ExactDecimal minimum, maximum, sum, mean;
    // The smallest and largest as the cells write them, blanks trimmed ("004", "1.5e3").
    std::string minimum_text, maximum_text;
    std::vector<HistogramBin> histogram;
    // The values with their counts: most frequent first, equal counts in natural order.
    std::vector<ValueCount> counts;
};

inline constexpr int kHistogramBins = 20;
// The mean has this many more digits after the point than the longest fraction summed.
inline constexpr int32_t kMeanExtraPlaces = 2;

// The statistics of column `column` of table over rows 1..n, with at most max_counts of the
// value counts (the most frequent). Progress goes up to 100%; JobCancelled passes through.
// job may be null.
ColumnStats column_stats(SortableTable& table, int32_t column, Job* job, size_t max_counts = SIZE_MAX);

// The share of all rows a count stands for, in percent.
inline double percent_of_rows(int64_t count, int64_t rows) {
    return rows > 0 ? 100.0 * static_cast<double>(count) / static_cast<double>(rows) : 0;
}

}  // namespace tessel
