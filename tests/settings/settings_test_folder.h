// A fresh, empty folder per test for settings databases, removed afterwards.
#pragma once

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

namespace tessel {

class SettingsTestFolder {
public:
    SettingsTestFolder() {
        static std::atomic<int> counter{0};
        dir_ = std::filesystem::temp_directory_path() /
               ("tessel-settings-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(dir_);
    }
    ~SettingsTestFolder() { std::filesystem::remove_all(dir_); }
    SettingsTestFolder(const SettingsTestFolder&) = delete;
    SettingsTestFolder& operator=(const SettingsTestFolder&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    // The database path; the folder itself does not exist until the store makes it.
    std::string database() const { return (dir_ / "registry.sqlite").string(); }

private:
    std::filesystem::path dir_;
};

}  // namespace tessel
