// Where the Open and Save As dialogs start. Open starts in the folder a file was last opened
// from or saved to (kept with the recent files, so it survives a restart) and names no file;
// before any, in the folder of the document's file, else in the home folder. Save As starts in
// the folder of the document's file, or for a document without one in the last folder (else
// home), and names the document ("Untitled.xml" stays "Untitled.xml").
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tessel {

struct DialogPlace {
    std::string folder;
    std::string name;  // empty: no file name filled in
    // The path a file dialog is given: the folder, or the folder and the name.
    std::string path() const;
};

// document_path: the document's path ("Untitled.xml" while untitled); folder_exists tells
// whether a folder is still there (a last folder may have been removed since).
DialogPlace open_dialog_place(std::string_view last_folder, std::string_view document_path,
                              bool untitled, std::string_view home,
                              const std::function<bool(const std::string&)>& folder_exists);
DialogPlace save_dialog_place(std::string_view last_folder, std::string_view document_path,
                              bool untitled, std::string_view home,
                              const std::function<bool(const std::string&)>& folder_exists);

// The folder part of a chosen file's path ("/a/b.xml" -> "/a"; "/b.xml" -> "/").
std::string folder_of(std::string_view path);

}  // namespace tessel
