// The XML indenter: the layout rules on small documents, and, on real and generated ones,
// that indenting keeps the document (checked against an independent parser), yields text
// that parses cleanly, and is stable when repeated.
#include "parse/xml_indenter.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <filesystem>
#include <pugixml.hpp>

#include "bench/make_document.h"
#include "foundation/string_builder.h"
#include "parse/doctype_parser.h"
#include "parse/json_parser.h"
#include "tests/file_contents.h"
#include "tests/parse/parse_support.h"
#include "tests/parse/pugi_outline.h"

namespace tessel {
namespace {

IndentOptions options_with(int32_t size, bool remove_comments, int32_t max_attributes = 8) {
    IndentOptions o;
    o.indent_size = size;
    o.remove_comments = remove_comments;
    o.max_attributes = max_attributes;
    return o;
}

std::string indent(std::string_view text, const IndentOptions& options = {}) {
    auto tree = parse_xml(text);
    std::optional<std::string> out = indent_document(*tree, options);
    EXPECT_TRUE(out.has_value());
    return out.value_or("");
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

// ---- the document is kept ----

// The outline pugixml reads, with instructions and the declaration, and with comments when
// asked.
std::vector<std::string> reference_outline(const std::string& text, bool comments = false) {
    return test::pugi_outline(text, pugi::parse_pi | pugi::parse_declaration |
                                        (comments ? pugi::parse_comments : 0u));
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
    if (std::filesystem::is_directory("/usr/share/xml/iso-codes"))
        for (const auto& entry : std::filesystem::directory_iterator("/usr/share/xml/iso-codes"))
            if (entry.path().extension() == ".xml" && !entry.is_symlink() && entry.file_size() > 0)
                files.push_back(entry.path());
    int compared = 0;
    for (const auto& file : files) {
        if (!std::filesystem::exists(file)) continue;
        std::string text = test::file_contents(file);
        expect_kept(text, file.string());
        ++compared;
    }
    EXPECT_GE(compared, 2);
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
    const std::string innermost = std::string(kDepth - 1, ' ') + "<d>x</d>\n";
    EXPECT_NE(work.out.find(innermost), std::string::npos);
    EXPECT_EQ(work.out.substr(work.out.size() - 6), "\n</d>\n");
    EXPECT_EQ(reference_outline(work.out), reference_outline(text));
}

}  // namespace
}  // namespace tessel
