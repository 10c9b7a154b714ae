// Accelerator texts ("Ctrl+Shift+F2", "Alt+Up Key", "Ctrl+X") and the key presses they
// match. The text shown in the menu is the one parsed, so the two cannot disagree.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

// Modifier codes.
inline constexpr int32_t kModifierNone = 0;
inline constexpr int32_t kModifierAlt = 1;
inline constexpr int32_t kModifierShift = 2;
inline constexpr int32_t kModifierCtrl = 3;
inline constexpr int32_t kModifierCtrlShift = 4;
inline constexpr int32_t kModifierCtrlAlt = 5;
inline constexpr int32_t kModifierAltShift = 6;

// Key codes: 0 is no key, 1 to 13 the named keys, 15 a character key, 16 to 27 F1 to F12.
inline constexpr int32_t kKeyNone = 0;
inline constexpr int32_t kKeyLeft = 1;
inline constexpr int32_t kKeyRight = 2;
inline constexpr int32_t kKeyUp = 3;
inline constexpr int32_t kKeyDown = 4;
inline constexpr int32_t kKeyBackspace = 5;
inline constexpr int32_t kKeyTab = 6;
inline constexpr int32_t kKeyEnter = 7;
inline constexpr int32_t kKeyDelete = 8;
inline constexpr int32_t kKeyEscape = 9;
inline constexpr int32_t kKeyEnd = 10;
inline constexpr int32_t kKeyHome = 11;
inline constexpr int32_t kKeyPageUp = 12;
inline constexpr int32_t kKeyPageDown = 13;
inline constexpr int32_t kKeyCharacter = 15;
inline constexpr int32_t kKeyF1 = 16;

// A key press as the window reports it, and an item's accelerator key. The character counts
// only for character keys.
struct KeyPress {
    int32_t key = kKeyNone;
    int32_t modifier = kModifierNone;
    char32_t character = 0;
};

// The modifiers and keys are found by substring tests; among the tests that match, the last
// in the fixed order wins ("Ctrl+Shift+" after "Ctrl+" and "Shift+"). Function keys are
// matched as whole names, so "F10" is not taken for "F1". Any other text is a character key
// whose character is the text's last character. An empty text is no key and matches nothing.
KeyPress parse_accelerator(std::string_view text);

// Whether a press is the accelerator: same key and modifier, and for character keys the same
// character, ASCII letters in either case.
bool accelerator_matches(const KeyPress& accelerator, const KeyPress& press);

// Whether a text box that has the focus (a dialog's field, the toolbar's path box) keeps a
// key press instead of the commands: typing, its own editing and moving keys (Delete,
// Backspace, arrows, Home, End, Enter, Tab) and the clipboard and undo keys (Ctrl with A, C,
// V, X, Y or Z). Function keys, Esc and the other Ctrl keys still reach the commands.
bool text_input_keeps_key(const KeyPress& press);

}  // namespace tessel
