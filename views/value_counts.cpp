// The value-count view.
#include "views/value_counts.h"

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/number_format.h"

namespace tessel {

std::string percent_text(int64_t count, int64_t rows) {
    if (rows <= 0) return "0.00";
    // In hundredths of a percent, rounded half up, without going through a float.
    const int64_t hundredths = (count * 10000 * 2 + rows) / (rows * 2);
    std::string fraction = std::to_string(hundredths % 100);
    if (fraction.size() < 2) fraction.insert(0, "0");
    return std::to_string(hundredths / 100) + "." + fraction;
}

std::unique_ptr<View> value_count_view(NodeProvider& provider, Node& selected, const ColumnStats& stats,
                                       std::string_view header, Job* job) {
    QuietJob quiet;
    if (!job) job = &quiet;
    auto view = std::make_unique<View>(provider, selected, "Value counts");
    Arena& arena = view->arena();
    const auto keep = [&](std::string_view text) -> const char* {
        return arena.copy_text(text.data(), static_cast<uint32_t>(text.size()));
    };
    ViewItem title{ViewItem::Kind::title_line};
    title.text = keep("Value counts of \"" + std::string(header) + "\": " + counted(stats.rows, "row") + ", " +
                      counted(stats.distinct, "distinct value") +
                      (stats.empty > 0 ? ", " + counted(stats.empty, "empty cell") : std::string()));
    view->add(title);

    // Empty cells take their place among the values by their count.
    std::vector<const ValueCount*> order;
    order.reserve(stats.counts.size() + 1);
    const ValueCount empty{std::string(), stats.empty};
    bool empty_placed = stats.empty == 0;
    for (const ValueCount& value : stats.counts) {
        if (!empty_placed && stats.empty > value.count) {
            order.push_back(&empty);
            empty_placed = true;
        }
        order.push_back(&value);
    }
    if (!empty_placed) order.push_back(&empty);

    // The texts live in the view's arena, as long as its table.
    auto* texts = static_cast<const char**>(
        arena.allocate(static_cast<uint32_t>(sizeof(const char*) * 3 * (order.size() + 1)), alignof(const char*)));
    texts[0] = keep(header.empty() ? std::string_view("value") : header);
    texts[1] = "count";
    texts[2] = "percent";
    int64_t largest = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const ValueCount& value = *order[i];
        const char** row = texts + 3 * (i + 1);
        row[kValueColumn] = value.value.empty() ? nullptr : keep(value.value);
        row[kCountColumn] = keep(std::to_string(value.count));
        row[kPercentColumn] = keep(percent_text(value.count, stats.rows));
        largest = std::max(largest, value.count);
        if (i % 8192 == 8191) job->yield_point();
    }
    GridTable* table = GridTable::literal(provider, selected, 3, {texts, 3 * (order.size() + 1)}, arena);
    table->set_bars(kCountColumn, largest);
    ViewItem item{ViewItem::Kind::table};
    item.table = table;
    view->add(item);
    return view;
}

}  // namespace tessel
