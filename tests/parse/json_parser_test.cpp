// The JSON parser: the tokens its automaton makes, every diagnostic it words, the way its
// nodes present themselves, cell edits, the writer, and documents that could hurt it (deep
// nesting, cancellation).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/string_builder.h"
#include "parse/indent_options.h"
#include "parse/json_nodes.h"
#include "parse/json_parser.h"
#include "parse/json_scanner.h"
#include "parse/token_stream.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using test::details;
using test::messages;
using Strings = std::vector<std::string>;

// "kind:text" for every token of text.
Strings tokens(std::string_view text) {
    TokenStream stream(text, json_scanner_tables(), kJsonStartState, nullptr, nullptr);
    Strings out;
    for (;;) {
        const Token t = stream.peek();
        if (t.kind == json_end_of_file) return out;
        out.push_back(std::to_string(t.kind) + ":" + std::string(stream.text_of(t)));
        stream.advance();
    }
}

std::string written(Node& node) {
    StringBuilder out;
    node.write(out, IndentOptions{}, 0);
    return std::string(out.view());
}

NodeDescription describe(Node& node, Arena& arena) {
    NodeDescription d;
    d.reset(arena);
    DescriptionCollector collector(d, arena, nullptr);
    node.describe(collector);
    return d;
}

struct Edit {
    std::string text;
    TextPos first, last;
};
struct RecordingSink final : TextEditSink {
    void replace(std::string_view text, TextPos first, TextPos last) override {
        edits.push_back({std::string(text), first, last});
    }
    std::vector<Edit> edits;
};

TEST(JsonScanner, NumbersLiteralsStringsAndCommentsAreSingleTokens) {
    EXPECT_EQ(tokens(R"([-0.5e+10,12,0,true,false,null,"a\"b"])"),
              (Strings{"5:[", "10:-0.5e+10", "7:,", "10:12", "7:,", "10:0", "7:,", "11:true", "7:,",
                       "12:false", "7:,", "13:null", "7:,", "9:\"a\\\"b\"", "6:]"}));
    EXPECT_EQ(tokens("{//x\n/* a\n*b */}"), (Strings{"3:{", "14://x", "14:/* a\n*b */", "4:}"}));
    // What is not a number or literal runs on as one stray token.
    EXPECT_EQ(tokens("[01, 1., truex, True, NaN, 1e, \"open"),
              (Strings{"5:[", "1:01", "7:,", "1:1.", "7:,", "1:truex", "7:,", "1:True", "7:,",
                       "1:NaN", "7:,", "1:1e", "7:,", "1:\"open"}));
}

// White space between tokens is crossed 16 bytes at a time: runs of every length and mix,
// ending at every offset of a vector and cut anywhere, still leave every token in place.
TEST(JsonScanner, BlankRunsAreSkippedWhereverTheyEndOrAreCut) {
    const char* const pieces[] = {"{", "\"ab\"", ":", "[", "12", ",", "true", "]", "}", "null"};
    const char blanks[] = {' ', '\t', '\r', '\n'};
    std::string text;
    std::vector<std::pair<int32_t, std::string>> expected;
    uint32_t r = 7;
    for (int i = 0; i < 120; ++i) {
        r = r * 1103515245u + 12345u;
        for (uint32_t n = (r >> 8) % 40; n > 0; --n) text += blanks[(r >> (n % 16)) % 4];
        const std::string piece = pieces[(r >> 20) % std::size(pieces)];
        expected.emplace_back(int32_t(text.size()), piece);
        text += piece;
        if (piece[0] != '"' && piece.size() > 1) text += ' ';  // a number or literal ends
    }
    const auto length = int32_t(text.size());
    for (int32_t cut = 0; cut <= length; cut += 7) {
        std::vector<std::pair<int32_t, std::string>> seen;
        auto sink = [&](int32_t first, int32_t last, int16_t kind) {
            if (kind != json_end_of_file)
                seen.emplace_back(first, text.substr(size_t(first), size_t(last - first + 1)));
        };
        ScanCursor cursor{kJsonStartState, 0};
        const int32_t at =
            scan_run(json_scanner_tables(), text.data(), length, 0, cut, length, cursor, sink);
        scan_run(json_scanner_tables(), text.data(), length, at, length, length, cursor, sink);
        scan_finish(json_scanner_tables(), length, json_end_of_file, cursor, sink);
        ASSERT_EQ(seen, expected) << "cut at " << cut;
    }
}

