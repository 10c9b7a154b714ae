// Qt key events in the editor view's terms: the EditorKey, the modifier code and the typed
// text, so the view's widget hands a key press to its model without deciding anything.
#pragma once

#include <string>

#include "editor/editor_keys.h"

class QKeyEvent;

namespace tessel {

struct EditorKeyPress {
    EditorKey key = EditorKey::none;
    int modifier = kEditorNoModifier;
    std::string text;  // UTF-8; what the key typed, if anything
};

EditorKeyPress editor_key_of(const QKeyEvent& event);

}  // namespace tessel
