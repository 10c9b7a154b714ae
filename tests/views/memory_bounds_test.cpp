// The memory of an open document, structure by structure, in bytes per byte of document: a
// catalogue of some ten megabytes is loaded as a file is, parsed where it lies, shown in a
// table of all its records and in a table of one record, and its table sorted by a column.
// A change that makes any structure grow past its bound (nodes made for every row, a copy of
// the text kept, fatter records) fails here; the figures for 100 MB and 1 GB are bench/'s.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "foundation/job.h"
#include "parse/xml_nodes.h"
#include "parse/xml_parser.h"
#include "text/text_document.h"
#include "views/node_provider.h"
#include "views/row_sort.h"
#include "views/table_view.h"

namespace tessel {
namespace {

// Records of a few attributes, sub-elements with texts, a list and a text of several lines.
std::string catalogue(size_t bytes) {
    static const char* words[] = {"river", "ledger", "garden", "volume", "index", "map", "letter"};
    std::mt19937 rng(11);
    auto word = [&] { return std::string(words[rng() % 7]); };
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalogue>\n";
    for (int i = 1; text.size() < bytes; ++i) {
        text += "  <record id=\"r" + std::to_string(i) + "\" kind=\"" + word() + "\" price=\"" +
                std::to_string(rng() % 50000 / 100.0).substr(0, 6) + "\">\n";
        text += "    <title lang=\"en\">" + word() + " " + word() + " " + word() + "</title>\n";
        text += "    <author role=\"writer\"><name>" + word() + "</name><born>18" +
                std::to_string(10 + rng() % 90) + "</born></author>\n";
        text += "    <tags><tag>" + word() + "</tag><tag>" + word() + "</tag></tags>\n";
        text += "    <description>" + word() + " &amp; " + word() + "\n      " + word() + " " +
                word() + ".</description>\n  </record>\n";
    }
    return text + "</catalogue>\n";
}

Node* first_element(Node& node) {
    for (int32_t i = 0; Node* child = node.child(i); ++i)
        if (dynamic_cast<ElementNode*>(child)) return child;
    return nullptr;
}

int32_t column_named(GridTable& table, const char* name) {
    for (int32_t c = 0; c < table.column_count(); ++c) {
        const GridTable::DisplayColumn& dc = table.display_column(c);
        if (dc.column && std::strcmp(dc.column->name, name) == 0) return c;
    }
    return -1;
}

TEST(MemoryBounds, ACatalogueOpenInItsTablesStaysWithinItsBytesPerDocumentByte) {
    const std::string text = catalogue(12'000'000);
    const double bytes = static_cast<double>(text.size());
    auto per_byte = [&](double held) { return held / bytes; };

    // Loaded as DocumentFile loads: block by block into a block of the file's size.
    TextDocument document;
    document.store().expect(static_cast<int64_t>(text.size()));
    for (size_t at = 0; at < text.size(); at += 1'000'000)
        ASSERT_TRUE(document.append(std::string_view(text).substr(at, 1'000'000)));
    document.store().settle();
    std::shared_ptr<const char> owner;
    std::string_view shared;
    ASSERT_TRUE(document.store().shared_text(&owner, &shared)) << "the parse would need a copy";
    std::unique_ptr<DocumentTree> tree = parse_xml(shared);
    owner.reset();  // an XML tree keeps what it shows
    ASSERT_EQ(tree->diagnostics().count(), 0);

    TreeNodeProvider provider(tree.get());
    Node* all = first_element(*tree->root());
    ASSERT_NE(all, nullptr);
    std::unique_ptr<View> records = build_view(provider, *all, "records", 0, nullptr, nullptr);
    GridTable* table_of_records = nullptr;
    for (const ViewItem& item : records->items())
        if (item.table) table_of_records = item.table;
    ASSERT_NE(table_of_records, nullptr);
    GridTable& table = *table_of_records;
    ASSERT_GT(table.row_count(), 35'000);
    std::unique_ptr<View> one = build_view(provider, *table.row_node(table.row_count() / 2), "record", 0,
                                           nullptr, nullptr);
    const int32_t price = column_named(table, "price");
    ASSERT_GE(price, 0);
    QuietJob job;
    std::string message;
    ASSERT_TRUE(run_sort(table, std::to_string(price), &job, &message));

    const double text_store = per_byte(static_cast<double>(document.store().held_bytes()));
    const double line_index = per_byte(static_cast<double>(document.index().held_bytes()));
    const double records_stream = per_byte(static_cast<double>(tree->record_bytes()));
    const double tree_arena = per_byte(static_cast<double>(tree->arena_bytes()));
    const double views = per_byte(static_cast<double>(records->held_bytes() + one->held_bytes()));
    SCOPED_TRACE(testing::Message() << "bytes per document byte: text " << text_store << ", lines "
                                    << line_index << ", records " << records_stream << ", tree arena "
                                    << tree_arena << ", views " << views);
    EXPECT_LE(text_store, 1.01);      // the text once, in the load block
    EXPECT_LE(line_index, 0.60);      // a start and a scan state per line of about 25 bytes
    EXPECT_LE(records_stream, 1.2);   // names by number, texts and values once
    EXPECT_LE(tree_arena, 0.02);      // nodes for what was looked at closely, not every row
    EXPECT_LT(tree->cached_nodes(), 100);
    EXPECT_LE(views, 0.15);           // cells by place, row orders of four bytes
    EXPECT_LE(text_store + line_index + records_stream + tree_arena + views, 3.0);
}

}  // namespace
}  // namespace tessel
