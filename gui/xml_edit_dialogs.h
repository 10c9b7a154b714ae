// The dialogs of the XML editing commands, made with the dialog builder: "Insert Tag",
// "Insert Attribute" and "Mark selection with tag". Their fields are kept between uses.
#pragma once

#include <cstdint>
#include <string>

namespace tessel {

class BuiltDialog;
class DialogBuilder;

struct XmlEditFields {
    std::string tag_name;
    std::string tag_content;
    int32_t self_close = 0;
    std::string attr_name;
    std::string attr_value;
    std::string mark_tag_name;
    int32_t wrap_cdata = 0;
};

// On the UI thread; built the first time, the same dialog afterwards.
BuiltDialog* insert_tag_dialog(DialogBuilder& builder, XmlEditFields& fields);
BuiltDialog* insert_attribute_dialog(DialogBuilder& builder, XmlEditFields& fields);
BuiltDialog* mark_with_tag_dialog(DialogBuilder& builder, XmlEditFields& fields);

}  // namespace tessel
