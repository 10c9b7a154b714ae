// The "Character Encoding" and "Save With Encoding" dialogs: the list of encodings with the
// document's selected. Reload is offered only for a document read from a file.
#pragma once

#include <cstdint>
#include <functional>

namespace tessel {

class BuiltDialog;
class DialogBuilder;

// On the UI thread; built the first time, the same dialog afterwards. choice is the list's
// selection (an encoding id); has_file decides whether Reload is enabled.
BuiltDialog* character_encoding_dialog(DialogBuilder& builder, int32_t* choice,
                                       std::function<bool()> has_file);
BuiltDialog* save_with_encoding_dialog(DialogBuilder& builder, int32_t* choice);

}  // namespace tessel
