// The XML editing commands' texts, read back by libxml2: whatever was typed or selected, the
// markup is well-formed and holds exactly that text (a comment holds it with its "--" broken).
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <random>
#include <string>

#include "parse/xml_edit_texts.h"

namespace tessel {
namespace {

// The document <r>markup</r> parsed by libxml2; null when it is not well-formed.
xmlDocPtr parse_in_root(const std::string& markup) {
    const std::string text = "<r>" + markup + "</r>";
    return xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                         XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
}

std::string content_of(xmlNodePtr node) {
    xmlChar* text = xmlNodeGetContent(node);
    std::string out = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return out;
}

TEST(XmlEditTexts, TheTextsAsTheCommandsDescribeThem) {
    EXPECT_EQ(tag_text("b", "x", false), "<b>x</b>");
    EXPECT_EQ(tag_text("br", "ignored", true), "<br/>");
    EXPECT_EQ(attribute_text("id", "7"), "id = '7'");
    EXPECT_EQ(commented_out("<a/>"), "<!--<a/>-->");
    EXPECT_EQ(marked_with_tag("x", "b", false), "<b>x</b>");
    EXPECT_EQ(marked_with_tag("x", "b", true), "<b><![CDATA[x]]></b>");
    EXPECT_EQ(marked_with_tag("x", "", true), "<![CDATA[x]]>");
}

// Random texts made of the characters that end or break the markup they go into.
TEST(XmlEditTexts, WhatIsTypedOrSelectedReadsBackWholeThroughLibxml2) {
    std::mt19937 random(23);
    const std::string alphabet = "-]>'\"&<a ";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int n = static_cast<int>(random() % 12); n > 0; --n) text += alphabet[random() % alphabet.size()];
        SCOPED_TRACE(text);

        // An attribute's value is the typed text.
        xmlDocPtr doc = parse_in_root("<e " + attribute_text("v", text) + "/>");
        ASSERT_NE(doc, nullptr) << attribute_text("v", text);
        xmlChar* value = xmlGetProp(xmlDocGetRootElement(doc)->children, BAD_CAST "v");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(value)), text);
        xmlFree(value);
        xmlFreeDoc(doc);

        // A CDATA section, alone or in a tag, holds the selection whole.
        for (const char* name : {"", "m"}) {
            doc = parse_in_root(marked_with_tag(text, name, true));
            ASSERT_NE(doc, nullptr) << marked_with_tag(text, name, true);
            xmlNodePtr holder = xmlDocGetRootElement(doc);
            if (*name) holder = holder->children;
            EXPECT_EQ(content_of(holder), text);
            xmlFreeDoc(doc);
        }

        // A comment stays one comment; without "--" or a final "-" it holds the text as is.
        doc = parse_in_root(commented_out(text));
        ASSERT_NE(doc, nullptr) << commented_out(text);
        xmlNodePtr comment = xmlDocGetRootElement(doc)->children;
        ASSERT_NE(comment, nullptr);
        EXPECT_EQ(comment->type, XML_COMMENT_NODE);
        EXPECT_EQ(comment->next, nullptr);
        if (text.find("--") == std::string::npos && !text.ends_with('-')) {
            EXPECT_EQ(content_of(comment), text);
        }
        xmlFreeDoc(doc);
    }
}

}  // namespace
}  // namespace tessel
