// Where the Open and Save As dialogs start, and the last folder kept with the recent files
// across a restart.
#include "file/file_dialog_start.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "file/recent_files.h"

namespace tessel {
namespace {

struct Folders {
    std::set<std::string> present{"/home/me", "/home/me/work", "/data/books"};
    std::function<bool(const std::string&)> exists() {
        return [this](const std::string& folder) { return present.count(folder) > 0; };
    }
};

TEST(FileDialogStart, OpenStartsInTheLastFolderAndNamesNoFile) {
    Folders f;
    // The last folder wins over the document's.
    DialogPlace place = open_dialog_place("/data/books", "/home/me/work/a.xml", false, "/home/me", f.exists());
    EXPECT_EQ(place.folder, "/data/books");
    EXPECT_EQ(place.name, "");
    EXPECT_EQ(place.path(), "/data/books");
    // None yet: the document's folder; an untitled document has none: home. The untitled name
    // is never filled in.
    EXPECT_EQ(open_dialog_place("", "/home/me/work/a.xml", false, "/home/me", f.exists()).path(), "/home/me/work");
    EXPECT_EQ(open_dialog_place("", "Untitled.xml", true, "/home/me", f.exists()).path(), "/home/me");
    // A last folder removed since is passed over.
    EXPECT_EQ(open_dialog_place("/gone", "Untitled.xml", true, "/home/me", f.exists()).path(), "/home/me");
    EXPECT_EQ(open_dialog_place("/gone", "/home/me/work/a.xml", false, "/home/me", f.exists()).path(),
              "/home/me/work");
}

TEST(FileDialogStart, SaveAsKeepsTheDocumentsNameAndFolder) {
    Folders f;
    EXPECT_EQ(save_dialog_place("/data/books", "/home/me/work/a.xml", false, "/home/me", f.exists()).path(),
              "/home/me/work/a.xml");
    // Untitled: the last folder, or home, with the untitled name.
    DialogPlace place = save_dialog_place("/data/books", "Untitled.xml", true, "/home/me", f.exists());
    EXPECT_EQ(place.folder, "/data/books");
    EXPECT_EQ(place.name, "Untitled.xml");
    EXPECT_EQ(place.path(), "/data/books/Untitled.xml");
    EXPECT_EQ(save_dialog_place("", "Untitled.json", true, "/", f.exists()).path(), "/Untitled.json");
    EXPECT_EQ(folder_of("/a/b.xml"), "/a");
    EXPECT_EQ(folder_of("/b.xml"), "/");
    EXPECT_EQ(folder_of("b.xml"), "");
}

// The last folder is stored beside the recent files and read back by the next run's list,
// without becoming a recent file.
TEST(FileDialogStart, TheLastFolderSurvivesARestart) {
    struct MapStore final : RecentFilesStore {
        std::optional<std::string> read(std::string_view name) override {
            auto it = values.find(std::string(name));
            if (it == values.end()) return std::nullopt;
            return it->second;
        }
        void write(std::string_view name, std::string_view value) override { values[std::string(name)] = value; }
        void remove(std::string_view name) override { values.erase(std::string(name)); }
        std::map<std::string, std::string> values;
    } store;
    {
        RecentFiles recent(&store);
        EXPECT_EQ(recent.last_folder(), "");
        recent.add("/data/books/a.xml");
        recent.set_last_folder("/data/books");
    }
    RecentFiles again(&store);
    again.load();
    EXPECT_EQ(again.last_folder(), "/data/books");
    EXPECT_EQ(again.entries(), (std::vector<std::string>{"/data/books/a.xml"}));
    again.remove("/data/books/a.xml");
    EXPECT_EQ(again.last_folder(), "/data/books");
}

}  // namespace
}  // namespace tessel
