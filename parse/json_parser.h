// The JSON parser: reads a document whose top level is an object or an array into JSON
// nodes. Comments are accepted with a warning, a trailing comma in an array with a warning;
// every other error ends the parse and leaves no tree.
#pragma once

#include <memory>
#include <string_view>

#include "foundation/job.h"
#include "parse/document_tree.h"

namespace tessel {

class JsonContainerNode;

// Parses text into a new tree with its diagnostics. The tree's root is the top-level
// JsonContainerNode; after a fatal error, and for a text without any token, the root is
// null and only the diagnostics are there. Value texts point into `text`, which must outlive
// the tree. Nesting depth is bounded only by memory. Only JobCancelled escapes.
std::unique_ptr<DocumentTree> parse_json(std::string_view text, Job* job = nullptr,
                                         TreeKeeps keeps = TreeKeeps::everything);

// The root of a tree made by parse_json, or null.
JsonContainerNode* json_root(const DocumentTree& tree);

}  // namespace tessel
