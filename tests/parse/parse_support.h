// Helpers for parser tests: diagnostics and trees written out as short strings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "parse/document_tree.h"
#include "parse/node_description.h"
#include "parse/xml_nodes.h"
#include "parse/xml_parser.h"

namespace tessel::test {

// "warning@9 Required white space is missing" for each diagnostic.
inline std::vector<std::string> messages(const DocumentTree& tree) {
    std::vector<std::string> out;
    auto& list = const_cast<DocumentTree&>(tree).diagnostics();
    for (Diagnostic* d : list.items())
        out.push_back(std::string(d->severity() == Severity::error ? "error@" : "warning@") +
                      std::to_string(d->position()) + " " + std::string(d->message()));
    return out;
}

// "Label=text" for each detail of diagnostic i, after the Description.
inline std::vector<std::string> details(DocumentTree& tree, int32_t i) {
    std::vector<std::string> out;
    Diagnostic* d = tree.diagnostics().at(i);
    for (int32_t k = 1; k < d->details().size(); ++k) {
        DiagnosticDetail* x = d->details()[k];
        out.push_back(std::string(x->label()) + "=" + std::string(x->text()));
    }
    return out;
}

inline ElementNode* element(Node* node) { return dynamic_cast<ElementNode*>(node); }

// The first top-level element of a parsed document.
inline ElementNode* root_element(DocumentTree& tree) {
    for (int32_t i = 0; Node* n = tree.document_node()->child(i); ++i)
        if (auto* e = element(n)) return e;
    return nullptr;
}

inline std::string query_text(Node& node, int kind, DocumentTree* tree = nullptr) {
    SmallArena arena;
    QueryResult result;
    run_query(node, kind, arena, result, tree);
    return std::string(result.text);
}

}  // namespace tessel::test
