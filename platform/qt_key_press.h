// Key presses from Qt in the terms of the commands' accelerators, and which widgets take
// typed text.
#pragma once

#include "commands/accelerator.h"

class QKeyEvent;
class QWidget;

namespace tessel {

// The key code, modifier code and character of a key event; key kKeyNone for a key that no
// accelerator can name (a modifier alone, a key without text).
KeyPress key_press_of(const QKeyEvent& event);

// Whether the widget is a text box of Qt's own (a line edit, a combo box's edit, a spin box,
// a text edit that can be typed in).
bool is_text_input(const QWidget* widget);

}  // namespace tessel
