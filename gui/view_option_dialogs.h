// The editor's two option dialogs, made with the dialog builder: "Tab Options" (tab size and
// whether Tab keeps a tab or inserts blanks) and "Text range highlighting style" (the border
// drawn around highlighted ranges, solid or dotted). Both bind fields of the editor's options.
#pragma once

#include <cstdint>

namespace tessel {

class BuiltDialog;
class DialogBuilder;
struct EditorOptions;

// On the UI thread; built the first time (their fields then read from the settings), the same
// dialog afterwards.
BuiltDialog* tab_options_dialog(DialogBuilder& builder, EditorOptions& options);
BuiltDialog* highlighting_style_dialog(DialogBuilder& builder, EditorOptions& options);
// "Unique Consolidation Options": the threshold, 1 to 9, with "Restore Default" (2).
BuiltDialog* unique_consolidation_dialog(DialogBuilder& builder, int32_t* threshold);

}  // namespace tessel
