// The editor's two option dialogs, made with the dialog builder: "Tab Options" (tab size and
// whether Tab keeps a tab or inserts blanks) and "Text range highlighting style" (the border
// drawn around highlighted ranges, solid or dotted). Both bind the editor's variables.
#pragma once

#include <cstdint>

namespace tessel {

class BuiltDialog;
class DialogBuilder;

// The variables the editor reads when it lays out and paints text.
struct ViewOptions {
    int32_t tab_size = 4;
    int32_t keep_tabs = 1;   // 1 "Keep Tabs", 0 "Insert Spaces"
    int32_t line_style = 0;  // 0 "Solid line", 1 "Dotted line"
};

// On the UI thread; built the first time (their fields then read from the settings), the same
// dialog afterwards.
BuiltDialog* tab_options_dialog(DialogBuilder& builder, ViewOptions& options);
BuiltDialog* highlighting_style_dialog(DialogBuilder& builder, ViewOptions& options);

}  // namespace tessel
