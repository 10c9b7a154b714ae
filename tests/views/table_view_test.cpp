// The table view: the lines and tables a view is made of, columns and repeated names,
// unique consolidation, and the grid text of a table.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "parse/node_description.h"
#include "parse/xml_nodes.h"
#include "parse/xml_parser.h"
#include "tests/file_contents.h"
#include "views/browser_paint_state.h"
#include "views/consolidation.h"
#include "views/grid_text.h"
#include "views/table_view.h"

namespace tessel {
namespace {

using Strings = std::vector<std::string>;

struct Built {
    std::unique_ptr<DocumentTree> tree;
    std::unique_ptr<TreeNodeProvider> provider;
    std::unique_ptr<View> view;
};

// The view of the first top-level element, or of the node `pick` chooses from it.
Built build(const std::string& xml, Node* (*pick)(Node&) = nullptr) {
    Built b;
    b.tree = parse_xml(xml);
    b.provider = std::make_unique<TreeNodeProvider>(b.tree.get());
    Node* node = b.tree->root()->child(0);
    if (pick) node = pick(*node);
    b.view = build_view(*b.provider, *node, "scroll1", 0);
    return b;
}

// One string per item: texts as they are, tables as "table RxC".
Strings outline(View& view) {
    Strings out;
    for (const ViewItem& item : view.items()) {
        if (item.kind == ViewItem::Kind::table)
            out.push_back("table " + std::to_string(item.table->row_count()) + "x" +
                          std::to_string(item.table->column_count()));
        else
            out.push_back(item.text);
    }
    return out;
}

GridTable& table(View& view, int n = 0) {
    for (const ViewItem& item : view.items())
        if (item.kind == ViewItem::Kind::table && n-- == 0) return *item.table;
    throw std::runtime_error("no such table");
}

std::string grid(GridTable& t) {
    LargeArena arena;
    return build_grid_text(t, arena);
}

TEST(TableView, AttributesOnly) {
    auto b = build(R"(<e a="1" b="2"/>)");
    EXPECT_EQ(outline(*b.view), (Strings{"e", "2 Attributes:", "table 2x2", "(This tag has no Subtags)"}));
    EXPECT_EQ(grid(table(*b.view)), "name\tvalue\r\na\t1\r\nb\t2\r\n");
}

TEST(TableView, SubelementsWithoutAttributes) {
    auto b = build("<r><x>1</x><x>2</x><y/></r>");
    EXPECT_EQ(outline(*b.view), (Strings{"r", "(This tag has no Attributes)", "3 Subtags:", "table 3x2"}));
    EXPECT_EQ(grid(table(*b.view)), "Tag name/Text\tText\r\nx\t1\r\nx\t2\r\ny\t\r\n");
}

// Headings count in plain English: one of a thing is singular, a keyword in capitals keeps
// its form, and the document is called a document, whatever its tree label says.
TEST(TableView, HeadingsAndEmptySectionsReadAsEnglish) {
    for (const char* xml : {"<a/><b/>", "<r/>"}) {
        auto tree = parse_xml(xml);
        TreeNodeProvider provider(tree.get());
        auto view = build_view(provider, *tree->root(), "scroll1", 0);
        const Strings lines = outline(*view);
        ASSERT_GE(lines.size(), 3u) << xml;
        EXPECT_EQ(lines[1], "(This document has no DOCTYPE)") << xml;
        EXPECT_EQ(lines[2], std::string(xml) == "<r/>" ? "1 Subtag:" : "2 Subtags:") << xml;
    }
    auto one = build(R"(<e a="1"><x/></e>)");
    EXPECT_EQ(outline(*one.view), (Strings{"e", "1 Attribute:", "table 1x2", "1 Subtag:", "table 1x1"}));
}

TEST(TableView, AnOnlyTextIsATextSection) {
    auto b = build("<r>hello there</r>");
    ASSERT_EQ(outline(*b.view), (Strings{"r", "(This tag has no Attributes)", "1 Text section:", "hello there"}));
    EXPECT_TRUE(b.view->items()[3].text_block);
    EXPECT_EQ(b.view->items()[3].position, 3);
}

TEST(TableView, ANodeWithoutChildrenShowsItsData) {
    auto b = build(R"(<e k="v"/>)", [](Node& e) { return e.child(0); });
    EXPECT_EQ(outline(*b.view), (Strings{"k = \"v\"", "Attribute data:", "table 1x2"}));
    // The "Name" and "Value" captions head their columns like any other title.
    EXPECT_EQ(grid(table(*b.view)), "Name\tValue\r\nk\tv\r\n");
}

TEST(TableView, ColumnsComeFromTheChildrensChildren) {
    auto b = build(R"(<r><p id="1" n="a"><t>x</t></p><p id="2"><t>y</t><u>z</u></p></r>)");
    GridTable& t = table(*b.view);
    EXPECT_EQ(grid(t),
              "Tag name/Text\tid\tn\tt\tu\r\n"
              "p\t1\ta\tx\t\r\n"
              "p\t2\t\ty\tz\r\n");
}

TEST(TableView, ANameRepeatedWithinARowIsOneCellOfOccurrences) {
    auto b = build("<r><row><item>1</item><item>2</item><item>3</item></row><row><item>4</item></row></r>");
    GridTable& t = table(*b.view);
    ASSERT_EQ(t.column_count(), 2);
    Column* item = t.display_column(1).column;
    RepeatGroup* group = nullptr;
    ASSERT_TRUE(item->repeats.find(0, &group));
    EXPECT_EQ(group->cells.size(), 3);
    EXPECT_FALSE(item->repeats.find(1, &group));
    EXPECT_EQ(grid(t), "Tag name/Text\titem\r\nrow\titem (3 occurrences)\r\nrow\t4\r\n");
}

TEST(TableView, KeyColumnShowsEachRowsOwnValue) {
    auto b = build("<r><a>1</a><b x='2'/><c>3<d/></c></r>");
    GridTable& t = table(*b.view);
    EXPECT_TRUE(t.has_key_column());
    EXPECT_STREQ(t.key_title(), "Text");
    LargeArena arena;
    EXPECT_EQ(t.cell_text(1, 1, arena), "1");
    EXPECT_EQ(t.cell_text(2, 1, arena), "2");
    EXPECT_EQ(t.cell_text(3, 1, arena), "3");  // the text column attached to the key column
}

// Only the texts of a row (group 0) share the key column titled "Text": an attribute and a
// sub-element that happen to be named "Text" keep columns of their own, and a row without
// its own text shows an empty key cell, not one of theirs.
TEST(TableView, ColumnsNamedLikeTheKeyColumnOutsideTheTextsKeepTheirOwnColumns) {
    auto b = build(R"(<r><p Text="attr">own<Text>sub</Text></p><p>two</p><p><Text>s3</Text></p></r>)");
    GridTable& t = table(*b.view);
    ASSERT_TRUE(t.has_key_column());
    EXPECT_EQ(grid(t),
              "Tag name/Text\tText\tText\tText\r\n"
              "p\town\tattr\tsub\r\n"
              "p\ttwo\t\t\r\n"
              "p\t\t\ts3\r\n");
}

// Texts of any length, in any script, come out whole in repeated and consolidated cells.
TEST(TableView, RepeatedAndConsolidatedCellsKeepLongTextsWhole) {
    std::string e60;
    for (int i = 0; i < 60; ++i) e60 += "\xC3\xA9";  // 120 bytes of U+00E9
    auto repeated = build("<r><p>" + e60 + "<b/>x</p><p>y</p></r>");
    LargeArena arena;
    EXPECT_EQ(table(*repeated.view).cell_text(1, 1, arena), e60 + " (2 occurrences)");

    // A lonely name repeated within its row is consolidated under its own name.
    const std::string name(150, 'n');
    auto consolidated = build("<r><p><" + name + ">1</" + name + "><" + name + ">2</" + name +
                              "></p><p><c>3</c></p><p><d>4</d></p><p><e>5</e></p></r>");
    GridTable& t = table(*consolidated.view);
    ASSERT_EQ(t.column_count(), 2);
    ASSERT_STREQ(t.display_column(1).column->name, "Unique Subtags");
    EXPECT_EQ(t.cell_text(1, 1, arena), name + " (2 occurrences)");
}

TEST(TableView, RowOfPosition) {
    //                      0         1         2
    //                      0123456789012345678901234
    auto b = build("<r><a>1</a><b>2</b><c/></r>");
    GridTable& t = table(*b.view);
    EXPECT_EQ(t.row_of_position(3), 1);
    EXPECT_EQ(t.row_of_position(13), 2);
    EXPECT_EQ(t.row_of_position(20), 3);
    EXPECT_EQ(t.row_of_position(1), -1);
}

TEST(Consolidation, LonelyColumnsBecomeOneUniqueColumn) {
    auto b = build("<r><p><a>1</a></p><p><b>2</b></p><p><c>3</c></p><p><d>4</d></p><p><e>5</e></p></r>");
    GridTable& t = table(*b.view);
    ASSERT_EQ(t.column_count(), 2);
    EXPECT_STREQ(t.display_column(1).column->name, "Unique Subtags");
    EXPECT_EQ(grid(t), "Tag name/Text\tUnique Subtags\r\np\t1\r\np\t2\r\np\t3\r\np\t4\r\np\t5\r\n");
}

TEST(Consolidation, NotWhenItWouldNotPayOrAllInOneRow) {
    auto two = build("<r><p><a>1</a></p><p><b>2</b></p></r>");
    EXPECT_EQ(table(*two.view).column_count(), 3);
    auto one_row = build("<r><p><a>1</a><b>2</b><c>3</c></p><p/></r>");
    EXPECT_EQ(table(*one_row.view).column_count(), 4);
    set_unique_consolidation_threshold(1);
    auto lowered = build("<r><p><a>1</a></p><p><b>2</b></p></r>");
    EXPECT_EQ(table(*lowered.view).column_count(), 2);
    set_unique_consolidation_threshold(kDefaultConsolidationThreshold);
}

TEST(Consolidation, ARowWithSeveralLonelyValues) {
    auto b = build("<r><p><a>1</a><b>2</b><c>3</c></p><p><d>4</d></p><p><e>5</e></p><p><f>6</f></p></r>");
    GridTable& t = table(*b.view);
    ASSERT_EQ(t.column_count(), 2);
    LargeArena arena;
    EXPECT_EQ(t.cell_text(1, 1, arena), "3 Unique Subtags");
    EXPECT_EQ(t.cell_text(2, 1, arena), "4");

    Cell many = t.cell_at(1, 1, arena);
    ASSERT_NE(many.node, nullptr);
    EXPECT_STREQ(many.node->validate_edit("x", kQueryCell), "Cannot edit in this context yet");
    Cell one = t.cell_at(2, 1, arena);
    EXPECT_EQ(one.node->validate_edit("x", kQueryValueCell), nullptr);  // edits the occurrence
    EXPECT_STREQ(one.node->validate_edit("<", kQueryValueCell), "Invalid character for chardata: < ");
}

TEST(GridText, EmptyCellsKeepTheirTabAndAwkwardTextsAreQuoted) {
    auto b = build("<r><p a='1' c='3'/><p b='x\ty' c='say \"hi\"'/></r>");
    EXPECT_EQ(grid(table(*b.view)),
              "Tag name/Text\ta\tc\tb\r\n"
              "p\t1\t3\t\r\n"
              "p\t\t\"say \"\"hi\"\"\"\t\"x\ty\"\r\n");
}

// Tab-separated rows ending in CR LF as a spreadsheet reads them: a quoted field keeps its
// tabs, line ends and doubled quotes.
std::vector<Strings> read_tsv(const std::string& text) {
    std::vector<Strings> rows;
    Strings row;
    std::string field;
    bool quoted = false, in_field = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"' && field.empty()) {
            quoted = in_field = true;
        } else if (c == '\t') {
            row.push_back(field);
            field.clear();
            in_field = true;
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            if (in_field || !field.empty() || !row.empty()) row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
            in_field = false;
            ++i;
        } else {
            field += c;
            in_field = true;
        }
    }
    return rows;
}

