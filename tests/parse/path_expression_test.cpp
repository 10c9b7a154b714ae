// Path expressions: the scanner's tokens, the grammar and its errors on a small document,
// format_path, a round trip over a real document, and the counting of name steps against
// an independent parser.
#include <gtest/gtest.h>

#include <filesystem>
#include <pugixml.hpp>

#include "parse/path_expression.h"
#include "parse/path_scanner.h"
#include "tests/file_contents.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using Positions = std::vector<int32_t>;

std::vector<std::pair<int, std::string>> tokens(std::string_view text) {
    std::vector<std::pair<int, std::string>> out;
    for (const Token& t : scan_path(text))
        out.emplace_back(t.kind, std::string(text.substr(size_t(t.first), size_t(t.length()))));
    return out;
}

TEST(PathScannerTest, CutsNamesNumbersAndPunctuation) {
    using V = std::vector<std::pair<int, std::string>>;
    EXPECT_EQ(tokens("sub-class-of/[-3](x.y:Z_9)"),
              (V{{path_name, "sub-class-of"}, {path_slash, "/"}, {path_open_bracket, "["},
                 {path_name, "-3"}, {path_close_bracket, "]"}, {path_open_paren, "("},
                 {path_name, "x.y:Z_9"}, {path_close_paren, ")"}, {path_end, ""}}));
    // Blanks and tabs separate runs and belong to no token.
    EXPECT_EQ(tokens(" a\tb "), (V{{path_name, "a"}, {path_name, "b"}, {path_end, ""}}));
    EXPECT_EQ(tokens(""), (V{{path_end, ""}}));
    // Other characters make stray runs, which end at anything a path may contain.
    EXPECT_EQ(tokens("a>=b"), (V{{path_name, "a"}, {path_stray, ">="}, {path_name, "b"},
                                 {path_end, ""}}));
    EXPECT_EQ(tokens("caf\xC3\xA9"), (V{{path_name, "caf"}, {path_stray, "\xC3\xA9"},
                                        {path_end, ""}}));
}

TEST(PathScannerTest, BadBytesAndTheEndOfText) {
    using V = std::vector<std::pair<int, std::string>>;
    // An invalid byte ends the run around it and comes as a pseudo-token, in text order.
    EXPECT_EQ(tokens("ab\xFF" "c"), (V{{path_name, "ab"}, {kInvalidUtf8Kind, "\xFF"},
                                      {path_name, "c"}, {path_end, ""}}));
    EXPECT_EQ(tokens("a\x01"), (V{{path_name, "a"}, {kControlCharKind, "\x01"}, {path_end, ""}}));
    // A final U+0000 is the end of the text; only one end token follows.
    EXPECT_EQ(tokens(std::string_view("a\0", 2)),
              (V{{path_name, "a"}, {path_end, std::string(1, '\0')}}));
    EXPECT_EQ(tokens(std::string_view("a\0b", 3)),
              (V{{path_name, "a"}, {kControlCharKind, std::string(1, '\0')}, {path_name, "b"},
                 {path_end, ""}}));
}

// Children of a: [0] attribute x, [1] b, [2]-[4] item, [5] Item, [6] c, [7] a text with a
// blank. Children of b: [0] the text "one".
constexpr std::string_view kSmall =
    "<a x=\"1\"><b>one</b><item>first</item><item k=\"v\">second</item><item>third</item>"
    "<Item>cap</Item><c><d/></c>two words</a>";

class PathExpressionTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree_ = parse_xml(kSmall);
        ASSERT_TRUE(tree_->diagnostics().items().empty());
        root_ = tree_->root();
    }

    // The positions on success, else the error text; checks the result is consistent.
    std::string resolve(std::string_view text) {
        PathResult r = resolve_path(text, *root_);
        EXPECT_EQ(r.ok, r.error == nullptr) << text;
        if (!r.ok) {
            EXPECT_TRUE(r.positions.empty() && r.node == nullptr) << text;
            return r.error;
        }
        Node* walked = root_;
        for (int32_t p : r.positions) walked = walked->child(p);
        EXPECT_EQ(walked, r.node) << text;
        std::string out = "{";
        for (int32_t p : r.positions) out += (out.size() > 1 ? "," : "") + std::to_string(p);
        return out + "}";
    }

    std::unique_ptr<DocumentTree> tree_;
    Node* root_ = nullptr;
};

