// The path-expression automaton on the scanner engine: its character classes, token kinds
// and tables, and scan_path, which cuts a prepared path text into tokens.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "parse/scanner_engine.h"
#include "parse/token.h"

namespace tessel {

enum PathCharClass : uint8_t {
    pcc_slash = 0,     // /
    pcc_lbracket = 1,  // [
    pcc_rbracket = 2,  // ]
    pcc_lparen = 3,    // (
    pcc_rparen = 4,    // )
    pcc_blank = 5,     // space, tab
    pcc_minus = 6,     // -
    pcc_name = 7,      // . 0-9 : A-Z _ a-z
    pcc_end = 8,       // U+0000 as the last character: the end of a C string
    pcc_other = 9,     // everything else, all of non-ASCII included
    pcc_count = 10,
};

enum PathTokenKind : int16_t {
    path_gap = 0,            // blanks between tokens; only in line colouring
    path_end = 1,            // empty token at the end of the text (or a final U+0000)
    path_slash = 2,          // "/"
    path_open_bracket = 3,   // "["
    path_close_bracket = 4,  // "]"
    path_open_paren = 5,     // "("
    path_close_paren = 6,    // ")"
    // A run of name characters and minus signs: a name, or a number with an optional sign.
    // The minus joins runs because XML names contain it ("sub-class-of").
    path_name = 7,
    path_stray = 8,          // a run of characters no path may contain
    path_kind_count = 9,
};

// Start state of the tables: between tokens.
inline constexpr uint8_t kPathStartState = 0;

const CharClassTable& path_char_classes();
// Built on first use (thread-safe) and read-only afterwards.
const ScannerTables& path_scanner_tables();

// All tokens of text, ending with exactly one path_end token. Bytes the engine cannot scan
// (invalid UTF-8, control characters) come as tokens of the negative pseudo-kinds of
// token.h, in text order with the others. Offsets are int32_t: text must be shorter than
// INT32_MAX bytes (throws std::length_error otherwise).
std::vector<Token> scan_path(std::string_view text);

}  // namespace tessel
