// view_bench: building the table view of an element with 1 000 000 children, and sorting its
// rows by a text column and by a numeric column, each sort beside `sort -V` on the same keys
// in the same run; then the document view (the view and its grid text, as `tessel-cli grid`
// prints it) of documents whose DOCTYPE holds 100 000 and 600 000 declarations, each beside
// the parse of the same document, so that a cost growing faster than the document shows.
// Usage: view_bench [--rows N] [--repeat N] [--declarations N,M]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/make_document.h"
#include "foundation/arena.h"
#include "parse/xml_parser.h"
#include "views/grid_text.h"
#include "views/row_sort.h"
#include "views/table_view.h"

namespace {

using namespace tessel;
using clock_type = std::chrono::steady_clock;

double ms_since(clock_type::time_point t) {
    return std::chrono::duration<double, std::milli>(clock_type::now() - t).count();
}

int column_named(GridTable& table, const char* name) {
    LargeArena arena;
    for (int32_t c = 0; c < table.column_count(); ++c)
        if (table.cell_text(0, c, arena) == name) return c;
    return -1;
}

// Writes the column's keys to a file and times `sort -V` on it.
double time_sort_v(GridTable& table, int column, const char* path) {
    FILE* f = std::fopen(path, "w");
    LargeArena arena;
    for (int32_t row = 1; row <= table.row_count(); ++row) {
        ArenaMark mark = arena.mark();
        std::string_view key = table.cell_text(row, column, arena);
        std::fwrite(key.data(), 1, key.size(), f);
        std::fputc('\n', f);
        arena.release(mark);
    }
    std::fclose(f);
    const double seconds =
        bench::command_seconds(std::string("LC_ALL=C sort -V ") + path + " > /dev/null", 1);
    return seconds > 0 ? seconds * 1000 : -1;
}

// A DOCTYPE of n ELEMENT declarations, each with its own name, and an empty root: the
// document view is one table whose DOCTYPE row has n cells, one column each.
std::string make_doctype_document(int declarations) {
    std::string out = "<!DOCTYPE root [\n";
    out.reserve(static_cast<size_t>(declarations) * 30 + 40);
    for (int i = 0; i < declarations; ++i)
        out += "<!ELEMENT e" + std::to_string(i) + " (#PCDATA)>\n";
    out += "]>\n<root/>\n";
    return out;
}

// The document view of a large DOCTYPE and its grid text, beside parsing the document.
void doctype_views(const std::vector<int>& sizes) {
    std::printf("\n%-44s %10s %12s %8s\n", "document view of a DOCTYPE", "ours ms", "parse ms",
                "ratio");
    for (int n : sizes) {
        const std::string text = make_doctype_document(n);
        auto p = clock_type::now();
        auto tree = parse_xml(text);
        const double parse_ms = ms_since(p);
        TreeNodeProvider provider(tree.get());
        auto t = clock_type::now();
        auto view = build_view(provider, *tree->root(), "scroll1", 0);
        LargeArena scratch;
        size_t bytes = 0;
        for (const ViewItem& item : view->items())
            if (item.kind == ViewItem::Kind::table) bytes += build_grid_text(*item.table, scratch).size();
        const double view_ms = ms_since(t);
        std::printf("%-44s %10.1f %12.1f %8.2f\n",
                    (std::to_string(n) + " declarations: view + grid text").c_str(), view_ms,
                    parse_ms, view_ms / parse_ms);
        if (bytes == 0) std::printf("  (no grid text)\n");
    }
    std::printf("ratio = view time / parse time (about the same at both sizes: linear)\n");
}

}  // namespace

int main(int argc, char** argv) {
    int rows = 1'000'000, repeats = 3;
    std::vector<int> declarations = {100'000, 600'000};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rows") == 0) rows = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--repeat") == 0) repeats = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--declarations") == 0) {
            declarations.clear();
            for (const char* at = argv[i + 1]; *at;) {
                declarations.push_back(std::atoi(at));
                at = std::strchr(at, ',') ? std::strchr(at, ',') + 1 : "";
            }
        }
    }
    std::string text = bench::make_item_catalog(rows);

    // The first build of a view makes the nodes it touches, so each timing starts from a
    // fresh parse; the median of a few tells more than one on a machine shared with others.
    std::vector<double> builds;
    std::unique_ptr<DocumentTree> tree;
    std::unique_ptr<TreeNodeProvider> provider;
    std::unique_ptr<View> view;
    for (int r = 0; r < repeats; ++r) {
        view.reset();
        provider.reset();
        tree.reset();
        tree = parse_xml(text);
        provider = std::make_unique<TreeNodeProvider>(tree.get());
        auto t = clock_type::now();
        view = build_view(*provider, *tree->root()->child(0), "scroll1", 0);
        builds.push_back(ms_since(t));
    }
    std::sort(builds.begin(), builds.end());
    const double build_ms = builds[builds.size() / 2];
    // Again, now that the tree has made and cached every node the view touches.
    auto t = clock_type::now();
    auto again = build_view(*provider, *tree->root()->child(0), "scroll1", 0);
    const double rebuild_ms = ms_since(t);
    again.reset();
    GridTable* table = nullptr;
    for (const ViewItem& item : view->items())
        if (item.kind == ViewItem::Kind::table) table = item.table;
    if (!table) {
        std::fprintf(stderr, "view_bench: no table\n");
        return 1;
    }
    std::printf("view_bench: %d children, %.1f MB document\n\n", rows, text.size() / 1e6);
    std::printf("%-44s %10s %12s %8s  %s\n", "work", "ours ms", "sort -V ms", "ratio", "budget");
    std::printf("%-44s %10.1f %12s %8s  %s\n", "build the view (first, nodes made; median)", build_ms,
                "-", "-", "< 2000 ms");
    std::printf("%-44s %10.1f %12s %8s  %s\n", "  fastest first build", builds.front(), "-", "-", "");
    std::printf("%-44s %10.1f %12s %8s  %s\n", "  slowest first build", builds.back(), "-", "-", "");
    std::printf("%-44s %10.1f %12s %8s  %s\n", "build the view again (nodes cached)", rebuild_ms, "-",
                "-", "");

    for (const char* name : {"name", "price"}) {
        int column = column_named(*table, name);
        std::string message;
        auto s = clock_type::now();
        run_sort(*table, std::to_string(column), nullptr, &message);
        const double ours = ms_since(s);
        const double peer = time_sort_v(*table, column, "/tmp/view_bench_keys.txt");
        std::printf("%-44s %10.1f %12.1f %8.2f  %s\n",
                    (std::string("sort rows by ") + name + (name[0] == 'n' ? " (text)" : " (number)")).c_str(),
                    ours, peer, peer / ours, "ratio >= 1");
    }
    std::printf("\nratio = sort -V time / our time (> 1: ours faster)\n");
    doctype_views(declarations);
    return 0;
}
