// History lists of combo boxes and the toolbar's path box: newest first, kept as the values
// "0", "1", ... of a settings key named after the history ("find_text", "toolbar", ...).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

class SettingsStore;

// At most this many entries are read back, and one more is written.
inline constexpr size_t kHistoryEntriesRead = 100;
inline constexpr size_t kHistoryEntriesWritten = 101;

// Reads "0", "1", ... of the key history below the top key, stopping at the first value
// that is missing or not a string.
std::vector<std::string> read_history(SettingsStore& store, std::string_view history);
// Writes the first entries as "0" to "n-1" and removes the value "n", so that entries left
// over from a longer list are not read back behind the new ones.
void write_history(SettingsStore& store, std::string_view history,
                   std::span<const std::string> entries);

}  // namespace tessel
