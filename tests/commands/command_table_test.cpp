// The command table against the registry: names, accelerators, menus, toolbar, and the
// recent-file entry texts.
#include <gtest/gtest.h>

#include <set>

#include "commands/accelerator.h"
#include "commands/command_name.h"
#include "commands/command_registry.h"
#include "commands/command_table.h"
#include "window/pane_layout.h"

namespace tessel {
namespace {

// The View menu's pane toggles and the window's pane table name each other: each toggle shows
// and hides the pane its caption names, and each pane with a toggle has one in the menu.
TEST(CommandTable, PaneTogglesAndTheWindowsPanesNameEachOther) {
    CommandRegistry registry(nullptr, [] { return 0.0; });
    register_command_items(registry);
    int toggles = 0;
    for (const CommandItem& item : registry.items()) {
        if (!item.pane) continue;
        ++toggles;
        const PaneSpec* pane = pane_of_toggle(item.name);
        ASSERT_NE(pane, nullptr) << item.name;
        EXPECT_EQ(pane->name, item.caption);
        EXPECT_TRUE(pane->closable) << item.name;
    }
    int with_toggle = 0;
    for (const PaneSpec& spec : kMainWindowPanes) with_toggle += !spec.toggle.empty();
    EXPECT_EQ(toggles, with_toggle);
    EXPECT_EQ(pane_of_toggle("toolbar"), nullptr);
    EXPECT_EQ(pane_of_toggle(""), nullptr);
}

TEST(CommandTable, ItemsAreNamedAfterTheirCaptionsAndKeysAreUnique) {
    CommandRegistry registry(nullptr, [] { return 0.0; });
    register_command_items(registry);
    std::set<std::string> item_names;
    for (const CommandItem& item : registry.items()) item_names.insert(item.name);

    for (const CommandInfo& info : command_table()) {
        if (info.row == CommandRow::handler_only) continue;
        EXPECT_EQ(command_name(info.caption), info.name) << info.caption;
        if (info.row != CommandRow::choice_group) {
            EXPECT_TRUE(item_names.count(std::string(info.name)));
        }
    }

    // Each accelerator is a key, finds its own item first, and belongs to no other item.
    int with_keys = 0;
    const auto& items = registry.items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].accelerator_text.empty()) {
            EXPECT_EQ(items[i].accelerator.key, kKeyNone) << items[i].name;
            continue;
        }
        ++with_keys;
        KeyPress press = items[i].accelerator;
        EXPECT_NE(press.key, kKeyNone) << items[i].name;
        for (size_t j = 0; j < items.size(); ++j) {
            EXPECT_EQ(accelerator_matches(items[j].accelerator, press), i == j)
                << items[i].accelerator_text << " " << items[j].name;
        }
    }
    EXPECT_EQ(with_keys, 37);

    EXPECT_EQ(command_worker("reparse"), "parse");
    EXPECT_EQ(command_worker("drill_up"), "view");
    EXPECT_EQ(command_worker("copy"), "");
}

TEST(CommandTable, EveryMenuAndToolbarNameHasAnItem) {
    CommandRegistry registry(nullptr, [] { return 0.0; });
    register_command_items(registry);
    auto has_item = [&](std::string_view name) {
        for (const CommandItem& item : registry.items()) {
            if (item.name == name) return true;
        }
        return false;
    };
    ASSERT_EQ(menu_bar().size(), 6u);
    size_t separators = 0;
    for (const MenuInfo& menu : menu_bar()) {
        for (std::string_view name : menu.entries) {
            if (name.empty()) {
                ++separators;
                continue;
            }
            // A choice group's items come with its choices, which the application registers.
            const CommandInfo* info = find_command_info(name);
            const bool choices = info && info->row == CommandRow::choice_group;
            EXPECT_TRUE(has_item(name) || choices) << menu.caption << " " << name;
        }
    }
    EXPECT_EQ(separators, 7u);
    ASSERT_GT(menu_bar()[0].entries.size(), 8u);
    ASSERT_FALSE(menu_bar()[2].entries.empty());
    EXPECT_EQ(menu_bar()[0].entries[8], kRecentFilesSection);
    EXPECT_EQ(menu_bar()[2].entries.back(), kPanesSection);
    size_t buttons = 0;
    for (std::string_view name : toolbar()) {
        if (name.empty()) continue;
        ++buttons;
        EXPECT_TRUE(has_item(name)) << name;
    }
    EXPECT_EQ(buttons, 18u);
    EXPECT_TRUE(toolbar().front().empty());
    EXPECT_TRUE(toolbar().back().empty());
    EXPECT_TRUE(has_item(kToolbarComboCommand));

    // The pane section lists the pane toggles in registration order.
    std::vector<std::string> panes;
    for (const CommandItem& item : registry.items()) {
        if (item.pane) panes.push_back(item.name);
    }
    EXPECT_EQ(panes, (std::vector<std::string>{"stat", "table_selection_browser"}));
}

