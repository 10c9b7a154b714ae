// The characters that every line automaton shows alike, whatever token they fall in:
// control characters, drawn by name, and bytes that start no UTF-8 character, drawn as two
// hexadecimal digits. Without these boxes they would be invisible or shown as a replacement
// mark that hides which byte it stands for.
#pragma once

#include <string_view>
#include <vector>

#include "text/line_token.h"

namespace tessel {

// The C0 controls but the tab, DEL and the C1 controls. Line feed and carriage return are
// among them: whether they are drawn is the view's choice.
constexpr bool is_shown_control(char32_t cp) {
    return (cp < 0x20 && cp != '\t') || (cp >= 0x7F && cp <= 0x9F);
}

// Cuts every control character and undecodable byte of line out of the tokens, which must
// be in order and not overlap, and puts it in as a token of its own, of style
// kStyleControlCharacter or kStyleUndecodableByte; a token left empty disappears. UTF-8 is
// decoded as the parser's scanner and the codecs decode it: a lead byte with its
// continuation bytes is a character even in an overlong form, so a control written
// overlong is one control token over all its bytes.
void add_special_characters(std::string_view line, std::vector<LineToken>& tokens);

}  // namespace tessel
