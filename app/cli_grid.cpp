// tessel-cli grid: the browser's view of a node as text, tables tab-separated.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "parse/path_expression.h"
#include "views/grid_text.h"
#include "views/row_sort.h"
#include "views/table_view.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli grid FILE [--path P] [--sort N[:desc][,M[:desc]...]] [--type xml|dtd|json]\n"
    "Prints the view the browser shows for the node that path P names (the document when no\n"
    "path is given): the title line, each text line, and each table as tab-separated rows\n"
    "ending in CR LF, followed by a blank line. --sort N sorts every table by its column N,\n"
    "counted from 1 as printed; :desc sorts descending; further columns after commas order\n"
    "the rows the ones before leave equal. Paths name nodes by name and position,\n"
    "e.g. catalog/products/product(2) or [1]/[3].\n";

}  // namespace

int run_grid(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"--path", "--sort", "--type"}, {});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // --sort N[:desc],M...: the keys, columns counted from 1.
    std::vector<SortSpec> keys;
    if (auto s = option(a, "--sort")) {
        std::string_view list = *s;
        for (size_t start = 0; start <= list.size() && a.error.empty();) {
            size_t end = list.find(',', start);
            if (end == std::string_view::npos) end = list.size();
            std::string_view spec = list.substr(start, end - start);
            SortSpec key;
            for (const auto& [suffix, up] : {std::pair{std::string_view(":asc"), true}, std::pair{std::string_view(":desc"), false}})
                if (spec.ends_with(suffix)) {
                    key.ascending = up;
                    spec.remove_suffix(suffix.size());
                }
            int number = 0;
            auto [at, ec] = std::from_chars(spec.data(), spec.data() + spec.size(), number);
            if (ec != std::errc() || at != spec.data() + spec.size() || number < 1)
                a.error = "--sort needs column numbers from 1, each optionally followed by :desc, separated by commas";
            key.column = number - 1;
            keys.push_back(key);
            start = end + 1;
        }
    }
    int sort_column = 0;  // the highest column number a key names
    std::string sort_text;
    for (const SortSpec& key : keys) {
        sort_column = std::max(sort_column, key.column + 1);
        if (!sort_text.empty()) sort_text += ',';
        sort_text += std::to_string(key.column) + (key.ascending ? ":asc" : ":desc");
    }
    if (a.error.empty() && a.operands.size() != 1) a.error = "give exactly one file";
    if (!a.error.empty()) {
        std::fprintf(stderr, "tessel-cli grid: %s\n", a.error.c_str());
        return 2;
    }
    std::string path(a.operands[0]), text, error;
    if (!read_file(path, text, error)) {
        std::fprintf(stderr, "tessel-cli grid: cannot read %s: %s\n", path.c_str(), error.c_str());
        return 2;
    }
    auto tree = parse_file("grid", path, text, option(a, "--type"));
    if (!tree) return 2;
    if (!has_document("grid", path, text, *tree)) return 1;
    Node* node = tree->root();
    if (auto p = option(a, "--path")) {
        PathResult found = resolve_path(*p, *tree->root());
        if (!found.ok) {
            std::fprintf(stderr, "tessel-cli grid: %s\n", found.error);
            return 2;
        }
        node = found.node;
    }
    TreeNodeProvider provider(tree.get());
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
        write_grid_text(table, scratch, [](std::string_view piece) {
            std::fwrite(piece.data(), 1, piece.size(), stdout);
        });
        std::printf("\n");
        if (output_failed()) break;  // reported when the command ends
    }
    return 0;
}

}  // namespace tessel::cli
