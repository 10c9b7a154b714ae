// Node: the interface every node of a parsed document implements (elements, attributes,
// texts, DOCTYPE and DTD declarations, JSON values, diagnostics). Views never read node
// fields; they ask nodes to describe themselves (see node_description.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/text_pos.h"

namespace tessel {

class DocumentTree;
class NodeDescriber;
class StringBuilder;
struct IndentOptions;

// Receives the replacements of document text that a cell edit turns into.
class TextEditSink {
public:
    virtual ~TextEditSink() = default;
    // Replace the bytes first..last (inclusive; last = first - 1 inserts) by text.
    virtual void replace(std::string_view text, TextPos first, TextPos last) = 0;
};

// What spans() reports: a label and the node's first and last offsets.
struct NodeSpans {
    const char* label = nullptr;
    TextPos first = -1;
    TextPos last = -1;
};

// Query kinds: what a view asks a node for.
enum QueryKind : int {
    kQueryDisplay = 0,   // the text of a tree row or a cell
    kQueryName = 1,
    kQueryValue2 = 2,
    kQueryValueCell = 3,  // the value cell of a leaf or value element (the key column)
    kQueryValue4 = 4,
    kQueryCell = 5,       // the cell of a grandchild in a table
    kQueryHeading = 7,    // the heading of the selected node
    kQueryColumnTitle = 8,
};

class Node {
public:
    virtual ~Node() = default;
    virtual void describe(NodeDescriber& describer) = 0;
    // Appends the node as indented XML; false when the node has nothing to write.
    virtual bool write(StringBuilder& out, const IndentOptions& options, int indent);
    // Turns a cell edit into replacements of the document text and updates the node's own
    // copy of its text. The edit must have passed validate_edit.
    virtual void apply_edit(DocumentTree& tree, std::string_view new_text, int query_kind,
                            TextEditSink& sink);
    virtual Node* child(int32_t index);
    // The child as child() gives it, except that a child not made yet is decoded into scratch
    // for the moment rather than made to stay: for passes over millions of nodes that look
    // at each once (building a table, sorting it). The result lives until scratch is used
    // again; keep nothing that points into it but what the records and the text hold.
    virtual Node* peek_child(int32_t index, class NodeScratch& scratch) {
        static_cast<void>(scratch);
        return child(index);
    }
    // One line for logs and tests.
    virtual std::string dump();
    virtual NodeSpans spans();
    // Null when the cell text is acceptable, else the message to show.
    virtual const char* validate_edit(std::string_view new_text, int query_kind);
    // The text to write for what was typed into a cell: the typed text itself, with escapes
    // added only where it would not be well-formed written raw (validate_edit judges the
    // result).
    virtual std::string prepare_edit(std::string_view typed, int query_kind) {
        static_cast<void>(query_kind);
        return std::string(typed);
    }
};

// Nodes made from records of the document tree's record stream.
class RecordNode : public Node {
public:
    // For a text of kind 1 or 8: appends ">" text "</" parent_name ">" and returns true.
    virtual bool write_inline(StringBuilder& out, const IndentOptions& options, int indent,
                              std::string_view parent_name);
    // The record kind (5 element, 6 attribute, 1-4 and 8 texts).
    virtual int kind() const = 0;
    // Fills the node from its record; cursor points just past the tag byte.
    virtual void decode(const DocumentTree& tree, const uint8_t* cursor, uint8_t tag) = 0;

    uint32_t handle() const { return handle_; }
    void set_handle(uint32_t handle) { handle_ = handle; }

private:
    uint32_t handle_ = 0;
};

}  // namespace tessel
