// The recent file list.
#include "file/recent_files.h"

#include <algorithm>

namespace tessel {

namespace {

std::string value_name(size_t i) {
    return "File" + std::to_string(i);
}

}  // namespace

void RecentFiles::add(std::string_view path) {
    // Paths are compared exactly: two names that differ in case are two files here.
    std::erase(entries_, path);
    entries_.insert(entries_.begin(), std::string(path));
    changed();
}

void RecentFiles::remove(std::string_view path) {
    std::erase(entries_, path);
    changed();
}

void RecentFiles::load() {
    entries_.clear();
    if (!store_) return;
    for (size_t i = 0; i < kEntriesRead; ++i) {
        std::optional<std::string> value = store_->read(value_name(i));
        if (value && !value->empty()) entries_.push_back(std::move(*value));
    }
}

void RecentFiles::store() {
    if (!store_) return;
    for (size_t i = 0; i < entries_.size(); ++i) store_->write(value_name(i), entries_[i]);
    for (size_t i = entries_.size(); i < kEntriesRead; ++i) store_->remove(value_name(i));
}

std::string RecentFiles::last_folder() const {
    if (!store_) return last_folder_;
    std::optional<std::string> value = store_->read(kFolderValue);
    return value ? *value : std::string();
}

void RecentFiles::set_last_folder(std::string_view folder) {
    last_folder_ = std::string(folder);
    if (store_ && !folder.empty()) store_->write(kFolderValue, folder);
}

void RecentFiles::changed() {
    store();
    if (on_change_) route_.run([this] { on_change_(); });
}

}  // namespace tessel
