// The Help menu's pages and texts: the folders are tried in their order and the first one
// holding the user guide wins; the source tree's own docs/ is found; the texts name what a
// user needs (the folders looked in, the version, the libraries).
#include "shell/help_pages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;

void write_file(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "# page\n";
}

TEST(HelpPages, InstalledFoldersComeBeforeTheSourceTree) {
    EXPECT_EQ(help_folders("/opt/tessel/bin", "/home/me/tessel"),
              (std::vector<std::string>{"/opt/tessel/share/doc/tessel", "/opt/tessel/share/tessel",
                                        "/home/me/tessel/docs"}));
    EXPECT_EQ(help_folders("/usr/bin", ""),
              (std::vector<std::string>{"/usr/share/doc/tessel", "/usr/share/tessel"}));
    EXPECT_EQ(help_folders("", "/src"), (std::vector<std::string>{"/src/docs"}));
}

TEST(HelpPages, TheFirstFolderWithTheUserGuideWins) {
    const fs::path root = fs::temp_directory_path() / ("tessel_help_" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path program = root / "prefix/bin";
    fs::create_directories(program);
    // Release notes alone do not make a help folder; the guide does.
    write_file(root / "prefix/share/doc/tessel/release-notes.md");
    write_file(root / "prefix/share/tessel/user-guide.md");
    write_file(root / "source/docs/user-guide.md");
    const std::vector<std::string> folders = help_folders(program.string(), (root / "source").string());
    HelpPages pages = find_help_pages(folders);
    EXPECT_EQ(pages.documentation, (root / "prefix/share/tessel/user-guide.md").string());
    EXPECT_EQ(pages.release_notes, (root / "prefix/share/tessel/release-notes.md").string());
    EXPECT_EQ(pages.searched, folders);

    // An installed folder's HTML pages are opened before its Markdown ones.
    write_file(root / "prefix/share/tessel/user-guide.html");
    write_file(root / "prefix/share/tessel/release-notes.html");
    pages = find_help_pages(folders);
    EXPECT_EQ(pages.documentation, (root / "prefix/share/tessel/user-guide.html").string());
    EXPECT_EQ(pages.release_notes, (root / "prefix/share/tessel/release-notes.html").string());

    fs::remove_all(root / "prefix/share/tessel");
    pages = find_help_pages(folders);
    EXPECT_EQ(pages.documentation, (root / "source/docs/user-guide.md").string());

    fs::remove_all(root / "source");
    pages = find_help_pages(folders);
    EXPECT_TRUE(pages.documentation.empty());
    EXPECT_TRUE(pages.release_notes.empty());
    EXPECT_EQ(help_missing_text("user guide", pages.searched),
              "The user guide could not be found. Tessel looked in:\n" + folders[0] + "\n" +
                  folders[1] + "\n" + folders[2]);
    fs::remove_all(root);
}

// A program run from its build folder: the pages of this very source tree, both present.
TEST(HelpPages, TheSourceTreesDocsAreFound) {
    const HelpPages pages = find_help_pages(help_folders("/nonexistent/bin", TESSEL_SOURCE_DIR));
    ASSERT_FALSE(pages.documentation.empty());
    EXPECT_TRUE(fs::is_regular_file(pages.documentation));
    EXPECT_TRUE(fs::is_regular_file(pages.release_notes));
    EXPECT_EQ(fs::path(pages.documentation).parent_path(), fs::path(TESSEL_SOURCE_DIR "/docs").lexically_normal());
}

TEST(HelpPages, AboutAndUpdatesTexts) {
    const std::string about = about_text("6.4.2", "6.4.2", "3.40.1");
    EXPECT_EQ(about.rfind("Tessel 2.2\nVersion " TESSEL_VERSION "\n", 0), 0u) << about;
    EXPECT_NE(about.find("Licence: "), std::string::npos);
    EXPECT_NE(about.find("Qt 6.4.2 - "), std::string::npos) << about;
    EXPECT_EQ(about.find("built with"), std::string::npos);
    EXPECT_NE(about.find("SQLite 3.40.1 - "), std::string::npos);
    // A toolkit other than the one built against is named as both.
    EXPECT_NE(about_text("6.5.0", "6.4.2", "3.40.1").find("Qt 6.5.0 (built with 6.4.2)"), std::string::npos);
    const std::string updates = updates_text();
    EXPECT_NE(updates.find("Tessel 2.2 does not look for updates on the network"), std::string::npos);
}

}  // namespace
}  // namespace tessel
