// Opening an in-place edit on a cell: whether the cell may be edited now, what the editor
// starts with, or which message to show instead; and the query a commit writes with, which
// is the part of the node the cell shows (its value or its name), so that the cell shown is
// the cell edited.
#pragma once

#include <string>

#include "foundation/arena.h"
#include "parse/node.h"

namespace tessel {

inline constexpr char kReadOnlyTitle[] = "This cell is read only";
inline constexpr char kCannotSetValueTitle[] = "Cannot set value";
inline constexpr char kEmptyCellMessage[] = "Empty cells are not editable";
inline constexpr char kTagNameMessage[] = "Tag names are not editable in this location";
inline constexpr char kParsingMessage[] = "Parsing is in progress";
inline constexpr char kCellGoneMessage[] =
    "The document was parsed again and this cell is no longer shown; nothing was written";
inline constexpr char kSyntaxErrorMessage[] =
    "You cannot edit this cell because the document has syntax  errors.\n"
    "Fix the errors using the text pane above and try again.";

struct EditDecision {
    enum class Action { open_editor, show_message, nothing };
    Action action = Action::nothing;
    std::string text;               // the cell's text, for the editor
    const char* message = nullptr;  // shown under kReadOnlyTitle
    int write_query = -1;           // the query a commit writes with
};

// node: the cell's node (null for an empty cell); shown_query: the query its text comes
// from; edit_check: why nothing may be edited now (kParsingMessage, kSyntaxErrorMessage), or
// null.
EditDecision decide_in_place_edit(Node* node, int shown_query, const char* edit_check, Arena& scratch);

}  // namespace tessel