TEST_F(PathExpressionTest, SeparatorsAndBlanks) {
    EXPECT_EQ(resolve("a/b"), "{0,1}");
    EXPECT_EQ(resolve("a -> b"), "{0,1}");
    EXPECT_EQ(resolve("a->b"), "{0,1}");
    EXPECT_EQ(resolve(" /a//b/ "), "{0,1}");
    EXPECT_EQ(resolve("\ta\t/\tb"), "{0,1}");
    // Blanks are removed before scanning, so they join what they split.
    EXPECT_EQ(resolve("it em"), "not found");
    EXPECT_EQ(resolve("a/it em"), "{0,2}");
    // "->" is replaced before blanks go: "- >" stays, so the first step is the name "a-".
    EXPECT_EQ(resolve("a - > b"), "not found");
    EXPECT_EQ(resolve("[1] - > b"), "not found");  // the name "-"
}

TEST_F(PathExpressionTest, NameStepsCountChildrenOfThatName) {
    EXPECT_EQ(resolve("a/item"), "{0,2}");
    EXPECT_EQ(resolve("a/item(0)"), "{0,2}");
    EXPECT_EQ(resolve("a/item(1)"), "{0,2}");
    EXPECT_EQ(resolve("a/item(2)"), "{0,3}");
    EXPECT_EQ(resolve("a/item(-2)"), "{0,3}");
    EXPECT_EQ(resolve("a/item(3)"), "{0,4}");
    EXPECT_EQ(resolve("a/item(4)"), "not found");
    // Case-sensitive, as XML names are.
    EXPECT_EQ(resolve("a/Item"), "{0,5}");
    EXPECT_EQ(resolve("a/ITEM"), "not found");
    // Attributes are children with names; texts are found by their display text.
    EXPECT_EQ(resolve("a/x"), "{0,0}");
    EXPECT_EQ(resolve("a/b/one"), "{0,1,0}");
    EXPECT_EQ(resolve("a/item(2)/k"), "{0,3,0}");
    EXPECT_EQ(resolve("a/item(2)/second"), "{0,3,1}");
    EXPECT_EQ(resolve("a/c/d"), "{0,6,0}");
    EXPECT_EQ(resolve("b"), "not found");  // only a's children have that name
}

TEST_F(PathExpressionTest, IndexSteps) {
    EXPECT_EQ(resolve("[1]"), "{0}");
    EXPECT_EQ(resolve("[1]/[7]"), "{0,6}");
    EXPECT_EQ(resolve("[1][7][1]"), "{0,6,0}");
    EXPECT_EQ(resolve("[-1]/[-8]"), "{0,7}");
    EXPECT_EQ(resolve("[2]"), "not found");
    EXPECT_EQ(resolve("a/[9]"), "not found");
    // [0] stays: alone it is the root, inside a path it adds nothing.
    PathResult r = resolve_path("[0]", *root_);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.positions.empty());
    EXPECT_EQ(r.node, root_);
    EXPECT_EQ(resolve("a/[0]/[0]/b"), "{0,1}");
    // A name step directly followed by [n] takes the n-th child of the named node.
    EXPECT_EQ(resolve("a/b[1]"), "{0,1,0}");
    EXPECT_EQ(resolve("a/item(3)[1]"), "{0,4,0}");
    EXPECT_EQ(resolve("a[8]"), "{0,7}");
    EXPECT_EQ(resolve("a/[8]/[1]"), "not found");  // a text has no children
}

TEST_F(PathExpressionTest, PathsWithoutStepsAreNotFound) {
    for (std::string_view text : {"", "   ", "\t", "/", "///", "->", " -> / "})
        EXPECT_EQ(resolve(text), "not found") << "'" << text << "'";
}

TEST_F(PathExpressionTest, MalformedPathsAreInvalid) {
    for (std::string_view text :
         {"a/(", "a(", "a(2", "a()", "a(x)", "a(2]", "a(1)(1)", "a(--1)", "a(-)", "(1)", ")",
          "]", "[", "[1", "[]", "[x]", "[1.5]", "[1)", "[--1]", "[-]", "a>b", "a/b=", "a\n",
          "a/\xFF", "a/b\x01", "a/\xC3\xA9"})
        EXPECT_EQ(resolve(text), "invalid expression") << "'" << text << "'";
    EXPECT_EQ(resolve(std::string_view("a\0/b", 4)), "invalid expression");
    // A final U+0000 only ends the text.
    EXPECT_EQ(resolve(std::string_view("a/b\0", 4)), "{0,1}");
}

