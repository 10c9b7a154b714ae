// The Help menu's texts and pages: where the user guide and the release notes are looked for
// (installed beside the program first, then the source tree a build-folder program came
// from), and the texts of "About Tessel" and "Check for updates".
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

// The files the help commands open; empty when none was found.
struct HelpPages {
    std::string documentation;
    std::string release_notes;
    // The folders looked in, in order, for the message that tells the user nothing was found.
    std::vector<std::string> searched;
};

// The folders that may hold the user guide and the release notes, in the order they are tried:
// PREFIX/share/doc/tessel and PREFIX/share/tessel, where PREFIX is the folder above the
// program's (an installed program in PREFIX/bin); then source_dir/docs, the source tree the
// program was built from (a program run from its build folder). An empty source_dir adds none.
std::vector<std::string> help_folders(std::string_view program_dir, std::string_view source_dir);

// The pages of the first folder that holds user-guide.html or user-guide.md, each page as HTML
// where the folder has it, with every folder named in searched.
HelpPages find_help_pages(std::span<const std::string> folders);

// "The user guide could not be found. Tessel looked in:" and the folders, one a line.
std::string help_missing_text(std::string_view what, std::span<const std::string> searched);

// What "Check for updates" says: this build does not look on the network, and its version.
std::string updates_text();

// What "About Tessel" says: name and version, licence, and the libraries the program links,
// with the toolkit's version as it runs (runtime_toolkit) and as built (built_toolkit).
std::string about_text(std::string_view runtime_toolkit, std::string_view built_toolkit,
                       std::string_view sqlite_version);

}  // namespace tessel
