// The memory of an open document, structure by structure, in bytes per byte of document: a
// catalogue of some ten megabytes, in XML and in JSON, is loaded as a file is, parsed where it
// lies, shown in a table of all its records and in a table of one record, and its table
// sorted by a column.
// A change that makes any structure grow past its bound (nodes made for every row, a copy of
// the text kept, fatter records) fails here; the figures for 100 MB and 1 GB are bench/'s.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <random>
#include <string>

#include "foundation/job.h"
#include "parse/json_parser.h"
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

// The same records as a JSON array of objects, each with a nested object and a list.
std::string json_catalogue(size_t bytes) {
    static const char* words[] = {"river", "ledger", "garden", "volume", "index", "map", "letter"};
    std::mt19937 rng(11);
    auto word = [&] { return std::string(words[rng() % 7]); };
    std::string text = "[\n";
    for (int i = 1; text.size() < bytes; ++i) {
        text += i > 1 ? ",\n  {" : "  {";
        text += "\"id\": \"r" + std::to_string(i) + "\", \"kind\": \"" + word() + "\", \"price\": " +
                std::to_string(rng() % 50000 / 100.0).substr(0, 6) + ", \"title\": \"" + word() + " " +
                word() + "\",\n    \"author\": {\"name\": \"" + word() + "\", \"born\": 18" +
                std::to_string(10 + rng() % 90) + "}, \"tags\": [\"" + word() + "\", \"" + word() +
                "\"], \"description\": \"" + word() + " \\\"" + word() + "\\\" " + word() + "\"}";
    }
    return text + "\n]\n";
}

// What an open document holds, in bytes per byte of its text.
struct Held {
    double text_store = 0;
    double line_index = 0;
    double records = 0;
    double tree_arena = 0;
    double views = 0;
    int32_t cached_nodes = 0;

    double total() const { return text_store + line_index + records + tree_arena + views; }
};

std::ostream& operator<<(std::ostream& out, const Held& h) {
    return out << "bytes per document byte: text " << h.text_store << ", lines " << h.line_index
               << ", records " << h.records << ", tree arena " << h.tree_arena << ", views " << h.views
               << "; nodes made " << h.cached_nodes;
}

// Loads text as DocumentFile loads (block by block into a block of the file's size), parses
// it where it lies, shows the table of `table_parent(root)`'s children and the table of the
// middle row, and sorts the first by its "price" column.
Held open_in_tables(const std::string& text, bool json) {
    const double bytes = static_cast<double>(text.size());
    TextDocument document;
    document.store().expect(static_cast<int64_t>(text.size()));
    for (size_t at = 0; at < text.size(); at += 1'000'000)
        EXPECT_TRUE(document.append(std::string_view(text).substr(at, 1'000'000)));
    document.store().settle();
    std::shared_ptr<const char> owner;
    std::string_view shared;
    EXPECT_TRUE(document.store().shared_text(&owner, &shared)) << "the parse would need a copy";
    std::unique_ptr<DocumentTree> tree = json ? parse_json(shared) : parse_xml(shared);
    if (!json) owner.reset();  // an XML tree keeps what it shows; a JSON tree shares the text
    EXPECT_EQ(tree->diagnostics().count(), 0);

    TreeNodeProvider provider(tree.get());
    Node* all = json ? tree->root() : first_element(*tree->root());
    if (!all) {
        ADD_FAILURE() << "no records";
        return {};
    }
    std::unique_ptr<View> records = build_view(provider, *all, "records", 0, nullptr, nullptr);
    GridTable* table_of_records = nullptr;
    for (const ViewItem& item : records->items())
        if (item.table) table_of_records = item.table;
    if (!table_of_records) {
        ADD_FAILURE() << "no table of records";
        return {};
    }
    GridTable& table = *table_of_records;
    EXPECT_GT(table.row_count(), 35'000);
    std::unique_ptr<View> one = build_view(provider, *table.row_node(table.row_count() / 2), "record", 0,
                                           nullptr, nullptr);
    const int32_t price = column_named(table, "price");
    EXPECT_GE(price, 0);
    QuietJob job;
    std::string message;
    EXPECT_TRUE(run_sort(table, std::to_string(price), &job, &message)) << message;

    Held held;
    held.text_store = static_cast<double>(document.store().held_bytes()) / bytes;
    held.line_index = static_cast<double>(document.index().held_bytes()) / bytes;
    held.records = static_cast<double>(tree->record_bytes()) / bytes;
    held.tree_arena = static_cast<double>(tree->arena_bytes()) / bytes;
    held.views = static_cast<double>(records->held_bytes() + one->held_bytes()) / bytes;
    held.cached_nodes = tree->cached_nodes();
    return held;
}

TEST(MemoryBounds, ACatalogueOpenInItsTablesStaysWithinItsBytesPerDocumentByte) {
    const Held held = open_in_tables(catalogue(12'000'000), false);
    SCOPED_TRACE(testing::Message() << held);
    EXPECT_LE(held.text_store, 1.01);  // the text once, in the load block
    EXPECT_LE(held.line_index, 0.60);  // a start and a scan state per line of about 25 bytes
    EXPECT_LE(held.records, 1.2);      // names by number, texts and values once
    EXPECT_LE(held.tree_arena, 0.02);  // nodes for what was looked at closely, not every row
    EXPECT_LT(held.cached_nodes, 100);
    EXPECT_LE(held.views, 0.15);  // cells by place, row orders of four bytes
    EXPECT_LE(held.total(), 3.0);
}

TEST(MemoryBounds, AJsonArrayOpenInItsTablesStaysWithinItsBytesPerDocumentByte) {
    const Held held = open_in_tables(json_catalogue(12'000'000), true);
    SCOPED_TRACE(testing::Message() << held);
    EXPECT_LE(held.text_store, 1.01);  // the text once, shared by the store and the tree
    EXPECT_LE(held.line_index, 0.60);
    // Values by place in the text and names by number: about nine bytes a member and a
    // four-byte handle, against some eighteen bytes of this dense text a member.
    EXPECT_LE(held.records, 0.80);
    EXPECT_LE(held.tree_arena, 0.02);  // no node for a value nobody looked at closely
    EXPECT_LT(held.cached_nodes, 200);
    EXPECT_LE(held.views, 0.25);
    EXPECT_LE(held.total(), 2.5);
}

}  // namespace
}  // namespace tessel
