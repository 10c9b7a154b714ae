// Lists in the settings store: history lists with their gaps and limits, and the recent
// file list kept through the store.
#include <gtest/gtest.h>

#include "settings/settings_history.h"
#include "settings/settings_recent_files.h"
#include "settings/settings_store.h"
#include "tests/settings/settings_test_folder.h"

namespace tessel {
namespace {

std::vector<std::string> numbered(int count) {
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i) entries.push_back("entry " + std::to_string(i));
    return entries;
}

TEST(SettingsHistory, ReadingStopsAtAGapAndAfterAHundred) {
    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    {
        SettingsKey key(store, "find_text");
        store.write_string("a", "0");
        store.write_string("b", "1");
        store.write_string("d", "3");
    }
    EXPECT_EQ(read_history(store, "find_text"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(read_history(store, "replace_text").empty());

    std::vector<std::string> many = numbered(120);
    write_history(store, "toolbar", many);
    {
        SettingsKey key(store, "toolbar");
        std::string text;
        EXPECT_TRUE(store.read_string("100", text));
        EXPECT_EQ(text, "entry 100");
        EXPECT_FALSE(store.read_string("101", text));
    }
    std::vector<std::string> read = read_history(store, "toolbar");
    ASSERT_EQ(read.size(), kHistoryEntriesRead);
    EXPECT_TRUE(std::equal(read.begin(), read.end(), many.begin()));
    EXPECT_EQ(store.depth(), 3);
}

TEST(SettingsHistory, ShorterListHidesTheOldTail) {
    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    write_history(store, "tag_name", numbered(5));
    write_history(store, "tag_name", std::vector<std::string>{"x", "y"});
    EXPECT_EQ(read_history(store, "tag_name"), (std::vector<std::string>{"x", "y"}));
    write_history(store, "tag_name", {});
    EXPECT_TRUE(read_history(store, "tag_name").empty());
}

TEST(SettingsRecentFiles, ListSurvivesARestart) {
    SettingsTestFolder folder;
    {
        SettingsStore store(folder.database());
        SettingsKey app(store, SettingsStore::kApplicationKey, ',');
        SettingsRecentFiles storage(store);
        RecentFiles recent(&storage);
        recent.add("/home/u/a.xml");
        recent.add("/home/u/b.json");
        recent.add("/home/u/c.dtd");
        recent.remove("/home/u/b.json");
        EXPECT_EQ(store.depth(), 3);
    }
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    SettingsRecentFiles storage(store);
    RecentFiles recent(&storage);
    recent.load();
    EXPECT_EQ(recent.entries(), (std::vector<std::string>{"/home/u/c.dtd", "/home/u/a.xml"}));
    SettingsKey key(store, RecentFiles::kKey);
    std::string stale;
    EXPECT_FALSE(store.read_string("File2", stale));
}

}  // namespace
}  // namespace tessel
