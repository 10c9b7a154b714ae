// The empty pane's hint text.
#include "editor/editor_hint.h"

namespace tessel {

std::string_view document_kind_word(std::string_view type_display_name) {
    if (type_display_name == "XML") return "XML document";
    if (type_display_name == "DTD") return "DTD";
    if (type_display_name == "JSON") return "JSON document";
    return "text";
}

std::string editor_hint_text(std::string_view kind_word) {
    std::string out = "(To start, type your ";
    out += kind_word;
    out += " here or open existing file.)";
    return out;
}

}  // namespace tessel