TEST_F(PathExpressionTest, ErrorsInTheOrderTheStepsAreRead) {
    // The steps before an error are evaluated first, and the first error wins.
    EXPECT_EQ(resolve("zz/("), "not found");
    EXPECT_EQ(resolve("a/[9]/("), "not found");
    EXPECT_EQ(resolve("a/b/("), "invalid expression");
    // The whole step is read before it is evaluated: its own syntax error comes first.
    EXPECT_EQ(resolve("zz(1"), "invalid expression");
}

TEST_F(PathExpressionTest, NumbersBeyondInt32NameNoChild) {
    // 2^32 + 2 and 2^32 + 1 would wrap to item(2) and [1] if truncated to 32 bits.
    EXPECT_EQ(resolve("a/item(4294967298)"), "not found");
    EXPECT_EQ(resolve("[4294967297]"), "not found");
    EXPECT_EQ(resolve("[2147483648]"), "not found");
    EXPECT_EQ(resolve("[-2147483648]"), "not found");
    EXPECT_EQ(resolve("[2147483647]"), "not found");
    EXPECT_EQ(resolve("a/item(" + std::string(400, '9') + ")"), "not found");
    EXPECT_EQ(resolve("[0000000000000000000001]"), "{0}");
}

TEST_F(PathExpressionTest, FormatPathNamesOrCountsEachStep) {
    EXPECT_EQ(format_path(*root_, {}), "[0]");
    EXPECT_EQ(format_path(*root_, Positions{0, 3}), "a/item(2)");
    EXPECT_EQ(format_path(*root_, Positions{0, 2}), "a/item");
    EXPECT_EQ(format_path(*root_, Positions{0, 0}), "a/x");
    EXPECT_EQ(format_path(*root_, Positions{0, 1, 0}), "a/b/one");
    // A text with a blank cannot be a name step.
    EXPECT_EQ(format_path(*root_, Positions{0, 7}), "a/[8]");
    // Positions that name no node.
    EXPECT_EQ(format_path(*root_, Positions{1}), "");
    EXPECT_EQ(format_path(*root_, Positions{0, -1}), "");
    EXPECT_EQ(format_path(*root_, Positions{0, 7, 0}), "");
}

TEST(PathExpressionNamesTest, UnwritableNamesAndLookalikeNumbers) {
    // Texts that look like numbers or contain separators, and a non-ASCII element name.
    auto tree = parse_xml("<r><n>12</n><n>-3</n><m>a/b</m><m>a(2)</m><caf\xC3\xA9/><p>x</p><p>x</p></r>");
    ASSERT_TRUE(tree->diagnostics().items().empty());
    Node& root = *tree->root();
    EXPECT_EQ(format_path(root, Positions{0, 0, 0}), "r/n/12");
    EXPECT_EQ(format_path(root, Positions{0, 1, 0}), "r/n(2)/-3");
    EXPECT_EQ(format_path(root, Positions{0, 2, 0}), "r/m/[1]");
    EXPECT_EQ(format_path(root, Positions{0, 3, 0}), "r/m(2)/[1]");
    EXPECT_EQ(format_path(root, Positions{0, 4}), "r/[5]");
    // A name run that is a number is still a name in a name step.
    EXPECT_EQ(resolve_path("r/n(2)/-3", root).positions, (Positions{0, 1, 0}));
    EXPECT_EQ(resolve_path("r/n/12", root).positions, (Positions{0, 0, 0}));
    EXPECT_EQ(resolve_path("r/p(2)/x", root).positions, (Positions{0, 6, 0}));
}

// ---------------------------------------------------------------------------------------
// A real document: every child of the top element, and every node of a sample of its
// subtrees, goes through format_path and back.

constexpr const char* kMimeDatabase = "/usr/share/mime/packages/freedesktop.org.xml";