TEST(JsonParser, EmptyContainersAndTheDocumentNode) {
    for (const char* text : {"[]", "{}", " \n[ ]\n"}) {
        auto tree = parse_json(text);
        EXPECT_TRUE(messages(*tree).empty()) << text;
        JsonContainerNode* root = json_root(*tree);
        ASSERT_NE(root, nullptr) << text;
        EXPECT_TRUE(root->is_root());
        EXPECT_EQ(root->child_count(), 0);
        EXPECT_EQ(root->spans().label, std::string("json"));
        EXPECT_EQ(test::query_text(*root, kQueryName), "JsonDocument");
    }
    // An empty document is no error, and no tree either; it is not yet a JSON text.
    auto empty = parse_json(" \n");
    EXPECT_EQ(empty->root(), nullptr);
    EXPECT_EQ(messages(*empty), Strings{"warning@2 Expecting a JSON value"});
    EXPECT_FALSE(empty->diagnostics().well_formed());
}

TEST(JsonParser, FatalExpectationsLeaveNoTreeButTheirDiagnostic) {
    struct Case {
        const char* text;
        const char* message;
        Strings details;
    };
    const Case cases[] = {
        {R"({"a":1,})", "error@7 Expecting string", {"Location=After ','", "Found instead=}"}},
        {"01",
         "error@0 Expecting a JSON value",
         {"Location=Beginning of file", "Found instead=01"}},
        {R"({"a" 1})", "error@5 Expecting :", {"Location=After '\"a\"'", "Found instead=1"}},
        {R"({"a":})",
         "error@5 Expecting {,[,string,true,false or null",
         {"Location=After ':'", "Found instead=}"}},
        {R"({"a":1 "b":2})", "error@7 Expecting }", {"Location=After '1'", "Found instead=\"b\""}},
        {"{1:2}", "error@1 Expecting }", {"Location=After '{'", "Found instead=1"}},
        {"[:]", "error@1 Expecting ]", {"Location=After '['", "Found instead=:"}},
        {"[1 2]", "error@3 Expecting  , or ]", {"Location=After '1'", "Found instead=2"}},
        {"[1,:]",
         "error@3 Expecting {,[,string,true,false or null",
         {"Location=After ','", "Found instead=:"}},
        {"[1", "error@2 Expecting  , or ]", {"Location=After '1'", "Found instead=End of file"}},
        {"[01]", "error@1 Expecting ]", {"Location=After '['", "Found instead=01"}},
    };
    for (const Case& c : cases) {
        auto tree = parse_json(c.text);
        EXPECT_EQ(tree->root(), nullptr) << c.text;
        EXPECT_EQ(messages(*tree), Strings{c.message}) << c.text;
        EXPECT_EQ(details(*tree, 0), c.details) << c.text;
    }
}

TEST(JsonParser, TrailingCommaInAnArrayIsOnlyAWarning) {
    auto tree = parse_json("[1,2,]");
    EXPECT_EQ(messages(*tree), Strings{"warning@5 Expecting value"});
    JsonContainerNode* root = json_root(*tree);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->child_count(), 2);
    EXPECT_EQ(static_cast<JsonValueNode*>(root->child(1))->text(), "2");
}

