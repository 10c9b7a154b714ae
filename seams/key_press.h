// Key presses as the core sees them: one vocabulary of key codes and modifier codes for the
// editor's keys and the commands' accelerators alike. The platform turns its key events into
// a KeyPress (platform/qt_key_press.h); nothing in the core knows the platform's key codes.
#pragma once

#include <cstdint>

namespace tessel {

// Modifier codes. No accelerator names all three modifiers, so kModifierCtrlAltShift matches
// none; the editor takes every code with Alt as Alt.
inline constexpr int32_t kModifierNone = 0;
inline constexpr int32_t kModifierAlt = 1;
inline constexpr int32_t kModifierShift = 2;
inline constexpr int32_t kModifierCtrl = 3;
inline constexpr int32_t kModifierCtrlShift = 4;
inline constexpr int32_t kModifierCtrlAlt = 5;
inline constexpr int32_t kModifierAltShift = 6;
inline constexpr int32_t kModifierCtrlAltShift = 7;

// Key codes: 0 is no key, 1 to 14 the named keys, 15 a character key, 16 to 27 F1 to F12.
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
inline constexpr int32_t kKeyContextMenu = 14;  // the keyboard's menu key; no accelerator names it
inline constexpr int32_t kKeyCharacter = 15;
inline constexpr int32_t kKeyF1 = 16;

// A key press as the window reports it, and an item's accelerator key. The character counts
// only for character keys.
struct KeyPress {
    int32_t key = kKeyNone;
    int32_t modifier = kModifierNone;
    char32_t character = 0;
};

// The modifier code of the modifiers held.
constexpr int32_t modifier_code(bool ctrl, bool shift, bool alt) {
    if (ctrl && alt) return shift ? kModifierCtrlAltShift : kModifierCtrlAlt;
    if (ctrl) return shift ? kModifierCtrlShift : kModifierCtrl;
    if (alt) return shift ? kModifierAltShift : kModifierAlt;
    return shift ? kModifierShift : kModifierNone;
}
constexpr bool has_alt(int32_t modifier) {
    return modifier == kModifierAlt || modifier == kModifierCtrlAlt ||
           modifier == kModifierAltShift || modifier == kModifierCtrlAltShift;
}
constexpr bool has_ctrl(int32_t modifier) {
    return modifier == kModifierCtrl || modifier == kModifierCtrlShift ||
           modifier == kModifierCtrlAlt || modifier == kModifierCtrlAltShift;
}

}  // namespace tessel
