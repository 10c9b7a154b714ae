// The labels the editor shows in place of characters it cannot show as text: the names of
// the control characters, and two hexadecimal digits for a byte that starts no character.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

// "NUL" to "US" for U+0000 to U+001F, "SP", "DEL", "PAD" to "OSC" for U+0080 to U+009D, and
// "?" for any other code point.
std::string_view control_name(uint32_t code_point);

// The code point of the one character that a control token holds ("\x01", "\xC2\x85"); a
// token that is no whole UTF-8 character gives its first byte.
uint32_t control_code_point(std::string_view token);

// "00" to "FF": the byte in two upper-case hexadecimal digits.
std::string_view hex_label(unsigned char byte);

}  // namespace tessel
