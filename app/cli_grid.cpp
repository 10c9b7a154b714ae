// tessel-cli grid: the browser's view of a node as text, tables tab-separated.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string>

#include "app/cli_commands.h"
#include "app/cli_common.h"
#include "parse/path_expression.h"
#include "views/grid_text.h"
#include "views/row_sort.h"
#include "views/table_view.h"

namespace tessel::cli {

namespace {

constexpr const char* kUsage =
    "usage: tessel-cli grid FILE [--path P] [--sort N[:desc]] [--type xml|dtd|json]\n"
    "Prints the view the browser shows for the node that path P names (the document when no\n"
    "path is given): the title line, each text line, and each table as tab-separated rows\n"
    "ending in CR LF, followed by a blank line. --sort N sorts every table by its column N,\n"
    "counted from 1 as printed; :desc sorts descending. Paths name nodes by name and position,\n"
    "e.g. catalog/products/product(2) or [1]/[3].\n";

}  // namespace

int run_grid(const std::vector<std::string_view>& args) {
    Arguments a = split_arguments(args, {"--path", "--sort", "--type"}, {});
    if (a.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    int sort_column = -1;
    bool descending = false;
    if (auto s = option(a, "--sort")) {
        std::string_view spec = *s;
        if (spec.size() > 5 && spec.substr(spec.size() - 5) == ":desc") {
            descending = true;
            spec.remove_suffix(5);
        }
        auto [end, ec] = std::from_chars(spec.data(), spec.data() + spec.size(), sort_column);
        if (ec != std::errc() || end != spec.data() + spec.size() || sort_column < 1)
            a.error = "--sort needs a column number from 1, optionally followed by :desc";
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
            std::string column = std::to_string(sort_column - 1), message;
            run_sort(table, column, nullptr, &message);
            if (descending) run_sort(table, column, nullptr, &message);
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
