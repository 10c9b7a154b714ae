// Goto Line: the text the line-number field starts with, and moving the caret to the line
// the user typed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

class TextDocument;

// The caret's index line, counted from 0, in decimal.
std::string goto_line_preset(const TextDocument& document);

// Reads the field: optional blanks, an optional sign, decimal digits, optional blanks. A
// value too large for 64 bits saturates. False for anything else (empty, no digits, other
// characters).
bool parse_line_number(std::string_view field, int64_t* value);

// Moves the caret to column 0 of the index line the field names: values at or beyond the line
// count go to the last line, negative values to the first. A field that is not a number
// changes nothing and returns false.
bool goto_line(TextDocument& document, std::string_view field);

}  // namespace tessel
