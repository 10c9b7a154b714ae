// The XML indenter: the layout rules on small documents, and, on real and generated ones,
// that indenting keeps the document (checked against an independent parser), yields text
// that parses cleanly, and is stable when repeated.
#include "parse/xml_indenter.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <pugixml.hpp>
#include <random>

#include "bench/make_document.h"
#include "foundation/string_builder.h"
#include "parse/doctype_parser.h"
#include "parse/json_parser.h"
#include "tests/file_contents.h"
#include "tests/parse/parse_support.h"
#include "tests/parse/pugi_outline.h"
#include "tests/parse/white_space_pieces.h"

namespace tessel {
namespace {

using test::WhiteSpacePieces;

IndentOptions options_with(int32_t size, bool remove_comments, int32_t max_attributes = 8) {
    IndentOptions o;
    o.indent_size = size;
    o.remove_comments = remove_comments;
    o.max_attributes = max_attributes;
    return o;
}

std::string indent(DocumentTree& tree, const IndentOptions& options) {
    std::optional<std::string> out = indent_document(tree, options);
    EXPECT_TRUE(out.has_value());
    return out.value_or("");
}

std::string indent(std::string_view text, const IndentOptions& options = {}) {
    return indent(*parse_xml(text), options);
}

TEST(XmlIndenter, LayoutOfElementsAndTexts) {
    EXPECT_EQ(indent("<a><b>x</b></a>"), "<a>\n    <b>x</b>\n</a>\n");
    EXPECT_EQ(indent("<a/>"), "<a/>\n");
    EXPECT_EQ(indent("<a>  </a>"), "<a></a>\n");
    EXPECT_EQ(indent("<a x='1'/>"), "<a x = \"1\"/>\n");
    // Mixed content: every text on a line of its own, trimmed.
    EXPECT_EQ(indent("<a>\n  one <b/>  two\n</a>", options_with(2, true)),
              "<a>\n  one\n  <b/>\n  two\n</a>\n");
    EXPECT_EQ(indent("<a><![CDATA[ <raw> ]]></a>", options_with(1, true)),
              "<a>\n <![CDATA[ <raw> ]]>\n</a>\n");
}

TEST(XmlIndenter, AttributesBreakAndQuotes) {
    std::string eight =
        "<e a1=\"1\" a2=\"2\" a3=\"3\" a4=\"4\" a5=\"5\" a6=\"6\" a7=\"7\" a8=\"8\"";
    EXPECT_EQ(indent(eight + "/>"),
              "<e a1 = \"1\" a2 = \"2\" a3 = \"3\" a4 = \"4\" a5 = \"5\" a6 = \"6\" a7 = \"7\" "
              "a8 = \"8\"/>\n");
    // Nine with the maximum of eight: one attribute a line, its name in the content's column.
    EXPECT_EQ(indent("<r>" + eight + " a9=\"9\"><c/></e></r>"),
              "<r>\n    <e\n        a1 = \"1\"\n        a2 = \"2\"\n        a3 = \"3\"\n"
              "        a4 = \"4\"\n        a5 = \"5\"\n        a6 = \"6\"\n"
              "        a7 = \"7\"\n        a8 = \"8\"\n        a9 = \"9\">\n        <c/>\n"
              "    </e>\n</r>\n");
    // With the break, an element with nothing inside still closes on a line of its own.
    EXPECT_EQ(indent("<e a='1'></e>", options_with(4, true, 0)), "<e\n    a = \"1\">\n</e>\n");
    EXPECT_EQ(indent("<e q='say \"hi\"' p=\"it's\"/>"), "<e q = 'say \"hi\"' p = \"it's\"/>\n");
}

TEST(XmlIndenter, CommentsAndInstructionsInDocumentOrder) {
    const char* text = "<a><!--0-->x<?p1?><b/><!--2--></a>";
    EXPECT_EQ(indent(text, options_with(2, false)),
              "<a>\n  <!--0-->\n  x\n  <?p1?>\n  <b/>\n  <!--2-->\n</a>\n");
    EXPECT_EQ(indent(text, options_with(2, true)), "<a>\n  x\n  <?p1?>\n  <b/>\n</a>\n");
    // A comment beside a single text keeps the one-line form once comments are removed.
    EXPECT_EQ(indent("<a>x<!--c--></a>", options_with(4, true)), "<a>x</a>\n");
    EXPECT_EQ(indent("<a>x<!--c--></a>", options_with(4, false)),
              "<a>\n    x\n    <!--c-->\n</a>\n");
    EXPECT_EQ(indent("<a><!--c--></a>", options_with(4, true)), "<a></a>\n");
}

TEST(XmlIndenter, RemovingCommentsKeepsInstructionsOfOneLineElements) {
    // An instruction beside a single text, or alone in an element, is written, not dropped
    // with the comments.
    EXPECT_EQ(indent("<a>x<?keep me?><!--c--></a>", options_with(2, true)),
              "<a>\n  x\n  <?keep me?>\n</a>\n");
    EXPECT_EQ(indent("<a><!--c--><?keep?></a>", options_with(2, true)), "<a>\n  <?keep?>\n</a>\n");
}

TEST(XmlIndenter, TopLevelItemsAndTheDoctype) {
    const char* text =
        "<?xml version=\"1.0\"?>\n<!--before-->\n<!DOCTYPE r [\n<!ENTITY e \"]>\"><!-- ]> -->\n]>"
        "<!--after--><r/><!--end-->";
    // The DOCTYPE is written from its node: declarations and comments one per line.
    EXPECT_EQ(indent(text, options_with(4, false)),
              "<?xml version=\"1.0\"?>\n<!--before-->\n"
              "<!DOCTYPE r[\n    <!ENTITY e \"]>\">\n    <!-- ]> -->\n]>\n<!--after-->\n<r/>\n"
              "<!--end-->\n");
    EXPECT_EQ(indent(text, options_with(4, true)),
              "<?xml version=\"1.0\"?>\n<!DOCTYPE r[\n    <!ENTITY e \"]>\">\n]>\n<r/>\n");
    // A "<!DOCTYPE" inside a comment is no declaration.
    EXPECT_EQ(indent("<!-- <!DOCTYPE x> --><r/>", options_with(4, false)),
              "<!-- <!DOCTYPE x> -->\n<r/>\n");
}

// The DOCTYPE's comments and instructions are read while the records of the body are still
// being written: they must not point into the record stream, which moves as it grows.
TEST(XmlIndenter, TheDoctypesCommentsSurviveALargeBody) {
    std::string text = "<!DOCTYPE r [<!--keep me--><?and me?><!ELEMENT r ANY>]>\n<r>";
    for (int i = 0; i < 50'000; ++i) text += "<i>" + std::to_string(i) + "</i>";
    text += "</r>";
    const std::string out = indent(text, options_with(1, false));
    EXPECT_TRUE(
        out.starts_with("<!DOCTYPE r[\n <!--keep me-->\n <?and me?>\n <!ELEMENT r ANY>\n]>\n<r>\n"))
        << out.substr(0, 200);
}

TEST(XmlIndenter, WritesEditedTextsAndRefusesOversizedOutput) {
    auto tree = parse_xml("<a><b></b><c>old</c></a>");
    ElementNode* a = test::root_element(*tree);
    struct Sink : TextEditSink {
        void replace(std::string_view, TextPos, TextPos) override {}
    } sink;
    ASSERT_EQ(a->content().size(), 2);
    tree->node_at(a->content()[0])->apply_edit(*tree, "new", kQueryValueCell, sink);
    tree->node_at(a->content()[1])->apply_edit(*tree, " edited ", kQueryValueCell, sink);
    EXPECT_EQ(indent_document(*tree, {}).value_or(""),
              "<a>\n    <b>new</b>\n    <c>edited</c>\n</a>\n");

    IndentedText out(10);
    EXPECT_EQ(write_indented(*tree, {}, out), IndentStatus::too_large);
}

// ---- the output limit ----

// A builder that records how often growth was asked for after it refused once, and whose
// allocations fail after `allocations` of them.
class CountingText final : public IndentedText {
public:
    explicit CountingText(size_t max_bytes, int allocations = INT32_MAX)
        : IndentedText(max_bytes), allocations_(allocations) {}
    bool grow() override {
        if (status() != IndentStatus::done) ++asked_after_refusal;
        return IndentedText::grow();
    }
    int asked_after_refusal = 0;

protected:
    bool grow_buffer(size_t capacity) override {
        if (allocations_-- <= 0) return false;
        return IndentedText::grow_buffer(capacity);
    }

private:
    int allocations_;
};

std::unique_ptr<DocumentTree> parse_as(std::string_view type, const std::string& text) {
    if (type == "json") return parse_json(text);
    if (type == "dtd") return parse_dtd(text);
    return parse_xml(text);
}

std::string repeated(std::string_view piece, int count) {
    std::string out;
    out.reserve(piece.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) out += piece;
    return out;
}

// Each writer stops at the limit: the buffer never grows past it, and once it could not
// grow (the limit, or no memory) the walk ends within the node it was writing instead of
// asking again for every node left. The deep documents would be indented into gigabytes.
TEST(XmlIndenterLimit, EveryWriterStopsAtTheLimitAtOnce) {
    constexpr int kDeep = 20'000;
    const struct {
        const char* type;
        std::string text;
    } cases[] = {
        {"xml", repeated("<d>", kDeep) + "x" + repeated("</d>", kDeep)},
        {"xml", "<r>" + repeated("<i a='1' b=\"2\"/><!--c--><?p?>", 20'000) + "</r>"},
        {"json", repeated("[", kDeep) + repeated("]", kDeep)},
        {"json", "{\"a\":[" + repeated("\"value\",", 50'000) + "1]}"},
        {"dtd", repeated("<!ELEMENT e ANY><!--c-->", 5'000)},
        {"xml", "<!DOCTYPE r [" + repeated("<!ENTITY e 'v'>", 50'000) + "]><r/>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.text.substr(0, 40));
        auto tree = parse_as(c.type, c.text);
        ASSERT_NE(tree->root(), nullptr);
        IndentOptions keep = options_with(4, false);
        for (size_t limit : {size_t{4096}, size_t{1} << 15}) {
            CountingText out(limit);
            EXPECT_EQ(write_indented(*tree, keep, out), IndentStatus::too_large);
            EXPECT_LE(out.capacity(), limit);
            EXPECT_LE(out.asked_after_refusal, 16) << "the writer walked on after the limit";
        }
        CountingText starved(kMaxIndentedBytes, 3);
        EXPECT_EQ(write_indented(*tree, keep, starved), IndentStatus::out_of_memory);
        EXPECT_LE(starved.asked_after_refusal, 16) << "the writer walked on without memory";
    }
}

// A text of exactly the limit fits; one byte less does not. The shallow documents of the
// cases above are written whole for the reference.
TEST(XmlIndenterLimit, TheLimitIsExact) {
    for (const auto& [type, text] : std::vector<std::pair<std::string, std::string>>{
             {"xml", "<r>" + repeated("<i a='1'>text</i>", 300) + "</r>"},
             {"json", "[" + repeated("{\"k\":true},", 300) + "null]"},
             {"dtd", repeated("<!ATTLIST e a CDATA #IMPLIED>", 300)}}) {
        SCOPED_TRACE(type);
        auto tree = parse_as(type, text);
        IndentedText whole;
        ASSERT_EQ(write_indented(*tree, {}, whole), IndentStatus::done);
        ASSERT_GT(whole.size(), 4 * StringBuilder::kInlineBytes);
        IndentedText exact(whole.size());
        EXPECT_EQ(write_indented(*tree, {}, exact), IndentStatus::done);
        EXPECT_EQ(exact.view(), whole.view());
        IndentedText short_by_one(whole.size() - 1);
        EXPECT_EQ(write_indented(*tree, {}, short_by_one), IndentStatus::too_large);
        // The builder can be used again once it is restarted by the next write.
        EXPECT_EQ(write_indented(*tree, {}, whole), IndentStatus::done);
        EXPECT_EQ(whole.size(), exact.size());
    }
}

// Indentation stops growing at level 64, so the output grows linearly with the depth (a
// document 10 000 deep, 70 KB, once indented to 400 MB).
TEST(XmlIndenterLimit, IndentationStopsGrowingAtLevel64) {
    for (const int depth : {10'000, 20'000}) {
        const std::string text = repeated("<a>", depth) + "x" + repeated("</a>", depth);
        auto blanks = [](int level) { return std::string(4 * std::min(level, 64), ' '); };
        std::string model;
        for (int i = 0; i < depth - 1; ++i) model += blanks(i) + "<a>\n";
        model += blanks(depth - 1) + "<a>x</a>\n";
        for (int i = depth - 2; i >= 0; --i) model += blanks(i) + "</a>\n";
        const std::string out = indent(text);
        EXPECT_EQ(out, model);
        // Two lines a level, none longer than 64 levels of blanks and "<a>x</a>\n".
        EXPECT_LE(out.size(), size_t(2 * depth) * (4 * 64 + 9));
    }
}

std::string with_crlf(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

// A document whose lines end CR LF is indented with CR LF throughout: what the same document
// with LF line ends gives, every line end made CR LF.
TEST(XmlIndenter, CrLfDocumentsAreWrittenWithCrLf) {
    const std::filesystem::path mime = "/usr/share/mime/packages/freedesktop.org.xml";
    TESSEL_REQUIRE_INPUT(mime);
    const std::pair<std::string, std::string> documents[] = {
        {"xml", test::file_contents(mime)},
        {"xml", "<a>\n<!-- two\nlines -->\n  <b c='1'>t\n u</b><![CDATA[x\ny]]></a>\n"},
        {"json", "{\"a\": [1,\n 2], \"b\": {}}\n"},
        {"dtd", "<!ELEMENT a ANY>\n<!-- c\nd -->\n<![IGNORE[\nx\n]]>\n"},
    };
    for (const auto& [type, lf] : documents) {
        SCOPED_TRACE(lf.substr(0, 60));
        const std::string crlf = with_crlf(lf);
        ASSERT_EQ(first_line_ending(crlf), LineEnding::crlf);
        ASSERT_EQ(first_line_ending(lf), LineEnding::lf);
        auto lf_tree = parse_as(type, lf);
        auto crlf_tree = parse_as(type, crlf);
        const IndentOptions keep = options_with(2, false);
        IndentedText from_lf, from_crlf;
        ASSERT_EQ(write_indented(*lf_tree, keep, from_lf), IndentStatus::done);
        ASSERT_EQ(write_indented(*crlf_tree, keep, from_crlf, nullptr, LineEnding::crlf),
                  IndentStatus::done);
        ASSERT_NE(from_lf.view().find('\n'), std::string_view::npos);
        EXPECT_EQ(from_crlf.view(), with_crlf(from_lf.view()));
        // The larger text still keeps to the limit exactly.
        IndentedText exact(from_crlf.size()), short_by_one(from_crlf.size() - 1);
        EXPECT_EQ(write_indented(*crlf_tree, keep, exact, nullptr, LineEnding::crlf),
                  IndentStatus::done);
        EXPECT_EQ(exact.view(), from_crlf.view());
        EXPECT_EQ(write_indented(*crlf_tree, keep, short_by_one, nullptr, LineEnding::crlf),
                  IndentStatus::too_large);
    }
    EXPECT_EQ(first_line_ending("<a/>"), LineEnding::lf);
    EXPECT_EQ(first_line_ending("\r\n<a/>\n"), LineEnding::crlf);
}

// ---- indent changes white space only ----
//
// Over generated documents, with stray text, comments, unfinished declarations and bytes that
// are not characters mixed in: either the indenter refuses (as the editor's command and the
// batch tool do unless forced), or the input and the output are equal once white space
// between markup is taken out. The comparison reads the texts with a small reader of its
// own, not the product's parser, so that it catches the parser passing over text as well as
// the writer losing it.

// Generated documents: well formed, or (when damaged) now and then with something the tree
// cannot hold.
class DocumentMaker {
public:
    DocumentMaker(uint32_t seed, bool damaged) : random_(seed), damage_(damaged) {}

    std::string xml() {
        std::string d;
        if (chance(2)) d += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + blanks();
        misc(d);
        if (chance(3)) {
            d += "<!DOCTYPE root" + pick({"", " SYSTEM \"a.dtd\"", " PUBLIC \"p 'q'\" 's.dtd'"});
            if (chance(2)) d += blanks() + "[" + subset(true) + "]";
            d += blanks() + ">" + blanks();
            misc(d);
        }
        element(d, 0);
        misc(d);
        return damaged(d);
    }
    std::string dtd() { return damaged(subset(false)); }
    std::string json() {
        std::string d = blanks();
        value(d, 0, true);
        d += blanks();
        if (damage(8)) d += pick({"// a note\n", "/* c */", "x", "]", ",{}"});
        return damaged(d);
    }

private:
    bool chance(int one_in) { return random_() % static_cast<uint32_t>(one_in) == 0; }
    bool damage(int one_in) { return chance(one_in) && damage_; }
    int below(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }
    std::string pick(std::initializer_list<const char*> choices) {
        return *(choices.begin() + below(static_cast<int>(choices.size())));
    }
    std::string blanks() { return pick({"", "", " ", "\n", "\n  ", "\t", "\r\n", " \n\n "}); }
    std::string name() { return pick({"a", "item", "x:y", "_n", "é", "b-2", "Z.z"}); }
    std::string words() {
        return pick({"one", "two  words", "x > y", "&amp; more", "café", "a]b", "1\n2", "\"q'"});
    }
    std::string comment() { return "<!--" + pick({"", " c ", "note - one", "<tag>"}) + "-->"; }
    std::string instruction() { return "<?" + pick({"pi", "go now", "x a='1'?"}) + "?>"; }
    void misc(std::string& d) {
        for (int n = below(3); n > 0; --n) {
            d += chance(2) ? comment() : instruction();
            d += blanks();
        }
        // Text outside the root element.
        if (damage(12)) d += "IMPORTANT NOTE: keep this" + blanks();
    }
    void attributes(std::string& d) {
        int count = chance(4) ? below(12) : below(3);
        for (int i = 0; i < count; ++i) {
            d += pick({" ", "\n    ", "  "}) + name() + std::to_string(i) + pick({"", " "}) + "=" +
                 pick({"", " "});
            const std::string value = pick({"", "v", "a b  c", "it's", "say \"hi\"", "&lt;é"});
            const char quote = value.find('"') != std::string::npos    ? '\''
                               : value.find('\'') != std::string::npos ? '"'
                               : chance(2)                             ? '"'
                                                                       : '\'';
            d += quote + value + quote;
        }
    }
    void element(std::string& d, int depth) {
        const std::string n = name();
        d += "<" + n;
        attributes(d);
        d += blanks();
        if (chance(5)) {
            d += "/>";
            return;
        }
        d += ">";
        for (int items = depth > 4 ? 0 : below(5); items > 0; --items) {
            d += blanks();
            switch (below(7)) {
                case 0:
                case 1:
                    element(d, depth + 1);
                    break;
                case 2:
                    d += words();
                    break;
                case 3:
                    d += comment();
                    break;
                case 4:
                    d += instruction();
                    break;
                case 5:
                    d += "<![CDATA[" + pick({"", " <raw> & ", "]]"}) + "]]>";
                    break;
                default:
                    d += words() + comment() + words();
                    break;
            }
        }
        d += blanks() + "</" + n + blanks() + ">";
    }
    std::string subset(bool internal) {
        std::string d;
        for (int n = below(6) + (internal ? 0 : 1); n > 0; --n) {
            d += blanks();
            switch (below(internal ? 7 : 9)) {
                case 0:
                    d += "<!ELEMENT " + name() + pick({" ANY", " (a|b)*", " ( #PCDATA | c )*"}) +
                         blanks() + ">";
                    break;
                case 1:
                    d += "<!ATTLIST " + name() + " x CDATA #IMPLIED y (p|q) 'p'>";
                    break;
                case 2:
                    d += "<!ENTITY " +
                         pick({"e \"v'\"", "% pe SYSTEM 'f.dtd'", "f 'a > b'",
                               "g PUBLIC \"-//p\" \"g.dtd\""}) +
                         ">";
                    break;
                case 3:
                    d += comment();
                    break;
                case 4:
                    d += instruction();
                    break;
                case 5:
                    d += "%pe;";
                    break;
                case 6:
                    // Text a declaration list passes over.
                    d += damage(3) ? "stray" : "";
                    break;
                default:
                    d += "<![" + pick({"INCLUDE", "IGNORE", " %pe; "}) + "[<!ELEMENT c ANY>]]>";
                    break;
            }
        }
        // A declaration the text (or the subset) ends inside.
        if (damage(10)) d += pick({"<!ELEMENT b (c", "<!ATTLIST a x CDATA", "<!FOO x>"});
        return d;
    }
    void value(std::string& d, int depth, bool container) {
        const int kind = container ? below(2) : depth > 5 ? 2 + below(5) : below(7);
        if (kind < 2) {
            const bool object = kind == 0;
            d += object ? "{" : "[";
            for (int n = below(4), i = 0; i < n; ++i) {
                if (i > 0) d += ",";
                d += blanks();
                if (damage(20)) d += pick({"// c\n", "/* c */ "});
                if (object)
                    d += "\"" + name() + std::to_string(i) + "\"" + blanks() + ":" + blanks();
                value(d, depth + 1, false);
                d += blanks();
            }
            d += object ? "}" : "]";
            return;
        }
        d += pick({"\"s\"", "\"two  words\"", "\"esc \\\" \\\\ \\u00e9\"", "\"é\"", "-1.5e3", "0",
                   "true", "false", "null"});
    }
    // Now and then: bytes that are not characters at an end, or the text cut short.
    std::string damaged(std::string d) {
        if (damage(12)) d = pick({"\xff", "\xc3", "\x01"}) + d;
        if (damage(12)) d += pick({"\xff", "\xc3", "\x01", "\xe2\x82"});
        if (damage(12) && !d.empty())
            d.resize(static_cast<size_t>(below(static_cast<int>(d.size()))));
        return d;
    }

    std::mt19937 random_;
    bool damage_;
};

// Indents text as type unless it is refused; the comparison of input and output, or a note
// that it was refused.
struct Checked {
    bool refused = false;
    std::string mismatch;  // empty when equal
};

Checked check_white_space_only(const char* type, const std::string& text) {
    Checked result;
    auto tree = parse_as(type, text);
    if (indent_risk(tree.get()) != IndentRisk::none) {
        result.refused = true;
        return result;
    }
    const auto mode = WhiteSpacePieces::mode_named(type);
    for (bool remove_comments : {true, false}) {
        const std::string out = indent(*tree, options_with(2, remove_comments, 3));
        const auto after = WhiteSpacePieces(out, mode, remove_comments).pieces();
        const auto before = WhiteSpacePieces(text, mode, remove_comments).pieces();
        if (after == before) continue;
        size_t k = 0;
        while (k < after.size() && k < before.size() && after[k] == before[k]) ++k;
        result.mismatch = std::string(type) + ", comments " +
                          (remove_comments ? "removed" : "kept") + ": piece " + std::to_string(k) +
                          " was [" + (k < before.size() ? before[k] : "(none)") + "], is [" +
                          (k < after.size() ? after[k] : "(none)") + "]\n--- input:\n" + text +
                          "\n--- indented:\n" + out;
        return result;
    }
    return result;
}

constexpr const char* kTypes[] = {"xml", "dtd", "json"};

std::string make_document(DocumentMaker& maker, std::string_view type) {
    return type == "json" ? maker.json() : type == "dtd" ? maker.dtd() : maker.xml();
}

// Well-formed documents are indented (never refused), white space aside unchanged.
TEST(XmlIndenterChangesWhiteSpaceOnly, WellFormedDocuments) {
    for (const char* type : kTypes) {
        for (uint32_t seed = 1; seed <= 400; ++seed) {
            DocumentMaker maker(seed, false);
            const std::string text = make_document(maker, type);
            const Checked c = check_white_space_only(type, text);
            ASSERT_FALSE(c.refused) << type << " seed " << seed << ":\n" << text;
            ASSERT_EQ(c.mismatch, "") << "seed " << seed;
        }
    }
}

// Damaged documents are refused, or indented with white space the only change.
TEST(XmlIndenterChangesWhiteSpaceOnly, DamagedDocuments) {
    for (const char* type : kTypes) {
        int compared = 0, refused = 0;
        for (uint32_t seed = 1; seed <= 1200; ++seed) {
            DocumentMaker maker(seed, true);
            const Checked c = check_white_space_only(type, make_document(maker, type));
            ASSERT_EQ(c.mismatch, "") << "seed " << seed;
            ++(c.refused ? refused : compared);
        }
        // Both roads are taken often enough to mean something.
        EXPECT_GT(compared, 200) << type;
        EXPECT_GT(refused, 200) << type;
    }
}

// ---- the document is kept ----

// The outline pugixml reads, with instructions and the declaration, and with comments when
// asked.
std::vector<std::string> reference_outline(const std::string& text, bool comments = false) {
    return test::pugi_outline(
        text, pugi::parse_pi | pugi::parse_declaration | (comments ? pugi::parse_comments : 0u));
}

// The diagnostics' texts without their positions.
std::vector<std::string> diagnostic_texts(const std::string& text) {
    auto tree = parse_xml(text);
    std::vector<std::string> out;
    for (Diagnostic* d : tree->diagnostics().items()) out.emplace_back(d->message());
    return out;
}

void expect_kept(const std::string& text, const std::string& what) {
    SCOPED_TRACE(what);
    // Some installed documents have "&" in an attribute value, which is warned about; the
    // indented text must bring no others.
    const std::vector<std::string> warned = diagnostic_texts(text);
    for (bool remove_comments : {true, false}) {
        const IndentOptions options = options_with(remove_comments ? 4 : 2, remove_comments, 3);
        const std::string once = indent(text, options);
        EXPECT_EQ(diagnostic_texts(once), warned);
        // Comments are compared too: none may be left when they are removed.
        const std::vector<std::string> before = reference_outline(text, !remove_comments);
        const std::vector<std::string> after = reference_outline(once, true);
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i < after.size(); ++i) ASSERT_EQ(after[i], before[i]) << "entry " << i;
        EXPECT_TRUE(indent(once, options) == once) << "indenting again changes the text";
    }
}

TEST(XmlIndenterKeepsDocuments, RealDocuments) {
    std::vector<std::filesystem::path> files = {
        "/usr/share/mime/packages/freedesktop.org.xml",
        "/etc/fonts/fonts.conf",
        "/usr/share/X11/xkb/rules/evdev.xml",
        std::filesystem::path(TESSEL_SOURCE_DIR) / "samples/catalog.xml",
    };
    for (const auto& file : files) TESSEL_REQUIRE_INPUT(file);
    TESSEL_REQUIRE_INPUT("/usr/share/xml/iso-codes");
    for (const auto& entry : std::filesystem::directory_iterator("/usr/share/xml/iso-codes"))
        if (entry.path().extension() == ".xml" && !entry.is_symlink() && entry.file_size() > 0)
            files.push_back(entry.path());
    ASSERT_GT(files.size(), 4u);  // iso-codes has its documents
    for (const auto& file : files) {
        std::string text = test::file_contents(file);
        expect_kept(text, file.string());
    }
}

TEST(XmlIndenterKeepsDocuments, GeneratedDocuments) {
    for (uint64_t seed : {1, 7}) {
        std::string text = bench::make_document(600'000, seed);
        expect_kept(text, "generated, seed " + std::to_string(seed));
    }
}

// A nesting far deeper than a recursive writer could take on this thread's small stack.
TEST(XmlIndenterKeepsDocuments, DeepNestingOnASmallStack) {
    constexpr int kDepth = 4000;
    std::string text;
    for (int i = 0; i < kDepth; ++i) text += "<d>";
    text += "x";
    for (int i = 0; i < kDepth; ++i) text += "</d>";
    struct Work {
        std::string text;
        std::string out;
    } work{text, {}};
    auto body = [](void* arg) -> void* {
        auto* w = static_cast<Work*>(arg);
        auto tree = parse_xml(w->text);
        w->out = indent_document(*tree, options_with(1, true)).value_or("");
        return nullptr;
    };
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, body, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    const std::string innermost = std::string(kMaxIndentLevels, ' ') + "<d>x</d>\n";
    EXPECT_NE(work.out.find(innermost), std::string::npos);
    EXPECT_EQ(work.out.substr(work.out.size() - 6), "\n</d>\n");
    EXPECT_EQ(reference_outline(work.out), reference_outline(text));
}

}  // namespace
}  // namespace tessel
