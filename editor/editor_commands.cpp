// The Edit menu's text commands.
#include "editor/editor_commands.h"

#include <algorithm>

#include "editor/editor_view_model.h"
#include "text/text_document.h"

namespace tessel {

std::string selected_text(const TextDocument& document) {
    const TextPos a = document.selection_anchor();
    const TextPos c = document.caret();
    const TextPos first = std::min(a, c);
    return document.store().substr(first, std::max(a, c) - first);
}

bool can_delete(const TextDocument& document) {
    return document.has_selection() || document.caret() < document.length();
}

void delete_selection_or_next(EditorViewModel& view) {
    view.key_press({kKeyDelete, kModifierNone}, {});
}

void select_all(TextDocument& document) { document.set_selection(0, document.length()); }

bool paste(EditorViewModel& view, std::string_view text) {
    if (text.empty()) return false;
    view.document().replace_selection(text);
    view.text_changed(true);
    return true;
}

std::string cut(EditorViewModel& view) {
    std::string text = selected_text(view.document());
    if (!text.empty()) delete_selection_or_next(view);
    return text;
}

}  // namespace tessel