TEST(JsonParser, EveryCommentIsReportedOnceAndOtherwiseIgnored) {
    auto tree = parse_json("// head\n{ /* a */ \"a\" /* b */ : // c\n 1 /* d */ }\n// tail");
    EXPECT_EQ(messages(*tree), (Strings{"warning@0 Json spec does not have comments",
                                        "warning@10 Json spec does not have comments",
                                        "warning@22 Json spec does not have comments",
                                        "warning@32 Json spec does not have comments",
                                        "warning@40 Json spec does not have comments",
                                        "warning@50 Json spec does not have comments"}));
    JsonContainerNode* root = json_root(*tree);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->child_count(), 1);
    EXPECT_EQ(root->child(0)->dump(), "a = 1 [38,38]");
}

TEST(JsonParser, TextAfterTheTopLevelValueIsReportedAndKept) {
    auto tree = parse_json(R"({"a":1} {"b":2})");
    EXPECT_EQ(messages(*tree), Strings{"warning@8 Expecting End of file"});
    ASSERT_NE(json_root(*tree), nullptr);
    EXPECT_EQ(json_root(*tree)->child_count(), 1);
}

TEST(JsonParser, ScanFailuresAreWarnings) {
    auto tree = parse_json("[\"a\x01\", \"\xff\"]");
    EXPECT_EQ(messages(*tree), (Strings{"warning@3 This Unicode ctrl character not allowed",
                                        "warning@8 Invalid Unicode sequence"}));
    ASSERT_NE(json_root(*tree), nullptr);
    EXPECT_EQ(json_root(*tree)->child_count(), 2);
}

TEST(JsonNodes, KindCodesTellHowChildrenAreLaidOut) {
    auto tree =
        parse_json(R"({"o0":{},"o3":{"a":1},"o4":{"a":[]},"a5":[],"a6":[1,"x"],"a7":[{}]})");
    JsonContainerNode* root = json_root(*tree);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->kind_code(), 4);
    const int expected[] = {2, 3, 4, 5, 6, 7};
    ASSERT_EQ(root->child_count(), 6);
    for (int i = 0; i < 6; ++i) {
        auto* c = static_cast<JsonContainerNode*>(root->child(i));
        EXPECT_EQ(c->kind_code(), expected[i]) << i;
        SmallArena arena;
        EXPECT_EQ(describe(*c, arena).kind_code, expected[i]) << i;
    }
}

TEST(JsonNodes, DescribeThemselvesAsTheViewsExpect) {
    const std::string text = R"({"name":"v w","list":[true,{}]})";
    auto tree = parse_json(text);
    JsonContainerNode* root = json_root(*tree);
    ASSERT_NE(root, nullptr);
    SmallArena arena;

    NodeDescription d = describe(*root, arena);
    EXPECT_EQ(d.category, 4);
    EXPECT_EQ(std::string(d.type_name) + "|" + d.singular_noun + "|" + d.first_column_title,
              "Object|Json element|Element");
    EXPECT_EQ(d.name, "JsonDocument");
    EXPECT_EQ(d.child_count, 2);
    EXPECT_EQ(d.range.first, 0);
    EXPECT_EQ(d.range.last, static_cast<TextPos>(text.size()) - 1);

    d = describe(*root->child(0), arena);  // "name":"v w"
    EXPECT_EQ(d.category, 2);
    EXPECT_EQ(d.flags, 9u);
    EXPECT_EQ(std::string(d.type_name), "Json element");
    EXPECT_EQ(d.kind_code, 0);
    EXPECT_EQ(d.column_group, 1);
    EXPECT_EQ(d.name, "name");
    EXPECT_EQ(d.name_range.first, 2);
    EXPECT_EQ(d.name_range.last, 5);
    EXPECT_EQ(d.value, "v w");
    EXPECT_EQ(d.value_range.first, 9);
    EXPECT_EQ(d.value_range.last, 11);
    EXPECT_EQ(test::query_text(*root->child(0), kQueryDisplay), "name = \"v w\"");
    EXPECT_EQ(root->child(0)->spans().label, std::string("name"));

    auto* list = static_cast<JsonContainerNode*>(root->child(1));
    d = describe(*list, arena);
    EXPECT_EQ(d.category, 4);
    EXPECT_EQ(std::string(d.type_name), "Array");
    EXPECT_EQ(d.name, "list");
    EXPECT_EQ(d.value, "");

    d = describe(*list->child(0), arena);  // true inside an array
    EXPECT_EQ(d.category, 1);
    EXPECT_EQ(d.flags, 2u);
    EXPECT_EQ(std::string(d.type_name), "Text");
    EXPECT_EQ(d.kind_code, 1);
    EXPECT_EQ(d.column_group, 3);
    EXPECT_EQ(d.value, "true");

    d = describe(*list->child(1), arena);  // {} inside an array
    EXPECT_EQ(d.category, 3);
    EXPECT_EQ(d.name, "Object");
}

