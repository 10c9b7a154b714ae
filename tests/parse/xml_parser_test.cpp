// The XML parser: every diagnostic it words, recovery from fatal errors, and the tree it
// leaves behind.
#include <gtest/gtest.h>

#include <map>

#include "foundation/job.h"
#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using test::details;
using test::messages;
using test::root_element;
using Strings = std::vector<std::string>;

TEST(XmlParser, MissingWhiteSpaceBetweenAttributesIsAWarning) {
    auto tree = parse_xml(R"(<a b="1"c="2"/>)");
    EXPECT_EQ(messages(*tree), Strings{"warning@8 Required white space is missing"});
    ElementNode* a = root_element(*tree);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->attributes().size(), 2);
    EXPECT_EQ(static_cast<AttributeNode*>(a->child(1))->name(), "c");
    EXPECT_EQ(static_cast<AttributeNode*>(a->child(1))->value(), "2");
}

TEST(XmlParser, DuplicatedAttributesNameBothValues) {
    auto tree = parse_xml(R"(<a x="1" y="0" x="22"/>)");
    EXPECT_EQ(messages(*tree), Strings{"warning@15 Duplicated attribute name"});
    EXPECT_EQ(details(*tree, 0), (Strings{"Attribute Name=x", "First Value=1", "Second Value=22"}));
    ASSERT_EQ(tree->diagnostics().count(), 1);
    ASSERT_EQ(tree->diagnostics().at(0)->details().size(), 4);
    EXPECT_EQ(tree->diagnostics().at(0)->details()[3]->first(), 18);
}

TEST(XmlParser, DuplicatesAmongThousandsOfAttributesNameTheFirstValue) {
    // The names of a long tag go into a map that grows as the tag does; every later use of a
    // name must still find the first, whichever growth came between.
    std::string text = "<a";
    std::vector<std::string> expected;
    std::map<std::string, std::string> first_value;
    for (int i = 0; i < 5000; ++i) {
        const std::string name = "n" + std::to_string(i % 7 == 6 ? i / 3 : i);
        const std::string value = std::to_string(i);
        const size_t at = text.size() + 1;
        text += " " + name + "=\"" + value + "\"";
        auto [it, fresh] = first_value.emplace(name, value);
        if (!fresh) expected.push_back(std::to_string(at) + " " + it->second + "/" + value);
    }
    auto tree = parse_xml(text + "/>");
    std::vector<std::string> found;
    for (Diagnostic* d : tree->diagnostics().items())
        found.push_back(std::to_string(d->position()) + " " + std::string(d->details()[2]->text()) + "/" +
                        std::string(d->details()[3]->text()));
    EXPECT_EQ(found, expected);
    EXPECT_EQ(root_element(*tree)->attributes().size(), 5000);
}

TEST(XmlParser, MismatchedEndTagKeepsTheStartTagsName) {
    auto tree = parse_xml("<a></b>");
    EXPECT_EQ(messages(*tree), Strings{"warning@5 start/end tag mismatch"});
    EXPECT_EQ(details(*tree, 0), (Strings{"Start tag=a", "End tag=b"}));
    EXPECT_EQ(root_element(*tree)->name(), "a");
    EXPECT_EQ(root_element(*tree)->end_name_span().first, 5);
}

TEST(XmlParser, EndOfFileInsideAnElementIsFatalButKeepsWhatWasRead) {
    auto tree = parse_xml("<r><a>1</a><b>text");
    EXPECT_EQ(messages(*tree), Strings{"error@18 End of file before tag close"});
    EXPECT_EQ(details(*tree, 0), Strings{"Start tag=b"});
    ElementNode* r = root_element(*tree);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->content().size(), 2);
    auto* b = test::element(r->child(1));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->name(), "b");
    EXPECT_EQ(test::query_text(*b, kQueryValueCell), "text");
}

TEST(XmlParser, AFatalErrorInsideAStartTagDropsOnlyThatTag) {
    auto tree = parse_xml(R"(<r><a>1</a><b k="v"/><c x=></c></r>)");
    EXPECT_EQ(messages(*tree), Strings{"error@26 Expecting value"});
    EXPECT_EQ(details(*tree, 0), (Strings{"Location=After '='", "Found instead=>"}));
    ElementNode* r = root_element(*tree);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->attributes().size(), 0);
    ASSERT_EQ(r->content().size(), 2);
    EXPECT_EQ(test::element(r->child(1))->attributes().size(), 1);
}

