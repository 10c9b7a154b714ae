// The record stream and the nodes made from it: layouts, flags, spans, node identity,
// descriptions, edit validation and write-back.
#include <gtest/gtest.h>

#include <map>

#include "foundation/string_builder.h"
#include "parse/indent_options.h"
#include "parse/varint.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using test::query_text;
using test::root_element;

TEST(Varint, EncodesBigEndianSevenBitGroups) {
    uint8_t buf[8];
    EXPECT_EQ(write_varint(buf, 300) - buf, 2);
    EXPECT_EQ(buf[0], 0x82);
    EXPECT_EQ(buf[1], 0x2C);
    const std::pair<uint32_t, int> sizes[] = {{0, 1},        {127, 1},         {128, 2},
                                              {0x3FFF, 2},   {0x4000, 3},      {0x1FFFFF, 3},
                                              {0x200000, 4}, {0xFFFFFFF, 4},   {0x10000000, 5},
                                              {0xFFFFFFFF, 5}};
    for (auto [value, size] : sizes) {
        uint8_t* end = write_varint(buf, value);
        EXPECT_EQ(end - buf, size) << value;
        for (uint8_t* p = buf; p < end - 1; ++p) EXPECT_TRUE(*p & 0x80);
        EXPECT_FALSE(end[-1] & 0x80);
        const uint8_t* cursor = buf;
        EXPECT_EQ(read_varint(cursor), value);
        EXPECT_EQ(cursor, end);
    }
    // A negative distance comes back by wrap-around.
    int32_t s = 1000;
    write_varint(buf, static_cast<uint32_t>(-1 - s));
    const uint8_t* cursor = buf;
    EXPECT_EQ(static_cast<int32_t>(static_cast<uint32_t>(s) + read_varint(cursor)), -1);
}

TEST(DocumentTree, EmptyElementTagRecord) {
    auto tree = parse_xml("<a/>");
    ElementNode* a = root_element(*tree);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(tree->record(a->handle())[0], 0x80 | 0x40 | 0x20 | 0x10 | 5);
    EXPECT_TRUE(a->empty_tag());
    EXPECT_EQ(a->start_tag_end(), -1);
    EXPECT_EQ(a->end(), 3);
    EXPECT_EQ(a->end_name_span().first, -1);
    EXPECT_EQ(a->name_span().first, 1);
    EXPECT_EQ(a->name_span().last, 1);
}

TEST(DocumentTree, ElementRecordLayoutAndSpans) {
    //                      0123456789012345678901234
    auto tree = parse_xml("<ab k='v'>x<c/><!--m--></ab >");
    ElementNode* ab = root_element(*tree);
    ASSERT_NE(ab, nullptr);
    const uint8_t* r = tree->record(ab->handle());
    EXPECT_EQ(r[0], 5);  // attributes, content and a comment: no flags
    EXPECT_EQ(tree->name(r[1]), "ab");  // the name by its number in the tree's names
    EXPECT_EQ(tree->name_count(), 3u);   // ab, k and c, each kept once
    const uint8_t* cursor = r + 2;
    EXPECT_EQ(read_varint(cursor), 0u);   // S
    EXPECT_EQ(read_varint(cursor), 28u);  // E - S
    EXPECT_EQ(read_varint(cursor), 9u);   // G - S
    EXPECT_EQ(read_varint(cursor), 1u);   // one attribute handle
    cursor += 4;
    EXPECT_EQ(read_varint(cursor), 2u);  // text and <c/>
    cursor += 8;
    EXPECT_EQ(read_varint(cursor), 1u);  // the comment
    cursor += 4;
    EXPECT_EQ(read_varint(cursor), 28u - 24u - 1u);  // E - P - 1
    EXPECT_EQ(ab->end_name_span().first, 25);
    EXPECT_EQ(ab->end_name_span().last, 27);  // up to the ">", blank included

    auto* k = static_cast<AttributeNode*>(ab->child(0));
    EXPECT_EQ(k->name_start(), 4);
    EXPECT_EQ(k->value_start(), 6);
    EXPECT_EQ(k->value_end(), 8);
    EXPECT_EQ(k->dump(), "k=[4,4],value=[6,8] \"v\"");
    auto* x = static_cast<TextNode*>(ab->child(1));
    EXPECT_EQ(x->spans().first, 10);
    EXPECT_STREQ(x->spans().label, "chardata");
}