TEST(PathExpressionDocumentTest, RoundTripOverARealDocument) {
    TESSEL_REQUIRE_INPUT(kMimeDatabase);
    std::string text = test::file_contents(kMimeDatabase);
    auto tree = parse_xml(text);
    Node& root = *tree->root();

    // How many paths end in each kind of step: a first child of its name, a counted name,
    // an index.
    int32_t checked = 0, first_names = 0, counted_names = 0, index_steps = 0;
    auto round_trip = [&](Node* node, const Positions& positions) {
        std::string path = format_path(root, positions);
        PathResult r = resolve_path(path, root);
        ASSERT_TRUE(r.ok) << path << ": " << r.error;
        ASSERT_EQ(r.positions, positions) << path;
        ASSERT_EQ(r.node, node) << path;
        ++checked;
        char last = path.back();
        counted_names += last == ')';
        index_steps += last == ']';
        first_names += last != ')' && last != ']';
    };
    // Depth-first with an explicit stack. format_path costs as many queries as there are
    // siblings before each step, so of the top element's children (the 851 mime-types) all
    // are checked but only every 50th subtree is walked whole.
    struct Frame {
        Node* node;
        Positions positions;
    };
    std::vector<Frame> stack{{&root, {}}};
    while (!stack.empty()) {
        Frame f = std::move(stack.back());
        stack.pop_back();
        round_trip(f.node, f.positions);
        if (HasFatalFailure()) return;
        for (int32_t i = 0; Node* c = f.node->child(i); ++i) {
            Positions p = f.positions;
            p.push_back(i);
            if (f.positions.size() == 1 && i % 50 != 0) {
                round_trip(c, p);
                if (HasFatalFailure()) return;
            } else {
                stack.push_back({c, std::move(p)});
            }
        }
    }
    // The walk must have met every kind of step (about 3000 paths: the 851 mime-types, 18
    // whole subtrees with comments in many languages, and texts with blanks).
    EXPECT_GT(checked, 2500);
    EXPECT_GT(first_names, 500);
    EXPECT_GT(counted_names, 1000);
    EXPECT_GT(index_steps, 300);
}

// The n-th element of a name, as an independent parser counts it, is what name(n) selects:
// the text of every comment of a sample of mime-types, and each mime-type's type attribute.
TEST(PathExpressionDocumentTest, NameCountsAgreeWithAnIndependentParser) {
    TESSEL_REQUIRE_INPUT(kMimeDatabase);
    std::string text = test::file_contents(kMimeDatabase);
    auto tree = parse_xml(text);
    Node& root = *tree->root();

    pugi::xml_document doc;
    // Raw values (no entity decoding) and trimmed texts, as the tree keeps them.
    ASSERT_TRUE(doc.load_buffer(text.data(), text.size(), pugi::parse_trim_pcdata,
                                pugi::encoding_utf8));
    pugi::xml_node top = doc.document_element();
    ASSERT_STREQ(top.name(), "mime-info");

    int32_t k = 0, compared = 0;
    for (pugi::xml_node type : top.children("mime-type")) {
        ++k;
        if (k % 40 != 1) continue;
        std::string base = "mime-info/mime-type(" + std::to_string(k) + ")";
        PathResult attr = resolve_path(base + "/type", root);
        ASSERT_TRUE(attr.ok) << base;
        EXPECT_EQ(test::query_text(*attr.node, kQueryValueCell), type.attribute("type").value());
        int32_t j = 0;
        for (pugi::xml_node comment : type.children("comment")) {
            std::string path = base + "/comment(" + std::to_string(++j) + ")";
            PathResult r = resolve_path(path, root);
            ASSERT_TRUE(r.ok) << path;
            EXPECT_EQ(test::query_text(*r.node, kQueryValueCell), comment.child_value()) << path;
            ++compared;
        }
        EXPECT_EQ(resolve_path(base + "/comment(" + std::to_string(j + 1) + ")", root).error,
                  kPathNotFound);
    }
    EXPECT_EQ(resolve_path("mime-info/mime-type(" + std::to_string(k) + ")", root).ok, true);
    EXPECT_EQ(resolve_path("mime-info/mime-type(" + std::to_string(k + 1) + ")", root).error,
              kPathNotFound);
    EXPECT_GT(compared, 100);
}

}  // namespace
}  // namespace tessel
