// Command names from captions, and accelerator texts parsed into keys and matched.
#include <gtest/gtest.h>

#include "commands/accelerator.h"
#include "commands/command_name.h"

namespace tessel {
namespace {

TEST(CommandName, CaptionsBecomeNames) {
    EXPECT_EQ(command_name("&Character encoding..."), "character_encoding");
    EXPECT_EQ(command_name("&Parse this document as..."), "parse_this_document_as");
    EXPECT_EQ(command_name("&What's new in this version"), "whats_new_in_this_version");
    EXPECT_EQ(command_name("E&xit"), "exit");
    EXPECT_EQ(command_name("Re-Load Ä.x"), "reload_Äx");  // only ASCII capitals fold
    EXPECT_EQ(command_name("a  b"), "a__b");
    EXPECT_EQ(command_name(""), "");
    // A normal name is its own normal form, so lookups can normalise again.
    EXPECT_EQ(command_name("prompt_reload"), "prompt_reload");
}

TEST(Accelerator, ModifiersLastMatchingTestWins) {
    struct Case {
        const char* text;
        int32_t modifier;
        int32_t key;
    };
    for (Case c :
         {Case{"Alt+Up Key", kModifierAlt, kKeyUp},
          Case{"Ctrl+Shift+F2", kModifierCtrlShift, kKeyF1 + 1},
          Case{"Ctrl+Alt+Del", kModifierCtrlAlt, kKeyDelete},
          Case{"Alt+Shift+Page Down", kModifierAltShift, kKeyPageDown},
          Case{"Ctrl+Alt+Shift+Home", kModifierAltShift, kKeyHome},
          Case{"Shift+F3", kModifierShift, kKeyF1 + 2}, Case{"F10", kModifierNone, kKeyF1 + 9},
          Case{"F1", kModifierNone, kKeyF1}, Case{"Ctrl+F12", kModifierCtrl, kKeyF1 + 11},
          Case{"Esc", kModifierNone, kKeyEscape}, Case{"Alt+Down Key", kModifierAlt, kKeyDown},
          Case{"Shift+Tab", kModifierShift, kKeyTab},
          // The arrows as the menus show them; "Page Up" is no "Up".
          Case{"Alt+Up", kModifierAlt, kKeyUp}, Case{"Alt+Down", kModifierAlt, kKeyDown},
          Case{"Ctrl+Left", kModifierCtrl, kKeyLeft}, Case{"Shift+Right", kModifierShift, kKeyRight},
          Case{"Page Up", kModifierNone, kKeyPageUp}, Case{"Ctrl+Page Down", kModifierCtrl, kKeyPageDown}}) {
        KeyPress key = parse_accelerator(c.text);
        EXPECT_EQ(key.modifier, c.modifier) << c.text;
        EXPECT_EQ(key.key, c.key) << c.text;
    }
}

TEST(Accelerator, CharacterKeysAndNoKey) {
    KeyPress x = parse_accelerator("Ctrl+X");
    EXPECT_EQ(x.key, kKeyCharacter);
    EXPECT_EQ(x.modifier, kModifierCtrl);
    EXPECT_EQ(x.character, U'X');
    // "F" alone and "F13" are no function keys; the last character is taken.
    EXPECT_EQ(parse_accelerator("Ctrl+F").character, U'F');
    EXPECT_EQ(parse_accelerator("F13").key, kKeyCharacter);
    EXPECT_EQ(parse_accelerator("Alt+É").character, U'É');
    // A word holding an arrow's name is no arrow.
    EXPECT_EQ(parse_accelerator("Ctrl+Upper").key, kKeyCharacter);
    EXPECT_EQ(parse_accelerator("").key, kKeyNone);

    EXPECT_TRUE(accelerator_matches(x, {kKeyCharacter, kModifierCtrl, U'X'}));
    EXPECT_TRUE(accelerator_matches(x, {kKeyCharacter, kModifierCtrl, U'x'}));
    EXPECT_FALSE(accelerator_matches(x, {kKeyCharacter, kModifierCtrl, U'C'}));
    EXPECT_FALSE(accelerator_matches(x, {kKeyCharacter, kModifierCtrlShift, U'X'}));
    KeyPress f2 = parse_accelerator("F2");
    EXPECT_TRUE(accelerator_matches(f2, {kKeyF1 + 1, kModifierNone, U'q'}));
    EXPECT_FALSE(accelerator_matches(f2, {kKeyF1 + 1, kModifierShift, 0}));
    // An item without an accelerator never matches, not even a press of "no key".
    EXPECT_FALSE(accelerator_matches(parse_accelerator(""), KeyPress{}));
}

}  // namespace
}  // namespace tessel
