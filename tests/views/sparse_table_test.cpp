// Sparse tables: a column keeps only the cells it has, so a table costs memory in proportion
// to its non-empty cells however many rows and columns it spans; and the cells and sorts of
// such tables are those a search of each row's children by name gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "parse/json_parser.h"
#include "parse/node_description.h"
#include "parse/xml_parser.h"
#include "views/cell_index.h"
#include "views/consolidation.h"
#include "views/natural_compare.h"
#include "views/row_sort.h"
#include "views/table_view.h"

namespace tessel {
namespace {

// Random row sets of every density and shape against a std::map.
TEST(CellIndex, AgreesWithAMapAndHoldsAtMostTwoSlotsACell) {
    std::mt19937 rng(22);
    const double densities[] = {0.0005, 0.01, 0.2, 0.45, 0.55, 0.9, 1.0};
    for (int trial = 0; trial < 300; ++trial) {
        // Some runs pass the length from which a full column gets its whole room at once.
        const int32_t rows = 1 + static_cast<int32_t>(rng() % (trial % 4 == 0 ? 12000 : 3000));
        const double density = densities[trial % 7];
        // Some trials fill only a stretch of the rows: a prefix, a middle, a suffix.
        const int32_t from = trial % 3 == 0 ? static_cast<int32_t>(rng() % rows) : 0;
        const int32_t to = trial % 5 == 0 ? from + static_cast<int32_t>(rng() % (rows - from)) : rows - 1;
        std::map<int32_t, int32_t> reference;
        std::bernoulli_distribution take(density);
        for (int32_t r = from; r <= to; ++r)
            if (take(rng)) reference[r] = static_cast<int32_t>(rng() % 200);

        HugeArena building, arena;
        CellIndex index;
        for (auto [row, j] : reference) index.add(row, j, rows, building);
        index.finish(arena);
        building.reset();  // the finished index no longer reads it

        ASSERT_EQ(index.cell_count(), static_cast<int32_t>(reference.size()));
        ASSERT_LE(index.stored_slots(), 2 * static_cast<int64_t>(reference.size()))
            << "rows " << rows << " density " << density;
        for (int32_t r = -1; r <= rows; ++r) {
            auto it = reference.find(r);
            ASSERT_EQ(index.find(r), it == reference.end() ? -1 : it->second) << "row " << r;
        }
        for (int k = 0; k < 5; ++k) {
            int32_t a = static_cast<int32_t>(rng() % (rows + 2)) - 1;
            int32_t b = a + static_cast<int32_t>(rng() % (rows + 1));
            std::vector<std::pair<int32_t, int32_t>> got, want;
            index.for_each_in(a, b, [&](int32_t row, int32_t j) { got.push_back({row, j}); });
            for (auto it = reference.lower_bound(a); it != reference.end() && it->first <= b; ++it)
                want.push_back(*it);
            ASSERT_EQ(got, want) << "rows " << a << ".." << b;
        }
    }
}

struct Built {
    std::unique_ptr<DocumentTree> tree;
    std::unique_ptr<TreeNodeProvider> provider;
    std::unique_ptr<View> view;
    GridTable* table = nullptr;
};

// The view of the node `path` leads to (child indexes from the root), and its first table.
Built build(std::unique_ptr<DocumentTree> tree, std::initializer_list<int> path) {
    Built b;
    b.tree = std::move(tree);
    b.provider = std::make_unique<TreeNodeProvider>(b.tree.get());
    Node* node = b.tree->root();
    for (int i : path) node = node->child(i);
    b.view = build_view(*b.provider, *node, "scroll1", 0);
    for (const ViewItem& item : b.view->items())
        if (item.kind == ViewItem::Kind::table && !b.table) b.table = item.table;
    return b;
}

// n rows whose cells are spread in four ways: every row its own name (json, attributes,
// sub-elements: consolidated into one column), each name in two rows (n / 2 columns that
// stay apart), and one row holding every name beside rows without any.
Built sparse(const std::string& shape, int n) {
    std::string text;
    if (shape == "json") {
        text = "[";
        for (int i = 0; i < n; ++i) text += (i ? ",{\"k" : "{\"k") + std::to_string(i) + "\":1}";
        return build(parse_json(text + "]"), {});
    }
    text = "<r>";
    for (int i = 0; i < n; ++i) {
        if (shape == "attributes") text += "<x a" + std::to_string(i) + "=\"1\"/>";
        if (shape == "subtags") text += "<x><c" + std::to_string(i) + "/></x>";
        if (shape == "pairs") text += "<x a" + std::to_string(i / 2) + "=\"1\"/>";
        if (shape == "one row") {
            text += "<x";
            for (int k = 0; i == 0 && k < n; ++k) text += " a" + std::to_string(k) + "=\"1\"";
            text += "/>";
        }
    }
    return build(parse_xml(text + "</r>"), {0});
}

// The bound the table keeps whatever the shape: its columns hold at most two slots per
// non-empty cell, and the view's memory grows like the document (four times the rows, about
// four times the bytes; a table held as rows x columns would take sixteen times).
TEST(SparseTable, MemoryFollowsTheNonEmptyCells) {
    for (const char* shape : {"json", "attributes", "subtags", "pairs", "one row"}) {
        uint64_t footprint[2] = {0, 0};
        for (int k = 0; k < 2; ++k) {
            const int n = k == 0 ? 1500 : 6000;
            Built b = sparse(shape, n);
            ASSERT_NE(b.table, nullptr) << shape;
            int64_t cells = 0, slots = 0, columns = 0;
            for (ColumnGroup* group : b.table->groups()) {
                if (!group) continue;
                for (Column* c : group->columns) {
                    cells += c->cells.cell_count();
                    slots += c->cells.stored_slots();
                    ++columns;
                }
            }
            EXPECT_EQ(cells, n) << shape;
            EXPECT_LE(slots, 2 * cells) << shape;
            EXPECT_EQ(columns, std::string(shape) == "pairs" ? n / 2 : n) << shape;
            footprint[k] = b.view->arena().footprint();
        }
        EXPECT_LT(static_cast<double>(footprint[1]) / static_cast<double>(footprint[0]), 6.0)
            << shape << ": " << footprint[0] << " then " << footprint[1] << " bytes";
    }
}

// What a cell shows when it is found the slow way: the row's first grandchild of the
// column's group and name, as drawing, copying and sorting found it before columns kept an
// index; a name repeated within the row shows its occurrences.
std::string searched_cell(Built& b, int32_t row, const Column& column) {
    Node* child = b.table->row_node(row);
    SmallArena arena;
    Node* found = nullptr;
    int occurrences = 0;
    for (int32_t j = 0;; ++j) {
        Node* g = b.provider->child(*child, j);
        if (!g) break;
        QueryResult r;
        run_query(*g, kQueryDisplay, arena, r, b.tree.get());
        const NodeDescription& d = r.description;
        const std::string name = d.name.empty() ? std::string(d.type_name) : std::string(d.name);
        if (std::max(d.column_group, 0) != column.group || name != column.name) continue;
        if (!found) found = g;
        ++occurrences;
    }
    if (!found) return "";
    if (occurrences > 1) return std::string(column.name) + " (" + std::to_string(occurrences) + " occurrences)";
    QueryResult r;
    run_query(*found, kQueryCell, arena, r, b.tree.get());
    return std::string(r.text);
}

// Random tables whose names range from one row in a thousand to every row, some repeated
// within a row: every cell of every separate column equals the searched cell, and sorting by
// any column gives the order of those texts (present before empty, then natural order, ties
// by row, in either direction).
TEST(SparseTable, CellsAndSortsAgreeWithASearchByName) {
    set_unique_consolidation_threshold(9);
    std::mt19937 rng(2022);
    const double densities[] = {0.001, 0.01, 0.05, 0.3, 0.6, 0.95, 1.0};
    for (int trial = 0; trial < 6; ++trial) {
        const int rows = 200 + static_cast<int>(rng() % 1500);
        std::vector<double> density(40);
        for (double& d : density) d = densities[rng() % 7];
        std::string xml = "<r>";
        for (int i = 0; i < rows; ++i) {
            xml += "<p";
            for (int a = 0; a < 20; ++a)
                if (std::bernoulli_distribution(density[a])(rng))
                    xml += " a" + std::to_string(a) + "='" + std::to_string(rng() % 500) + "'";
            xml += ">";
            for (int s = 20; s < 40; ++s) {
                if (!std::bernoulli_distribution(density[s])(rng)) continue;
                const int times = rng() % 8 == 0 ? 2 : 1;
                for (int k = 0; k < times; ++k)
                    xml += "<s" + std::to_string(s) + ">w" + std::to_string(rng() % 300) + "</s" +
                           std::to_string(s) + ">";
            }
            xml += "</p>";
        }
        Built b = build(parse_xml(xml + "</r>"), {0});
        ASSERT_NE(b.table, nullptr);
        GridTable& t = *b.table;
        LargeArena arena;
        for (int32_t c = 0; c < t.column_count(); ++c) {
            const GridTable::DisplayColumn& dc = t.display_column(c);
            if (dc.kind != GridTable::ColumnKind::data || dc.column->consolidated) continue;
            std::vector<std::string> texts(static_cast<size_t>(rows) + 1);
            for (int32_t row = 1; row <= rows; ++row) {
                texts[row] = searched_cell(b, row, *dc.column);
                ArenaMark mark = arena.mark();
                ASSERT_EQ(std::string(t.cell_text(row, c, arena)), texts[row])
                    << "trial " << trial << " column " << dc.column->name << " row " << row;
                arena.release(mark);
            }
            for (bool ascending : {true, false}) {
                std::vector<int32_t> want(static_cast<size_t>(rows));
                for (int32_t i = 0; i < rows; ++i) want[i] = i + 1;
                std::stable_sort(want.begin(), want.end(), [&](int32_t x, int32_t y) {
                    const bool hx = !texts[x].empty(), hy = !texts[y].empty();
                    if (hx != hy) return hx;
                    if (!hx) return false;
                    const int cmp = natural_compare(texts[x], texts[y]);
                    return ascending ? cmp < 0 : cmp > 0;
                });
                std::string message;
                run_sort(t, std::to_string(c) + (ascending ? ":asc" : ":desc"), nullptr, &message);
                ASSERT_EQ(std::vector<int32_t>(t.row_order().begin(), t.row_order().end()), want)
                    << "trial " << trial << " column " << dc.column->name << (ascending ? " asc" : " desc");
            }
        }
    }
    set_unique_consolidation_threshold(kDefaultConsolidationThreshold);
}

}  // namespace
}  // namespace tessel
