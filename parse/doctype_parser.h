// The DOCTYPE declaration of an XML document with its internal subset, and whole DTD
// documents. Declarations are kept as text (content models, attribute lists and entity
// values are neither interpreted nor expanded) and nothing is validated.
#pragma once

#include <memory>
#include <string_view>

#include "foundation/job.h"
#include "parse/document_tree.h"

namespace tessel {

class EntityReferences;
class ParseMessages;
class TokenStream;

// The XML parser's DOCTYPE parser: from the "<!" of "<!DOCTYPE" to its closing ">". It sets
// doctype to the node that shows the declaration as soon as that node exists, so that a
// fatal error (ParseEnded) keeps what was read before it. The general entities the internal
// subset declares go to entities (when given), for the checks of the references that follow.
void parse_doctype_declaration(TokenStream& tokens, DocumentTree& tree, ParseMessages& messages,
                               Node*& doctype, EntityReferences* entities = nullptr);

// Parses a DTD document (text must stay alive during the call). The tree's root is a
// DoctypeNode labelled "DTD Document". Only JobCancelled escapes.
std::unique_ptr<DocumentTree> parse_dtd(std::string_view text, Job* job = nullptr);

}  // namespace tessel
