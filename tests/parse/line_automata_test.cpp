// The editor's line colouring of every document type. Coloured line by line, each line from
// the state the one before ended in, a text shows the tokens the parser's own scanner finds
// in the whole text, cut at the line ends and around the special tokens: on real documents
// cut into index lines, and on random documents cut anywhere. The special tokens of control
// characters and bad bytes are checked exactly, and JSON member names against the parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "parse/default_languages.h"
#include "parse/document_tree.h"
#include "parse/json_line_automaton.h"
#include "parse/json_nodes.h"
#include "parse/json_parser.h"
#include "parse/token_stream.h"
#include "parse/xml_line_automaton.h"
#include "parse/xml_scanner.h"
#include "tests/file_contents.h"
#include "text/text_document.h"

namespace tessel {

bool operator==(const LineToken& a, const LineToken& b) {
    return a.first == b.first && a.last == b.last && a.style == b.style;
}
void PrintTo(const LineToken& t, std::ostream* os) {
    *os << "{" << t.first << "," << t.last << ",style " << t.style << "}";
}

namespace {

class Failures : public ScanFailureSink {
public:
    void scan_failure(const Token& t) override { seen.push_back(t); }
    std::vector<Token> seen;
};

bool is_control(uint32_t cp) { return (cp < 0x20 && cp != '\t') || (cp >= 0x7F && cp <= 0x9F); }

// What the colouring must show of every byte: the token it belongs to (an index, -1 between
// tokens) and that token's style; and where characters begin, the only places a line may end.
struct Expected {
    std::vector<int32_t> token;
    std::vector<int16_t> style;
    std::vector<bool> char_start;
};

// The parser's scanner over the whole text, and the special characters: the bytes it
// reports as bad and the characters it takes that are controls.
Expected reference(std::string_view text, const ScannerTables& tables, uint8_t start) {
    const auto n = static_cast<int32_t>(text.size());
    Expected e{std::vector<int32_t>(text.size(), -1), std::vector<int16_t>(text.size(), 0),
               std::vector<bool>(text.size() + 1, false)};
    std::vector<Token> tokens;
    Failures failures;
    TokenStream stream(text, tables, start, nullptr, &failures);
    while (stream.peek().kind != xml_end_of_file) {
        tokens.push_back(stream.peek());
        stream.advance();
    }
    // A text that ends inside a construct (a comment being typed) shows it as that construct,
    // where the parser calls the unfinished rest stray.
    ScanCursor cursor{start, 0};
    auto ignore = [](int32_t, int32_t, int16_t) {};
    scan_run(tables, text.data(), n, 0, n, n, cursor, ignore);
    const ScanStateInfo& info = tables.info(cursor.state);
    if (info.in_token && cursor.start < n) {
        EXPECT_EQ(tokens.back().first, cursor.start);
        tokens.back().kind = info.running_kind;
    }
    int32_t id = 0;
    auto mark = [&](int32_t first, int32_t last, int16_t style) {
        for (int32_t p = first; p <= last; ++p) {
            e.token[size_t(p)] = id;
            e.style[size_t(p)] = style;
        }
        ++id;
    };
    for (const Token& t : tokens) mark(t.first, t.last, t.kind);

    const std::vector<Token>& bad = failures.seen;
    size_t f = 0;
    for (int32_t i = 0; i < n;) {
        e.char_start[size_t(i)] = true;
        // A mark (a JSON escape) is an ordinary character of its token.
        if (f < bad.size() && bad[f].first == i && bad[f].kind == kMarkKind) ++f;
        if (f < bad.size() && bad[f].first == i) {
            // A non-character (U+FFFE, a surrogate) is no control: the line shows it in the
            // gap between tokens, where the scanner left it.
            if (bad[f].kind != kNotCharacterKind)
                mark(i, bad[f].last,
                     bad[f].kind == kInvalidUtf8Kind ? kStyleUndecodableByte
                                                     : kStyleControlCharacter);
            i = bad[f++].last + 1;
            continue;
        }
        // Not reported, so a whole character.
        const unsigned b = static_cast<uint8_t>(text[size_t(i)]);
        const int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        uint32_t cp = length == 1 ? b : b & (0x3Fu >> (length - 1));
        for (int k = 1; k < length; ++k) cp = cp << 6 | (static_cast<uint8_t>(text[size_t(i + k)]) & 0x3Fu);
        if (is_control(cp)) mark(i, i + length - 1, kStyleControlCharacter);
        i += length;
    }
    EXPECT_EQ(f, bad.size());
    e.char_start[text.size()] = true;
    return e;
}

// The pieces of the expected tokens that lie in [from, end), relative to from.
std::vector<LineToken> expected_line(const Expected& e, int32_t from, int32_t end) {
    std::vector<LineToken> out;
    for (int32_t p = from; p < end;) {
        int32_t q = p + 1;
        while (q < end && e.token[size_t(q)] == e.token[size_t(p)]) ++q;
        if (e.token[size_t(p)] >= 0) out.push_back({p - from, q - 1 - from, e.style[size_t(p)]});
        p = q;
    }
    return out;
}

// Colours the text in lines that end at the offsets of ends (the last one the text's length)
// and compares each line with the reference, and each line's end state with the state of the
// scanner run over the whole text up to there. Where a line ends at a cut that is not a line
// feed, its last token may still be the construct the scanner has not settled yet ("<" before
// "!--"), so it is left out together with the pieces it covers. Returns the state at the
// start of every line and at the end, or fewer when a line differs.
std::vector<uint8_t> expect_lines_like_reference(ScannerLineAutomaton& automaton,
                                                 std::string_view text,
                                                 const std::vector<int32_t>& ends,
                                                 const Expected& e) {
    const auto n = static_cast<int32_t>(text.size());
    ScanCursor cursor{automaton.engine_state(0), 0};
    auto ignore = [](int32_t, int32_t, int16_t) {};
    std::vector<uint8_t> states{0};
    std::vector<LineToken> tokens;
    int32_t from = 0;
    for (int32_t end : ends) {
        const std::string_view line = text.substr(size_t(from), size_t(end - from));
        const uint8_t state = automaton.tokenize_line(states.back(), line, tokens);
        EXPECT_EQ(state, automaton.scan_line(states.back(), line));
        scan_run(automaton.tables(), text.data(), n, from, end, -1, cursor, ignore);
        EXPECT_EQ(state, automaton.line_state(cursor.state)) << "line ending at " << end;
        states.push_back(state);

        // Member names are strings to the scanner.
        for (LineToken& t : tokens)
            if (&automaton.tables() == &json_scanner_tables() && t.style == kJsonMemberNameStyle)
                t.style = json_string;
        std::vector<LineToken> want = expected_line(e, from, end);
        const bool soft_cut = end < n && text[size_t(end - 1)] != '\n';
        if (soft_cut && !tokens.empty() && tokens.back().style >= 0 &&
            tokens.back().last == end - from - 1) {
            const int32_t unsettled = tokens.back().first;
            tokens.pop_back();
            while (!want.empty() && want.back().last >= unsettled) {
                EXPECT_GE(want.back().first, unsettled);
                want.pop_back();
            }
        }
        EXPECT_EQ(tokens, want) << "line " << from << ".." << end;
        if (tokens != want) return states;
        from = end;
    }
    return states;
}

struct Language {
    const char* name;
    ScannerLineAutomaton* automaton;
    const ScannerTables& tables;
    uint8_t start;
};

// The automata the registry hands the editor, with the scanner state their parser starts in.
std::vector<Language> languages() {
    LanguageRegistry& r = default_languages();
    auto automaton = [&](const char* name) {
        auto* a = dynamic_cast<ScannerLineAutomaton*>(r.find(name)->automaton);
        EXPECT_NE(a, nullptr) << name;
        return a;
    };
    return {{"XML", automaton("XML"), xml_scanner_tables(), kXmlContentState},
            {"DTD", automaton("DTD"), xml_scanner_tables(), kXmlDtdState},
            {"JSON", automaton("JSON"), json_scanner_tables(), kJsonStartState}};
}

const Language& language_of(const std::vector<Language>& all, const std::string& path) {
    const std::string ext = LanguageRegistry::extension_of(path);
    if (ext == "dtd") return all[1];
    if (ext == "json") return all[2];
    return all[0];
}

// Quoted member names of a JSON document as the parser finds them: token ranges.
std::set<std::pair<int32_t, int32_t>> parsed_member_names(const std::string& text) {
    std::set<std::pair<int32_t, int32_t>> names;
    std::unique_ptr<DocumentTree> tree = parse_json(text);
    if (tree->root() && !json_root(*tree)) return names;  // a lone value has no members
    std::vector<JsonContainerNode*> stack{json_root(*tree)};
    EXPECT_NE(stack.back(), nullptr);
    if (!stack.back()) return names;
    while (!stack.empty()) {
        JsonContainerNode* c = stack.back();
        stack.pop_back();
        for (int32_t i = 0; i < c->child_count(); ++i) {
            JsonNode* child = c->json_child(i);
            if (JsonMemberName* m = child->member(); m && m->quoted) names.insert({m->first, m->last()});
            if (child->is_container()) stack.push_back(static_cast<JsonContainerNode*>(child));
        }
    }
    return names;
}

TEST(LineAutomata, RealDocumentsInIndexLinesColourLikeTheParsersScanner) {
    const std::vector<std::string> system_paths = {
        "/usr/share/mime/packages/freedesktop.org.xml",
        "/usr/share/xml/fontconfig/fonts.dtd",
        "/usr/share/iso-codes/json/iso_3166-1.json",
        "/usr/share/iso-codes/json/iso_639-3.json",
    };
    for (const std::string& path : system_paths) TESSEL_REQUIRE_INPUT(path);
    std::vector<std::string> paths = system_paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TESSEL_TEST_DATA)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".xml" || ext == ".dtd" || ext == ".json"))
            paths.push_back(entry.path().string());
    }
    // The system documents once more in one long line, which the index cuts every 2 000
    // bytes wherever that falls.
    struct Document {
        std::string path;
        std::string text;
        bool one_line;
    };
    std::vector<Document> documents;
    for (const std::string& path : paths) documents.push_back({path, test::file_contents(path), false});
    for (const std::string& path : system_paths) {
        std::string text = test::file_contents(path);
        std::replace(text.begin(), text.end(), '\n', ' ');
        documents.push_back({path, std::move(text), true});
    }

    const std::vector<Language> all = languages();
    size_t json_names = 0;
    for (const auto& [path, text, one_line] : documents) {
        SCOPED_TRACE(path + (one_line ? " in one line" : ""));
        const Language& language = language_of(all, path);
        // The lines the editor has: the line index's.
        TextDocument document;
        document.set_text(text);
        std::vector<int32_t> ends;
        for (int32_t i = 0; i < document.index().line_count(); ++i)
            ends.push_back(document.index().line_start(i + 1));
        const std::vector<uint8_t> states = expect_lines_like_reference(
            *language.automaton, text, ends, reference(text, language.tables, language.start));
        ASSERT_EQ(states.size(), ends.size() + 1) << "stopped at the first line that differs";

        // The background scan stores the same states.
        document.set_automaton(language.automaton);
        while (!document.scan_finished()) document.run_scan_slice();
        for (int32_t i = 0; i < document.index().line_count(); ++i)
            ASSERT_EQ(document.index().scan(i).state, states[size_t(i)]) << "line " << i;

        // Member names, where no cut can fall between a name and its colon.
        if (&language.tables != &json_scanner_tables() || one_line || !parse_json(text)->root())
            continue;
        std::set<std::pair<int32_t, int32_t>> names;
        std::vector<LineToken> tokens;
        for (int32_t i = 0; i < document.index().line_count(); ++i) {
            const int32_t from = document.index().line_start(i);
            const std::string_view line(text.data() + from, size_t(ends[size_t(i)] - from));
            language.automaton->tokenize_line(states[size_t(i)], line, tokens);
            for (const LineToken& t : tokens)
                if (t.style == kJsonMemberNameStyle) names.insert({from + t.first, from + t.last});
        }
        EXPECT_EQ(names, parsed_member_names(text));
        json_names += names.size();
    }
    EXPECT_GT(json_names, 10000u);
}

