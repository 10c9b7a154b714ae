// Qt key codes and modifiers as the editor's keys and modifier codes.
#include "platform/qt_editor_key.h"

#include <QKeyEvent>

namespace tessel {

namespace {

EditorKey editor_key(int key) {
    switch (key) {
        case Qt::Key_Left: return EditorKey::left;
        case Qt::Key_Right: return EditorKey::right;
        case Qt::Key_Up: return EditorKey::up;
        case Qt::Key_Down: return EditorKey::down;
        case Qt::Key_Home: return EditorKey::home;
        case Qt::Key_End: return EditorKey::end;
        case Qt::Key_PageUp: return EditorKey::page_up;
        case Qt::Key_PageDown: return EditorKey::page_down;
        case Qt::Key_Backspace: return EditorKey::backspace;
        case Qt::Key_Delete: return EditorKey::del;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return EditorKey::tab;
        case Qt::Key_Return:
        case Qt::Key_Enter: return EditorKey::enter;
        case Qt::Key_Menu: return EditorKey::context_menu;
        default: return EditorKey::none;
    }
}

}  // namespace

EditorKeyPress editor_key_of(const QKeyEvent& event) {
    const Qt::KeyboardModifiers m = event.modifiers();
    EditorKeyPress press;
    press.key = editor_key(event.key());
    // Shift+Tab arrives as Backtab, which already says Shift.
    const bool shift = (m & Qt::ShiftModifier) || event.key() == Qt::Key_Backtab;
    press.modifier = editor_modifier_code(m & Qt::ControlModifier, shift, m & Qt::AltModifier);
    if (press.key == EditorKey::none) press.text = event.text().toStdString();
    return press;
}

}  // namespace tessel
