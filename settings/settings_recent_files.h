// The recent file list's storage in the settings store: the text values of the key
// "Recent File List" below the top key (the application key between operations).
#pragma once

#include "file/recent_files.h"

namespace tessel {

class SettingsStore;

class SettingsRecentFiles final : public RecentFilesStore {
public:
    explicit SettingsRecentFiles(SettingsStore& store) : store_(store) {}
    std::optional<std::string> read(std::string_view name) override;
    void write(std::string_view name, std::string_view value) override;
    void remove(std::string_view name) override;

private:
    SettingsStore& store_;
};

}  // namespace tessel
