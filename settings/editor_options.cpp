// The editor's options: reading the dialogs' fields, and the view model's settings.
#include "settings/editor_options.h"

#include <vector>

#include "settings/dialog_binding.h"

namespace tessel {

void read_editor_dialog_fields(SettingsStore& store, EditorOptions& options) {
    std::vector<int32_t> tabs = initial_values(kTabOptions);
    read_bound_fields(store, kTabOptions, tabs);
    options.tab_size = tabs[0];
    options.keep_tabs = tabs[1];
    std::vector<int32_t> style = initial_values(kTextHighlightingOptions);
    read_bound_fields(store, kTextHighlightingOptions, style);
    options.line_style = style[0];
}

EditorSettings editor_settings_of(const EditorOptions& options) {
    EditorSettings settings;
    settings.line_numbers = options.line_numbers != 0;
    settings.line_ending = options.line_ending != 0;
    settings.tab_size = options.tab_size;
    settings.keep_tabs = options.keep_tabs != 0;
    settings.highlight_style = options.line_style != 0 ? FrameStyle::dotted : FrameStyle::solid;
    return settings;
}

}  // namespace tessel
