// Qt key events as the core's key presses.
#include "platform/qt_key_press.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tessel {
namespace {

int32_t key_code(int key) {
    switch (key) {
        case Qt::Key_Left: return kKeyLeft;
        case Qt::Key_Right: return kKeyRight;
        case Qt::Key_Up: return kKeyUp;
        case Qt::Key_Down: return kKeyDown;
        case Qt::Key_Backspace: return kKeyBackspace;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return kKeyTab;
        case Qt::Key_Return:
        case Qt::Key_Enter: return kKeyEnter;
        case Qt::Key_Delete: return kKeyDelete;
        case Qt::Key_Escape: return kKeyEscape;
        case Qt::Key_End: return kKeyEnd;
        case Qt::Key_Home: return kKeyHome;
        case Qt::Key_PageUp: return kKeyPageUp;
        case Qt::Key_PageDown: return kKeyPageDown;
        case Qt::Key_Menu: return kKeyContextMenu;
        default: break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return kKeyF1 + (key - Qt::Key_F1);
    return kKeyNone;
}

}  // namespace

int32_t modifier_of(Qt::KeyboardModifiers modifiers) {
    return modifier_code(modifiers & Qt::ControlModifier, modifiers & Qt::ShiftModifier,
                         modifiers & Qt::AltModifier);
}

KeyPress key_press_of(const QKeyEvent& event) {
    KeyPress press;
    const Qt::KeyboardModifiers m = event.modifiers();
    const int key = event.key();
    press.modifier = modifier_code(m & Qt::ControlModifier,
                                   (m & Qt::ShiftModifier) || key == Qt::Key_Backtab,
                                   m & Qt::AltModifier);
    press.key = key_code(key);
    if (press.key != kKeyNone) return press;
    // With Ctrl held the event's text is a control character: the key names the character.
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        press.key = kKeyCharacter;
        press.character = static_cast<char32_t>(key);
        return press;
    }
    const QString text = event.text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        press.key = kKeyCharacter;
        press.character = text.toUcs4().value(0);
        return press;
    }
    return {};
}

bool is_text_input(const QWidget* widget) {
    if (!widget) return false;
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget))
        return true;
    // An editable combo box has the focus itself and hands the keys to its line edit, so the
    // keys arrive at the box, not at the edit.
    if (auto* box = qobject_cast<const QComboBox*>(widget)) return box->isEditable();
    // A read-only text (the "Stat" pane) still moves, selects and copies with the keys of a
    // text box; typing into it does nothing rather than reaching the document.
    return qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTextEdit*>(widget);
}

}  // namespace tessel
