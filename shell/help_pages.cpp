// The Help menu's pages and texts.
#include "shell/help_pages.h"

#include <filesystem>
#include <system_error>

#include "shell/command_line.h"

namespace tessel {

namespace {

// The user guide names the folder: a folder without it is no help folder, whatever else it
// holds. An installed folder holds each page twice, and the HTML one is opened: the desktop's
// browser shows it with its pictures, where a Markdown file may open in a text editor.
constexpr std::string_view kGuide = "user-guide";
constexpr std::string_view kNotes = "release-notes";

std::string joined(const std::filesystem::path& folder, std::string_view name) {
    return (folder / name).lexically_normal().string();
}

// FOLDER/NAME.html when it is there, else FOLDER/NAME.md when that is; empty when neither is.
std::string page(const std::string& folder, std::string_view name) {
    for (const char* extension : {".html", ".md"}) {
        const std::string path = joined(folder, std::string(name) + extension);
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) return path;
    }
    return {};
}

}  // namespace

std::vector<std::string> help_folders(std::string_view program_dir, std::string_view source_dir) {
    std::vector<std::string> folders;
    if (!program_dir.empty()) {
        const std::filesystem::path prefix = std::filesystem::path(program_dir).parent_path();
        folders.push_back((prefix / "share/doc/tessel").lexically_normal().string());
        folders.push_back((prefix / "share/tessel").lexically_normal().string());
    }
    if (!source_dir.empty())
        folders.push_back((std::filesystem::path(source_dir) / "docs").lexically_normal().string());
    return folders;
}

HelpPages find_help_pages(std::span<const std::string> folders) {
    HelpPages pages;
    pages.searched.assign(folders.begin(), folders.end());
    for (const std::string& folder : folders) {
        pages.documentation = page(folder, kGuide);
        if (pages.documentation.empty()) continue;
        pages.release_notes = page(folder, kNotes);
        if (pages.release_notes.empty())
            pages.release_notes = joined(folder, std::string(kNotes) + ".md");
        break;
    }
    return pages;
}

std::string help_missing_text(std::string_view what, std::span<const std::string> searched) {
    std::string text = "The " + std::string(what) + " could not be found.";
    if (searched.empty()) return text;
    text += " Tessel looked in:";
    for (const std::string& folder : searched) text += "\n" + folder;
    return text;
}

std::string updates_text() {
    return std::string(kApplicationTitle) +
           " does not look for updates on the network. New versions come with your system's "
           "packages or with a new build of the program; \"What's new in this version\" lists "
           "what this one brought.";
}

std::string about_text(std::string_view runtime_toolkit, std::string_view built_toolkit,
                       std::string_view sqlite_version) {
    std::string text = std::string(kApplicationTitle) + "\nVersion " + std::string(kVersion) +
                       "\nAn editor for XML, DTD, JSON and plain text documents.\n\n"
                       "Licence: no licence has been chosen for this program yet; no licence "
                       "file ships with it.\n\nLibraries:\nQt ";
    text += runtime_toolkit;
    if (built_toolkit != runtime_toolkit) {
        text += " (built with ";
        text += built_toolkit;
        text += ")";
    }
    text += " - the window, under the GNU LGPL version 3\nSQLite ";
    text += sqlite_version;
    text += " - the settings, in the public domain";
    return text;
}

}  // namespace tessel
