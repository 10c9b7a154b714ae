// The user guide's key table, made from the command table so the two cannot drift apart: one
// row per command that has a key, in the table's order.
// docs/user-guide.md holds it between two marker lines; tools/update_user_guide_keys rewrites
// it there, and a test fails while the guide's copy differs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kKeyTableBegin =
    "<!-- The key table is made from the command table: run tools/update_user_guide_keys "
    "after changing a key. -->";
inline constexpr std::string_view kKeyTableEnd = "<!-- End of the key table. -->";

// What a row calls a command: its caption without the mnemonic mark and a trailing "...", or
// for a command without a caption of its own (its caption is its name) the name in words.
std::string command_words(std::string_view name, std::string_view caption);

// The Markdown table "| keys | command |", one row per command with a key.
std::string key_table_markdown();

// text with the lines between the two markers replaced by table with a blank line before and
// after it (the markers stay); nothing
// when the markers are not both there, in order.
std::optional<std::string> with_key_table(std::string_view text, std::string_view table);

}  // namespace tessel
