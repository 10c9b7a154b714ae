// The recent file list over the settings store.
#include "settings/settings_recent_files.h"

#include "settings/settings_store.h"

namespace tessel {

std::optional<std::string> SettingsRecentFiles::read(std::string_view name) {
    SettingsKey key(store_, RecentFiles::kKey);
    std::string value;
    if (!store_.read_string(name, value)) return std::nullopt;
    return value;
}

void SettingsRecentFiles::write(std::string_view name, std::string_view value) {
    SettingsKey key(store_, RecentFiles::kKey);
    store_.write_string(value, name);
}

void SettingsRecentFiles::remove(std::string_view name) {
    SettingsKey key(store_, RecentFiles::kKey);
    store_.delete_value(name);
}

}  // namespace tessel
