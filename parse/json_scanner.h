// The JSON automaton on the scanner engine: its character classes, token kinds and tables.
// Numbers and the literals true, false and null come out as single tokens; "//" line
// comments and "/* */" block comments as comment tokens, which the parser warns about.
#pragma once

#include <cstdint>

#include "parse/scanner_engine.h"

namespace tessel {

// Token kinds of the JSON automaton. End of file shares its number with the XML automaton,
// because the token stream and the expectation messages know it by that number.
enum JsonTokenKind : int16_t {
    json_gap = 0,            // never produced: the characters between tokens have no kind
    json_stray = 1,          // characters that make no token, and unterminated strings
    json_end_of_file = 2,    // empty token at offset = text length
    json_open_brace = 3,     // "{"
    json_close_brace = 4,    // "}"
    json_open_bracket = 5,   // "["
    json_close_bracket = 6,  // "]"
    json_comma = 7,          // ","
    json_colon = 8,          // ":"
    json_string = 9,         // "...", quotes included, escapes as written
    json_number = 10,        // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    json_true = 11,
    json_false = 12,
    json_null = 13,
    json_comment = 14,  // "//" up to the line end, or "/*" ... "*/"
    json_kind_count = 15,
};

// The state a document starts in.
inline constexpr uint8_t kJsonStartState = 0;

// The tables, built on first use (thread-safe) and read-only afterwards.
const ScannerTables& json_scanner_tables();

}  // namespace tessel
