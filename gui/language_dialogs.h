// The "Select Language" dialog (the type to parse the document as, and whether files of its
// extension follow) and the "File Extensions" dialog (the further extensions of each type).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessel {

class BuiltDialog;
class DialogBuilder;

struct LanguageFields {
    int32_t type = 0;            // index into the types, in registration order
    int32_t same_extension = 0;  // "Do the same for all files of same extension"
    // One text per extension group ("xsd, xsl"); sized once, before the dialog is built.
    std::vector<std::string> extensions;
};

// On the UI thread; built the first time, the same dialog afterwards. changed runs when
// another type is picked; same_enabled decides whether the check box may be changed.
BuiltDialog* select_language_dialog(DialogBuilder& builder, LanguageFields& fields,
                                    std::vector<std::string> type_names,
                                    std::function<void()> changed,
                                    std::function<bool()> same_enabled);
// group_names: one caption per extension group, as many as fields.extensions holds.
BuiltDialog* file_extensions_dialog(DialogBuilder& builder, LanguageFields& fields,
                                    const std::vector<std::string>& group_names);

}  // namespace tessel
