// Qt's key events in the core's one key vocabulary (seams/key_press.h), for the editor and
// the commands' accelerators alike, and which widgets take typed text.
#pragma once

#include <QtCore/qnamespace.h>

#include "seams/key_press.h"

class QKeyEvent;
class QWidget;

namespace tessel {

// The key code, modifier code and character of a key event; key kKeyNone for a key that has
// no code and typed nothing (a modifier alone). Shift+Tab arrives as Backtab: a Tab with Shift.
KeyPress key_press_of(const QKeyEvent& event);
// The modifier code of Qt's modifiers (for mouse events).
int32_t modifier_of(Qt::KeyboardModifiers modifiers);

// Whether the widget is a text box of Qt's own (a line edit, an editable combo box, a spin
// box, a text edit, read-only or not).
bool is_text_input(const QWidget* widget);

}  // namespace tessel
