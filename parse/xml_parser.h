// The XML parser: a forgiving parser over the token stream that writes the record stream of
// a DocumentTree. Most well-formedness problems become warnings and parsing goes on; a few
// end the parse, and everything complete by then is kept.
#pragma once

#include <memory>
#include <string_view>

#include "foundation/job.h"
#include "parse/document_tree.h"

namespace tessel {

// Parses text (which must stay alive during the call) into a new tree with its diagnostics.
// Only JobCancelled escapes.
std::unique_ptr<DocumentTree> parse_xml(std::string_view text, Job* job = nullptr,
                                        TreeKeeps keeps = TreeKeeps::everything);

}  // namespace tessel
