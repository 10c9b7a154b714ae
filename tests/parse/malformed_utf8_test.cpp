// Bytes that only a lenient decoder reads as characters (overlong forms, encoded surrogates,
// code points beyond U+10FFFF, the leads C0, C1 and F5-F7) are reported where they stand and
// never become markup, wherever in a document they are; libxml2 is the reference for which
// documents are not proper UTF-8.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <string>
#include <vector>

#include "tests/parse/parse_support.h"

namespace tessel {
namespace {

using Strings = std::vector<std::string>;

bool libxml2_accepts(const std::string& text) {
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    xmlDocPtr doc =
        xmlCtxtReadMemory(context, text.data(), static_cast<int>(text.size()), "doc.xml", "UTF-8",
                          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool ok = doc != nullptr && context->wellFormed;
    xmlFreeDoc(doc);
    xmlFreeParserCtxt(context);
    return ok;
}

int elements_in(Node* node) {
    int n = 0;
    for (int32_t i = 0; Node* c = node->child(i); ++i) n += (test::element(c) != nullptr) + elements_in(c);
    return n;
}

TEST(MalformedUtf8, OverlongMarkupIsReportedAndNeverMarkup) {
    auto tree = parse_xml("<a>\xc0\xbc" "b\xc0\xbeinjected\xc0\xbc/b\xc0\xbe</a>");
    EXPECT_EQ(test::messages(*tree),
              (Strings{"warning@3 Invalid Unicode sequence", "warning@6 Invalid Unicode sequence",
                       "warning@16 Invalid Unicode sequence",
                       "warning@20 Invalid Unicode sequence"}));
    ASSERT_NE(test::root_element(*tree), nullptr);
    EXPECT_EQ(test::root_element(*tree)->name(), "a");
    EXPECT_EQ(elements_in(test::root_element(*tree)), 0);
    tree = parse_xml("<a>\xe0\x80\xbc" "b\xe0\x80\xbe</a>");
    EXPECT_EQ(test::messages(*tree), (Strings{"warning@3 Invalid Unicode sequence",
                                             "warning@7 Invalid Unicode sequence"}));
    EXPECT_EQ(elements_in(test::root_element(*tree)), 0);
}

TEST(MalformedUtf8, EveryPlaceInADocumentAgreesWithLibxml2) {
    const std::string bad[] = {"\xc0\xbc", "\xc1\xbf", "\xe0\x80\xbc", "\xe0\x9f\xbf",
                               "\xed\xa0\x80", "\xed\xbf\xbf", "\xf0\x80\x80\xbc",
                               "\xf0\x8f\xbf\xbf", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80",
                               "\xf7\xbf\xbf\xbf"};
    // The well-formed forms at the edges of the same ranges: no diagnostic.
    const std::string good[] = {"\xc2\x80", "\xe0\xa0\x80", "\xed\x9f\xbf", "\xee\x80\x80",
                                "\xf0\x90\x80\x80", "\xf4\x8f\xbf\xbf"};
    // Places: content, an attribute value, a comment, a name, CDATA, a processing instruction.
    const std::pair<const char*, const char*> places[] = {
        {"<a>", "</a>"},           {"<a x='", "'/>"},        {"<a><!--", "--></a>"},
        {"<a><b", "/></a>"},       {"<a><![CDATA[", "]]></a>"}, {"<a><?p ", "?></a>"},
    };
    for (const auto& [before, after] : places) {
        for (const std::string& b : bad) {
            const std::string doc = std::string(before) + b + after;
            EXPECT_FALSE(libxml2_accepts(doc)) << testing::PrintToString(doc);
            auto tree = parse_xml(doc);
            const Strings m = test::messages(*tree);
            EXPECT_FALSE(m.empty()) << testing::PrintToString(doc);
            EXPECT_NE(m.front().find("@" + std::to_string(std::string(before).size())),
                      std::string::npos)
                << testing::PrintToString(doc) << testing::PrintToString(m);
        }
        for (const std::string& g : good) {
            // U+0080 is no name character; the rest of the good forms are.
            const std::string doc = std::string(before) + (std::string(before) == "<a><b" ? "" : g) + after;
            EXPECT_TRUE(libxml2_accepts(doc)) << testing::PrintToString(doc);
            EXPECT_EQ(test::messages(*parse_xml(doc)), Strings{}) << testing::PrintToString(doc);
        }
    }
}

}  // namespace
}  // namespace tessel