// Every table of a real document's views reads back with one field per column and each field
// equal to its cell, including the last column of every row.
TEST(GridText, EveryRowReadsBackWithOneFieldPerColumn) {
    constexpr const char* kMimeTypes = "/usr/share/mime/packages/freedesktop.org.xml";
    TESSEL_REQUIRE_INPUT(kMimeTypes);
    auto tree = parse_xml(test::file_contents(kMimeTypes));
    TreeNodeProvider provider(tree.get());
    Node* root = tree->root()->child(0);
    ASSERT_NE(root, nullptr);
    LargeArena scratch;
    int tables = 0, last_column_filled = 0;
    // The document element and a few mime-types (attributes, comments, globs, magic).
    std::vector<Node*> nodes{root};
    for (int32_t i = 0; i < std::min<int32_t>(provider.child_count(*root), 40); i += 7)
        nodes.push_back(provider.child(*root, i));
    for (Node* node : nodes) {
        auto view = build_view(provider, *node, "scroll1", 0);
        for (const ViewItem& item : view->items()) {
            if (item.kind != ViewItem::Kind::table) continue;
            GridTable& t = *item.table;
            ++tables;
            const auto rows = read_tsv(build_grid_text(t, scratch));
            ASSERT_EQ(rows.size(), static_cast<size_t>(t.row_count() + 1));
            for (int32_t r = 0; r <= t.row_count(); ++r) {
                const int32_t row = r == 0 ? 0 : t.row_order()[r - 1];
                ASSERT_EQ(rows[r].size(), static_cast<size_t>(t.column_count())) << r;
                for (int32_t c = 0; c < t.column_count(); ++c)
                    EXPECT_EQ(rows[r][c], std::string(t.cell_text(row, c, scratch))) << r << "," << c;
                last_column_filled += !rows[r].back().empty();
            }
        }
    }
    EXPECT_GT(tables, 3);
    EXPECT_GT(last_column_filled, 10);
}

