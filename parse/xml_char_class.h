// The 30 character classes the XML/DTD automaton reads instead of characters: which
// characters may start or continue a name, the punctuation of markup, and the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parse/scanner_engine.h"

namespace tessel {

// The letters A, C, D and T have classes of their own only so that the automaton can spell
// "<![CDATA["; for names every capital letter is a name start character.
enum XmlCharClass : uint8_t {
    xcc_nul = 0,           // U+0000
    xcc_lt = 1,            // <
    xcc_other = 2,         // everything that is not markup and not part of a name
    xcc_space = 3,         // tab, line feed, carriage return, space
    xcc_excl = 4,          // !
    xcc_quot = 5,          // "
    xcc_apos = 6,          // '
    xcc_dash = 7,          // -
    xcc_name_char = 8,     // continues a name but cannot start one: . 0-9 U+00B7 ...
    xcc_slash = 9,         // /
    xcc_name_start = 10,   // : _ a-z and the non-ASCII name start characters
    xcc_gt = 11,           // >
    xcc_question = 12,     // ?
    xcc_letter_a = 13,     // A
    xcc_letter = 14,       // B, E-S, U-Z
    xcc_letter_c = 15,     // C
    xcc_letter_d = 16,     // D
    xcc_letter_t = 17,     // T
    xcc_lbracket = 18,     // [
    xcc_equals = 19,       // =
    xcc_rbracket = 20,     // ]
    xcc_percent = 21,      // %
    xcc_lparen = 22,       // (
    xcc_rparen = 23,       // )
    xcc_bar = 24,          // |
    xcc_semicolon = 25,    // ;
    xcc_comma = 26,        // ,
    xcc_plus = 27,         // +
    xcc_star = 28,         // *
    xcc_hash = 29,         // #
    xcc_count = 30,
};

// The class table, built on first use and shared.
const CharClassTable& xml_char_classes();

inline int xml_char_class(char32_t cp) { return xml_char_classes().class_of(cp); }

// Whether cp may appear in an XML document at all (as itself or as a character reference):
// tab, line feed, carriage return, U+0020-U+D7FF, U+E000-U+FFFD, U+10000-U+10FFFF.
constexpr bool is_xml_char(char32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// The length in bytes of the XML name that begins at text[at], 0 when no name begins there.
// For the checks off the scanner's path (references, instruction targets, declarations).
size_t xml_name_length(std::string_view text, size_t at);
// The same for a name token, whose first character may be any name character.
size_t xml_nmtoken_length(std::string_view text, size_t at);

}  // namespace tessel
