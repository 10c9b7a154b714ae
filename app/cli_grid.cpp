// tessel-cli grid: the browser's view of a node as text, tables tab-separated.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "views/grid_text.h"
#include "views/row_sort.h"
#include "views/table_view.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli grid FILE [--path P] [--sort N[:desc][,M[:desc]...]] [--filter EXPR]\n"
    "                       [--type xml|dtd|json]\n"
    "Prints the view the browser shows for the node that path P names (the document when no\n"
    "path is given): the title line, each text line, and each table as tab-separated rows\n"
    "ending in CR LF, followed by a blank line. --sort N sorts every table by its column N,\n"
    "counted from 1 as printed; :desc sorts descending; further columns after commas order\n"
    "the rows the ones before leave equal. --filter prints only the rows (after the header)\n"
    "that EXPR keeps, in the order of the sort:\n"
    "  [COLUMN]~TEXT    a cell holds TEXT, ignoring case\n"
    "  [COLUMN]~~REGEX  a regular expression (PCRE2) matches in a cell, ignoring case\n"
    "  [COLUMN]=TEXT    a cell is exactly TEXT (\"COLUMN=\" keeps empty cells)\n"
    "COLUMN is a number counted from 1 as printed or a header's text; without it any cell of\n"
    "the row may match. A table without that column reads its cells as empty. Paths name\n"
    "nodes by name and position, e.g. catalog/products/product(2) or [1]/[3]. Example:\n"
    "  tessel-cli grid catalog.xml --path catalog --filter 'name~lamp' --sort 3:desc\n";

}  // namespace

int run_grid(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"--path", "--sort", "--filter", "--type"}, {});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // --sort N[:desc],M...: the keys, columns counted from 1.
    std::vector<SortSpec> keys;
    if (auto s = option(a, "--sort")) {
        auto parsed = parse_sort_keys(*s);
        if (!parsed || std::ranges::any_of(*parsed, [](const SortSpec& k) { return k.column < 1; }))
            a.error = "--sort needs column numbers from 1, each optionally followed by :desc, separated by commas";
        else
            keys = std::move(*parsed);
    }
    int sort_column = 0;  // the highest column number a key names
    for (SortSpec& key : keys) {
        sort_column = std::max(sort_column, key.column);
        --key.column;  // run_sort counts columns from 0
    }
    const std::string sort_text = sort_keys_text(keys);
    std::optional<TableFilter> filter;
    if (auto f = option(a, "--filter"); f && a.error.empty())
        filter = parse_table_filter(*f, &a.error);
    if (a.error.empty() && a.operands.size() != 1) a.error = "give exactly one file";
    if (!a.error.empty()) {
        std::fprintf(stderr, "tessel-cli grid: %s\n", a.error.c_str());
        return 2;
    }
    LoadedNode loaded;
    if (const int status = load_node("grid", a, loaded)) return status;
    Node* node = loaded.node;
    TreeNodeProvider provider(loaded.tree.get());
    auto view = build_view(provider, *node, "scroll1", 0);
    if (sort_column >= 1) {
        // A column that no table has is a mistake in the arguments, not an order to keep.
        int32_t widest = 0;
        for (const ViewItem& item : view->items())
            if (item.kind == ViewItem::Kind::table)
                widest = std::max(widest, item.table->column_count());
        if (sort_column > widest) {
            if (widest == 0)
                std::fprintf(stderr, "tessel-cli grid: --sort %d: the view has no table\n",
                             sort_column);
            else
                std::fprintf(stderr,
                             "tessel-cli grid: --sort %d: no such column (the widest table "
                             "has %d)\n",
                             sort_column, widest);
            return 2;
        }
    }
    LargeArena scratch;
    if (filter && !filter->column.empty()) {
        // As with --sort: a column that no table has is a mistake in the arguments.
        bool found = false, any_table = false;
        for (const ViewItem& item : view->items()) {
            if (item.kind != ViewItem::Kind::table) continue;
            any_table = true;
            found = found || has_filter_column(*item.table, *filter, scratch);
        }
        if (!found) {
            const bool number = std::ranges::all_of(
                filter->column, [](char c) { return c >= '0' && c <= '9'; });
            const std::string reason =
                !any_table ? "the view has no table"
                : number   ? "no table has a column " + filter->column
                           : "no table has a column named \"" + filter->column + "\"";
            std::fprintf(stderr, "tessel-cli grid: --filter: %s\n", reason.c_str());
            return 2;
        }
    }
    int64_t given_up = 0;
    int table_number = 0;
    for (const ViewItem& item : view->items()) {
        if (item.kind != ViewItem::Kind::table) {
            std::printf("%s\n", item.text);
            continue;
        }
        GridTable& table = *item.table;
        ++table_number;
        if (sort_column > table.column_count()) {
            std::fprintf(stderr, "tessel-cli grid: table %d has %d columns; left unsorted\n",
                         table_number, table.column_count());
        } else if (sort_column >= 1) {
            std::string message;
            run_sort(table, sort_text, nullptr, &message);
        }
        if (filter) {
            std::string error;
            if (!filter_table(table, *filter, scratch, &given_up, &error)) {
                std::fprintf(stderr, "tessel-cli grid: --filter: %s\n", error.c_str());
                return 2;
            }
        }
        write_grid_text(table, scratch, [](std::string_view piece) {
            std::fwrite(piece.data(), 1, piece.size(), stdout);
        });
        std::printf("\n");
        if (output_failed()) break;  // reported when the command ends
    }
    if (given_up > 0)
        std::fprintf(stderr,
                     "tessel-cli grid: the regular expression gave up on %lld cells (too much "
                     "backtracking) and counted them as not matching\n",
                     static_cast<long long>(given_up));
    return 0;
}

}  // namespace tessel::cli
