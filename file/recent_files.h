// The recent file list: most recent first, kept as the values File0, File1, ... of the
// settings key "Recent File List".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "seams/ui_poster.h"

namespace tessel {

// Where the list is kept: the text values of one settings key.
class RecentFilesStore {
public:
    virtual ~RecentFilesStore() = default;
    virtual std::optional<std::string> read(std::string_view name) = 0;
    virtual void write(std::string_view name, std::string_view value) = 0;
    virtual void remove(std::string_view name) = 0;
};

class RecentFiles {
public:
    static constexpr const char* kKey = "Recent File List";
    // Only File0 to File9 are read back at start-up.
    static constexpr int kEntriesRead = 10;
    static constexpr const char* kFolderValue = "Folder";

    explicit RecentFiles(RecentFilesStore* store = nullptr) : store_(store) {}
    void set_store(RecentFilesStore* store) { store_ = store; }
    // Told after every change, to rebuild the menu: on the UI thread, posted there when the
    // change was made on a worker (a load or a save adds the file).
    void set_on_change(std::function<void()> on_change) { on_change_ = std::move(on_change); }
    void set_poster(UiPoster* poster) { route_.set_poster(poster); }

    const std::vector<std::string>& entries() const { return entries_; }
    // Moves path to the front (removing every other entry equal to it) and stores the list.
    void add(std::string_view path);
    // Removes every entry equal to path and stores the list.
    void remove(std::string_view path);
    // Reads File0 ... File9, skipping missing and empty values.
    void load();
    // Writes every entry as File0, File1, ... and removes the values after them up to File9.
    void store();

    // The folder a file was last opened from or saved to, kept as the value "Folder" of the
    // same key; empty when there is none yet.
    std::string last_folder() const;
    void set_last_folder(std::string_view folder);

private:
    void changed();

    RecentFilesStore* store_;
    std::function<void()> on_change_;
    std::vector<std::string> entries_;
    // Without a store, the last folder lives as long as the list.
    std::string last_folder_;
    UiRoute route_;
};

}  // namespace tessel
