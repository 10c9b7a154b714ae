// The warnings pane's tree: root summary and icon, the texts of diagnostics and details,
// refusal of every edit, and the outline the tree view makes of it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "parse/document_tree.h"
#include "parse/node_description.h"
#include "parse/xml_parser.h"
#include "tests/file_contents.h"
#include "views/diagnostics_tree.h"
#include "views/tree_view_model.h"

namespace tessel {
namespace {

QueryResult query(Node& node, int kind, Arena& arena) {
    QueryResult result;
    run_query(node, kind, arena, result);
    return result;
}

std::string display_text(Node& node) {
    SmallArena arena;
    return std::string(query(node, kQueryDisplay, arena).text);
}

std::vector<Node*> all_nodes(Node& root) {
    std::vector<Node*> out{&root};
    for (size_t at = 0; at < out.size(); ++at)
        for (int32_t i = 0; Node* c = out[at]->child(i); ++i) out.push_back(c);
    return out;
}

TEST(DiagnosticsTree, BeforeAnyParseTheTitleCountsNothing) {
    DiagnosticsRoot root;
    EXPECT_EQ(root.summary(), "0 warning(s), 0 error(s)");
    EXPECT_EQ(display_text(root), "0 warning(s), 0 error(s)");
    EXPECT_EQ(root.kind_code(), 11);
    EXPECT_EQ(root.child(0), nullptr);
}

TEST(DiagnosticsTree, ACleanParseOfARealDocument) {
    TESSEL_REQUIRE_INPUT("/usr/share/xml/iso-codes/iso_639-3.xml");
    const std::string text = test::file_contents("/usr/share/xml/iso-codes/iso_639-3.xml");
    auto tree = parse_xml(text);
    ASSERT_EQ(tree->diagnostics().count(), 0);

    DiagnosticsRoot root(tree->diagnostics(), "iso_639-3.xml");
    SmallArena arena;
    QueryResult result = query(root, kQueryDisplay, arena);
    EXPECT_EQ(result.text, "0 warning(s), 0 error(s)");
    EXPECT_EQ(result.description.kind_code, 11);
    EXPECT_EQ(result.description.category, kCategoryTable);
    EXPECT_STREQ(result.description.type_name, "Warnings");
    EXPECT_EQ(result.description.child_count, 0);
    EXPECT_EQ(root.document_name(), "iso_639-3.xml");
    EXPECT_EQ(root.child(0), nullptr);
}

TEST(DiagnosticsTree, KindCodeFollowsTheWorstSeverity) {
    DiagnosticList warnings;
    warnings.add_warning(3, "Duplicated attribute name");
    EXPECT_EQ(DiagnosticsRoot(warnings, "w.xml").kind_code(), 13);
    EXPECT_EQ(DiagnosticsRoot(warnings, "w.xml").summary(), "1 warning(s), 0 error(s)");
    warnings.add_error(9, "Expecting =");
    EXPECT_EQ(DiagnosticsRoot(warnings, "w.xml").kind_code(), 12);
}

// A document with two warnings (end tag mismatch, duplicated attribute) and one error (the
// file ends inside an element).
class ParsedWithProblems : public ::testing::Test {
protected:
    //                           0         1         2
    //                           0123456789012345678901234567
    const std::string text_ = "<a><b></c><d x='1' x='2'/>";
    std::unique_ptr<DocumentTree> tree_ = parse_xml(text_);
};

TEST_F(ParsedWithProblems, SummaryKindAndChildren) {
    const DiagnosticList& list = tree_->diagnostics();
    ASSERT_EQ(list.warning_count(), 2) << list.summary();
    ASSERT_EQ(list.error_count(), 1);
    DiagnosticsRoot root(list, "broken.xml");
    SmallArena arena;
    QueryResult result = query(root, kQueryDisplay, arena);
    EXPECT_EQ(result.text, "2 warning(s), 1 error(s)");
    EXPECT_EQ(result.description.kind_code, 12);
    EXPECT_EQ(result.description.child_count, 3);
    EXPECT_EQ(result.description.cell_child_count, 3);
    for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(root.child(i), list.at(i));
    EXPECT_EQ(root.child(3), nullptr);
    EXPECT_EQ(root.child(-1), nullptr);

    // Each names its line and column, from 1, as the caret status counts them.
    EXPECT_EQ(display_text(*root.child(0)), "Warning at 1:9: start/end tag mismatch");
    EXPECT_EQ(display_text(*root.child(1)), "Warning at 1:20: Duplicated attribute name");
    EXPECT_EQ(display_text(*root.child(2)), "Error at 1:27: End of file before tag close");
}

TEST_F(ParsedWithProblems, DiagnosticAndDetailDescriptions) {
    ASSERT_EQ(tree_->diagnostics().count(), 3) << tree_->diagnostics().summary();
    Diagnostic* mismatch = tree_->diagnostics().at(0);
    ASSERT_EQ(mismatch->position(), 8);
    SmallArena arena;
    QueryResult d = query(*mismatch, kQueryDisplay, arena);
    EXPECT_EQ(d.description.category, kCategoryContainer);
    EXPECT_STREQ(d.description.type_name, "Warning");
    EXPECT_EQ(d.description.kind_code, 10);
    EXPECT_EQ(d.description.name, "Warning at 1:9");
    EXPECT_EQ(d.description.extra, "start/end tag mismatch");
    EXPECT_EQ(d.description.extra_range.first, 10);  // the kind_code
    EXPECT_EQ(d.description.extra_range.last, 8);    // the offset
    // Details are table cells of the diagnostic, not rows of the outline.
    EXPECT_EQ(d.description.child_count, 0);
    EXPECT_EQ(d.description.cell_child_count, 3);

    // Description first, at the empty range of the position; then spans of the text.
    const char* expected[] = {"Description = \"start/end tag mismatch\"", "Start tag = \"b\"",
                              "End tag = \"c\""};
    for (int32_t i = 0; i < 3; ++i) {
        Node* detail = mismatch->child(i);
        ASSERT_NE(detail, nullptr);
        QueryResult r = query(*detail, kQueryDisplay, arena);
        EXPECT_EQ(r.text, expected[i]);
        EXPECT_EQ(r.description.category, kCategoryLeaf);
        EXPECT_STREQ(r.description.type_name, "Warning detail");
        EXPECT_EQ(r.description.kind_code, -1);
        EXPECT_EQ(r.description.extra, "start/end tag mismatch");
        EXPECT_EQ(r.description.extra_range.first, 10);
        EXPECT_EQ(r.description.extra_range.last, 8);
    }
    SmallArena cells;
    QueryResult description = query(*mismatch->child(0), kQueryValueCell, cells);
    EXPECT_EQ(description.range.first, 8);
    EXPECT_EQ(description.range.last, 7);
    QueryResult end_tag = query(*mismatch->child(2), kQueryValueCell, cells);
    EXPECT_EQ(end_tag.text, "c");
    EXPECT_EQ(text_.substr(static_cast<size_t>(end_tag.range.first),
                           static_cast<size_t>(end_tag.range.length())),
              "c");
    EXPECT_EQ(end_tag.description.range.first, end_tag.range.first);

    QueryResult error = query(*tree_->diagnostics().at(2), kQueryDisplay, arena);
    EXPECT_STREQ(error.description.type_name, "Error");
    EXPECT_EQ(error.description.kind_code, 9);
    EXPECT_EQ(error.description.extra_range.first, 9);
    // An error's details are named after it: a view heads them "Error detail data:".
    Diagnostic* end_of_file = tree_->diagnostics().at(2);
    ASSERT_NE(end_of_file->child(0), nullptr);
    EXPECT_STREQ(query(*end_of_file->child(0), kQueryDisplay, arena).description.type_name,
                 "Error detail");
}

TEST(DiagnosticsTree, DisplayTextsReadAsInThePane) {
    DiagnosticList list;
    list.set_source("<x></y>");
    list.add_error(5, "start/end tag mismatch");
    list.detail_from_text("Start tag", 1, 1);
    DiagnosticsRoot root(list, "x.xml");
    Node* error = root.child(0);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(display_text(*error), "Error: start/end tag mismatch");
    EXPECT_EQ(display_text(*error->child(1)), "Start tag = \"x\"");
    // The key is copied into the description, so the node may go before the text is used.
    SmallArena arena;
    QueryResult r = query(*error->child(1), kQueryName, arena);
    EXPECT_EQ(r.text, "Start tag");
    EXPECT_NE(r.text.data(), static_cast<DiagnosticDetail*>(error->child(1))->label());
}

TEST_F(ParsedWithProblems, EveryCellRefusesEditing) {
    DiagnosticsRoot root(tree_->diagnostics(), "broken.xml");
    DiagnosticsRoot before;
    std::vector<Node*> nodes = all_nodes(root);
    nodes.push_back(&before);
    size_t details = 0;
    for (Diagnostic* d : tree_->diagnostics().items())
        details += static_cast<size_t>(d->details().size());
    ASSERT_EQ(nodes.size(), 1u + 3u + details + 1u);
    for (Node* node : nodes) {
        for (int kind = 0; kind <= 8; ++kind) {
            SmallArena arena;
            QueryResult r = query(*node, kind, arena);
            EXPECT_STREQ(r.description.not_editable_message, "Warning data is not editable.")
                << display_text(*node);
            EXPECT_EQ(r.description.flags & (kFlagEditable | kFlagEditableNameValue), 0u)
                << display_text(*node);
            EXPECT_STREQ(node->validate_edit("changed", kind), "Warning data is not editable.");
        }
    }
}

TEST_F(ParsedWithProblems, TheTreeViewShowsOneRowPerDiagnostic) {
    DiagnosticsRoot root(tree_->diagnostics(), "broken.xml");
    TreeViewModel model;
    model.set_root(&root, nullptr, nullptr);
    EXPECT_EQ(model.root()->label, "2 warning(s), 1 error(s)");
    EXPECT_FALSE(model.root_is_document());
    ASSERT_EQ(model.visible_rows(), 4);
    EXPECT_EQ(model.item_at_row(3)->label, "Error at 1:27: End of file before tag close");
    EXPECT_FALSE(model.item_at_row(1)->has_children());
    EXPECT_TRUE(model.type_ahead("error"));
    EXPECT_EQ(model.selected_node(), 2);
}

// Lines and columns against a plain count over the text: lines end at LF (a CR alone is a
// character of its line), columns count characters, not bytes.
TEST(DiagnosticPlaces, LinesAndColumnsCountLineFeedsAndCharacters) {
    const std::string text = "ab\r\n\u00e9\u20ac\U0001F600x\n\n\tz\ry\u00e9";
    DiagnosticList list;
    std::vector<TextPos> positions;
    for (TextPos p = 0; p <= static_cast<TextPos>(text.size()); ++p)
        if (p == static_cast<TextPos>(text.size()) || (static_cast<unsigned char>(text[static_cast<size_t>(p)]) & 0xC0) != 0x80)
            positions.push_back(p);
    // Reported out of order: the list sorts them before it counts.
    for (auto it = positions.rbegin(); it != positions.rend(); ++it) list.add_warning(*it, "here");
    list.set_source(text);
    list.sort_by_position();
    ASSERT_EQ(list.count(), static_cast<int32_t>(positions.size()));
    for (int32_t i = 0; i < list.count(); ++i) {
        const Diagnostic& d = *list.at(i);
        int line = 1, column = 1;
        for (TextPos p = 0; p < d.position(); ++p) {
            const auto c = static_cast<unsigned char>(text[static_cast<size_t>(p)]);
            if (c == '\n') line += 1, column = 1;
            else if ((c & 0xC0) != 0x80) ++column;
        }
        SCOPED_TRACE(d.position());
        EXPECT_EQ(d.line(), line);
        EXPECT_EQ(d.column(), column);
        EXPECT_EQ(display_text(const_cast<Diagnostic&>(d)),
                  "Warning at " + std::to_string(line) + ":" + std::to_string(column) + ": here");
    }
    // Spot checks a reader can follow: after "ab\r\n" line 2 starts; "\u00e9\u20ac\U0001F600" are three
    // characters; the blank line is line 3.
    EXPECT_EQ(list.at(4)->line(), 2);
    EXPECT_EQ(list.at(4)->column(), 1);
    EXPECT_EQ(list.at(7)->column(), 4);
    EXPECT_EQ(list.at(9)->line(), 3);
}

}  // namespace
}  // namespace tessel