TEST(GridText, OneCellTable) {
    auto b = build("<r><a/></r>");
    GridTable& t = table(*b.view);
    EXPECT_EQ(grid(t), "Tag name/Text\r\na\r\n");
}

TEST(GridText, RowsFollowTheSortedOrder) {
    auto b = build("<r><p k='1' n='item10'/><p k='2' n='item2'/><p k='3' n=''/><p k='4' n='Item2'/></r>");
    GridTable& t = table(*b.view);
    std::string message;
    run_sort(t, "2", nullptr, &message);
    EXPECT_EQ(grid(t), "Tag name/Text\tk\tn\r\np\t2\titem2\r\np\t4\tItem2\r\np\t1\titem10\r\np\t3\t\r\n");
    EXPECT_EQ(message.rfind("Sorted 4 rows in ", 0), 0u);
    run_sort(t, "2", nullptr, &message);
    EXPECT_EQ(grid(t), "Tag name/Text\tk\tn\r\np\t1\titem10\r\np\t2\titem2\r\np\t4\tItem2\r\np\t3\t\r\n");
}

// An element with one attribute and nothing else shows that attribute's value as its own.
TEST(TableView, OneAttributeElementsGetAKeyColumn) {
    auto b = build("<r><p n='a'/><p n='b'/></r>");
    EXPECT_EQ(grid(table(*b.view)), "Tag name/Text\tvalue\tn\r\np\ta\ta\r\np\tb\tb\r\n");
}

}  // namespace
}  // namespace tessel

