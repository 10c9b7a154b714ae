// The editor's commands, menus and toolbar.
#include "commands/command_table.h"

#include <array>

namespace tessel {

namespace {

using K = CommandKind;
using R = CommandRow;

constexpr std::string_view kUi = "";

// Rows in registration order. Where a picture is given the item is plain and shows it.
constexpr std::array kCommands{
    CommandInfo{"toolbar", "&Toolbar", "Show or hide the toolbar", "", K::toggle, -1, kUi},
    CommandInfo{"status_bar", "&Status Bar", "Show or hide the Status Bar", "", K::toggle, -1, kUi},
    CommandInfo{"exit", "E&xit", "Quits the application, prompts to save files", "", K::plain, -1,
                kUi},
    CommandInfo{"do_exit", "", "", "", K::plain, -1, kUi, R::handler_only},
    CommandInfo{"undo", "&Undo", "Undo the last action", "Ctrl+Z", K::plain, 7, "undo"},
    CommandInfo{"redo", "&Redo", "Redo the last action", "Ctrl+Y", K::plain, 8, "undo"},
    CommandInfo{"prompt_reload", "prompt_reload", "", "", K::plain, -1, "load"},
    CommandInfo{"new", "&New", "Create a new XML Document", "Ctrl+N", K::plain, 0, "load"},
    CommandInfo{"new_dtd", "New &DTD", "Create a new DTD Document", "", K::plain, -1, "load"},
    CommandInfo{"new_json", "New &Json", "Create a new Json Document", "", K::plain, -1, "load"},
    CommandInfo{"new_text", "New &Text", "Create a new Text Document", "", K::plain, -1, "load"},
    CommandInfo{"open", "&Open", "Open an existing document", "Ctrl+O", K::plain, 1, "load"},
    CommandInfo{"load_file", "", "", "", K::plain, -1, "load", R::handler_only},
    CommandInfo{"save", "&Save", "Saves the file", "Ctrl+S", K::plain, 2, "save"},
    CommandInfo{"save_as", "Save &As", "Saves the file", "Ctrl+Shift+S", K::plain, -1, "save"},
    CommandInfo{"save_as_with_encoding", "Save as with &Encoding",
                "Converts the document to a specified encoding and saves it", "", K::plain, -1,
                "save"},
    CommandInfo{"character_encoding", "&Character encoding...", "", "", K::plain, -1, "load"},
    CommandInfo{"tabs", "&Tabs", "", "", K::plain, -1, kUi},
    CommandInfo{"text_highlighting_options", "Text highlighting options", "", "", K::plain, -1,
                kUi},
    CommandInfo{"language", "Language", "Select a language to use to parse the document", "",
                K::choice, -1, kUi, R::choice_group},
    CommandInfo{"online_documentation", "&Online documentation", "", "", K::plain, -1, kUi},
    CommandInfo{"check_for_updates", "&Check for updates", "", "", K::plain, -1, kUi},
    CommandInfo{"whats_new_in_this_version", "&What's new in this version", "", "", K::plain, -1,
                kUi},
    CommandInfo{"about_tessel", "&About Tessel",
                "Show the version of Tessel, its licence and the libraries it uses", "", K::plain,
                -1, kUi},
    CommandInfo{"file_extensions", "File &Extensions", "", "", K::plain, -1, kUi},
    CommandInfo{"parse_this_document_as", "&Parse this document as...", "", "", K::plain, -1, kUi},
    CommandInfo{"cut", "Cu&t", "Cut the Selection and put it on the clipboard", "Ctrl+X", K::plain,
                4, kUi},
    CommandInfo{"copy", "&Copy", "Copy the Selection and put it on the clipboard", "Ctrl+C",
                K::plain, 5, kUi},
    CommandInfo{"paste", "&Paste", "Insert Clipboard Content", "Ctrl+V", K::plain, 6, kUi},
    CommandInfo{"delete", "&Delete", "Delete current selection", "Del", K::plain, -1, kUi},
    CommandInfo{"select_all", "Select All", "Select all the text in the editor", "Ctrl+A", K::plain,
                -1, kUi},
    CommandInfo{"find", "&Find", "Find the specified text", "Ctrl+F", K::plain, 9, kUi},
    CommandInfo{"goto_line", "&Goto Line", "Goto Line by line number", "Ctrl+G", K::plain, -1, kUi},
    CommandInfo{"find_again", "&Find Again", "Find the specified text again", "F3", K::plain, 9,
                kUi},
    CommandInfo{"find_back", "&Find back", "Find the specified text again, backwards", "Shift+F3",
                K::plain, 9, kUi},
    CommandInfo{"replace", "&Replace", "Replace the specified text", "Ctrl+H", K::plain, -1, kUi},
    CommandInfo{"locate_in_tree", "&Locate in tree",
                "Find the tree element that covers the selection and select it.", "Ctrl+L",
                K::plain, 0, kUi},
    CommandInfo{"drill_up", "Drill &Up",
                "Go up in the tree while still centered on the same data in the browser.",
                "Alt+Up", K::plain, 1, "view"},
    CommandInfo{"drill_down", "Drill &Down",
                "Go down in the tree while still centered on the same data in the browser.",
                "Alt+Down", K::plain, 2, "view"},
    CommandInfo{"indent", "&Indent", "Indent the text according to indent options.", "Ctrl+I",
                K::plain, 3, "load"},
    CommandInfo{"toggle_bookmark", "&Toggle Bookmark", "Toggle bookmark", "Ctrl+F2", K::plain, 6,
                kUi},
    CommandInfo{"last_bookmark", "&Last Bookmark", "Goto last bookmark", "Shift+F2", K::plain, 4,
                "view"},
    CommandInfo{"next_bookmark", "&Next Bookmark", "Goto next bookmark", "F2", K::plain, 5, "view"},
    CommandInfo{"clear_all_bookmarks", "&Clear all Bookmarks", "Clear all the bookmarks",
                "Ctrl+Shift+F2", K::plain, 7, kUi},
    CommandInfo{"font", "&Font", "Select display font", "", K::plain, -1, "font"},
    CommandInfo{"indent_options", "&Indent Options", "Shows the Indent options dialog", "",
                K::plain, -1, kUi},
    CommandInfo{"reparse", "&Reparse", "Parse the text again (useful after grid editing)", "F7",
                K::plain, 20, "parse"},
    CommandInfo{"goto_path", "goto_path", "", "", K::plain, -1, "view"},
    CommandInfo{"rebuild_index", "rebuild_index", "", "F4", K::plain, -1, "parse"},
    CommandInfo{"apply_scroll_selection", "apply_scroll_selection", "", "", K::plain, -1, "view"},
    CommandInfo{"apply_language", "apply_language", "", "", K::plain, -1, kUi},
    CommandInfo{"in_place_edit", "&In place edit", "", "F6", K::plain, 6, kUi},
    CommandInfo{"edit_using_editor", "&Edit using editor", "", "", K::plain, 1, kUi},
    CommandInfo{"editor_select", "&Editor select", "", "Ctrl+E", K::plain, 5, kUi},
    CommandInfo{"copy_grid_to_clipboard", "Copy grid to clipboard", "", "", K::plain, -1, "view"},
    CommandInfo{"for_this_row", "For this row", "", "", K::plain, 2, kUi},
    CommandInfo{"for_this_row_add", "For this row add", "", "", K::plain, 3, kUi},
    CommandInfo{"for_visible_rows", "For visible rows", "", "F5", K::plain, 4, kUi},
    CommandInfo{"minimize_all", "Minimize all", "", "", K::plain, 8, kUi},
    CommandInfo{"restore_all", "Restore all", "", "", K::plain, 9, kUi},
    CommandInfo{"column_statistics", "Column &statistics",
                "Describe the current column of a table in the Stat pane", "Ctrl+Shift+D", K::plain, -1, kUi},
    CommandInfo{"filter_rows", "&Filter rows...",
                "Show only the rows of the current table that hold a text", "Ctrl+Shift+F", K::plain, -1, kUi},
    CommandInfo{"value_counts", "&Value counts",
                "List each value of the current column with how often it occurs", "Ctrl+Shift+K", K::plain, -1,
                kUi},
    CommandInfo{"unique_consolidation", "Unique Consolidation", "", "", K::plain, -1, kUi},
    CommandInfo{"scroll_wheel_changes_tree_selection", "Scroll wheel changes tree selection", "",
                "", K::toggle, -1, kUi},
    CommandInfo{"line_ending", "Line ending", "", "", K::toggle, -1, kUi},
    CommandInfo{"line_numbers", "&Line numbers", "Show or hide editor line numbers", "", K::toggle,
                -1, kUi},
    CommandInfo{"insert_tag", "Insert &Tag", "Insert XML Tag at the cursor", "Ctrl+T", K::plain, 10,
                kUi},
    CommandInfo{"insert_attribute", "Insert Att&ribute", "Insert XML Attribute at the cursor",
                "Ctrl+R", K::plain, 11, kUi},
    CommandInfo{"comment_out_selection", "Comment O&ut Selection",
                "Wrap the selected text in XML comment delimiters", "Ctrl+U", K::plain, 13, kUi},
    CommandInfo{"mark_selection_with_tag", "&Mark Selection With Tag",
                "Wrap the selected text with xml tag", "Ctrl+M", K::plain, 12, kUi},
    CommandInfo{"cancel", "cancel", "", "Esc", K::plain, -1, kUi},
    CommandInfo{"apply_tree_selection", "", "", "", K::plain, -1, "view", R::handler_only},
    CommandInfo{"apply_cur_location", "", "", "", K::plain, -1, "view", R::handler_only},
    CommandInfo{"stat", "Stat", "", "", K::toggle, -1, kUi, R::pane_toggle},
    CommandInfo{"table_selection_browser", "Table Selection Browser", "", "", K::toggle, -1, kUi,
                R::pane_toggle},
};

constexpr std::string_view kSeparator = "";

constexpr std::array<std::string_view, 10> kFileMenu{"new",
                                                     "new_dtd",
                                                     "new_json",
                                                     "new_text",
                                                     "open",
                                                     "save",
                                                     "save_as",
                                                     "save_as_with_encoding",
                                                     kRecentFilesSection,
                                                     "exit"};
constexpr std::array<std::string_view, 12> kEditMenu{
    "undo",   "redo",     kSeparator,   "cut",      "copy", "paste",
    "delete", kSeparator, "select_all", kSeparator, "find", "replace"};
constexpr std::array<std::string_view, 5> kViewMenu{"toolbar", "status_bar", "line_numbers",
                                                    "line_ending", kPanesSection};
// "language" is the choice group, shown as a submenu of its choices.
constexpr std::array<std::string_view, 10> kOptionsMenu{
    "font",       "indent_options", "unique_consolidation", "scroll_wheel_changes_tree_selection",
    "tabs",       kSeparator,       "parse_this_document_as", "language",
    "file_extensions", "character_encoding"};
constexpr std::array<std::string_view, 11> kNavigateMenu{
    "drill_up",      "drill_down",    "locate_in_tree",     "indent",
    kSeparator,      "reparse",       kSeparator,           "toggle_bookmark",
    "last_bookmark", "next_bookmark", "clear_all_bookmarks"};
constexpr std::array<std::string_view, 5> kHelpMenu{"online_documentation",
                                                    "whats_new_in_this_version",
                                                    "check_for_updates", kSeparator,
                                                    "about_tessel"};

constexpr std::array kMenuBar{
    MenuInfo{"&File", kFileMenu},         MenuInfo{"&Edit", kEditMenu},
    MenuInfo{"&View", kViewMenu},         MenuInfo{"&Options", kOptionsMenu},
    MenuInfo{"&Navigate", kNavigateMenu}, MenuInfo{"&Help", kHelpMenu},
};

constexpr std::array<std::string_view, 24> kToolbar{
    kSeparator,       "new",           "open",
    "save",           "cut",           "copy",
    "paste",          kSeparator,      "undo",
    "redo",           "find",          kSeparator,
    "locate_in_tree", "drill_up",      "drill_down",
    "indent",         kSeparator,      "toggle_bookmark",
    "last_bookmark",  "next_bookmark", "clear_all_bookmarks",
    kSeparator,       "reparse",       kSeparator};

// A path is shortened past this many characters (code points, not bytes, so a path in
// another script is not cut sooner than an ASCII one).
constexpr size_t kLongestRecentPath = 99;

size_t character_count(std::string_view text) {
    size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace

std::span<const CommandInfo> command_table() {
    return kCommands;
}

const CommandInfo* find_command_info(std::string_view name) {
    for (const CommandInfo& info : kCommands) {
        if (info.name == name) return &info;
    }
    return nullptr;
}

std::string_view command_worker(std::string_view name) {
    const CommandInfo* info = find_command_info(name);
    return info ? info->worker : std::string_view{};
}

void register_command_items(CommandRegistry& registry) {
    for (const CommandInfo& info : kCommands) {
        if (info.row == R::handler_only || info.row == R::choice_group) continue;
        size_t index = registry.register_item(info.caption, info.tooltip, info.picture,
                                              info.accelerator, info.kind);
        if (info.row == R::pane_toggle) registry.item(index).pane = true;
    }
    registry.register_item("Recent Files", "", -1, "", K::recent_files);
    registry.register_item("Panes", "", -1, "", K::panes);
}

std::span<const MenuInfo> menu_bar() {
    return kMenuBar;
}

std::span<const std::string_view> toolbar() {
    return kToolbar;
}

std::string recent_file_entry_text(size_t index, std::string_view path) {
    std::string_view shown = path;
    if (character_count(path) > kLongestRecentPath) {
        size_t slash = path.find_last_of("/\\");
        if (slash != std::string_view::npos) shown = path.substr(slash + 1);
    }
    const std::string number = std::to_string(index + 1);
    std::string text;
    if (index < 9) text = "&" + number;
    else if (index == 9) text = "1&0";
    else text = number;
    text += ' ';
    for (char c : shown) {
        if (c == '&') text.push_back('&');
        text.push_back(c);
    }
    return text;
}

}  // namespace tessel