TEST(XmlParser, AnEndTagWithoutANameIsAnErrorAndClosesTheOpenElement) {
    auto tree = parse_xml("<a>x</>");
    EXPECT_EQ(messages(*tree), Strings{"error@6 Expecting close tag name"});
    EXPECT_EQ(root_element(*tree)->end_name_span().length(), 0);
    EXPECT_EQ(root_element(*tree)->content().size(), 1);
}

TEST(XmlParser, AttributeValuesMayNotHoldLessThanOrABareAmpersand) {
    auto tree = parse_xml(R"(<a v="x<y&z"/>)");
    EXPECT_EQ(messages(*tree), Strings{"warning@7 < is not allowed in xml attribute"});
    tree = parse_xml(R"(<a v="a&amp;b & c"/>)");
    EXPECT_EQ(messages(*tree), Strings{"warning@14 & is not allowed in xml attribute"});
    // References are what well-formed documents write there.
    for (const char* ok : {"&amp;", "&#38;", "&#x26;", "&lt;&gt;", "&my-entity.2;"})
        EXPECT_TRUE(
            messages(*parse_xml(std::string("<!DOCTYPE a [<!ENTITY my-entity.2 'x'>]><a v='") + ok +
                                "'/>"))
                .empty())
            << ok;
    for (const char* bad : {"&", "&;", "&#;", "&#x;", "&amp", "&1a;", "& amp;"})
        EXPECT_EQ(messages(*parse_xml(std::string("<a v='") + bad + "'/>")),
                  Strings{"warning@6 & is not allowed in xml attribute"})
            << bad;
}

TEST(XmlParser, TextBeforeTheFirstElement) {
    auto tree = parse_xml("hello <a/>");
    EXPECT_EQ(messages(*tree), Strings{"warning@0 Document does not start with <"});
    EXPECT_EQ(details(*tree, 0), (Strings{"Expecting=<", "Found=hello "}));
    EXPECT_NE(root_element(*tree), nullptr);
}

TEST(XmlParser, TextAfterTheRootElement) {
    auto tree = parse_xml("<a/>\n junk \n");
    EXPECT_EQ(messages(*tree), Strings{"warning@6 Unexpected text "});
    EXPECT_EQ(details(*tree, 0), (Strings{"Expecting=< or end-of-file", "Found=junk"}));
    EXPECT_TRUE(messages(*parse_xml("<a/>\n \t\r\n")).empty());

    // Stray markup is one error for the whole run up to the next item.
    tree = parse_xml("<a/></b>");
    EXPECT_EQ(messages(*tree), Strings{"error@4 Unexpected text "});
    EXPECT_EQ(details(*tree, 0), (Strings{"Expecting=< or end-of-file", "Found=</b>"}));
}

TEST(XmlParser, BlankOnlyTextMakesNoContentItem) {
    auto tree = parse_xml("<a> \t\r\n </a>");
    EXPECT_TRUE(messages(*tree).empty());
    EXPECT_EQ(root_element(*tree)->content().size(), 0);
    tree = parse_xml("<a>  x y \n</a>");
    EXPECT_EQ(test::query_text(*root_element(*tree)->child(0), kQueryDisplay), "x y");
}

TEST(XmlParser, EveryExpectationText) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"<a b/>", "error@4 Expecting ="},
        {"<a b=/>", "error@5 Expecting value"},
        {R"(<a "x">)", "error@3 Expecting Attribute name,>,  or />"},
        {"<a></a b>", "error@7 Expecting >"},
        {"<>", "error@1 Expecting tag name"},
        {"< a/>", "error@1 whitespace not allowed here"},
        {"<a/><!DOCTYPE a>", "error@4 Expecting <, <?, chardata or End of File"},
        // An unterminated section reaches the parser as a stray token.
        {"<a><![CDATA[x", "error@12 Expecting cdata content or ]]>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto tree = parse_xml(c.text);
        ASSERT_FALSE(messages(*tree).empty());
        EXPECT_EQ(messages(*tree)[0], c.message);
    }
}

TEST(XmlParser, UnexpectedMarkupInsideContent) {
    auto tree = parse_xml("<a><!FOO x></a>");
    EXPECT_EQ(messages(*tree), (Strings{"warning@3 Expecting char data, <,  or </",
                                        "error@3 Expecting <, </ or text"}));
    EXPECT_EQ(details(*tree, 1), (Strings{"Location=After '>'", "Found instead=<!"}));
}

TEST(XmlParser, ExpectationAtTheEndOfTheTextFindsEndOfFile) {
    auto tree = parse_xml("<a x");
    EXPECT_EQ(messages(*tree), Strings{"error@4 Expecting ="});
    EXPECT_EQ(details(*tree, 0), (Strings{"Location=After 'x'", "Found instead=End of file"}));
}

