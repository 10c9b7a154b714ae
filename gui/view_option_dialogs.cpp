// The editor's option dialogs.
#include "gui/view_option_dialogs.h"

#include "gui/built_dialog.h"
#include "gui/dialog_builder.h"
#include "settings/dialog_binding.h"
#include "settings/editor_options.h"

namespace tessel {

BuiltDialog* tab_options_dialog(DialogBuilder& builder, EditorOptions& options) {
    const BoundField& size = kTabFields[0];
    const BoundField& keep = kTabFields[1];
    if (BuiltDialog* existing = builder.begin_dialog(kTabOptions.name, 150, 86)) return existing;
    builder.add_label(" Options:", 7, 7);
    builder.add_int_field(size.name, &options.tab_size, size.minimum, size.maximum, size.initial,
                          {14, 21, 129, 13});
    builder.add_radio(keep.name, 1, "Keep Tabs", &options.keep_tabs, {14, 39, 129, 10});
    builder.add_radio(keep.name, 0, "Insert Spaces", &options.keep_tabs, {14, 52, 129, 10});
    builder.add_ok({}, {39, 67, 50, 14});
    builder.add_cancel({93, 67, 50, 14});
    return builder.end_dialog();
}

BuiltDialog* highlighting_style_dialog(DialogBuilder& builder, EditorOptions& options) {
    const BoundField& style = kHighlightingFields[0];
    if (BuiltDialog* existing = builder.begin_dialog(kTextHighlightingOptions.name, 170, 72))
        return existing;
    builder.add_label(" Border Style: ", 7, 7);
    builder.add_radio(style.name, 0, "Solid line", &options.line_style, {14, 21, 149, 10});
    builder.add_radio(style.name, 1, "Dotted line", &options.line_style, {14, 34, 149, 10});
    builder.add_ok({}, {59, 51, 50, 14});
    builder.add_cancel({113, 51, 50, 14});
    return builder.end_dialog();
}

BuiltDialog* unique_consolidation_dialog(DialogBuilder& builder, int32_t* threshold) {
    const BoundField& field = kUniqueConsolidationFields[0];
    if (BuiltDialog* existing = builder.begin_dialog(kUniqueConsolidationOptions.name, 220, 62))
        return existing;
    builder.add_label("Allow unique consolidation if it reduces the number", 7, 7);
    builder.add_label("of columns by at least:", 7, 21);
    builder.add_int_field(field.name, threshold, field.minimum, field.maximum, field.initial,
                          {7, 19, 206, 13});
    builder.add_button("Restore Default", [threshold, initial = field.initial] {
        *threshold = initial;
        return false;
    }, {7, 41, 70, 14});
    builder.add_ok({}, {109, 41, 50, 14});
    builder.add_cancel({163, 41, 50, 14});
    return builder.end_dialog();
}

}  // namespace tessel
