// Editing a table's cells in place, without a window: which cells open an editor and with
// what text, which show which message, and that a commit writes the part of the node the
// cell shows and nothing else.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "parse/cell_write.h"
#include "parse/xml_nodes.h"
#include "parse/xml_parser.h"
#include "views/cell_edit.h"
#include "views/node_provider.h"
#include "views/table_view.h"

namespace tessel {
namespace {

constexpr const char* kDocument =
    "<?xml version=\"1.0\"?>\n<c>\n"
    "  <item id=\"1\" note='x'><title>Kettle</title><price>9</price></item>\n"
    "  <item id=\"2\"><title>Pot</title></item>\n"
    "</c>\n";

class CellEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree = parse_xml(original);
        provider = std::make_unique<TreeNodeProvider>(tree.get());
        Node* c = nullptr;
        for (int32_t i = 0; Node* child = tree->root()->child(i); ++i)
            if (dynamic_cast<ElementNode*>(child)) c = child;
        ASSERT_NE(c, nullptr);
        view = build_view(*provider, *c, "test", 0);
        for (const ViewItem& item : view->items())
            if (item.table) table = item.table;
        ASSERT_NE(table, nullptr);
    }

    int32_t column(const char* name) {
        for (int32_t c = 0; c < table->column_count(); ++c)
            if (table->display_column(c).column && std::strcmp(table->display_column(c).column->name, name) == 0)
                return c;
        return -1;
    }

    // Opening an editor on the cell, with the document busy as `check` says.
    EditDecision open(int32_t row, int32_t col, const char* check = nullptr) {
        cell = table->cell_at(row, col, arena);
        return decide_in_place_edit(cell.node, table->cell_query(row, col, cell), check, arena);
    }

    // Commits typed into the cell last opened; the text as it stands afterwards.
    CellWrite commit(const EditDecision& decision, std::string_view typed) {
        StringSplicer splicer(text);
        return write_cell(*tree, *cell.node, typed, decision.write_query, splicer);
    }

    std::string original = kDocument;
    std::string text = kDocument;
    std::unique_ptr<DocumentTree> tree;
    std::unique_ptr<TreeNodeProvider> provider;
    std::unique_ptr<View> view;
    GridTable* table = nullptr;
    LargeArena arena;
    Cell cell;
};

TEST_F(CellEditTest, AnAttributeValueOpensWithItsTextAndACommitChangesOnlyTheBytesBetweenItsQuotes) {
    const EditDecision id = open(1, column("id"));
    ASSERT_EQ(id.action, EditDecision::Action::open_editor);
    EXPECT_EQ(id.text, "1");
    const CellWrite quoted = commit(id, "say \"x\"");
    EXPECT_STREQ(quoted.refusal, "Attribute value contains quotes");
    EXPECT_EQ(text, original);
    EXPECT_EQ(commit(id, "A & 42").refusal, nullptr);
    std::string expected = original;
    expected.replace(expected.find("id=\"1\"") + 4, 1, "A &amp; 42");
    EXPECT_EQ(text, expected);
}

TEST_F(CellEditTest, AValueElementsCellEditsItsTextNotItsTagName) {
    const EditDecision title = open(2, column("title"));
    ASSERT_EQ(title.action, EditDecision::Action::open_editor);
    EXPECT_EQ(title.text, "Pot");
    EXPECT_STREQ(commit(title, "a < b").refusal, "Invalid character for chardata: < ");
    EXPECT_EQ(commit(title, "Pan").refusal, nullptr);
    std::string expected = original;
    expected.replace(expected.find(">Pot<") + 1, 3, "Pan");
    EXPECT_EQ(text, expected);
}

TEST_F(CellEditTest, EmptyCellsTagNamesAndABusyOrBrokenDocumentShowTheirMessages) {
    const EditDecision empty = open(2, column("note"));
    EXPECT_EQ(empty.action, EditDecision::Action::show_message);
    EXPECT_STREQ(empty.message, kEmptyCellMessage);
    const EditDecision tag = open(1, 0);  // the row header: the item's tag name
    EXPECT_EQ(tag.action, EditDecision::Action::show_message);
    EXPECT_STREQ(tag.message, kTagNameMessage);
    for (const char* check : {kParsingMessage, kSyntaxErrorMessage}) {
        const EditDecision busy = open(1, column("id"), check);
        EXPECT_EQ(busy.action, EditDecision::Action::show_message);
        EXPECT_STREQ(busy.message, check);
    }
}

}  // namespace
}  // namespace tessel
