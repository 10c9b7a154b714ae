// The XML indenter over the document writer.
#include "parse/xml_indenter.h"

#include <algorithm>

#include "parse/xml_nodes.h"
#include "parse/xml_writer.h"

namespace tessel {

bool IndentedText::grow() {
    if (status_ != IndentStatus::done) return false;
    const size_t length = size();
    if (length >= max_bytes_) {
        status_ = IndentStatus::too_large;
        return false;
    }
    // Doubling, but never past the limit: the text cannot be larger, so neither is the buffer.
    if (!grow_buffer(std::min(2 * length + 1, max_bytes_))) {
        status_ = IndentStatus::out_of_memory;
        return false;
    }
    return true;
}

IndentRisk indent_risk(DocumentTree* tree) {
    if (!tree || !tree->root()) return IndentRisk::no_document;
    if (tree->diagnostics().error_count() > 0) return IndentRisk::errors;
    if (!tree->holds_all_text()) return IndentRisk::dropped_text;
    return IndentRisk::none;
}

IndentStatus write_indented(DocumentTree& tree, const IndentOptions& options, IndentedText& out,
                            Job* job) {
    out.restart();
    XmlDocumentNode* document = tree.document_node();
    if (document && tree.root() == document) {
        XmlWriter(tree, out, options, job).write_document(*document);
    } else if (Node* root = tree.root()) {
        // DTD and JSON documents are written by their own nodes, ending with a line feed.
        if (root->write(out, options, 0) && !out.view().ends_with('\n')) out.append('\n');
    }
    if (out.status() != IndentStatus::done) return out.status();
    // The inline buffer may hold a little more than a tiny limit without ever growing.
    if (out.size() > out.max_bytes()) return IndentStatus::too_large;
    return IndentStatus::done;
}

std::optional<std::string> indent_document(DocumentTree& tree, const IndentOptions& options) {
    IndentedText out;
    if (write_indented(tree, options, out) != IndentStatus::done) return std::nullopt;
    return std::string(out.view());
}

}  // namespace tessel
