// The "Stat" pane: tree counts read from records against a walk over node objects (a separate
// decoder of the same records) on a real document, hand-counted small documents, and the text.
#include "window/stat_pane_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "encoding/encoding.h"
#include "foundation/job.h"
#include "parse/document_tree.h"
#include "parse/json_parser.h"
#include "parse/xml_nodes.h"
#include "parse/xml_parser.h"
#include "text/text_document.h"
#include "text/text_store.h"

namespace tessel {
namespace {

// The reference: the same figures through ElementNode objects, recursively.
void count_nodes(DocumentTree& tree, uint32_t handle, int32_t depth, TreeCounts& c) {
    auto* node = static_cast<RecordNode*>(tree.node_at(handle));
    ASSERT_NE(node, nullptr);
    switch (node->kind()) {
    case kRecordText:
    case kRecordCdata:
    case kRecordInsertedText: ++c.texts; break;
    case kRecordComment: ++c.comments; break;
    case kRecordInstruction: ++c.instructions; break;
    case kRecordElement: {
        auto* element = static_cast<ElementNode*>(node);
        ++c.elements;
        c.depth = std::max(c.depth, depth + 1);
        c.attributes += element->attributes().size();
        for (int32_t i = 0; i < element->content().size(); ++i)
            count_nodes(tree, element->content()[i], depth + 1, c);
        for (int32_t i = 0; i < element->misc().size(); ++i)
            count_nodes(tree, element->misc()[i], depth + 1, c);
        break;
    }
    default: ADD_FAILURE() << "kind " << node->kind();
    }
}

TreeCounts reference_counts(DocumentTree& tree) {
    TreeCounts c;
    for (uint32_t h : tree.document_node()->items()) count_nodes(tree, h, 0, c);
    for (uint32_t h : tree.document_node()->misc()) count_nodes(tree, h, 0, c);
    return c;
}

void expect_same(const TreeCounts& a, const TreeCounts& b) {
    EXPECT_EQ(a.elements, b.elements);
    EXPECT_EQ(a.attributes, b.attributes);
    EXPECT_EQ(a.texts, b.texts);
    EXPECT_EQ(a.comments, b.comments);
    EXPECT_EQ(a.instructions, b.instructions);
    EXPECT_EQ(a.depth, b.depth);
}

TEST(StatPane, HandCountedDocuments) {
    auto tree = parse_xml(
        "<?xml version=\"1.0\"?>\n<!-- top -->\n<a x='1' y=\"2\">t1<b/><c k='v'>t2<![CDATA[z]]>"
        "<d><e><?pi x?></e></d></c><!-- in a --></a>\n<?tail?>\n");
    TreeCounts c;
    ASSERT_TRUE(count_tree(*tree, c));
    EXPECT_EQ(c.elements, 5);
    EXPECT_EQ(c.attributes, 3);
    EXPECT_EQ(c.texts, 3);
    EXPECT_EQ(c.comments, 2);
    EXPECT_EQ(c.instructions, 3);  // the tree keeps the XML declaration as one
    EXPECT_EQ(c.depth, 4);
    expect_same(c, reference_counts(*tree));

    // Deep nesting needs no deep call stack.
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<n>";
    for (int i = 0; i < 20000; ++i) deep += "</n>";
    tree = parse_xml(deep);
    ASSERT_TRUE(count_tree(*tree, c));
    EXPECT_EQ(c.elements, 20000);
    EXPECT_EQ(c.depth, 20000);
}

TEST(StatPane, RecordCountsMatchNodeObjectsOnARealDocument) {
    const char* path = "/usr/share/mime/packages/freedesktop.org.xml";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    auto tree = parse_xml(text.str());
    const int32_t made = tree->cached_nodes();
    TreeCounts c;
    ASSERT_TRUE(count_tree(*tree, c));
    EXPECT_GT(c.elements, 1000);
    EXPECT_GT(c.attributes, 1000);
    EXPECT_GT(c.comments, 0);
    EXPECT_EQ(tree->cached_nodes(), made);  // counting made no node objects
    expect_same(c, reference_counts(*tree));
}

TEST(StatPane, CharactersAcrossTheCountsSlices) {
    // Two-, three- and four-byte sequences, 17 bytes a round, so the 4 MiB slices of the count
    // cut through sequences.
    const std::string unit = "a\xC3\xA9" "b\xE2\x82\xAC" "c\xF0\x9F\x98\x80" "\r\n";
    std::string text;
    for (int i = 0; i < 300'000; ++i) text += unit;
    QuietJob job;
    EXPECT_EQ(count_characters(text, &job), int64_t{300'000} * 8);
    EXPECT_EQ(count_characters(std::string_view{}), 0);
}

// "Lines" counts the lines as the editor numbers them, however long they are (the index cuts
// a line into rows of 2,000 bytes); "Size" is the file's when the text is what the file holds,
// else what the text takes in its encoding.
TEST(StatPane, LinesAreLogicalAndSizeIsTheFilesOrTheEncodedTexts) {
    const std::string long_line(5000, 'x');
    TextDocument document;
    ASSERT_TRUE(document.set_text("one\n" + long_line + "\nthree\nfour"));
    // Before the background scan has run, the count of the last parse stands in.
    EXPECT_EQ(count_lines(document.text()), 4);
    ASSERT_FALSE(document.scan_finished());
    EXPECT_EQ(stat_input(document, kEncodingUtf8, 0, nullptr, -1, 0, 4).lines, 4);
    while (!document.scan_finished()) document.run_scan_slice();
    // Once the scan is through, it counts (an edit since the parse shows at once).
    EXPECT_EQ(stat_input(document, kEncodingUtf8, 0, nullptr, -1, 0, 99).lines, 4);
    EXPECT_GT(document.index().line_count(), 4);
    StatInput in = stat_input(document, kEncodingUtf8, count_characters(document.text()), nullptr);
    EXPECT_EQ(in.lines, 4);
    EXPECT_NE(stat_pane_text(in).find("Lines: 4\n"), std::string::npos);
    ASSERT_TRUE(document.set_text("one\n" + long_line + "\nthree\nfour\n"));
    while (!document.scan_finished()) document.run_scan_slice();
    EXPECT_EQ(stat_input(document, kEncodingUtf8, 0, nullptr).lines, 5);  // the caret's last Ln

    // caf\u00e9 and a character above U+FFFF: 9 bytes of UTF-8, 5 characters, one of them
    // two UTF-16 units.
    ASSERT_TRUE(document.set_text("caf\xC3\xA9\xF0\x9F\x98\x80"));
    const int64_t chars = count_characters(document.text());
    const int64_t above = count_characters_above_bmp(document.text());
    EXPECT_EQ(above, 1);
    const auto size = [&](EncodingId id, int64_t file_bytes = -1) {
        return stat_input(document, id, chars, nullptr, file_bytes, above).bytes;
    };
    EXPECT_EQ(size(kEncodingUtf8), 9);
    EXPECT_EQ(size(kEncodingUtf8Bom), 12);
    EXPECT_EQ(size(kEncodingUtf16Le), 12);
    EXPECT_EQ(size(kEncodingUtf16BeBom), 14);
    EXPECT_EQ(size(kEncodingLatin1), 5);
    EXPECT_EQ(size(kEncodingUtf16Le, 79'990), 79'990);
    EXPECT_NE(stat_pane_text(stat_input(document, kEncodingLatin1, chars, nullptr, 39'998))
                  .find("Size: 39,998 bytes\n"),
              std::string::npos);
}

TEST(StatPane, FiguresFromADocumentAndItsParse) {
    const std::string text = "<r a='1' a='2'>caf\xC3\xA9\r\n<s/><s/>\r\n</r>\r\n";
    TextDocument document;
    ASSERT_TRUE(document.set_text(text));
    while (!document.scan_finished()) document.run_scan_slice();
    auto tree = parse_xml(text);
    ASSERT_GT(tree->diagnostics().warning_count(), 0);  // the duplicated attribute
    ParseFigures parse = parse_figures(*tree, 4.25);
    StatInput in = stat_input(document, encoding_from_name("utf-8"), count_characters(document.text()), &parse);
    EXPECT_EQ(in.encoding, encoding_display_names()[encoding_from_name("utf-8")]);
    EXPECT_EQ(in.line_ending, LineEnding::crlf);
    EXPECT_EQ(in.bytes, static_cast<int64_t>(text.size()));
    EXPECT_EQ(in.characters, static_cast<int64_t>(text.size()) - 1);
    EXPECT_EQ(in.lines, 4);
    EXPECT_EQ(in.errors, tree->diagnostics().error_count());
    EXPECT_EQ(in.warnings, tree->diagnostics().warning_count());
    EXPECT_TRUE(in.tree_counted);
    EXPECT_EQ(in.counts.attributes, 2);
    EXPECT_EQ(in.counts.depth, 2);
    EXPECT_EQ(in.parse_ms, 4.25);
    EXPECT_FALSE(stat_input(document, -1, 0, nullptr).parsed);
    EXPECT_EQ(stat_input(document, -1, 0, nullptr).encoding, "");

    // A JSON tree has no records to count: the pane shows only what every parse has.
    auto json = parse_json("{\"a\": [1, 2]}");
    ParseFigures json_parse = parse_figures(*json, 1);
    EXPECT_FALSE(json_parse.tree_counted);
    const std::string shown = stat_pane_text(stat_input(document, 1, 0, &json_parse));
    EXPECT_EQ(shown.find("Elements"), std::string::npos);
    EXPECT_NE(shown.find("Last parse: "), std::string::npos);
}

TEST(StatPane, TextOfAParsedAndAnUnparsedDocument) {
    StatInput in;
    in.encoding = "UTF-8";
    in.line_ending = LineEnding::lf;
    in.bytes = 1234567;
    in.characters = 1234000;
    in.lines = 40001;
    EXPECT_EQ(stat_pane_text(in),
              "Encoding: UTF-8\nLine ending: LF (Unix)\nSize: 1,234,567 bytes\n"
              "Characters: 1,234,000\nLines: 40,001\nParse: not parsed yet\n");
    in.parsed = true;
    in.tree_counted = true;
    in.counts = {12000, 3400, 5600, 0, 2, 7};
    in.parse_ms = 12.5;
    in.warnings = 1;
    in.line_ending = LineEnding::crlf;
    EXPECT_EQ(stat_pane_text(in),
              "Encoding: UTF-8\nLine ending: CR LF (Windows)\nSize: 1,234,567 bytes\n"
              "Characters: 1,234,000\nLines: 40,001\nElements: 12,000\nAttributes: 3,400\n"
              "Texts: 5,600\nInstructions: 2\nDepth: 7\nErrors: 0\nWarnings: 1\n"
              "Last parse: 12.50 milliseconds\n");
}

}  // namespace
}  // namespace tessel
