// Accelerator texts ("Ctrl+Shift+F2", "Alt+Up", "Ctrl+X") and the key presses they
// match. The text shown in the menu is the one parsed, so the two cannot disagree.
#pragma once

#include <string_view>

#include "seams/key_press.h"

namespace tessel {

// The modifiers and keys are found by substring tests; among the tests that match, the last
// in the fixed order wins ("Ctrl+Shift+" after "Ctrl+" and "Shift+"). Function keys are
// matched as whole names, so "F10" is not taken for "F1", and so are the arrows ("Alt+Up",
// as menus show it; the older "Alt+Up Key" too). Any other text is a character key whose
// character is the text's last character. An empty text is no key and matches nothing.
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
