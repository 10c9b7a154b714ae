// The hint an empty editor pane shows: "(To start, type your XML document here or open
// existing file.)", with a word naming the kind of document being edited.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

// The kind word of a document type by its display name: "XML document", "DTD", "JSON
// document", and "text" for plain text and any other type.
std::string_view document_kind_word(std::string_view type_display_name);

std::string editor_hint_text(std::string_view kind_word);

}  // namespace tessel