namespace tessel {
namespace {

TEST(BrowserPaint, QuietUnder300MillisecondsThenCountsTenths) {
    BrowserPaintDecision d = browser_paint(true, false, 299.9);
    EXPECT_EQ(d.state, BrowserPaint::waiting);
    EXPECT_TRUE(d.text.empty());
    EXPECT_EQ(d.repaint_in_ms, 10);
    d = browser_paint(true, true, 1345);
    EXPECT_EQ(d.state, BrowserPaint::progress);
    EXPECT_EQ(d.text, "Preparing this view, 1.30 seconds elapsed");
    EXPECT_EQ(browser_paint(true, false, 300).text, "Preparing this view, 300.00 milliseconds elapsed");
    EXPECT_EQ(browser_paint(false, false, 5000).text, "This Tree Selection Browser is empty");
    EXPECT_EQ(browser_paint(false, true, 5000).state, BrowserPaint::ready);
}

struct RecordingJob final : Job {
    std::vector<int> progress;
    void set_progress(int p) override { progress.push_back(p); }
    void set_status_text(std::string_view) override {}
    void yield_point() override {}
};

TEST(TableView, ProgressEvery256AndNoTimingMessageForAQuickBuild) {
    std::string xml = "<r>";
    for (int i = 0; i < 3000; ++i) xml += "<p a='" + std::to_string(i) + "' b='x'/>";
    xml += "</r>";
    auto tree = parse_xml(xml);
    TreeNodeProvider provider(tree.get());
    RecordingJob job;
    std::string message = "unchanged";
    auto view = build_view(provider, *tree->root()->child(0), "scroll1", 0, &job, &message);
    ASSERT_FALSE(job.progress.empty());
    EXPECT_TRUE(std::is_sorted(job.progress.begin(), job.progress.end()));
    EXPECT_GE(job.progress.back(), 95);
    EXPECT_LE(job.progress.back(), 100);
    // 3000 children: counting reports 12 times, then one report per 256 units of work.
    EXPECT_GT(job.progress.size(), 12u);
    EXPECT_LT(job.progress.size(), 100u);
    if (message != "unchanged") {
        EXPECT_EQ(message.rfind("Created view in ", 0), 0u);
    }

    auto small = parse_xml("<r><a/></r>");
    TreeNodeProvider small_provider(small.get());
    std::string none;
    build_view(small_provider, *small->root()->child(0), "scroll1", 0, nullptr, &none);
    EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace tessel

namespace tessel {
namespace {

// Hides a table's quick key path, so sorting goes cell by cell.
class CellByCell final : public SortableTable {
public:
    explicit CellByCell(GridTable& t) : t_(t) {}
    int32_t row_count() const override { return t_.row_count(); }
    bool cell_text(int32_t row, int32_t column, Arena& arena, std::string_view* text) override {
        return t_.cell_text(row, column, arena, text);
    }
    int32_t sort_column() const override { return column_; }
    bool sort_ascending() const override { return ascending_; }
    void set_sorted(int32_t column, bool ascending, std::span<const int32_t> order) override {
        column_ = column;
        ascending_ = ascending;
        order_.assign(order.begin(), order.end());
    }
    GridTable& t_;
    int32_t column_ = -1;
    bool ascending_ = true;
    std::vector<int32_t> order_;
};

TEST(GridTableSort, QuickKeysSortLikeCellByCell) {
    // Gaps, repeated names, texts, a consolidated column and numbers of every shape.
    std::mt19937 rng(3);
    std::string xml = "<r>";
    for (int i = 0; i < 3000; ++i) {
        xml += "<p";
        if (rng() % 5) xml += " a='v" + std::to_string(rng() % 300) + "'";
        if (rng() % 3) xml += " n='" + std::to_string(rng() % 1000) + "." + std::to_string(rng() % 100) + "'";
        xml += ">";
        if (rng() % 4 == 0) xml += "text " + std::to_string(rng() % 50);
        for (int k = 0, m = static_cast<int>(rng() % 3); k < m; ++k) xml += "<item>" + std::to_string(rng() % 9) + "</item>";
        if (rng() % 500 == 0) xml += "<lonely" + std::to_string(i) + "/>";
        xml += "</p>";
    }
    xml += "</r>";
    auto b = build(xml);
    GridTable& t = table(*b.view);
    for (int32_t column = 0; column < t.column_count(); ++column) {
        CellByCell reference(t);
        std::string message;
        run_sort(reference, std::to_string(column), nullptr, &message);
        run_sort(t, std::to_string(column), nullptr, &message);
        std::vector<int32_t> quick(t.row_order().begin(), t.row_order().end());
        ASSERT_EQ(quick, reference.order_) << "column " << column;
        t.set_sorted(-1, true, std::span<const int32_t>());  // next column starts ascending again
    }
}

}  // namespace
}  // namespace tessel
