// tessel-cli stats: one column of a table at a glance, and the count of each of its values.
#include <cstdio>
#include <optional>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "views/column_stats.h"
#include "views/grid_text.h"
#include "views/table_view.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli stats FILE [--path P] [--column N|NAME] [--filter EXPR]\n"
    "                        [--type xml|dtd|json]\n"
    "Describes one column of the largest table of the view that `grid` prints for path P: its\n"
    "rows, empty cells, distinct values, shortest and longest text, and where values read as\n"
    "numbers their count, minimum, maximum, exact sum and mean, then a histogram of 20 bins\n"
    "from the minimum to the maximum, then every value with its count and percent of the rows,\n"
    "most frequent first. Three tab-separated tables with a header line each, separated by a\n"
    "blank line. N counts columns from 1 as `grid` prints them (default 2, the first after the\n"
    "rows' names); NAME is a column's header. With --filter (as `grid` reads it) only the rows\n"
    "it keeps are described. Example:\n"
    "  tessel-cli stats catalog.xml --path catalog --column price --filter 'name~lamp'\n";

void print_row(std::initializer_list<std::string_view> fields) {
    std::string line;
    bool first = true;
    for (std::string_view field : fields) {
        if (!first) line += '\t';
        append_field(line, field);
        first = false;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
}

std::string number_text(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

}  // namespace

int run_stats(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"--path", "--column", "--filter", "--type"}, {});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::optional<TableFilter> filter;
    if (auto f = option(a, "--filter"); f && a.error.empty())
        filter = parse_table_filter(*f, &a.error);
    if (a.error.empty() && a.operands.size() != 1) a.error = "give exactly one file";
    if (!a.error.empty()) {
        std::fprintf(stderr, "tessel-cli stats: %s\n", a.error.c_str());
        return 2;
    }
    LoadedNode loaded;
    if (const int status = load_node("stats", a, loaded)) return status;
    Node* node = loaded.node;
    TreeNodeProvider provider(loaded.tree.get());
    auto view = build_view(provider, *node, "scroll1", 0);
    GridTable* table = nullptr;
    for (const ViewItem& item : view->items())
        if (item.kind == ViewItem::Kind::table && (!table || item.table->row_count() > table->row_count()))
            table = item.table;
    if (!table) {
        std::fprintf(stderr, "tessel-cli stats: the view of that node has no table\n");
        return 2;
    }
    SmallArena scratch;
    const std::string spec(option(a, "--column").value_or(table->column_count() > 1 ? "2" : "1"));
    const int32_t column = find_column(*table, spec, scratch);
    if (column < 0) {
        std::fprintf(stderr, "tessel-cli stats: --column %s: no such column (the table has %d)\n", spec.c_str(),
                     table->column_count());
        return 2;
    }
    if (filter) {
        if (!has_filter_column(*table, *filter, scratch)) {
            std::fprintf(stderr, "tessel-cli stats: --filter: no column %s (the table has %d)\n",
                         filter->column.c_str(), table->column_count());
            return 2;
        }
        std::string error;
        int64_t given_up = 0;
        if (!filter_table(*table, *filter, scratch, &given_up, &error)) {
            std::fprintf(stderr, "tessel-cli stats: --filter: %s\n", error.c_str());
            return 2;
        }
        if (given_up > 0)
            std::fprintf(stderr,
                         "tessel-cli stats: the regular expression gave up on %lld cells (too "
                         "much backtracking) and counted them as not matching\n",
                         static_cast<long long>(given_up));
    }
    // Rows the filter hides are left out of every figure.
    const ColumnStats stats = column_stats(*table, column, nullptr);
    print_row({"statistic", "value"});
    print_row({"column", table->cell_text(0, column, scratch)});
    print_row({"rows", std::to_string(stats.rows)});
    print_row({"empty", std::to_string(stats.empty)});
    print_row({"distinct", std::to_string(stats.distinct)});
    print_row({"shortest", stats.shortest});
    print_row({"longest", stats.longest});
    print_row({"numbers", std::to_string(stats.numbers)});
    if (stats.numbers > 0) {
        print_row({"minimum", stats.minimum_text});
        print_row({"maximum", stats.maximum_text});
        print_row({"sum", stats.sum.text()});
        print_row({"mean", stats.mean.text()});
    }
    std::printf("\n");
    print_row({"low", "high", "count"});
    for (const HistogramBin& bin : stats.histogram)
        print_row({number_text(bin.low), number_text(bin.high), std::to_string(bin.count)});
    std::printf("\n");
    print_row({"value", "count", "percent"});
    char percent[32];
    for (const ValueCount& v : stats.counts) {
        std::snprintf(percent, sizeof percent, "%.2f", percent_of_rows(v.count, stats.rows));
        print_row({v.value, std::to_string(v.count), percent});
        if (output_failed()) break;
    }
    return 0;
}

}  // namespace tessel::cli
