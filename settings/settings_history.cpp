// History lists in the settings store.
#include "settings/settings_history.h"

#include <algorithm>

#include "settings/settings_store.h"

namespace tessel {

std::vector<std::string> read_history(SettingsStore& store, std::string_view history) {
    SettingsKey key(store, history);
    std::vector<std::string> entries;
    for (size_t i = 0; i < kHistoryEntriesRead; ++i) {
        std::string entry;
        if (!store.read_string(std::to_string(i), entry)) break;
        entries.push_back(std::move(entry));
    }
    return entries;
}

void write_history(SettingsStore& store, std::string_view history,
                   std::span<const std::string> entries) {
    SettingsKey key(store, history);
    size_t count = std::min(entries.size(), kHistoryEntriesWritten);
    for (size_t i = 0; i < count; ++i) store.write_string(entries[i], std::to_string(i));
    // Reading stops at the first gap, so one removal hides everything after it.
    store.delete_value(std::to_string(count));
}

}  // namespace tessel