TEST(DocumentTree, TextsHoldingNulBytesComeBackWhole) {
    auto tree = parse_xml(std::string("<m a='x\0y'>p\0q<!--c\0-->\0", 24));
    ElementNode* m = root_element(*tree);
    ASSERT_NE(m, nullptr);
    auto* a = static_cast<AttributeNode*>(m->child(0));
    EXPECT_EQ(a->value(), std::string_view("x\0y", 3));
    EXPECT_EQ(a->value_end(), 9);
    auto* t = static_cast<TextNode*>(m->child(1));
    EXPECT_EQ(t->text(), std::string_view("p\0q", 3));
    EXPECT_EQ(t->start(), 11);
    ASSERT_EQ(m->misc().size(), 1);
    auto* c = static_cast<TextNode*>(tree->node_at(m->misc()[0]));
    EXPECT_EQ(c->text(), std::string_view("<!--c\0-->", 9));
}

TEST(DocumentTree, NodesAreMadeOnceAndCached) {
    auto tree = parse_xml("<r><a/><b/></r>");
    ElementNode* r = root_element(*tree);
    Node* a1 = r->child(0);
    ASSERT_EQ(r->content().size(), 2);
    Node* a2 = tree->node_at(r->content()[0]);
    EXPECT_EQ(a1, a2);
    EXPECT_EQ(tree->node_at(0), nullptr);
}

TEST(DocumentTree, TheNodeMapStaysShortForManyNodes) {
    std::string text = "<r>";
    for (int i = 0; i < 30000; ++i) text += "<i/>";
    text += "</r>";
    auto tree = parse_xml(text);
    ElementNode* r = root_element(*tree);
    for (int32_t i = 0; i < r->content().size(); ++i) ASSERT_NE(r->child(i), nullptr);
    EXPECT_EQ(tree->cached_nodes(), 30001);
    EXPECT_GE(tree->node_map_buckets() * 2, tree->cached_nodes());
    ASSERT_EQ(tree->large_elements().size(), 1);
    EXPECT_EQ(tree->large_elements()[0], r->handle());
}

TEST(NodeDescription, ANodeThatSaysNothingGetsTheDefaults) {
    struct Silent final : Node {
        void describe(NodeDescriber&) override {}
    } silent;
    SmallArena arena;
    QueryResult result;
    run_query(silent, kQueryDisplay, arena, result);
    EXPECT_EQ(result.description.category, 0);
    EXPECT_STREQ(result.description.not_editable_message, "Cells of this type are not editable");
    EXPECT_STREQ(result.description.value_column_title, "value");
    EXPECT_EQ(result.description.marker, 255);
    ASSERT_EQ(result.description.ranges.size(), 1);
    EXPECT_EQ(result.description.ranges[0].first, -1);
    EXPECT_EQ(result.description.ranges[0].last, -1);
}

TEST(NodeDescription, AttributeDisplayText) {
    auto tree = parse_xml(R"(<e a="1"/>)");
    Node* a = root_element(*tree)->child(0);
    EXPECT_EQ(query_text(*a, kQueryDisplay), "a = \"1\"");
    EXPECT_EQ(query_text(*a, kQueryName), "a");
    EXPECT_EQ(query_text(*a, kQueryColumnTitle), "name");
}

