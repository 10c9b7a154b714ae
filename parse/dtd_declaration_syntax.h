// The syntax of one markup declaration of a DTD (ELEMENT with its content model, ATTLIST
// with its types, enumerations and defaults, ENTITY, NOTATION), checked on its text once the
// declaration reader has found where it ends. The reader keeps declarations as text; this
// check only reports, at the first character that does not fit.
#pragma once

#include <string_view>

#include "text/text_pos.h"

namespace tessel {

class EntityReferences;
class ParseMessages;

// text[first..last] is the declaration from "<!" to ">". In the internal subset a
// parameter-entity reference inside a declaration is an error; elsewhere (a DTD document) it
// may stand for any part of the declaration, whose syntax is then not checked. With entities,
// the references in ATTLIST default values are checked against the entities declared so far.
void check_declaration_syntax(std::string_view text, TextPos first, TextPos last,
                              bool internal_subset, ParseMessages& messages,
                              EntityReferences* entities = nullptr);

}  // namespace tessel