TEST(JsonNodes, EditsReplaceTheValueOrTheName) {
    const std::string text = R"({"s":"abc","n":12,"a":[null]})";
    auto tree = parse_json(text);
    JsonContainerNode* root = json_root(*tree);
    ASSERT_NE(root, nullptr);
    auto* s = static_cast<JsonValueNode*>(root->child(0));
    auto* n = static_cast<JsonValueNode*>(root->child(1));
    auto* null = static_cast<JsonValueNode*>(root->child(2)->child(0));

    EXPECT_STREQ(s->validate_edit("say \"hi\"", kQueryValueCell), "contains double quotes");
    EXPECT_STREQ(s->validate_edit("x\"", kQueryName), "contains double quotes");
    EXPECT_EQ(s->validate_edit("fine", kQueryValueCell), nullptr);
    // An unpaired backslash at the end would escape the closing quotation mark.
    EXPECT_STREQ(s->validate_edit("C:\\", kQueryValueCell), "ends with a lone backslash");
    EXPECT_STREQ(n->validate_edit("n\\\\\\", kQueryName), "ends with a lone backslash");
    EXPECT_EQ(s->validate_edit("C:\\\\", kQueryValueCell), nullptr);
    EXPECT_EQ(s->validate_edit("a\\nb", kQueryValueCell), nullptr);

    RecordingSink sink;
    s->apply_edit(*tree, "xy", kQueryValueCell, sink);  // between the quotes
    n->apply_edit(*tree, "3.5", kQueryCell, sink);      // the whole number
    null->apply_edit(*tree, "false", kQueryValueCell, sink);
    n->apply_edit(*tree, "num", kQueryName, sink);  // the name between its quotes
    ASSERT_EQ(sink.edits.size(), 4u);
    EXPECT_EQ(sink.edits[0].text + "@" + std::to_string(sink.edits[0].first) + "-" +
                  std::to_string(sink.edits[0].last),
              "xy@6-8");
    EXPECT_EQ(sink.edits[1].first, 15);
    EXPECT_EQ(sink.edits[1].last, 16);
    EXPECT_EQ(sink.edits[2].first, 23);
    EXPECT_EQ(sink.edits[2].last, 26);
    EXPECT_EQ(sink.edits[3].first, 12);
    EXPECT_EQ(sink.edits[3].last, 12);
    // The nodes show the new texts; offsets stay those of the parse (the tree's edit
    // shifts carry them to the text).
    EXPECT_EQ(s->text(), "xy");
    EXPECT_EQ(n->dump(), "num = 3.5 [15,17]");
    EXPECT_EQ(null->text(), "false");
    // A renamed member leaves the other members of that name as they were, and its name
    // token ends where the new name does.
    auto records = parse_json(R"([{"id":1},{"id":2}])");
    auto* first = static_cast<JsonValueNode*>(json_root(*records)->child(0)->child(0));
    auto* second = static_cast<JsonValueNode*>(json_root(*records)->child(1)->child(0));
    first->apply_edit(*records, "key", kQueryName, sink);
    EXPECT_EQ(first->member()->name(), "key");
    EXPECT_EQ(first->member()->last(), 6);  // "key" from offset 2
    EXPECT_EQ(second->member()->name(), "id");
    EXPECT_STREQ(second->spans().label, "id");
}

