// EditorOptions: the editor's options as the user sets them, as one record: the "line_numbers"
// and "line_ending" toggles of the View menu and the fields of the "Tab Options" and "Text
// range highlighting style" dialogs. The application holds it; the toggles and the dialogs
// are bound to its fields, and the window hands it to the editor whenever it differs from
// what the editor shows.
#pragma once

#include <cstdint>

#include "editor/editor_view_model.h"

namespace tessel {

class SettingsStore;

struct EditorOptions {
    int32_t line_numbers = 1;  // toggle, kept under "Frame" with the other toggles
    int32_t line_ending = 0;   // toggle: CR and LF shown as boxes
    int32_t tab_size = 4;      // "Tab Options": "Tab Size", 1 to 64
    int32_t keep_tabs = 1;     // "Tab Options": 1 "Keep Tabs", 0 "Insert Spaces"
    int32_t line_style = 0;    // "Text range highlighting style": 0 "Solid line", 1 "Dotted line"

    bool operator==(const EditorOptions&) const = default;
};

// The dialogs' fields as their dialogs keep them (a value missing or out of range keeps the
// built-in one). The toggles are read and written with every other toggle, by the commands'
// table (EditorApp::load_toggles and save_toggles); a dialog writes its fields when confirmed.
void read_editor_dialog_fields(SettingsStore& store, EditorOptions& options);

// The record in the terms of the editor's view model.
EditorSettings editor_settings_of(const EditorOptions& options);

}  // namespace tessel
