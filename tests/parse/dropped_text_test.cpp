// Whether the tree holds all the text: on documents generated with and without faults, a
// document that an independent parser accepts as well-formed (libxml2 for XML, nlohmann for
// JSON) is held whole, and a tree that claims to hold the text writes it back with the same
// non-white content; faults that lose text are caught. Also the reproducers of stray text,
// message order and the cut detail texts.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>

#include "foundation/string_builder.h"
#include "parse/doctype_parser.h"
#include "parse/dtd_nodes.h"
#include "parse/indent_options.h"
#include "parse/json_nodes.h"
#include "parse/json_parser.h"
#include "tests/file_contents.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using test::details;
using test::messages;
using Strings = std::vector<std::string>;

enum class Type { xml, dtd, json };

std::unique_ptr<DocumentTree> parse(Type type, std::string_view text) {
    switch (type) {
        case Type::xml:
            return parse_xml(text);
        case Type::dtd:
            return parse_dtd(text);
        case Type::json:
            return parse_json(text);
    }
    return nullptr;
}

// What the writer makes of the tree (comments kept), or nothing when there is no tree.
std::optional<std::string> written(Type type, DocumentTree& tree) {
    IndentOptions options;
    options.remove_comments = false;
    StringBuilder out;
    if (type == Type::xml) {
        tree.document_node()->write(out, options, 0);
    } else {
        if (!tree.root()) return std::nullopt;
        tree.root()->write(out, options, 0);
    }
    return std::string(out.view());
}

// The text without white space, and with apostrophes read as quotation marks: the writer
// changes the blanks between markup and the quotes around literals, nothing else.
std::string content_of(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        out += c == '\'' ? '"' : c;
    }
    return out;
}

