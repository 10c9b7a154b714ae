// The command table: every command of the editor with its caption, tooltip, accelerator,
// picture and the worker it runs on; the menu bar and the toolbar as lists of command names;
// and the texts of the recent-file menu entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "commands/command_registry.h"

namespace tessel {

// How a row of the table becomes an item.
enum class CommandRow {
    item,          // an item of its kind
    pane_toggle,   // a toggle checked after its pane's visibility
    choice_group,  // the group's entries are registered by whoever knows the choices
    handler_only,  // no item: executed by name only
};

struct CommandInfo {
    std::string_view name;
    std::string_view caption;
    std::string_view tooltip;
    std::string_view accelerator;
    CommandKind kind;
    int32_t picture;
    std::string_view worker;  // empty: the user-interface thread
    CommandRow row = CommandRow::item;
};

// Every command, in registration order.
std::span<const CommandInfo> command_table();
// The row of a name, or null.
const CommandInfo* find_command_info(std::string_view name);
// The worker a command's handler is registered with; empty for the user-interface thread.
std::string_view command_worker(std::string_view name);

// Registers the items of every row that has one, with the registry's current scope, and the
// two dynamic menu sections.
void register_command_items(CommandRegistry& registry);

// The names of the dynamic sections' items.
inline constexpr std::string_view kRecentFilesSection = "recent_files";
inline constexpr std::string_view kPanesSection = "panes";

// In menus and on the toolbar an empty name is a separator.
struct MenuInfo {
    std::string_view caption;
    std::span<const std::string_view> entries;
};
std::span<const MenuInfo> menu_bar();
std::span<const std::string_view> toolbar();
// After the toolbar's last button: a combo box for this command, its history kept under
// this settings name.
inline constexpr std::string_view kToolbarComboCommand = "goto_path";
inline constexpr std::string_view kToolbarComboHistory = "toolbar";

// The menu text of the recent file at index (0 for the newest): its number from 1, a blank
// and the path, or only its file name (after the last "/" or "\") when the path is longer
// than 99 characters. Numbers 1 to 9 are their own mnemonic ("&1 /home/me/a.xml"), 10 has
// "0" ("1&0 ..."), later ones none, so no two entries share one. An "&" in the path is
// doubled so the menu shows it instead of taking it for a mnemonic.
std::string recent_file_entry_text(size_t index, std::string_view path);

}  // namespace tessel
