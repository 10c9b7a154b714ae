// The well-formedness of what the scanner takes as one token: comments, processing
// instructions and the XML declaration. The scanner only finds where they end; these checks
// read inside them, off the scanner's hot path (markup is a small part of most documents).
#pragma once

#include <string_view>

#include "parse/token.h"

namespace tessel {

class ParseMessages;

// What the XML declaration says that the rest of the parse needs.
struct XmlDeclarationFacts {
    bool standalone = false;  // standalone="yes"
};

// "--" inside a comment, and a "-" right before its closing "-->".
void check_comment(std::string_view text, const Token& comment, ParseMessages& messages);

// The target of a processing instruction (present, a name, followed by white space or "?>",
// "xml" in any case reserved), and for the XML declaration (target "xml" where a declaration
// may stand: at_start) its pseudo-attributes: version first and required, then encoding and
// standalone in that order, each after white space, with values of their syntax.
// A DTD document opens with a text declaration instead (text_declaration): its version is
// optional, its encoding required, and it has no standalone.
void check_instruction(std::string_view text, const Token& instruction, bool at_start,
                       ParseMessages& messages, XmlDeclarationFacts* facts,
                       bool text_declaration = false);

}  // namespace tessel