TEST(CommandTable, RecentFileEntryTexts) {
    EXPECT_EQ(recent_file_entry_text(0, "/home/me/a.xml"), "&1 /home/me/a.xml");
    EXPECT_EQ(recent_file_entry_text(3, "/data/R&D.xml"), "&4 /data/R&&D.xml");
    std::string dir = "/" + std::string(90, 'd') + "/";
    std::string at_limit = dir + std::string(99 - dir.size(), 'f');
    EXPECT_EQ(recent_file_entry_text(1, at_limit), "&2 " + at_limit);
    EXPECT_EQ(recent_file_entry_text(1, at_limit + "g"),
              "&2 " + std::string(99 - dir.size(), 'f') + "g");
    EXPECT_EQ(recent_file_entry_text(2, "C:\\" + std::string(100, 'x') + "\\b.xml"), "&3 b.xml");
    // Characters, not bytes, are counted: 98 two-byte letters stay whole.
    std::string greek = "/";
    for (int i = 0; i < 98; ++i) greek += "λ";
    EXPECT_EQ(recent_file_entry_text(4, greek), "&5 " + greek);
    // A long name without a folder is shown whole.
    std::string bare(120, 'n');
    EXPECT_EQ(recent_file_entry_text(5, bare), "&6 " + bare);
}

// The entries are numbered from 1 as shown, and no two share a mnemonic (the character after
// a single "&"), however long the list grows during a run.
TEST(CommandTable, RecentFileEntriesNumberFromOneWithUniqueMnemonics) {
    std::set<char> mnemonics;
    for (size_t i = 0; i < 14; ++i) {
        const std::string text = recent_file_entry_text(i, "/a&b/c.xml");
        // What the menu shows: "&&" is one "&", "&x" is x underlined.
        std::string shown;
        int marks = 0;
        for (size_t k = 0; k < text.size(); ++k) {
            if (text[k] == '&' && k + 1 < text.size()) {
                const char next = text[++k];
                if (next != '&') {
                    ++marks;
                    EXPECT_TRUE(mnemonics.insert(next).second) << text;
                }
                shown.push_back(next);
                continue;
            }
            shown.push_back(text[k]);
        }
        EXPECT_EQ(shown, std::to_string(i + 1) + " /a&b/c.xml");
        EXPECT_EQ(marks, i < 10 ? 1 : 0) << text;
    }
    EXPECT_EQ(recent_file_entry_text(9, "/x.xml"), "1&0 /x.xml");
}

// Save As has its own key, told apart from Save's by Shift.
TEST(CommandTable, SaveAsHasCtrlShiftS) {
    const KeyPress save_as = parse_accelerator(find_command_info("save_as")->accelerator);
    EXPECT_EQ(save_as.modifier, kModifierCtrlShift);
    EXPECT_EQ(save_as.character, 'S');
    EXPECT_FALSE(accelerator_matches(parse_accelerator(find_command_info("save")->accelerator),
                                     save_as));
}

}  // namespace
}  // namespace tessel
