// Token: one lexical unit a scanner hands to a parser (an inclusive byte range and a kind),
// with the kinds of the XML/DTD automaton and the display colour of every kind.
#pragma once

#include <cstdint>

namespace tessel {

struct Token {
    int32_t first;  // offset of the first byte
    int32_t last;   // offset of the last byte; first - 1 for an empty token (end of file)
    int16_t kind;

    int32_t length() const { return last - first + 1; }
};

// Pseudo-kinds of every automaton: the engine produces them for bytes it cannot scan, and
// the token stream reports them aside instead of queueing them.
inline constexpr int16_t kInvalidUtf8Kind = -1;   // one byte that starts no valid sequence
inline constexpr int16_t kControlCharKind = -2;   // a forbidden control character
inline constexpr int16_t kNotCharacterKind = -3;  // a surrogate, U+FFFE, U+FFFF or beyond U+10FFFF
// Not a failure: a character inside a token that the parser checks (ScanOp scan_mark).
inline constexpr int16_t kMarkKind = -4;

// Token kinds of the XML/DTD automaton. The numbers are the ones the parser, the colouring
// and the diagnostics share; punctuation of declarations fills 21-23 and 25-29.
enum XmlTokenKind : int16_t {
    xml_gap = 0,                 // never produced: the characters between tokens have no kind
    xml_stray = 1,               // characters that fit nowhere, and unterminated tokens at end
    xml_end_of_file = 2,         // empty token at offset = text length
    xml_blank_after_opener = 3,  // white space right after "<" or "</" (where a name must be)
    xml_declaration_open = 4,    // "<!" before a keyword
    xml_opener_name = 5,         // tag name after "<" or "</", keyword after "<!"
    xml_open_bracket = 6,        // "["
    xml_close_angle = 7,         // ">"
    xml_comment = 8,             // "<!--" ... "-->"
    xml_processing_instruction = 9,  // "<?" ... "?>", the XML declaration too
    xml_quoted_string = 10,      // "..." or '...', quotes included
    xml_name = 11,               // attribute names, names in DOCTYPE and DTD declarations
    xml_start_tag_open = 12,     // "<"
    xml_end_tag_open = 13,       // "</"
    xml_cdata_open = 14,         // "<![CDATA["
    xml_char_data = 15,          // text; a run may come as several adjacent tokens
    xml_empty_tag_close = 16,    // "/>"
    xml_equals = 17,             // "="
    xml_cdata_content = 18,      // everything between "<![CDATA[" and "]]>"
    xml_cdata_close = 19,        // "]]>" ending a CDATA section
    xml_percent = 20,            // "%"
    xml_open_paren = 21,         // "("
    xml_close_paren = 22,        // ")"
    xml_bar = 23,                // "|"
    xml_semicolon = 24,          // ";"
    xml_comma = 25,              // ","
    xml_plus = 26,               // "+"
    xml_star = 27,               // "*"
    xml_question = 28,           // "?" (occurrence indicator in content models)
    xml_hash = 29,               // "#" (before PCDATA, REQUIRED, IMPLIED, FIXED)
    xml_close_bracket = 30,      // "]"
    xml_conditional_open = 31,   // "<![" in a DTD
    xml_conditional_close = 32,  // "]]>" in a DTD
    xml_kind_count = 33,
};

namespace token_colour_detail {
// 0x02BBGGRR: red in the low byte, then green, then blue, and the flag byte 2 on top.
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
    return 0x02000000u | (b << 16) | (g << 8) | r;
}
}  // namespace token_colour_detail

// Display colour of the characters of a token of this kind (also of the pseudo-kinds and of
// the gap style 0); the editor's syntax colouring draws with it.
constexpr uint32_t token_colour(int kind) {
    using token_colour_detail::rgb;
    switch (kind) {
        case kInvalidUtf8Kind:
        case kControlCharKind:
        case kNotCharacterKind:
        case xml_stray:
        case xml_quoted_string: return rgb(255, 0, 0);
        case xml_gap: return rgb(214, 169, 214);
        case xml_blank_after_opener: return rgb(255, 50, 100);
        case xml_opener_name: return rgb(50, 50, 100);
        case xml_comment:
        case xml_processing_instruction: return rgb(100, 100, 100);
        case xml_name: return rgb(128, 0, 128);
        case xml_char_data: return rgb(0, 0, 0);
        case xml_cdata_content: return rgb(47, 55, 91);
        default:
            // End of file and all punctuation share the markup blue; unknown kinds draw black.
            return kind >= 0 && kind < xml_kind_count ? rgb(0, 0, 192) : rgb(0, 0, 0);
    }
}

}  // namespace tessel
