// The encoding dialogs.
#include "gui/encoding_dialogs.h"

#include "encoding/encoding.h"
#include "gui/built_dialog.h"
#include "gui/dialog_builder.h"

namespace tessel {

BuiltDialog* character_encoding_dialog(DialogBuilder& builder, int32_t* choice,
                                       std::function<bool()> has_file) {
    if (BuiltDialog* existing = builder.begin_dialog("Character Encoding", 140, 56))
        return existing;
    builder.add_label("Encoding", 7, 7);
    // Not kept: the list always opens on the document's own encoding.
    builder.add_drop_down({}, choice, encoding_display_names(), {7, 19, 126, 13});
    builder.add_button("Reload", [] { return true; }, {7, 37, 50, 14}, true);
    builder.enable_when(std::move(has_file));
    builder.add_cancel({62, 37, 50, 14});
    return builder.end_dialog();
}

BuiltDialog* save_with_encoding_dialog(DialogBuilder& builder, int32_t* choice) {
    if (BuiltDialog* existing = builder.begin_dialog("Save With Encoding", 140, 56))
        return existing;
    builder.add_label("Encoding", 7, 7);
    builder.add_drop_down({}, choice, encoding_display_names(), {7, 19, 126, 13});
    builder.add_ok({}, {7, 37, 50, 14});
    builder.add_cancel({62, 37, 50, 14});
    return builder.end_dialog();
}

}  // namespace tessel
