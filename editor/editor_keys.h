// The keys the editor view handles and the modifier codes they come with. A key reaches the
// view as one EditorKey, one modifier code and, for typing, the text it produced.
#pragma once

#include <cstdint>

namespace tessel {

enum class EditorKey : uint8_t {
    none,  // a key without an editing meaning here; its text, if any, is typed
    left,
    right,
    up,
    down,
    home,
    end,
    page_up,
    page_down,
    backspace,
    del,
    tab,
    enter,
    context_menu,
};

// Modifier codes, in this order of precedence: Alt wins over everything, then Ctrl with or
// without Shift, then Shift.
inline constexpr int kEditorNoModifier = 0;
inline constexpr int kEditorAlt = 1;
inline constexpr int kEditorShift = 2;
inline constexpr int kEditorCtrl = 3;
inline constexpr int kEditorCtrlShift = 4;

inline int editor_modifier_code(bool ctrl, bool shift, bool alt) {
    if (alt) return kEditorAlt;
    if (ctrl) return shift ? kEditorCtrlShift : kEditorCtrl;
    return shift ? kEditorShift : kEditorNoModifier;
}

// After a caret move, Shift (alone or with Ctrl) moves only the selection's caret end, so the
// selection grows from its anchor; every other code collapses the selection at the caret.
inline bool extends_selection(int modifier) {
    return modifier == kEditorShift || modifier == kEditorCtrlShift;
}
inline bool has_ctrl(int modifier) {
    return modifier == kEditorCtrl || modifier == kEditorCtrlShift;
}

}  // namespace tessel
