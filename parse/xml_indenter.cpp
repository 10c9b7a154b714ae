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

bool IndentedText::use_crlf() {
    const size_t n = size();
    const std::string_view text = view();
    size_t lone = 0;
    for (size_t i = 0; i < n; ++i)
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ++lone;
    if (lone == 0) return true;
    // Room first, by appends that stop at the limit; then every byte moves back from the end.
    static constexpr char kRoom[256] = {};
    for (size_t left = lone; left > 0 && !dropped();) {
        const size_t k = std::min(left, sizeof kRoom);
        append(std::string_view(kRoom, k));
        left -= k;
    }
    if (dropped() || size() != n + lone) {
        if (status_ == IndentStatus::done) status_ = IndentStatus::too_large;
        return false;
    }
    // Writing from the back: a byte lands at or after where it was read, and the byte before
    // the one being read is still the original.
    char* p = text_data();
    size_t to = n + lone;
    for (size_t from = n; from-- > 0;) {
        const char c = p[from];
        p[--to] = c;
        if (c == '\n' && (from == 0 || p[from - 1] != '\r')) p[--to] = '\r';
    }
    return true;
}

LineEnding first_line_ending(std::string_view text) {
    const size_t lf = text.find('\n');
    return lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r' ? LineEnding::crlf
                                                                          : LineEnding::lf;
}

IndentRisk indent_risk(DocumentTree* tree) {
    if (!tree || !tree->root()) return IndentRisk::no_document;
    if (tree->diagnostics().error_count() > 0) return IndentRisk::errors;
    if (!tree->holds_all_text()) return IndentRisk::dropped_text;
    return IndentRisk::none;
}

IndentStatus write_indented(DocumentTree& tree, const IndentOptions& options, IndentedText& out,
                            Job* job, LineEnding line_ending) {
    out.restart();
    XmlDocumentNode* document = tree.document_node();
    if (document && tree.root() == document) {
        XmlWriter(tree, out, options, job).write_document(*document);
    } else if (Node* root = tree.root()) {
        // DTD and JSON documents are written by their own nodes, ending with a line feed.
        if (root->write(out, options, 0) && !out.view().ends_with('\n')) out.append('\n');
    }
    if (out.status() != IndentStatus::done) return out.status();
    if (line_ending == LineEnding::crlf && !out.use_crlf()) return out.status();
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
