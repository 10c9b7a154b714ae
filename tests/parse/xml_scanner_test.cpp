// The XML/DTD automaton through the token stream: the token sequences of every construct,
// unterminated tokens at the end, scan failures, the tables' own properties, colours, and
// the tag structure of real documents.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "parse/token_stream.h"
#include "parse/xml_scanner.h"
#include "tests/file_contents.h"

namespace tessel {
namespace {

class Failures : public ScanFailureSink {
public:
    void scan_failure(const Token& t) override { seen.push_back(t); }
    std::vector<Token> seen;
};

struct Scan {
    std::vector<Token> tokens;  // ends with the end-of-file token
    std::vector<Token> failures;
};

Scan scan(std::string_view text, uint8_t state = kXmlContentState) {
    Scan result;
    Failures failures;
    TokenStream stream(text, xml_scanner_tables(), state, nullptr, &failures);
    for (;;) {
        result.tokens.push_back(stream.peek());
        if (stream.peek().kind == xml_end_of_file) break;
        stream.advance();
    }
    result.failures = failures.seen;
    return result;
}

using Pieces = std::vector<std::pair<int, std::string>>;

// Kind and text of every token but the end of file, which must sit at the text's end.
Pieces pieces(std::string_view text, uint8_t state = kXmlContentState) {
    Scan s = scan(text, state);
    const Token& end = s.tokens.back();
    EXPECT_EQ(end.first, int32_t(text.size()));
    EXPECT_EQ(end.last, int32_t(text.size()) - 1);
    Pieces out;
    for (size_t i = 0; i + 1 < s.tokens.size(); ++i) {
        const Token& t = s.tokens[i];
        out.emplace_back(t.kind, std::string(text.substr(size_t(t.first), size_t(t.length()))));
    }
    return out;
}

std::vector<int32_t> firsts(std::string_view text) {
    std::vector<int32_t> out;
    for (const Token& t : scan(text).tokens) out.push_back(t.first);
    return out;
}

// --- Content ------------------------------------------------------------------------------

TEST(XmlScanner, StartTagsWithAttributes) {
    EXPECT_EQ(pieces("<a b=\"1\" c='x>y'>"),
              (Pieces{{12, "<"}, {5, "a"}, {11, "b"}, {17, "="}, {10, "\"1\""}, {11, "c"},
                      {17, "="}, {10, "'x>y'"}, {7, ">"}}));
    EXPECT_EQ(firsts("<a b=\"1\"/>"), (std::vector<int32_t>{0, 1, 3, 4, 5, 8, 10}));
    // Strings hold markup characters and line breaks.
    EXPECT_EQ(pieces("<x:y a-b.c = \"<&\n\r\t'\" />"),
              (Pieces{{12, "<"}, {5, "x:y"}, {11, "a-b.c"}, {17, "="}, {10, "\"<&\n\r\t'\""},
                      {16, "/>"}}));
    EXPECT_EQ(pieces("<a b=\"1\"c='2'/>"),
              (Pieces{{12, "<"}, {5, "a"}, {11, "b"}, {17, "="}, {10, "\"1\""}, {11, "c"},
                      {17, "="}, {10, "'2'"}, {16, "/>"}}));
}

TEST(XmlScanner, TextAndEndTags) {
    // References and "]" begin text tokens of their own, where the parser checks them.
    EXPECT_EQ(pieces("<a> x &amp; y ]]> </a >"), (Pieces{{12, "<"},
                                                         {5, "a"},
                                                         {7, ">"},
                                                         {15, " x "},
                                                         {15, "&amp; y "},
                                                         {15, "]"},
                                                         {15, "]> "},
                                                         {13, "</"},
                                                         {5, "a"},
                                                         {7, ">"}}));
    EXPECT_EQ(pieces("<a></>"), (Pieces{{12, "<"}, {5, "a"}, {7, ">"}, {13, "</"}, {7, ">"}}));
    EXPECT_EQ(pieces("t<b/>\n"), (Pieces{{15, "t"}, {12, "<"}, {5, "b"}, {16, "/>"}, {15, "\n"}}));
}

TEST(XmlScanner, CommentsAndProcessingInstructions) {
    EXPECT_EQ(pieces("<!-- a - b -- c --->x"), (Pieces{{8, "<!-- a - b -- c --->"}, {15, "x"}}));
    EXPECT_EQ(pieces("<!---->"), (Pieces{{8, "<!---->"}}));
    EXPECT_EQ(pieces("<?xml version=\"1.0\"?>\n<?p a?b ? ?" "?>"),
              (Pieces{{9, "<?xml version=\"1.0\"?>"}, {15, "\n"}, {9, "<?p a?b ? ?" "?>"}}));
    EXPECT_EQ(pieces("<a><!--<b>--><?q <c>?></a>"),
              (Pieces{{12, "<"}, {5, "a"}, {7, ">"}, {8, "<!--<b>-->"}, {9, "<?q <c>?>"},
                      {13, "</"}, {5, "a"}, {7, ">"}}));
}

TEST(XmlScanner, CdataSections) {
    EXPECT_EQ(pieces("<![CDATA[ a<b&c ]]>"),
              (Pieces{{14, "<![CDATA["}, {18, " a<b&c "}, {19, "]]>"}}));
    EXPECT_EQ(pieces("<![CDATA[]]>x"), (Pieces{{14, "<![CDATA["}, {19, "]]>"}, {15, "x"}}));
    EXPECT_EQ(pieces("<![CDATA[a]b]]c]]]]>"),
              (Pieces{{14, "<![CDATA["}, {18, "a]b]]c]]"}, {19, "]]>"}}));
    // A misspelt opener is stray up to the wrong letter; what follows is text again.
    EXPECT_EQ(pieces("<![CDAX[y"), (Pieces{{1, "<![CDA"}, {15, "X[y"}}));
    EXPECT_EQ(pieces("<!-x<a>"), (Pieces{{1, "<!-"}, {15, "x"}, {12, "<"}, {5, "a"}, {7, ">"}}));
}

TEST(XmlScanner, BlanksAfterOpenersStartTheNextToken) {
    EXPECT_EQ(pieces("< a>"), (Pieces{{12, "<"}, {3, " "}, {5, "a"}, {7, ">"}}));
    EXPECT_EQ(pieces("</\n\t a >"), (Pieces{{13, "</"}, {3, "\n\t "}, {5, "a"}, {7, ">"}}));
    EXPECT_EQ(pieces("a < b"), (Pieces{{15, "a "}, {12, "<"}, {3, " "}, {5, "b"}}));
}

TEST(XmlScanner, CharactersThatFitNothingInTags) {
    EXPECT_EQ(pieces("<a 1b=\"x\" $ ; >"),
              (Pieces{{12, "<"}, {5, "a"}, {1, "1b"}, {17, "="}, {10, "\"x\""}, {1, "$"},
                      {1, ";"}, {7, ">"}}));
    // A "<" in a tag begins a new tag: most likely the ">" is missing.
    EXPECT_EQ(pieces("<a <b>"), (Pieces{{12, "<"}, {5, "a"}, {12, "<"}, {5, "b"}, {7, ">"}}));
    EXPECT_EQ(pieces("<a / //>"),
              (Pieces{{12, "<"}, {5, "a"}, {1, "/"}, {1, "/"}, {16, "/>"}}));
    EXPECT_EQ(pieces("<>"), (Pieces{{12, "<"}, {7, ">"}}));
    EXPECT_EQ(pieces("<1>"), (Pieces{{12, "<"}, {1, "1"}, {7, ">"}}));
    EXPECT_EQ(pieces("<=a>"), (Pieces{{12, "<"}, {17, "="}, {11, "a"}, {7, ">"}}));
}

// --- DOCTYPE and DTD ----------------------------------------------------------------------

TEST(XmlScanner, DoctypeWithInternalSubset) {
    const std::string text =
        "<!DOCTYPE root SYSTEM \"x.dtd\" [\n"
        " <!ELEMENT a (b|c)*>\n"
        " <!ATTLIST a id ID #REQUIRED v (1|2) '1'>\n"
        " <!ENTITY % e \"<i>\">\n"
        " %e;\n"
        " <!-- note -->\n"
        " <?pi x?>\n"
        " <!NOTATION n PUBLIC \"p\">\n"
        "]>\n"
        "<root/>";
    EXPECT_EQ(pieces(text),
              (Pieces{{4, "<!"}, {5, "DOCTYPE"}, {11, "root"}, {11, "SYSTEM"}, {10, "\"x.dtd\""},
                      {6, "["},
                      {4, "<!"}, {5, "ELEMENT"}, {11, "a"}, {21, "("}, {11, "b"}, {23, "|"},
                      {11, "c"}, {22, ")"}, {27, "*"}, {7, ">"},
                      {4, "<!"}, {5, "ATTLIST"}, {11, "a"}, {11, "id"}, {11, "ID"}, {29, "#"},
                      {11, "REQUIRED"}, {11, "v"}, {21, "("}, {11, "1"}, {23, "|"}, {11, "2"},
                      {22, ")"}, {10, "'1'"}, {7, ">"},
                      {4, "<!"}, {5, "ENTITY"}, {20, "%"}, {11, "e"}, {10, "\"<i>\""}, {7, ">"},
                      {20, "%"}, {11, "e"}, {24, ";"},
                      {8, "<!-- note -->"},
                      {9, "<?pi x?>"},
                      {4, "<!"}, {5, "NOTATION"}, {11, "n"}, {11, "PUBLIC"}, {10, "\"p\""},
                      {7, ">"},
                      {30, "]"}, {7, ">"}, {15, "\n"}, {12, "<"}, {5, "root"}, {16, "/>"}}));
    EXPECT_EQ(pieces("<!DOCTYPE a><a/>"),
              (Pieces{{4, "<!"}, {5, "DOCTYPE"}, {11, "a"}, {7, ">"}, {12, "<"}, {5, "a"},
                      {16, "/>"}}));
}

TEST(XmlScanner, DtdDocumentsWithConditionalSections) {
    const std::string text =
        "<!ELEMENT x (#PCDATA|y)+>\n"
        "<![INCLUDE[ <!ELEMENT y EMPTY> ]]>\n"
        "<![ %draft; [<!ENTITY a 'b'>]]>\n"
        "<!ATTLIST x a CDATA #IMPLIED>,?";
    EXPECT_EQ(pieces(text, kXmlDtdState),
              (Pieces{{4, "<!"}, {5, "ELEMENT"}, {11, "x"}, {21, "("}, {29, "#"},
                      {11, "PCDATA"}, {23, "|"}, {11, "y"}, {22, ")"}, {26, "+"}, {7, ">"},
                      {31, "<!["}, {11, "INCLUDE"}, {6, "["}, {4, "<!"}, {5, "ELEMENT"},
                      {11, "y"}, {11, "EMPTY"}, {7, ">"}, {32, "]]>"},
                      {31, "<!["}, {20, "%"}, {11, "draft"}, {24, ";"}, {6, "["}, {4, "<!"},
                      {5, "ENTITY"}, {11, "a"}, {10, "'b'"}, {7, ">"}, {32, "]]>"},
                      {4, "<!"}, {5, "ATTLIST"}, {11, "x"}, {11, "a"}, {11, "CDATA"},
                      {29, "#"}, {11, "IMPLIED"}, {7, ">"}, {25, ","}, {28, "?"}}));
    EXPECT_EQ(pieces("] ]]x $a <a", kXmlDtdState),
              (Pieces{{30, "]"}, {1, "]]"}, {11, "x"}, {1, "$a"}, {1, "<"}, {11, "a"}}));
    // The subset alone, as the DTD parser may scan it.
    EXPECT_EQ(pieces("<!ELEMENT a ANY>]>", kXmlSubsetState),
              (Pieces{{4, "<!"}, {5, "ELEMENT"}, {11, "a"}, {11, "ANY"}, {7, ">"}, {30, "]"},
                      {7, ">"}}));
}

// --- The end of the text ------------------------------------------------------------------

TEST(XmlScanner, UnterminatedTokensAtTheEndAreStray) {
    EXPECT_EQ(pieces("<!-- x"), (Pieces{{1, "<!-- x"}}));
    EXPECT_EQ(pieces("<!-- x --"), (Pieces{{1, "<!-- x --"}}));
    EXPECT_EQ(pieces("<?pi ?"), (Pieces{{1, "<?pi ?"}}));
    EXPECT_EQ(pieces("<a b=\"x"), (Pieces{{12, "<"}, {5, "a"}, {11, "b"}, {17, "="}, {1, "\"x"}}));
    EXPECT_EQ(pieces("<![CDATA[xy]]"), (Pieces{{14, "<![CDATA["}, {1, "xy]]"}}));
    EXPECT_EQ(pieces("<![CDATA["), (Pieces{{14, "<![CDATA["}}));
    EXPECT_EQ(pieces("<!-"), (Pieces{{1, "<!-"}}));
    EXPECT_EQ(pieces("<![CD"), (Pieces{{1, "<![CD"}}));
    EXPECT_EQ(pieces("<a/"), (Pieces{{12, "<"}, {5, "a"}, {1, "/"}}));
    EXPECT_EQ(pieces("<!DOCTYPE a [ <!ENTITY e 'v"),
              (Pieces{{4, "<!"}, {5, "DOCTYPE"}, {11, "a"}, {6, "["}, {4, "<!"}, {5, "ENTITY"},
                      {11, "e"}, {1, "'v"}}));
}

TEST(XmlScanner, TokensThatEndThemselvesKeepTheirKindAtTheEnd) {
    EXPECT_EQ(pieces("<"), (Pieces{{12, "<"}}));
    EXPECT_EQ(pieces("</"), (Pieces{{13, "</"}}));
    EXPECT_EQ(pieces("<!"), (Pieces{{4, "<!"}}));
    EXPECT_EQ(pieces("<ab"), (Pieces{{12, "<"}, {5, "ab"}}));
    EXPECT_EQ(pieces("<a b"), (Pieces{{12, "<"}, {5, "a"}, {11, "b"}}));
    EXPECT_EQ(pieces("< "), (Pieces{{12, "<"}, {3, " "}}));
    EXPECT_EQ(pieces("text "), (Pieces{{15, "text "}}));
    EXPECT_EQ(pieces(""), Pieces{});
    EXPECT_EQ(pieces("]", kXmlDtdState), (Pieces{{30, "]"}}));
    EXPECT_EQ(pieces("]]", kXmlDtdState), (Pieces{{1, "]]"}}));
    EXPECT_EQ(pieces("<", kXmlDtdState), (Pieces{{1, "<"}}));
}

// --- Scan failures ------------------------------------------------------------------------

std::vector<std::pair<int32_t, int>> failure_spots(std::string_view text,
                                                   uint8_t state = kXmlContentState) {
    std::vector<std::pair<int32_t, int>> out;
    for (const Token& t : scan(text, state).failures) {
        out.emplace_back(t.first, t.kind);
        // An invalid byte is reported alone; a control character over its whole sequence.
        if (t.kind == kInvalidUtf8Kind) {
            EXPECT_EQ(t.length(), 1);
        } else {
            EXPECT_TRUE(t.length() >= 1 && t.length() <= 4);
        }
    }
    return out;
}

using Spots = std::vector<std::pair<int32_t, int>>;

TEST(XmlScannerFailures, InvalidLeadBytesAndTruncatedSequences) {
    EXPECT_EQ(failure_spots("\x80\xBF\xF8\xFF"), (Spots{{0, -1}, {1, -1}, {2, -1}, {3, -1}}));
    // A lead byte without enough continuation bytes is bad alone; what follows is rescanned.
    EXPECT_EQ(failure_spots("ab\xE2\x82"), (Spots{{2, -1}, {3, -1}}));
    EXPECT_EQ(failure_spots("x\xE2\x82y"), (Spots{{1, -1}, {2, -1}}));
    EXPECT_EQ(failure_spots("\xF0\x9F\x98<a/>"), (Spots{{0, -1}, {1, -1}, {2, -1}}));
    EXPECT_EQ(pieces("\xF0\x9F\x98<a/>"), (Pieces{{12, "<"}, {5, "a"}, {16, "/>"}}));
    EXPECT_EQ(failure_spots("\xC3("), (Spots{{0, -1}}));
    // Valid sequences of every length are no failures; U+FFFE and U+FFFF are no characters.
    // Overlong forms, surrogates and code points above U+10FFFF are no UTF-8: each of their
    // bytes is bad alone, so none can stand for markup.
    EXPECT_EQ(
        failure_spots("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 \xC0\xBC \xED\xA0\x80 "
                      "\xF4\x90\x80\x80 \xF7\xBF\xBF\xBF \xEF\xBF\xBE\xEF\xBF\xBF \xEF\xBF\xBD"),
        (Spots{{10, -1}, {11, -1}, {13, -1}, {14, -1}, {15, -1}, {17, -1}, {18, -1}, {19, -1},
               {20, -1}, {22, -1}, {23, -1}, {24, -1}, {25, -1}, {27, -3}, {30, -3}}));
}

TEST(XmlScannerFailures, ControlCharacters) {
    EXPECT_EQ(failure_spots("\x01\x08\x0B\x0C\x0E\x1F"),
              (Spots{{0, -2}, {1, -2}, {2, -2}, {3, -2}, {4, -2}, {5, -2}}));
    EXPECT_EQ(failure_spots("\t\n\r \x7F\xC2\x85\xC2\x9D"), Spots{});
    // An overlong control character is no character: two bad bytes.
    EXPECT_EQ(failure_spots("a\xC0\x81z"), (Spots{{1, -1}, {2, -1}}));
}

TEST(XmlScannerFailures, NulIsAllowedOnlyAsTheLastCharacter) {
    using namespace std::string_literals;
    EXPECT_EQ(failure_spots("a\0b"s), (Spots{{1, -2}}));
    EXPECT_EQ(failure_spots("\0\0"s), (Spots{{0, -2}}));
    EXPECT_EQ(pieces("ab\0"s), (Pieces{{15, "ab\0"s}}));
    EXPECT_EQ(failure_spots("ab\0"s), Spots{});
    EXPECT_EQ(pieces("<a\0"s), (Pieces{{12, "<"}, {5, "a"}, {1, "\0"s}}));
    // An overlong NUL is no NUL but three bad bytes, last or not.
    EXPECT_EQ(failure_spots("a\xE0\x80\x80"s), (Spots{{1, -1}, {2, -1}, {3, -1}}));
    EXPECT_EQ(failure_spots("\xE0\x80\x80z"s), (Spots{{0, -1}, {1, -1}, {2, -1}}));
}

TEST(XmlScannerFailures, TheTokenInProgressSuffersNoMoreThanNeeded) {
    // Text is split around the bad byte.
    EXPECT_EQ(pieces("ab\x80" "cd<x/>"),
              (Pieces{{15, "ab"}, {15, "cd"}, {12, "<"}, {5, "x"}, {16, "/>"}}));
    // Strings, comments, PIs and CDATA content keep the bad byte inside.
    EXPECT_EQ(pieces("<a b=\"x\x01y\"/>"),
              (Pieces{{12, "<"}, {5, "a"}, {11, "b"}, {17, "="}, {10, "\"x\x01y\""}, {16, "/>"}}));
    EXPECT_EQ(pieces("<!-- \xFF -\x01-->"), (Pieces{{8, "<!-- \xFF -\x01-->"}}));
    EXPECT_EQ(pieces("<?p \x02?>"), (Pieces{{9, "<?p \x02?>"}}));
    EXPECT_EQ(pieces("<![CDATA[\x80]\x80]]>"),
              (Pieces{{14, "<![CDATA["}, {18, "\x80]\x80"}, {19, "]]>"}}));
    // A name ends at it; an opener keeps its kind.
    EXPECT_EQ(pieces("<ab\x01" "cd/>"),
              (Pieces{{12, "<"}, {5, "ab"}, {11, "cd"}, {16, "/>"}}));
    EXPECT_EQ(pieces("<\x01" "a>"), (Pieces{{12, "<"}, {5, "a"}, {7, ">"}}));
    // Failures come in text order, each once.
    Scan s = scan("<a b='\x01'>\x80</a>\x02");
    ASSERT_EQ(s.failures.size(), 3u);
    EXPECT_EQ(s.failures[0].first, 6);
    EXPECT_EQ(s.failures[1].first, 9);
    EXPECT_EQ(s.failures[2].first, 14);
}

// --- The tables ---------------------------------------------------------------------------

TEST(XmlScannerTables, BlanksAreIdempotentSoLineBreaksOfAnyFormEndInOneState) {
    // After one blank, another one changes nothing: CR LF, LF and CR lead to the same state,
    // which line colouring relies on.
    const ScannerTables& t = xml_scanner_tables();
    for (int s = 0; s < t.state_count(); ++s) {
        for (unsigned char blank : {'\n', '\r', '\t', ' '}) {
            ScanEntry first = t.row(uint8_t(s)).ascii[blank];
            ScanEntry second = t.row(first.next).ascii[blank];
            EXPECT_EQ(second.next, first.next) << "state " << s;
            EXPECT_TRUE(second.operation() == scan_continue || second.operation() == scan_skip)
                << "state " << s;
        }
    }
}

TEST(XmlScannerTables, TheEndOfTextEndsATokenAsABlankWould) {
    // Where a blank ends the token in progress, the end of the text gives it the same kind;
    // only tokens that need a closer (strings, comments...) become stray at the end.
    const ScannerTables& t = xml_scanner_tables();
    int ended_by_blank = 0;
    for (int s = 0; s < t.state_count(); ++s) {
        const ScanStateInfo& info = t.info(uint8_t(s));
        ScanEntry e = t.row(uint8_t(s)).ascii[' '];
        if (!info.in_token) continue;
        if (e.operation() == scan_emit_before || e.operation() == scan_emit_before_skip ||
            e.operation() == scan_emit_before_then_at) {
            EXPECT_EQ(info.eof_kind, e.kind) << "state " << s;
            ++ended_by_blank;
        } else {
            EXPECT_TRUE(info.eof_kind == info.running_kind || info.eof_kind == xml_stray)
                << "state " << s;
        }
    }
    EXPECT_GT(ended_by_blank, 10);
}

TEST(XmlScannerTables, AsciiRowsAgreeWithTheClassRows) {
    const ScannerTables& t = xml_scanner_tables();
    for (int s = 0; s < t.state_count(); ++s) {
        for (int b = 0; b < 128; ++b) {
            ScanEntry a = t.row(uint8_t(s)).ascii[b];
            if (b == 0) {
                EXPECT_EQ(a.operation(), scan_nul);
            } else if (is_forbidden_control(char32_t(b))) {
                EXPECT_EQ(a.operation(), scan_control);
            } else {
                ScanEntry c = t.row(uint8_t(s)).by_class[xml_char_class(char32_t(b))];
                // In text, "&" ends the text token before it and begins one of its own.
                if (b == '&' && a.op != c.op) {
                    EXPECT_EQ(
                        std::make_tuple(a.next, a.op, a.kind),
                        std::make_tuple(c.next, uint8_t(scan_emit_before), uint8_t(xml_char_data)));
                    continue;
                }
                EXPECT_EQ(std::make_tuple(a.next, a.op, a.kind, a.kind2),
                          std::make_tuple(c.next, c.op, c.kind, c.kind2));
            }
        }
    }
}

// What the editor needs of the colours: its colour format (the flag byte 2 above blue,
// green and red), the one value that makes it draw with its second font (tag names), and
// text that never looks like markup.
TEST(XmlTokenColours, WhatTheEditorDrawsWithThem) {
    constexpr uint32_t kSecondFontColour = 0x02643232;
    for (int kind = kControlCharKind; kind < xml_kind_count; ++kind) {
        SCOPED_TRACE(kind);
        EXPECT_EQ(token_colour(kind) >> 24, 2u);
        EXPECT_EQ(token_colour(kind) == kSecondFontColour, kind == xml_opener_name);
        if (kind != xml_char_data) {
            EXPECT_NE(token_colour(kind), token_colour(xml_char_data));
        }
    }
}

// --- The structure of a real document -----------------------------------------------------

struct TagCounts {
    int start = 0, end = 0, empty = 0;
};

// Counts tags by a plain walk over the text that skips comments, CDATA, PIs and the
// DOCTYPE with its internal subset, independently of the scanner.
TagCounts count_tags(const std::string& t) {
    TagCounts n;
    auto skip_past = [&](size_t from, const char* closer) {
        size_t at = t.find(closer, from);
        return at == std::string::npos ? t.size() : at + std::string_view(closer).size();
    };
    size_t i = 0;
    while ((i = t.find('<', i)) != std::string::npos) {
        if (t.compare(i, 4, "<!--") == 0) {
            i = skip_past(i + 4, "-->");
        } else if (t.compare(i, 9, "<![CDATA[") == 0) {
            i = skip_past(i + 9, "]]>");
        } else if (t.compare(i, 2, "<?") == 0) {
            i = skip_past(i + 2, "?>");
        } else if (t.compare(i, 9, "<!DOCTYPE") == 0) {
            size_t gt = t.find('>', i), bracket = t.find('[', i);
            i = bracket < gt ? skip_past(skip_past(bracket, "]"), ">") : gt + 1;
        } else {
            bool end_tag = t.compare(i, 2, "</") == 0;
            size_t j = i + 1;
            char quote = 0;
            for (; j < t.size(); ++j) {
                if (quote) {
                    if (t[j] == quote) quote = 0;
                } else if (t[j] == '"' || t[j] == '\'') {
                    quote = t[j];
                } else if (t[j] == '>') {
                    break;
                }
            }
            if (end_tag) {
                ++n.end;
            } else {
                ++n.start;
                if (t[j - 1] == '/') ++n.empty;
            }
            i = j + 1;
        }
    }
    return n;
}

TEST(XmlScannerDocuments, TokensOfARealDocumentMatchItsTags) {
    TESSEL_REQUIRE_INPUT("/usr/share/mime/packages/freedesktop.org.xml");
    std::string text = test::file_contents("/usr/share/mime/packages/freedesktop.org.xml");
    Scan s = scan(text);
    EXPECT_TRUE(s.failures.empty());
    TagCounts scanned;
    int32_t next_free = 0;
    for (size_t i = 0; i < s.tokens.size(); ++i) {
        const Token& t = s.tokens[i];
        if (i + 1 < s.tokens.size()) {
            ASSERT_GE(t.first, next_free) << "token " << i;
            ASSERT_LE(t.first, t.last) << "token " << i;
            ASSERT_LT(t.last, int32_t(text.size())) << "token " << i;
            ASSERT_NE(t.kind, xml_stray) << "token " << i;
        }
        next_free = t.last + 1;
        scanned.start += t.kind == xml_start_tag_open;
        scanned.end += t.kind == xml_end_tag_open;
        scanned.empty += t.kind == xml_empty_tag_close;
    }
    TagCounts walked = count_tags(text);
    EXPECT_GT(walked.start, 40000);  // the 2023 edition has 41997 elements
    EXPECT_EQ(scanned.start, walked.start);
    EXPECT_EQ(scanned.end, walked.end);
    EXPECT_EQ(scanned.empty, walked.empty);
    EXPECT_EQ(walked.start, walked.end + walked.empty);
}

}  // namespace
}  // namespace tessel
