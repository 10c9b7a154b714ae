// The DOCTYPE declaration of an XML document with its internal subset, and whole DTD
// documents. Declarations are kept as text (content models, attribute lists and entity
// values are neither interpreted nor expanded) and nothing is validated.
#pragma once

#include <memory>
#include <string_view>

#include "foundation/job.h"
#include "parse/document_tree.h"
#include "parse/xml_parser.h"

namespace tessel {

// The XML parser's built-in DOCTYPE parser: from the "<!" of "<!DOCTYPE" to its closing ">".
class DoctypeDeclarationParser final : public DoctypeParser {
public:
    void parse_doctype(TokenStream& tokens, DocumentTree& tree, ParseMessages& messages,
                       Node*& doctype) override;
};

// The one instance the XML parser uses unless another is installed.
DoctypeParser& doctype_declaration_parser();

// Parses a DTD document (text must stay alive during the call). The tree's root is a
// DoctypeNode labelled "DTD Document". Only JobCancelled escapes.
std::unique_ptr<DocumentTree> parse_dtd(std::string_view text, Job* job = nullptr);

}  // namespace tessel