TEST(JsonNodes, WriterIndentsByFourAndQuotesNamesAndStrings) {
    auto tree = parse_json(R"({"a":1,"b":[true,"x",{}],"c":{"d":null},"e":[]})");
    ASSERT_NE(json_root(*tree), nullptr);
    EXPECT_EQ(written(*json_root(*tree)),
              "{\n"
              "    \"a\" : 1,\n"
              "    \"b\" : [\n"
              "        true,\n"
              "        \"x\",\n"
              "        {\n"
              "        }\n"
              "    ],\n"
              "    \"c\" : {\n"
              "        \"d\" : null\n"
              "    },\n"
              "    \"e\" : [\n"
              "    ]\n"
              "}");
}

TEST(JsonParser, DeepNestingNeitherOverflowsNorFails) {
    constexpr int kDepth = 100000;
    const std::string text = std::string(kDepth, '[') + "1" + std::string(kDepth, ']');
    auto tree = parse_json(text);
    EXPECT_TRUE(messages(*tree).empty());
    Node* node = json_root(*tree);
    int depth = 0;
    while (auto* c = dynamic_cast<JsonContainerNode*>(node)) {
        ++depth;
        node = c->child(0);
    }
    EXPECT_EQ(depth, kDepth);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->dump(), "1 [100000,100000]");
    // The writer does not recurse either, and its indentation stops growing at level 64, so
    // the output grows linearly with the depth: line i holds min(i, 64) steps of 4 blanks.
    constexpr int kWriteDepth = 2000;
    auto nested = parse_json(std::string(kWriteDepth, '[') + std::string(kWriteDepth, ']'));
    ASSERT_NE(json_root(*nested), nullptr);
    const std::string out = written(*json_root(*nested));
    std::string model;
    for (int i = 0; i < kWriteDepth; ++i) model += std::string(4 * std::min(i, 64), ' ') + "[\n";
    for (int i = kWriteDepth - 1; i >= 0; --i)
        model += std::string(4 * std::min(i, 64), ' ') + (i ? "]\n" : "]");
    EXPECT_EQ(out, model);
    auto again = parse_json(out);
    EXPECT_TRUE(messages(*again).empty());
    ASSERT_NE(json_root(*again), nullptr);
    EXPECT_EQ(written(*json_root(*again)), out);

    // Unclosed deep nesting ends in one fatal error, not a crash.
    auto open = parse_json(std::string(kDepth, '['));
    EXPECT_EQ(open->root(), nullptr);
    EXPECT_EQ(messages(*open), Strings{"error@100000 Expecting ]"});
}

TEST(JsonParser, ACancelledJobStopsTheParse) {
    struct CancellingJob final : Job {
        void set_progress(int) override {}
        void set_status_text(std::string_view) override {}
        void yield_point() override {
            if (++calls == 3) throw JobCancelled();
        }
        int calls = 0;
    };
    std::string text = "[";
    for (int i = 0; i < 20000; ++i) text += "{\"k\":" + std::to_string(i) + "},";
    text += "0]";
    CancellingJob job;
    EXPECT_THROW(parse_json(text, &job), JobCancelled);
    EXPECT_EQ(job.calls, 3);
}

// The handles of a container of a million children are copied in slices, the job yielding
// between them; every child is still there, in order.
TEST(JsonParser, AContainerOfAMillionChildrenIsWrittenBetweenYields) {
    constexpr int kValues = 1'000'000;
    std::string text = "[";
    for (int i = 0; i < kValues; ++i) text += std::to_string(i) + (i + 1 < kValues ? "," : "]");
    QuietJob job;
    auto tree = parse_json(text, &job);
    JsonContainerNode* root = json_root(*tree);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->child_count(), kValues);
    NodeScratch scratch;
    for (int i = 0; i < kValues; i += 9973)
        ASSERT_EQ(static_cast<JsonValueNode*>(root->peek_child(i, scratch))->text(), std::to_string(i));
    EXPECT_EQ(static_cast<JsonValueNode*>(root->child(kValues - 1))->text(), std::to_string(kValues - 1));
}

}  // namespace
}  // namespace tessel