bool libxml2_accepts(const std::string& text) {
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    xmlDocPtr doc = xmlCtxtReadMemory(context, text.data(), static_cast<int>(text.size()), "doc.xml",
                                      "UTF-8", XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool ok = doc != nullptr && context->wellFormed;
    xmlFreeDoc(doc);
    xmlFreeParserCtxt(context);
    return ok;
}

bool nlohmann_accepts(const std::string& text) { return nlohmann::json::accept(text); }

// ---- generators ----

// What a fault does to the text the tree holds.
enum class Loss { none, some, unknown };

struct Generated {
    std::string text;
    std::string fault;  // empty for a document without one
    Loss loss = Loss::none;
};

class Generator {
public:
    explicit Generator(uint32_t seed) : random_(seed) {}

    int pick(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string word() {
        static const char* const words[] = {"alpha", "b", "x y", "caf\xC3\xA9", "1 &lt; 2", "Tom &amp; Jerry",
                                            "it's", "say \"hi\"", "\xE2\x82\xAC 5"};
        return words[pick(9)];
    }
    std::string name() {
        static const char* const names[] = {"a", "b", "item", "x:y", "_n", "d-1", "\xC3\xA9l"};
        return names[pick(7)];
    }
    std::string blank() {
        static const char* const blanks[] = {"", " ", "\n", "\n  ", "\r\n", "\t"};
        return blanks[pick(6)];
    }

    std::string attributes() {
        std::string out;
        const int n = pick(4);
        for (int i = 0; i < n; ++i) {
            // Distinct names; a value never holds both kinds of quotes.
            std::string value = pick(2) ? "v" + std::to_string(pick(100)) : word();
            const char quote = value.find('"') != std::string::npos ? '\'' : (pick(2) ? '"' : '\'');
            if (value.find('\'') != std::string::npos && quote == '\'') value = "v";
            out += " n" + std::to_string(i) + "=" + quote + value + quote;
        }
        return out;
    }

    // An element with random content, `depth` levels at most below it.
    std::string element(int depth) {
        const std::string n = name();
        std::string out = "<" + n + attributes();
        if (depth == 0 || chance(20)) return out + "/>";
        out += ">";
        const int items = pick(5);
        for (int i = 0; i < items; ++i) {
            out += blank();
            switch (pick(6)) {
                case 0:
                case 1:
                    out += element(depth - 1);
                    break;
                case 2:
                    out += word();
                    break;
                case 3:
                    out += "<![CDATA[ <raw> & " + word() + "]]>";
                    break;
                case 4:
                    out += "<!-- " + word() + " -->";
                    break;
                default:
                    out += "<?pi " + word() + "?>";
                    break;
            }
        }
        return out + blank() + "</" + n + ">";
    }

    std::string declaration() {
        switch (pick(7)) {
            case 0:
                return "<!ELEMENT " + name() + " (a|b)*>";
            case 1:
                return "<!ELEMENT " + name() + " ANY>";
            case 2:
                return "<!ATTLIST " + name() + " id ID #IMPLIED kind (x|y) \"x\">";
            case 3:
                return "<!ENTITY e" + std::to_string(pick(9)) + " \"value " + std::to_string(pick(9)) + "\">";
            case 4:
                return "<!ENTITY pic SYSTEM \"pic.gif\" NDATA gif>";
            case 5:
                return "<!NOTATION gif SYSTEM \"image/gif\">";
            default:
                return "<!-- about " + name() + " -->";
        }
    }

    Generated xml() {
        std::vector<std::string> subset;
        const bool doctype = chance(40);
        if (doctype)
            for (int i = pick(4) + 1; i > 0; --i) subset.push_back(declaration());
        std::string prolog;
        if (chance(50)) prolog += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + blank();
        if (chance(30)) prolog += "<!-- lead -->" + blank();
        std::string root = element(3);
        std::string tail = chance(30) ? blank() + "<!-- tail -->" : "";
        tail += blank();

        Generated g;
        const int fault = chance(30) ? -1 : pick(12);
        auto insert_in_text = [&](const char* what) {
            // Into the root's first text (its content after the start tag).
            size_t gt = root.find('>');
            if (root[gt - 1] == '/') return false;
            root.insert(gt + 1, std::string("x") + what + "y");
            return true;
        };
        switch (fault) {
            case 0:
                g.fault = "text before the root";
                prolog += "stray words\n";
                g.loss = Loss::some;
                break;
            case 1:
                g.fault = "text after the root";
                tail += "IMPORTANT NOTE: keep this\n";
                g.loss = Loss::some;
                break;
            case 2:
                g.fault = "markup after the root";
                tail += "<b/></c>more";
                g.loss = Loss::some;
                break;
            case 3:
                g.fault = "a byte that is no character";
                g.loss = insert_in_text("\xFF") ? Loss::some : Loss::none;
                if (g.loss == Loss::none) tail += "\xFF", g.loss = Loss::some;
                break;
            case 4:
                g.fault = "a control character";
                g.loss = insert_in_text("\x01") ? Loss::some : Loss::none;
                if (g.loss == Loss::none) tail += "\x01", g.loss = Loss::some;
                break;
            case 5:
                g.fault = "an end tag of another name";
                if (root.ends_with("/>")) root = "<r>" + root + "</q>";
                else root = root.substr(0, root.rfind("</")) + "</zz>";
                g.loss = Loss::some;
                break;
            case 6:
                g.fault = "a conditional section in the internal subset";
                subset.push_back("<![INCLUDE[<!ELEMENT c ANY>]]>");
                g.loss = Loss::some;
                break;
            case 7:
                g.fault = "a declaration without its >";
                subset.insert(subset.begin(), "<!ELEMENT c (a|b)");
                subset.push_back("<!ELEMENT d ANY>");
                g.loss = Loss::some;
                break;
            case 8:
                g.fault = "an unknown declaration";
                subset.push_back("<!FOO x y>");
                g.loss = Loss::none;  // an error, but the tree keeps it
                break;
            case 9:
                g.fault = "a duplicated attribute";
                root.insert(root.find_first_of(" />"), " d=\"1\" d='2'");
                g.loss = Loss::none;
                break;
            case 10:
            case 11:
                g.fault = "cut short";
                g.loss = Loss::unknown;
                break;
        }
        if (!subset.empty() || doctype) {
            std::string d = "<!DOCTYPE r";
            if (chance(50)) d += " SYSTEM \"r.dtd\"";
            if (!subset.empty()) {
                d += " [";
                for (const std::string& s : subset) d += blank() + s;
                d += blank() + "]";
            }
            prolog += d + ">" + blank();
        }
        g.text = prolog + root + tail;
        if (g.fault == "cut short") g.text.resize(static_cast<size_t>(pick(static_cast<int>(g.text.size()))));
        return g;
    }

    std::string json_value(int depth) {
        switch (depth == 0 ? 2 + pick(4) : pick(6)) {
            case 0: {
                std::string out = "{";
                const int n = pick(4);
                for (int i = 0; i < n; ++i)
                    out += (i ? "," : "") + blank() + "\"k" + std::to_string(i) + " x\"" + blank() + ":" +
                           blank() + json_value(depth - 1);
                return out + blank() + "}";
            }
            case 1: {
                std::string out = "[";
                const int n = pick(4);
                for (int i = 0; i < n; ++i) out += (i ? "," : "") + blank() + json_value(depth - 1);
                return out + blank() + "]";
            }
            case 2:
                return "\"s " + std::to_string(pick(9)) + " \\\" \\u00e9 caf\xC3\xA9\"";
            case 3:
                return pick(2) ? "-12.5e3" : "0";
            case 4:
                return pick(2) ? "true" : "false";
            default:
                return "null";
        }
    }

    Generated json() {
        Generated g;
        std::string body = json_value(4);
        if (body[0] != '{' && body[0] != '[') body = "[" + body + "]";
        g.text = blank() + body + blank();
        const int fault = chance(30) ? -1 : pick(6);
        switch (fault) {
            case 0:
                g.fault = "a line comment";
                g.text.insert(1, "// note\n");
                g.loss = Loss::some;
                break;
            case 1:
                g.fault = "a block comment at the end";
                g.text += "/* keep */";
                g.loss = Loss::some;
                break;
            case 2:
                g.fault = "text after the value";
                g.text += " {\"more\": 1}";
                g.loss = Loss::some;
                break;
            case 3:
                g.fault = "a comma before ]";
                g.text = "[1, " + body + ",\n]";
                g.loss = Loss::some;
                break;
            case 4:
            case 5:
                g.fault = "cut short";
                g.text.resize(static_cast<size_t>(pick(static_cast<int>(g.text.size()))));
                g.loss = Loss::unknown;
                break;
        }
        return g;
    }

    Generated dtd() {
        std::vector<std::string> items;
        for (int i = pick(6) + 1; i > 0; --i) {
            switch (pick(5)) {
                case 0:
                    items.push_back("<!ENTITY % pe \"(a|b)\">");
                    break;
                case 1:
                    items.push_back("<![INCLUDE[" + blank() + declaration() + blank() + "]]>");
                    break;
                case 2:
                    items.push_back("<?pi " + name() + "?>");
                    break;
                default:
                    items.push_back(declaration());
                    break;
            }
        }
        Generated g;
        const int fault = chance(30) ? -1 : pick(5);
        switch (fault) {
            case 0:
                g.fault = "stray words between declarations";
                items.insert(items.begin() + pick(static_cast<int>(items.size()) + 1), "stray words");
                g.loss = Loss::some;
                break;
            case 1:
                g.fault = "a declaration without its >";
                items.insert(items.begin(), "<!ATTLIST a b CDATA #IMPLIED");
                items.push_back("<!ELEMENT d ANY>");
                g.loss = Loss::some;
                break;
            case 2:
                g.fault = "an unknown declaration";
                items.push_back("<!FOO x>");
                g.loss = Loss::none;
                break;
            case 3:
            case 4:
                g.fault = "cut short";
                g.loss = Loss::unknown;
                break;
        }
        for (const std::string& item : items) g.text += item + blank() + "\n";
        if (g.fault == "cut short") g.text.resize(static_cast<size_t>(pick(static_cast<int>(g.text.size()))));
        return g;
    }

private:
    std::mt19937 random_;
};

// The checks every document gets: accepted by the reference means held whole; held whole
// means written back with the same content; a fault that loses text is caught; a document
// without a fault is well-formed by the reference (so the generator makes what it should).
void check_document(Type type, const Generated& g) {
    SCOPED_TRACE(g.fault.empty() ? "no fault" : g.fault);
    SCOPED_TRACE(g.text);
    auto tree = parse(type, g.text);
    const bool held = tree->holds_all_text();
    EXPECT_EQ(held, tree->first_dropped_text() < 0);
    std::optional<bool> accepted;
    if (type == Type::xml) accepted = libxml2_accepts(g.text);
    if (type == Type::json) accepted = nlohmann_accepts(g.text);
    if (accepted && *accepted) {
        EXPECT_TRUE(held) << "dropped at " << tree->first_dropped_text();
    }
    if (g.fault.empty()) {
        if (accepted) {
            EXPECT_TRUE(*accepted) << "the generator made a broken document";
        }
        EXPECT_TRUE(held);
        EXPECT_EQ(tree->diagnostics().error_count(), 0);
    }
    if (g.loss == Loss::some) {
        EXPECT_FALSE(held);
    }
    if (g.loss == Loss::none) {
        EXPECT_TRUE(held) << "dropped at " << tree->first_dropped_text();
    }
    if (held) {
        std::optional<std::string> out = written(type, *tree);
        if (out) {
            EXPECT_EQ(content_of(*out), content_of(g.text)) << *out;
        }
    }
}

TEST(DroppedText, GeneratedXmlDocuments) {
    Generator generator(12);
    for (int i = 0; i < 1500; ++i) check_document(Type::xml, generator.xml());
}

TEST(DroppedText, GeneratedJsonDocuments) {
    Generator generator(34);
    for (int i = 0; i < 1500; ++i) check_document(Type::json, generator.json());
}

TEST(DroppedText, GeneratedDtdDocuments) {
    Generator generator(56);
    for (int i = 0; i < 1500; ++i) check_document(Type::dtd, generator.dtd());
}

TEST(DroppedText, HandWrittenCases) {
    struct Case {
        Type type;
        const char* text;
        TextPos dropped;  // the first offset the tree does not hold, -1 for none
    };
    const Case cases[] = {
        {Type::xml, "<a>x</a>important trailing text", 8},
        {Type::xml, "lead <a>x</a>", 0},
        {Type::xml, "\n<a>x</a>\n", -1},
        {Type::xml, "<?xml version=\"1.0\"?>\n<root><item>1</item></root>\nIMPORTANT NOTE: keep this\n", 50},
        {Type::xml, "<a/><b/></c>more", 8},
        {Type::xml, "<a></b>", 5},
        {Type::xml, "<a>text", 7},                    // the end of the text, inside an element
        {Type::xml, "<a>\xFF</a>", 3},
        {Type::xml, "<a/>\xFF", 4},
        {Type::xml, "<a/><!--c-->\n<?p?>", -1},
        {Type::xml, "<!DOCTYPE a [<!ELEMENT a ANY><!ATTLIST a x CDATA", 29},
        {Type::xml, "<!DOCTYPE a [<!ELEMENT a ANY>", 29},
        {Type::xml, "<!DOCTYPE a [<!FOO x>]><a/>", -1},
        {Type::dtd, "<!ELEMENT a ANY>\n<!ELEMENT b (c", 17},
        {Type::dtd, "<!ELEMENT a (b)\n<!ELEMENT b EMPTY>", 16},
        {Type::dtd, "<![INCLUDE[<!ELEMENT a ANY>", 27},
        {Type::dtd, "<![INCLUDE", 0},
        {Type::dtd, "<!ELEMENT a ANY> x", 17},
        {Type::dtd, "<!ENTITY % e \"x\"> %e; <!-- c -->", -1},
        {Type::json, "{\"a\": 1} // c", 9},
        {Type::json, "/* c */ {\"a\": 1}", 0},
        {Type::json, "{\"a\": 1} x", 9},
        {Type::json, "[1,2,]", 4},
        {Type::json, "{\"a\":1,}", 7},
        {Type::json, "", -1},
        {Type::json, "[\"\xFF\"]", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto tree = parse(c.type, c.text);
        EXPECT_EQ(tree->first_dropped_text(), c.dropped);
        EXPECT_EQ(tree->holds_all_text(), c.dropped < 0);
    }
}

TEST(DroppedText, RealDocumentsAreHeldWhole) {
    const std::filesystem::path mime = "/usr/share/mime/packages/freedesktop.org.xml";
    if (!std::filesystem::exists(mime)) GTEST_SKIP() << mime << " is missing (shared-mime-info)";
    std::string text = test::file_contents(mime);
    auto tree = parse_xml(text);
    EXPECT_TRUE(tree->holds_all_text()) << tree->first_dropped_text();
    std::optional<std::string> out = written(Type::xml, *tree);
    ASSERT_TRUE(out);
    EXPECT_EQ(content_of(*out), content_of(text));
    text += "\nsigned: the maintainers\n";
    EXPECT_FALSE(parse_xml(text)->holds_all_text());
}

// ---- the reproducers ----

TEST(StrayText, EveryNonBlankRunOutsideTheRootIsReported) {
    auto tree = parse_xml("<?xml version=\"1.0\"?>\n<root><item>1</item></root>\nIMPORTANT NOTE: keep this\n");
    ASSERT_EQ(messages(*tree), Strings{"warning@50 Unexpected text "});
    EXPECT_EQ(details(*tree, 0), (Strings{"Expecting=< or end-of-file", "Found=IMPORTANT NOTE: keep this"}));

    tree = parse_xml("<a/><b/></c>more");
    ASSERT_EQ(
        messages(*tree),
        (Strings{"error@4 Expecting comment, instruction or end of file after the root element",
                 "error@8 Unexpected text "}));
    EXPECT_EQ(details(*tree, 1), (Strings{"Expecting=< or end-of-file", "Found=</c>more"}));

    // Between items and after comments as well: one diagnostic a run.
    tree = parse_xml("<!--c--> one <!DOCTYPE a> two <a/> three <!--d--> four <?p?>\n");
    ASSERT_EQ(messages(*tree), (Strings{"warning@9 Unexpected text ", "warning@26 Unexpected text ",
                                        "warning@35 Unexpected text ", "warning@50 Unexpected text "}));
    EXPECT_EQ(details(*tree, 3), (Strings{"Expecting=< or end-of-file", "Found=four"}));
    // Blank runs are no stray text.
    EXPECT_TRUE(messages(*parse_xml("<?xml version=\"1.0\"?>\r\n<a/>\n\n<!--x-->\n")).empty());
}

TEST(StrayText, DetailTextsAreCutTo1024Bytes) {
    auto tree = parse_xml("<a/>" + std::string(5000, 'x'));
    ASSERT_EQ(messages(*tree), Strings{"warning@4 Unexpected text "});
    EXPECT_EQ(details(*tree, 0)[1], "Found=" + std::string(1024, 'x'));
    // The same for text before the root, and at a character boundary.
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "\xC3\xA9";
    tree = parse_xml("x" + text + "<a/>");
    ASSERT_EQ(tree->diagnostics().count(), 1);
    EXPECT_EQ(details(*tree, 0)[1], "Found=x" + text.substr(0, 1022));
}

TEST(DiagnosticOrder, ScanFailuresComeInPositionOrderAndNoneAfterAFatalError) {
    auto tree = parse_xml("<a b/>\x01\xFF");
    EXPECT_EQ(messages(*tree), Strings{"error@4 Expecting ="});
    // Before the fatal error they are all there, in order among the parser's messages.
    tree = parse_xml("\x01<a x=\"1\" x=\"\xFF\"></b\x02>\x03<c");
    EXPECT_EQ(
        messages(*tree),
        (Strings{"warning@0 This Unicode ctrl character not allowed",
                 "warning@10 Duplicated attribute name", "warning@13 Invalid Unicode sequence",
                 "warning@18 start/end tag mismatch",
                 "warning@19 This Unicode ctrl character not allowed",
                 "warning@21 This Unicode ctrl character not allowed",
                 "error@22 Expecting comment, instruction or end of file after the root element",
                 "error@24 Expecting Attribute name,>,  or />"}));
    tree = parse_json("[1, \x01 2 // c\n, x, \xFF]");
    EXPECT_EQ(messages(*tree), (Strings{"warning@4 This Unicode ctrl character not allowed",
                                        "warning@8 Json spec does not have comments",
                                        "error@15 Expecting {,[,string,true,false or null"}));
    tree = parse_dtd("<!ELEMENT a ANY>\x01<!FOO x>\xFF<!ELEMENT");
    EXPECT_EQ(messages(*tree), (Strings{"warning@16 This Unicode ctrl character not allowed",
                                        "error@19 Expecting ELEMENT ATTLIST or ENTITY",
                                        "warning@25 Invalid Unicode sequence",
                                        "error@35 Unexpected end of file"}));
}

}  // namespace
}  // namespace tessel
