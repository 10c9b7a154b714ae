// The XML parser: a forgiving parser over the token stream that writes the record stream of
// a DocumentTree. Most well-formedness problems become warnings and parsing goes on; a few
// end the parse, and everything complete by then is kept.
#pragma once

#include <memory>
#include <string_view>

#include "foundation/job.h"
#include "parse/document_tree.h"

namespace tessel {

class ParseMessages;
class TokenStream;

// Parses a DOCTYPE declaration from its "<!" token to its closing ">". It sets doctype to
// the node that shows the declaration as soon as that node exists, so that a fatal error
// (ParseEnded) keeps what was read before it.
class DoctypeParser {
public:
    virtual ~DoctypeParser() = default;
    virtual void parse_doctype(TokenStream& tokens, DocumentTree& tree, ParseMessages& messages,
                               Node*& doctype) = 0;
};
// Replaces the built-in DOCTYPE parser (doctype_parser.h); null restores it.
void set_doctype_parser(DoctypeParser* parser);

// Parses text (which must stay alive during the call) into a new tree with its diagnostics.
// Only JobCancelled escapes.
std::unique_ptr<DocumentTree> parse_xml(std::string_view text, Job* job = nullptr);

}  // namespace tessel
