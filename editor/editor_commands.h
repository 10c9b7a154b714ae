// The text-side commands of the Edit menu without a window: whether "delete", "cut" and
// "paste" may run on the document and what "delete", "select_all", "cut", "copy" and "paste"
// do to it. The window registers them under their command names and supplies the focus, the
// busy refusal, the clipboard and the repaint; the text's future commands (find, goto line,
// bookmarks) join them here.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

class EditorViewModel;
class TextDocument;

// The selected text, or empty.
std::string selected_text(const TextDocument& document);
// Whether "delete" has something to remove: a selection or a character after the caret.
bool can_delete(const TextDocument& document);
// Removes the selection, or the character after the caret (a whole character, as the Delete
// key does).
void delete_selection_or_next(EditorViewModel& view);
// Selects the whole text (the caller repaints: the view is not told).
void select_all(TextDocument& document);
// Replaces the selection by text, as an undo step of its own (not merged into typing); false
// for an empty text.
bool paste(EditorViewModel& view, std::string_view text);
// The selected text, removed from the document; empty (nothing removed) without a selection.
std::string cut(EditorViewModel& view);

}  // namespace tessel
