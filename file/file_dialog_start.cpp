// Where the file dialogs start.
#include "file/file_dialog_start.h"

namespace tessel {

namespace {

std::string name_of(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The first of the candidates that is a folder still there; home when none is.
std::string first_folder(std::initializer_list<std::string> candidates, std::string_view home,
                         const std::function<bool(const std::string&)>& folder_exists) {
    for (const std::string& folder : candidates)
        if (!folder.empty() && folder_exists(folder)) return folder;
    return std::string(home);
}

}  // namespace

std::string DialogPlace::path() const {
    if (name.empty()) return folder;
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string folder_of(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return {};
    if (slash == 0) return "/";
    return std::string(path.substr(0, slash));
}

DialogPlace open_dialog_place(std::string_view last_folder, std::string_view document_path,
                              bool untitled, std::string_view home,
                              const std::function<bool(const std::string&)>& folder_exists) {
    const std::string document_folder = untitled ? std::string() : folder_of(document_path);
    return {first_folder({std::string(last_folder), document_folder}, home, folder_exists), {}};
}

DialogPlace save_dialog_place(std::string_view last_folder, std::string_view document_path,
                              bool untitled, std::string_view home,
                              const std::function<bool(const std::string&)>& folder_exists) {
    const std::string document_folder = untitled ? std::string() : folder_of(document_path);
    return {first_folder({document_folder, std::string(last_folder)}, home, folder_exists),
            name_of(document_path)};
}

}  // namespace tessel
