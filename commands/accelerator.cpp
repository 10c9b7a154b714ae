// Parsing accelerator texts and matching key presses against them.
#include "commands/accelerator.h"

#include <array>
#include <string>

namespace tessel {

namespace {

struct NamedCode {
    std::string_view name;
    int32_t code;
};

// Tested in this order; a later match overrides an earlier one, which is how the combined
// modifiers win over their parts.
constexpr std::array<NamedCode, 6> kModifiers{{
    {"Ctrl+", kModifierCtrl},
    {"Shift+", kModifierShift},
    {"Alt+", kModifierAlt},
    {"Ctrl+Alt+", kModifierCtrlAlt},
    {"Alt+Shift", kModifierAltShift},
    {"Ctrl+Shift+", kModifierCtrlShift},
}};

constexpr std::array<NamedCode, 13> kKeys{{
    {"Left Key", kKeyLeft},
    {"Right Key", kKeyRight},
    {"Up Key", kKeyUp},
    {"Down Key", kKeyDown},
    {"Backspace", kKeyBackspace},
    {"Tab", kKeyTab},
    {"Enter", kKeyEnter},
    {"Del", kKeyDelete},
    {"Esc", kKeyEscape},
    {"End", kKeyEnd},
    {"Home", kKeyHome},
    {"Page Up", kKeyPageUp},
    {"Page Down", kKeyPageDown},
}};

// Whole words only: "Up" inside "Page Up" or "Ctrl+Upper" is no arrow.
constexpr std::array<NamedCode, 4> kArrows{{
    {"Left", kKeyLeft},
    {"Right", kKeyRight},
    {"Up", kKeyUp},
    {"Down", kKeyDown},
}};

bool is_alnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "F1" inside "F10" or "Ctrl+F12" is no F1: the name must stand between non-alphanumerics.
bool contains_whole(std::string_view text, std::string_view name) {
    for (size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1)) {
        bool starts = at == 0 || !is_alnum(text[at - 1]);
        size_t end = at + name.size();
        bool ends = end == text.size() || !is_alnum(text[end]);
        if (starts && ends) return true;
    }
    return false;
}

// The last UTF-8 character of a non-empty text; a broken sequence yields its last byte.
char32_t last_character(std::string_view text) {
    size_t start = text.size() - 1;
    while (start > 0 && text.size() - start < 4 &&
           (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
        --start;
    }
    auto lead = static_cast<unsigned char>(text[start]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length != text.size() - start) return static_cast<unsigned char>(text.back());
    if (length == 1) return lead;
    char32_t c = lead & (0x7F >> length);
    for (size_t i = start + 1; i < text.size(); ++i) {
        c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
    }
    return c;
}

char32_t fold_ascii(char32_t c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

}  // namespace

KeyPress parse_accelerator(std::string_view text) {
    KeyPress key;
    if (text.empty()) return key;
    for (const NamedCode& m : kModifiers) {
        if (text.find(m.name) != std::string_view::npos) key.modifier = m.code;
    }
    // The arrows as menus show them ("Alt+Up"); before the other names, so "Page Up" still
    // wins over its "Up".
    for (const NamedCode& k : kArrows) {
        if (contains_whole(text, k.name)) key.key = k.code;
    }
    for (const NamedCode& k : kKeys) {
        if (text.find(k.name) != std::string_view::npos) key.key = k.code;
    }
    for (int32_t f = 1; f <= 12; ++f) {
        std::string name = "F" + std::to_string(f);
        if (contains_whole(text, name)) key.key = kKeyF1 + f - 1;
    }
    if (key.key == kKeyNone) {
        key.key = kKeyCharacter;
        key.character = last_character(text);
    }
    return key;
}

bool accelerator_matches(const KeyPress& accelerator, const KeyPress& press) {
    if (accelerator.key == kKeyNone || accelerator.key != press.key) return false;
    if (accelerator.modifier != press.modifier) return false;
    if (accelerator.key != kKeyCharacter) return true;
    return fold_ascii(accelerator.character) == fold_ascii(press.character);
}

bool text_input_keeps_key(const KeyPress& press) {
    switch (press.key) {
        case kKeyCharacter: {
            if (press.modifier == kModifierNone || press.modifier == kModifierShift) return true;
            if (press.modifier != kModifierCtrl && press.modifier != kModifierCtrlShift)
                return false;
            const char32_t c = press.character >= 'a' && press.character <= 'z'
                                   ? press.character - 'a' + 'A'
                                   : press.character;
            return c == 'A' || c == 'C' || c == 'V' || c == 'X' || c == 'Y' || c == 'Z';
        }
        case kKeyLeft:
        case kKeyRight:
        case kKeyUp:
        case kKeyDown:
        case kKeyBackspace:
        case kKeyTab:
        case kKeyEnter:
        case kKeyDelete:
        case kKeyEnd:
        case kKeyHome:
            return press.modifier != kModifierAlt && press.modifier != kModifierAltShift &&
                   press.modifier != kModifierCtrlAltShift;
        default:
            return false;
    }
}

}  // namespace tessel