// Constructs over line breaks of every form, a bad byte and a control inside tokens, and a
// character cut by the end of the text.
const char* const kMixed =
    "<?xml version=\"1.0\"?>\r\n"
    "<!DOCTYPE r [\r\n"
    "  <!ELEMENT r (#PCDATA|s)*>\r\n"
    "  <!-- a comment\r\n  over lines -->\r\n"
    "  <!ATTLIST r a CDATA 'x\r\ny'>\r\n"
    "]>\r\n"
    "<r a=\"1\r\n2\" b='\x80'\r\n  c\r\n=\r\n\"3\">text \x01 more\r\n"
    "<![CDATA[ cdata\r\n]]\r\n]]>\r\n"
    "<?pi\r\n?>< \r\nbad></\r\nr>\n\n\r\r<\n!--x-->tail\xE2\x82";

std::string random_document(std::mt19937& rng, const std::vector<std::string_view>& fragments) {
    std::string text;
    const int count = 1 + int(rng() % 120);
    for (int i = 0; i < count; ++i) text += fragments[rng() % fragments.size()];
    // The parser takes a U+0000 that ends the text as a character; a line cannot know it
    // ends the text, so it always shows a control there.
    if (text.back() == '\0') text.back() = ' ';
    return text;
}

TEST(LineAutomata, RandomDocumentsCutAnywhereColourLikeTheParsersScanner) {
    using namespace std::string_view_literals;
    const std::vector<std::string_view> markup = {
        "<", "</", "<a", "<b:c", " x='1'", " y=\"2\"", "=", "\"", "'", ">", "/>", "/", "<!--",
        "-->", "-", "--", "<![CDATA[", "<![CD", "]]>", "]]", "]", "<?pi ", "?>", "?",
        "<!DOCTYPE r ", "[", "<!ELEMENT e (#PCDATA|f)*>", "<!ATTLIST e a CDATA #IMPLIED>",
        "<!ENTITY % p 'v'>", "%p;", "<![INCLUDE[", "<!", "text", "&amp;", "1", " ", "\n",
        "\r\n", "\t", "é", "€", "😀", "\x01", "\x7F", "\xC2\x85", "\xC2\x9F", "\xFF", "\x80",
        "\xE2\x82", "\0"sv};
    const std::vector<std::string_view> json = {
        "{", "}", "[", "]", ",", ":", " ", "\n", "\r\n", "\t", "\"key\"", "\"v\\\"w\"", "\"",
        "\\", "0", "12", "-3.5e+7", "-", ".", "e", "E", "true", "tru", "false", "null", "nul",
        "x", "//c", "/*", "*/", "*", "/", "é", "\x01", "\x7F", "\xC2\x85", "\xFF", "\x80",
        "\xE2\x82", "\0"sv};
    const std::vector<Language> all = languages();
    std::mt19937 rng(1606);
    for (const Language& language : all) {
        SCOPED_TRACE(language.name);
        const auto& fragments = &language.tables == &json_scanner_tables() ? json : markup;
        for (int round = 0; round < 1000; ++round) {
            const std::string text = round < 10 ? kMixed : random_document(rng, fragments);
            const Expected e = reference(text, language.tables, language.start);
            // Cuts after line feeds, and at character starts chosen at random, as often as
            // every one when the odds are 1.
            const unsigned odds = 1 + rng() % 8;
            std::vector<int32_t> ends;
            for (size_t p = 1; p < text.size(); ++p)
                if (text[p - 1] == '\n' || (e.char_start[p] && rng() % odds == 0))
                    ends.push_back(int32_t(p));
            ends.push_back(int32_t(text.size()));
            SCOPED_TRACE(::testing::PrintToString(text));
            expect_lines_like_reference(*language.automaton, text, ends, e);
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(LineAutomata, ControlCharactersAndBadBytesAreTokensOfTheirOwn) {
    constexpr int16_t C = kStyleControlCharacter, B = kStyleUndecodableByte;
    std::vector<LineToken> tokens;

    // NUL, SOH, tab (not special), DEL, U+0085, 0xFF, a three-byte lead whose third byte is
    // a line feed, an overlong line feed (two bad bytes), and a lead the line ends after.
    const std::string plain("\0a\x01" "b\tc\x7F\xC2\x85" "d\xFF\xE2\x82\n\xC0\x8A\xE0\x80", 18);
    PlainAutomaton plain_lines;
    LexicalAutomaton& registered_plain = *default_languages().find("Plain Text")->automaton;
    for (LexicalAutomaton* a : {static_cast<LexicalAutomaton*>(&plain_lines), &registered_plain}) {
        EXPECT_EQ(a->tokenize_line(0, plain, tokens), 0);
        EXPECT_EQ(tokens, (std::vector<LineToken>{{0, 0, C}, {2, 2, C}, {6, 6, C}, {7, 8, C},
                                                  {10, 10, B}, {11, 11, B}, {12, 12, B},
                                                  {13, 13, C}, {14, 14, B}, {15, 15, B},
                                                  {16, 16, B},
                                                  {17, 17, B}}));
    }

    // Inside a quoted string, in text, and the line end of an XML line.
    const std::string xml = "<a b=\"x\xC2\x9Fy\">t\x01u</a>\r\n";
    default_languages().find("XML")->automaton->tokenize_line(0, xml, tokens);
    EXPECT_EQ(tokens, (std::vector<LineToken>{
                          {0, 0, xml_start_tag_open}, {1, 1, xml_opener_name}, {3, 3, xml_name},
                          {4, 4, xml_equals}, {5, 6, xml_quoted_string}, {7, 8, C},
                          {9, 10, xml_quoted_string}, {11, 11, xml_close_angle},
                          {12, 12, xml_char_data}, {13, 13, C}, {14, 14, xml_char_data},
                          {15, 16, xml_end_tag_open}, {17, 17, xml_opener_name},
                          {18, 18, xml_close_angle}, {19, 19, C}, {20, 20, C}}));

    // In a member name, a string value and after a number.
    const std::string json = "{\"k\x7F\":\"v\xC2\x80\",12\xFF}\n";
    LexicalAutomaton& json_lines = *default_languages().find("JSON")->automaton;
    const uint8_t end = json_lines.tokenize_line(0, json, tokens);
    EXPECT_EQ(tokens, (std::vector<LineToken>{
                          {0, 0, json_open_brace}, {1, 2, kJsonMemberNameStyle}, {3, 3, C},
                          {4, 4, kJsonMemberNameStyle}, {5, 5, json_colon}, {6, 7, json_string},
                          {8, 9, C}, {10, 10, json_string}, {11, 11, json_comma},
                          {12, 13, json_number}, {14, 14, B}, {15, 15, json_close_brace},
                          {16, 16, C}}));
    EXPECT_EQ(end, 0);
    // A state another automaton stored, before the restarted scan reached the line, counts
    // as the start.
    std::vector<LineToken> from_stale;
    EXPECT_EQ(json_lines.tokenize_line(250, json, from_stale), 0);
    EXPECT_EQ(from_stale, tokens);
}

// Colours the editor draws with: the XML ones are the token kinds' own; the JSON ones are in
// the editor's colour format, never the one value that switches to the second font, and
// tell member names, string values and mistakes apart.
TEST(LineAutomata, StyleColours) {
    LanguageRegistry& r = default_languages();
    for (const char* name : {"XML", "DTD"})
        for (int16_t kind = kControlCharKind; kind < xml_kind_count; ++kind)
            EXPECT_EQ(r.find(name)->automaton->style_colour(kind), token_colour(kind)) << kind;
    const LexicalAutomaton& json = *r.find("JSON")->automaton;
    for (int16_t style = kControlCharKind; style <= kJsonMemberNameStyle; ++style) {
        EXPECT_NE(json.style_colour(style), 0x02643232u) << style;
        EXPECT_EQ(json.style_colour(style) >> 24, 2u) << style;
    }
    const std::set<uint32_t> roles = {json.style_colour(kJsonMemberNameStyle),
                                      json.style_colour(json_string),
                                      json.style_colour(json_stray),
                                      json.style_colour(json_colon)};
    EXPECT_EQ(roles.size(), 4u);
}

}  // namespace
}  // namespace tessel