// The identity each element shape reports: kind code, category, flags and value cell.
TEST(NodeDescription, ElementShapes) {
    struct Case {
        const char* text;
        int kind_code, category;
        uint32_t flags;
        const char* value;
    };
    const Case cases[] = {
        {"<e/>", 1, 4, 1, ""},
        {"<e></e>", 1, 5, 9, ""},
        {"<e a='1'/>", 8, 5, 9, "1"},
        {"<e a='1' b='2'/>", 6, 4, 1, ""},
        {"<e>t</e>", 5, 5, 9, "t"},
        {"<e a='1'>t</e>", 7, 5, 9, "t"},
        {"<e><c/></e>", 2, 4, 1, ""},
        {"<e>t<c/></e>", 2, 4, 1, ""},
        {"<e><![CDATA[t]]></e>", 2, 4, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto tree = parse_xml(c.text);
        ElementNode* e = root_element(*tree);
        SmallArena arena;
        QueryResult result;
        run_query(*e, kQueryValueCell, arena, result);
        const NodeDescription& d = result.description;
        EXPECT_EQ(d.kind_code, c.kind_code);
        EXPECT_EQ(d.category, c.category);
        EXPECT_EQ(d.flags, c.flags);
        EXPECT_EQ(result.text, c.value);
        EXPECT_STREQ(d.type_name, "Subtag");
        EXPECT_STREQ(d.section_spec, "Attribute,Subtag-Text");
        EXPECT_STREQ(d.not_editable_message, ElementNode::kNameNotEditable);
    }
}

TEST(NodeDescription, DocumentLabel) {
    EXPECT_EQ(query_text(*parse_xml("<a/>")->root(), kQueryDisplay), "XML Document");
    EXPECT_EQ(query_text(*parse_xml("<a/><b/>")->root(), kQueryDisplay), "2 XML tags");
    EXPECT_EQ(query_text(*parse_xml("")->root(), kQueryDisplay), "0 XML tags");
}

TEST(ValidateEdit, NamesValuesAndTexts) {
    auto tree = parse_xml(R"(<e a="1">t</e>)");
    ElementNode* e = root_element(*tree);
    Node* a = e->child(0);
    Node* t = e->child(1);
    EXPECT_EQ(a->validate_edit("ok-name.2", kQueryName), nullptr);
    EXPECT_EQ(a->validate_edit("Ünïcode_\xC2\xB7", kQueryName), nullptr);
    EXPECT_STREQ(a->validate_edit("", kQueryName), "empty name");
    EXPECT_STREQ(a->validate_edit("a\xC3", kQueryName), "utf 8 error");
    EXPECT_STREQ(a->validate_edit("-a", kQueryName), "Invalid character:  '-'");
    EXPECT_STREQ(a->validate_edit("a b", kQueryCell), "Invalid character:  ' '");
    EXPECT_EQ(a->validate_edit("x\xE2\x82\xAC", kQueryName), nullptr);  // U+20AC may be in a name
    EXPECT_STREQ(a->validate_edit("x\xC3\x97", kQueryName), "Invalid character:  '\xC3\x97'");
    EXPECT_STREQ(a->validate_edit("it's", kQueryValueCell), "Attribute value contains quotes");
    EXPECT_EQ(a->validate_edit("a<b", kQueryValueCell), nullptr);
    EXPECT_STREQ(t->validate_edit("a<b", kQueryValueCell), "Invalid character for chardata: < ");
    EXPECT_STREQ(e->validate_edit("1x", kQueryCell), "Invalid character:  '1'");
}

struct Replacements final : TextEditSink {
    std::vector<std::string> calls;
    void replace(std::string_view text, TextPos first, TextPos last) override {
        calls.push_back(std::string(text) + "@" + std::to_string(first) + ".." + std::to_string(last));
    }
};

TEST(ApplyEdit, TurnsCellEditsIntoReplacements) {
    //                      0123456789012345678
    auto tree = parse_xml(R"(<e a="11"><f>t</f></e>)");
    ElementNode* e = root_element(*tree);
    Replacements sink;
    e->child(0)->apply_edit(*tree, "2", kQueryValueCell, sink);  // between the quotes
    e->child(0)->apply_edit(*tree, "bb", kQueryName, sink);
    Node* f = e->child(1);
    f->apply_edit(*tree, "u", kQueryValueCell, sink);  // its single text
    f->apply_edit(*tree, "g", kQueryCell, sink);       // both tag names
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"2@6..7", "bb@3..3", "u@13..13", "g@11..11",
                                                    "g@16..16"}));
    EXPECT_EQ(query_text(*e->child(0), kQueryDisplay), "bb = \"2\"");
}

TEST(ApplyEdit, AnEmptyElementGetsAnInsertedText) {
    auto tree = parse_xml("<r><a></a></r>");
    auto* a = test::element(root_element(*tree)->child(0));
    Replacements sink;
    a->apply_edit(*tree, "new", kQueryValueCell, sink);
    EXPECT_EQ(sink.calls, std::vector<std::string>{"new@6..5"});
    ASSERT_EQ(a->content().size(), 1);
    Node* inserted = a->child(0);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(static_cast<RecordNode*>(inserted)->kind(), kRecordInsertedText);
    EXPECT_EQ(query_text(*a, kQueryValueCell), "new");
    StringBuilder out;
    IndentOptions options;
    EXPECT_TRUE(static_cast<RecordNode*>(inserted)->write_inline(out, options, 0, "a"));
    EXPECT_EQ(out.view(), ">new</a>");
}

}  // namespace
}  // namespace tessel
