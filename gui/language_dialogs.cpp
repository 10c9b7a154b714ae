// The language dialogs.
#include "gui/language_dialogs.h"

#include "gui/built_dialog.h"
#include "gui/dialog_builder.h"

namespace tessel {

BuiltDialog* select_language_dialog(DialogBuilder& builder, LanguageFields& fields,
                                    std::vector<std::string> type_names,
                                    std::function<void()> changed,
                                    std::function<bool()> same_enabled) {
    if (BuiltDialog* existing = builder.begin_dialog("Select Language", 200, 70)) return existing;
    builder.add_label("Parse this file as", 7, 7);
    builder.add_drop_down({}, &fields.type, std::move(type_names), {7, 18, 186, 13});
    builder.on_change(std::move(changed));
    builder.add_check_box("Do the same for all files of same extension", &fields.same_extension,
                          {7, 37, 186, 10});
    builder.enable_when(std::move(same_enabled));
    builder.add_ok({}, {89, 51, 50, 14});
    builder.add_cancel({143, 51, 50, 14});
    return builder.end_dialog();
}

BuiltDialog* file_extensions_dialog(DialogBuilder& builder, LanguageFields& fields,
                                    const std::vector<std::string>& group_names) {
    const int rows = static_cast<int>(group_names.size());
    const int buttons_y = 24 + 18 * rows;
    if (BuiltDialog* existing = builder.begin_dialog("File Extensions", 330, buttons_y + 21))
        return existing;
    builder.add_label("Further extensions of each type, separated by commas:", 7, 7);
    for (int i = 0; i < rows; ++i) {
        const int y = 22 + 18 * i;
        builder.add_label(group_names[static_cast<size_t>(i)], 7, y + 2);
        builder.add_text_box({}, &fields.extensions[static_cast<size_t>(i)], false, {70, y, 253, 13});
    }
    builder.add_ok({}, {219, buttons_y, 50, 14});
    builder.add_cancel({273, buttons_y, 50, 14});
    return builder.end_dialog();
}

}  // namespace tessel
