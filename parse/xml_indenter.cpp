// The XML indenter over the document writer.
#include "parse/xml_indenter.h"

#include "parse/xml_nodes.h"
#include "parse/xml_writer.h"

namespace tessel {

IndentStatus write_indented(DocumentTree& tree, const IndentOptions& options, IndentedText& out,
                            Job* job, size_t max_bytes) {
    XmlWriter writer(tree, out, options, job, max_bytes);
    XmlDocumentNode* document = tree.document_node();
    if (document && tree.root() == document) {
        writer.write_document(*document);
    } else if (Node* root = tree.root()) {
        // DTD and JSON documents are written by their own nodes, ending with a line feed.
        if (root->write(out, options, 0) && !out.view().ends_with('\n')) out.append('\n');
    }
    if (out.out_of_memory()) return IndentStatus::out_of_memory;
    if (writer.too_large() || out.size() > max_bytes) return IndentStatus::too_large;
    return IndentStatus::done;
}

std::optional<std::string> indent_document(DocumentTree& tree, const IndentOptions& options) {
    IndentedText out;
    if (write_indented(tree, options, out) != IndentStatus::done) return std::nullopt;
    return std::string(out.view());
}

}  // namespace tessel
