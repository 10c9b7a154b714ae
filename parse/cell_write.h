// Writing a cell: the text typed into a cell of a node becomes replacements of the document
// text, exactly at the bytes the cell stands for. The node prepares the typed text (escapes
// what would not be well-formed written raw), validates it, and reports its replacements in
// tree offsets; they are carried to the text's current offsets through the tree's edit shifts,
// so that any number of cells can be written, in any order, before the next parse.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "parse/document_tree.h"
#include "parse/node.h"
#include "text/text_pos.h"

namespace tessel {

// Where the replacements go: the document's text, at current offsets.
class TextSplicer {
public:
    virtual ~TextSplicer() = default;
    // Replaces `remove` bytes at `first` by text; false when the text could not take it.
    virtual bool splice(TextPos first, int32_t remove, std::string_view text) = 0;
};

// A splicer over a string: the batch tool's file text, and tests.
class StringSplicer final : public TextSplicer {
public:
    explicit StringSplicer(std::string& text) : text_(text) {}
    bool splice(TextPos first, int32_t remove, std::string_view text) override;

private:
    std::string& text_;
};

struct CellWrite {
    const char* refusal = nullptr;  // the node's message when it refused the text
    std::string written;            // the text as written: typed, with escapes added
    int32_t replacements = 0;
    bool failed = false;  // the splicer refused a replacement (the text is then partly changed)
};

// Writes `typed` into node's cell of query_kind. Nothing is changed when it is refused.
CellWrite write_cell(DocumentTree& tree, Node& node, std::string_view typed, int query_kind,
                     TextSplicer& out);

}  // namespace tessel
