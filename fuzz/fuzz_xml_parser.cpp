// Fuzzes the XML parser: any bytes give a tree and diagnostics, never a crash or a hang,
// and the tree keeps its invariants: every handle resolves, spans lie inside the text,
// children lie inside their parents and follow each other, and every diagnostic and detail
// points into the text; diagnostics come in position order, detail texts are cut to size,
// and a text whose first byte the tree could not hold (not blank, not "<") is marked.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "parse/xml_nodes.h"
#include "parse/xml_parser.h"

namespace {

using namespace tessel;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

void check_element(DocumentTree& tree, ElementNode* root, int32_t length) {
    std::vector<ElementNode*> stack{root};
    while (!stack.empty()) {
        ElementNode* e = stack.back();
        stack.pop_back();
        check(e->start() >= 0 && e->start() <= e->end() && e->end() <= length);
        TextRange name = e->name_span();
        check(name.first == e->start() + 1 && name.last < length);
        if (!e->empty_tag()) check(e->start_tag_end() > e->start() && e->start_tag_end() <= e->end());
        TextPos previous_end = e->start();
        for (int32_t i = 0; i < e->attributes().size(); ++i) {
            auto* a = dynamic_cast<AttributeNode*>(tree.node_at(e->attributes()[i]));
            check(a != nullptr);
            check(a->name_start() > previous_end && a->value_end() < length);
            check(e->empty_tag() || a->value_end() < e->start_tag_end());
            previous_end = a->value_end();
        }
        for (int32_t i = 0; i < e->content().size(); ++i) {
            Node* n = tree.node_at(e->content()[i]);
            check(n != nullptr);
            NodeSpans s = n->spans();
            check(s.first > previous_end && s.first >= e->start_tag_end());
            check(s.last <= e->end());
            previous_end = s.last;
            if (auto* child = dynamic_cast<ElementNode*>(n)) stack.push_back(child);
        }
        for (int32_t i = 0; i < e->misc().size(); ++i) {
            auto* t = dynamic_cast<TextNode*>(tree.node_at(e->misc()[i]));
            check(t != nullptr);
            check(t->start() > e->start() && t->last() <= e->end());
            check(t->preceding() <= static_cast<uint32_t>(e->content().size()));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto tree = parse_xml(text);
    const int32_t length = static_cast<int32_t>(size);
    XmlDocumentNode* doc = tree->document_node();
    for (int32_t i = 0; i < doc->items().size(); ++i) {
        Node* n = tree->node_at(doc->items()[i]);
        check(n != nullptr);
        if (auto* e = dynamic_cast<ElementNode*>(n)) check_element(*tree, e, length);
    }
    DiagnosticList& list = tree->diagnostics();
    int32_t errors = 0;
    TextPos previous = 0;
    for (Diagnostic* d : list.items()) {
        check(d->position() >= 0 && d->position() <= length);
        check(d->position() >= previous);
        previous = d->position();
        errors += d->severity() == Severity::error;
        check(d->details().size() >= 1);
        for (DiagnosticDetail* detail : d->details()) {
            check(detail->first() <= length && detail->last() < length);
            // "After '" + a token's text + "'" is the longest detail.
            check(detail->text().size() <= DiagnosticList::kMaxDetailText + 8);
        }
    }
    check(errors == list.error_count());
    const unsigned char first = size ? data[0] : ' ';
    if (first != ' ' && first != '\t' && first != '\n' && first != '\r' && first != '<')
        check(!tree->holds_all_text());
    return 0;
}
