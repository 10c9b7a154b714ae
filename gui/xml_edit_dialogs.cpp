// The XML editing commands' dialogs.
#include "gui/xml_edit_dialogs.h"

#include "gui/built_dialog.h"
#include "gui/dialog_builder.h"

namespace tessel {

namespace {

// The text boxes start with what was last confirmed in them, in this run or an earlier one.
BuiltDialog* with_last_values(BuiltDialog* dialog) {
    dialog->model().start_from_histories();
    return dialog;
}

}  // namespace

BuiltDialog* insert_tag_dialog(DialogBuilder& builder, XmlEditFields& fields) {
    if (BuiltDialog* existing = builder.begin_dialog("Insert Tag", 220, 84)) return existing;
    builder.add_label("Tag Name", 7, 9);
    builder.add_text_box("tag_name", &fields.tag_name, true, {62, 7, 151, 13});
    builder.add_label("Tag content", 7, 27);
    builder.add_text_box("tag_content", &fields.tag_content, true, {62, 25, 151, 13});
    builder.add_check_box("Self close", &fields.self_close, {62, 44, 100, 10});
    builder.add_ok({}, {109, 63, 50, 14});
    builder.add_cancel({163, 63, 50, 14});
    return with_last_values(builder.end_dialog());
}

BuiltDialog* insert_attribute_dialog(DialogBuilder& builder, XmlEditFields& fields) {
    if (BuiltDialog* existing = builder.begin_dialog("Insert Attribute", 230, 66)) return existing;
    builder.add_label("Attribute Name", 7, 9);
    builder.add_text_box("attr_name", &fields.attr_name, true, {72, 7, 151, 13});
    builder.add_label("Attribute Value", 7, 27);
    builder.add_text_box("attr_value", &fields.attr_value, true, {72, 25, 151, 13});
    builder.add_ok({}, {119, 45, 50, 14});
    builder.add_cancel({173, 45, 50, 14});
    return with_last_values(builder.end_dialog());
}

BuiltDialog* mark_with_tag_dialog(DialogBuilder& builder, XmlEditFields& fields) {
    if (BuiltDialog* existing = builder.begin_dialog("Mark selection with tag", 220, 66))
        return existing;
    builder.add_label("Tag Name", 7, 9);
    builder.add_text_box("mark_tag_name", &fields.mark_tag_name, true, {62, 7, 151, 13});
    builder.add_check_box("Wrap with CDATA", &fields.wrap_cdata, {62, 26, 100, 10});
    builder.add_ok({}, {109, 45, 50, 14});
    builder.add_cancel({163, 45, 50, 14});
    return with_last_values(builder.end_dialog());
}

}  // namespace tessel
