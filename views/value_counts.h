// The value counts of a column as a view of their own, for the second browser: a title line
// and a table of each value with its count and share of the rows, most frequent first, the
// counts drawn as bars. Choosing one of its rows filters the counted table to that value.
#pragma once

#include <memory>
#include <string_view>

#include "views/column_stats.h"
#include "views/table_view.h"

namespace tessel {

inline constexpr int32_t kValueColumn = 0, kCountColumn = 1, kPercentColumn = 2;

// stats must hold every value's count (column_stats without a limit); empty cells make a row
// of their own with an empty value, in its place by count. The view's nodes are provider's
// and selected's only as a view needs some: none of its rows stands for a node.
// job (may be null) gets a yield point every few thousand rows.
std::unique_ptr<View> value_count_view(NodeProvider& provider, Node& selected, const ColumnStats& stats,
                                       std::string_view header, Job* job = nullptr);

// The share of rows as the table shows it: a percentage with two decimals, rounded half up
// ("33.33", "100.00"); "0.00" when there are no rows.
std::string percent_text(int64_t count, int64_t rows);

}  // namespace tessel