TEST(XmlParser, ScannerFailuresAreWarningsAndParsingGoesOn) {
    auto tree = parse_xml("<a>x\x01y</a>");
    EXPECT_EQ(messages(*tree), Strings{"warning@4 This Unicode ctrl character not allowed"});
    tree = parse_xml("<a>x\xFFy</a>");
    EXPECT_EQ(messages(*tree), Strings{"warning@4 Invalid Unicode sequence"});
    EXPECT_EQ(root_element(*tree)->content().size(), 1);
    // NUL as the very last character is no scanner failure (it is stray text after the root).
    tree = parse_xml(std::string("<a/>\0", 5));
    EXPECT_EQ(messages(*tree), Strings{"warning@4 Unexpected text "});
}

TEST(XmlParser, CdataSectionsKeepTheirContentRaw) {
    auto tree = parse_xml("<a><![CDATA[x<y&z]]><![CDATA[]]></a>");
    EXPECT_TRUE(messages(*tree).empty());
    ElementNode* a = root_element(*tree);
    ASSERT_EQ(a->content().size(), 2);
    EXPECT_EQ(tree->record_kind(a->content()[0]), kRecordCdata);
    EXPECT_EQ(static_cast<TextNode*>(a->child(0))->text(), "x<y&z");
    EXPECT_EQ(static_cast<TextNode*>(a->child(1))->text(), "");
}

TEST(XmlParser, CommentsAndInstructionsRememberTheirPlace) {
    auto tree = parse_xml("<?xml version=\"1.0\"?><!--top--><r>t<!--c--><a/><?p x?></r><!--end-->");
    EXPECT_TRUE(messages(*tree).empty());
    XmlDocumentNode* doc = tree->document_node();
    ASSERT_EQ(doc->misc().size(), 3);
    auto* decl = static_cast<TextNode*>(tree->node_at(doc->misc()[0]));
    EXPECT_EQ(decl->text(), "<?xml version=\"1.0\"?>");
    EXPECT_EQ(decl->kind(), kRecordInstruction);
    EXPECT_EQ(decl->preceding(), 0u);
    EXPECT_EQ(static_cast<TextNode*>(tree->node_at(doc->misc()[2]))->preceding(), 1u);
    ElementNode* r = root_element(*tree);
    ASSERT_EQ(r->misc().size(), 2);
    auto* comment = static_cast<TextNode*>(tree->node_at(r->misc()[0]));
    EXPECT_EQ(comment->text(), "<!--c-->");
    EXPECT_EQ(comment->preceding(), 1u);
    EXPECT_EQ(static_cast<TextNode*>(tree->node_at(r->misc()[1]))->preceding(), 2u);
}

TEST(XmlParser, DoctypeWithInternalSubsetLeavesTheDocumentIntact) {
    auto tree = parse_xml("<!DOCTYPE r [<!ELEMENT r (#PCDATA)><!ATTLIST r a CDATA \"]>\">]>\n<r a='1'>x</r>");
    EXPECT_TRUE(messages(*tree).empty());
    EXPECT_EQ(root_element(*tree)->name(), "r");
}

TEST(XmlParser, DeepNestingDoesNotExhaustTheStack) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "<d>";
    for (int i = 0; i < 200000; ++i) text += "</d>";
    auto tree = parse_xml(text);
    EXPECT_TRUE(messages(*tree).empty());
    ElementNode* e = root_element(*tree);
    int depth = 1;
    while (e && e->content().size() == 1) {
        e = test::element(e->child(0));
        ++depth;
    }
    EXPECT_EQ(depth, 200000);
}

struct CountingJob final : Job {
    int calls = 0, cancel_after = -1, last_progress = -1;
    bool monotonic = true;
    void set_progress(int p) override {
        if (p < last_progress) monotonic = false;
        last_progress = p;
    }
    void set_status_text(std::string_view) override {}
    void yield_point() override {
        if (++calls == cancel_after) throw JobCancelled();
    }
};

TEST(XmlParser, ReportsProgressAndStopsWhenCancelled) {
    std::string text = "<r>";
    for (int i = 0; i < 20000; ++i) text += "<item n=\"" + std::to_string(i) + "\">value</item>\n";
    text += "</r>";
    CountingJob job;
    auto tree = parse_xml(text, &job);
    EXPECT_TRUE(job.monotonic);
    EXPECT_GE(job.last_progress, 99);
    EXPECT_GT(job.calls, 100);

    CountingJob cancelling;
    cancelling.cancel_after = 10;
    EXPECT_THROW(parse_xml(text, &cancelling), JobCancelled);
}

}  // namespace
}  // namespace tessel
