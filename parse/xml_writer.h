// XmlWriter: writes an XML document, or one element with everything inside it, as indented
// XML. It walks the tree with a stack of its own, so that a document nested far deeper than
// the call stack allows is written all the same, and it reads the records it has no node for
// through scratch nodes, so that indenting a large document does not leave a node object for
// every record in the tree's arena. Nodes that exist are used as they are: a cell edit may
// have changed their text since the parse.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "parse/document_tree.h"
#include "parse/indent_options.h"
#include "parse/xml_nodes.h"

namespace tessel {

class Job;
class StringBuilder;

class XmlWriter {
public:
    // Long walks call job's yield point now and then. The walk stops as soon as an append to
    // out was cut (out could not grow: its limit, or no memory; see stopped).
    XmlWriter(DocumentTree& tree, StringBuilder& out, const IndentOptions& options,
              Job* job = nullptr);

    // The element at indentation indent, without a line break after its end tag.
    void write_element(const ElementNode& element, int indent);
    // The top-level items with their comments and instructions, each item followed by a line
    // break.
    void write_document(XmlDocumentNode& document);

    // The output could not take everything and the walk stopped: it is incomplete.
    bool stopped() const;

private:
    // An element whose content is being written.
    struct Frame {
        std::string_view name;
        HandleList content;
        HandleList misc;
        int32_t indent;
        int32_t next = 0;       // the next content item
        int32_t next_misc = 0;  // the next comment or instruction
    };

    // The node of a handle: the tree's if it has made one, else a scratch node of the
    // record's kind (valid until the next call for a record of the same kind).
    RecordNode* look(uint32_t handle);
    int kind_of(uint32_t handle);
    uint32_t preceding_of(uint32_t handle);
    // Writes the start tag and, when the element takes a one-line form, the rest of it;
    // otherwise pushes a frame for its content and returns true.
    bool open(const ElementNode& element, int indent);
    // Whether any of the comments and instructions would be written with these options.
    bool writes_any_misc(HandleList misc);
    // The comments and instructions of frame f that precede content item `upto` (all that
    // remain when upto is -1).
    void write_pending(Frame& f, int32_t upto);
    void blanks(int count);
    // Counts a step of the walk and yields to the job now and then; false once the output
    // was cut.
    bool step();

    DocumentTree& tree_;
    StringBuilder& out_;
    IndentOptions options_;
    Job* job_;
    uint32_t steps_ = 0;
    std::vector<Frame> stack_;
    // Made afresh for each record: decoding leaves alone the fields a record does not have.
    NodeScratch scratch_text_;
    NodeScratch scratch_attribute_;
    NodeScratch scratch_element_;
};

}  // namespace tessel
