// Command names: every command is known by a lower-case name made from its menu caption, so
// a handler registered as "character_encoding" meets the item captioned
// "&Character encoding...".
#pragma once

#include <string>
#include <string_view>

namespace tessel {

// Blanks become "_"; ".", "-", "&" and "'" go; ASCII capitals become lower case. Names that
// are already normal pass unchanged, so looking a name up normalises it the same way.
std::string command_name(std::string_view caption);

}  // namespace tessel
