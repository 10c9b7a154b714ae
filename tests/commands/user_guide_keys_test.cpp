// The user guide's key table is the command table's: the copy in docs/user-guide.md must be
// what the table makes now (tools/update_user_guide_keys writes it, with
// TESSEL_WRITE_USER_GUIDE set this test does), every key has its row, and the commands not
// built yet are marked.
#include "commands/key_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "commands/command_table.h"

namespace tessel {
namespace {

constexpr const char* kGuide = TESSEL_SOURCE_DIR "/docs/user-guide.md";

std::string read_all(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(UserGuideKeys, TheGuidesKeyTableIsTheCommandTables) {
    const std::string guide = read_all(kGuide);
    const std::optional<std::string> expected = with_key_table(guide, key_table_markdown());
    ASSERT_TRUE(expected) << "docs/user-guide.md lacks the key table's marker lines";
    if (std::getenv("TESSEL_WRITE_USER_GUIDE")) {
        std::ofstream(kGuide, std::ios::binary) << *expected;
        return;
    }
    EXPECT_EQ(guide, *expected) << "the user guide's keys differ from the command table's: run "
                                   "tools/update_user_guide_keys";
}

TEST(UserGuideKeys, EveryKeyHasOneRowAndCommandsNotBuiltAreMarked) {
    const std::vector<std::string> rows = lines_of(key_table_markdown());
    size_t keys = 0;
    for (const CommandInfo& info : command_table()) {
        if (info.accelerator.empty()) continue;
        ++keys;
        const std::string start = "| " + std::string(info.accelerator) + " | ";
        const auto matching = std::count_if(rows.begin(), rows.end(), [&](const std::string& row) {
            return row.starts_with(start);
        });
        EXPECT_EQ(matching, 1) << info.name;
    }
    EXPECT_EQ(rows.size(), keys + 2);  // and the header with its rule
    const std::string table = key_table_markdown();
    EXPECT_NE(table.find("| F3 | Find Again |"), std::string::npos) << table;
    EXPECT_NE(table.find("| F5 | For visible rows |"), std::string::npos) << table;
}

TEST(UserGuideKeys, WordsAndTheBlockBetweenTheMarkers) {
    EXPECT_EQ(command_words("character_encoding", "&Character encoding..."), "Character encoding");
    EXPECT_EQ(command_words("rebuild_index", "rebuild_index"), "rebuild index");
    EXPECT_EQ(command_words("x", "R&&D &Notes"), "R&D Notes");
    const std::string text = "intro\n" + std::string(kKeyTableBegin) + "\nold\nrows\n" +
                             std::string(kKeyTableEnd) + "\nafter\n";
    EXPECT_EQ(with_key_table(text, "| a | b |\n"), "intro\n" + std::string(kKeyTableBegin) +
                                                      "\n\n| a | b |\n\n" + std::string(kKeyTableEnd) +
                                                      "\nafter\n");
    EXPECT_FALSE(with_key_table("no markers", "x"));
    EXPECT_FALSE(with_key_table(std::string(kKeyTableEnd) + "\n" + std::string(kKeyTableBegin) + "\n", "x"));
}

}  // namespace
}  // namespace tessel
