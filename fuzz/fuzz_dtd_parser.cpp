// Fuzzes the DOCTYPE and DTD parser: the same bytes are parsed as a DTD document, behind
// "<!DOCTYPE r [" as the internal subset of an XML document, and as an XML document. Neither may
// crash or hang, and the nodes keep their invariants: spans lie inside the text, declarations
// follow each other inside their list, each declaration's text is the source between its ends, and
// writing the nodes back succeeds. Diagnostics come in position order with their detail texts
// cut to size, and a DTD document that the tree holds whole is written back with the same
// text apart from white space. The walk over nested sections uses its own stack.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/string_builder.h"
#include "parse/doctype_parser.h"
#include "parse/dtd_nodes.h"
#include "parse/indent_options.h"
#include "parse/xml_parser.h"

namespace {

using namespace tessel;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

void check_list(DoctypeNode* top, std::string_view text) {
    const TextPos length = static_cast<TextPos>(text.size());
    std::vector<DoctypeNode*> lists{top};
    while (!lists.empty()) {
        DoctypeNode* list = lists.back();
        lists.pop_back();
        TextPos previous_end = -1;
        for (Node* n : list->declarations()) {
            NodeSpans s = n->spans();
            check(s.first > previous_end && s.first <= s.last && s.last < length);
            previous_end = s.last;
            if (auto* e = dynamic_cast<DtdElementNode*>(n)) {
                check(e->text() == text.substr(static_cast<size_t>(e->first()),
                                               static_cast<size_t>(e->last() - e->first() + 1)));
                for (TextRange r : {e->name_span(), e->value_span()})
                    check(r.first >= e->first() && r.last <= e->last() && r.last >= r.first - 1);
            } else if (auto* block = dynamic_cast<ConditionalBlockNode*>(n)) {
                check(block->text() ==
                      text.substr(static_cast<size_t>(block->first()),
                                  static_cast<size_t>(block->last() - block->first() + 1)));
                lists.push_back(block->body());
            } else {
                check(false);
            }
        }
        for (TextNode* m : list->misc())
            check(m->preceding() <= static_cast<uint32_t>(list->declarations().size()) &&
                  m->last() < length);
    }
}

void check_diagnostics(DocumentTree& tree, TextPos length) {
    TextPos previous = 0;
    for (Diagnostic* d : tree.diagnostics().items()) {
        check(d->position() >= 0 && d->position() <= length);
        check(d->position() >= previous);
        previous = d->position();
        for (DiagnosticDetail* detail : d->details()) {
            check(detail->first() <= length && detail->last() < length);
            check(detail->text().size() <= DiagnosticList::kMaxDetailText + 8);
        }
    }
}

std::string without_blanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out += c;
    return out;
}

std::string check_written(Node& node) {
    IndentOptions options;
    options.remove_comments = false;
    StringBuilder out;
    check(node.write(out, options, 0));
    return std::string(out.view());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);

    auto dtd = parse_dtd(bytes);
    auto* root = dynamic_cast<DoctypeNode*>(dtd->root());
    check(root != nullptr);
    check_list(root, bytes);
    check_diagnostics(*dtd, static_cast<TextPos>(size));
    const std::string written = check_written(*root);
    if (dtd->holds_all_text()) check(without_blanks(written) == without_blanks(bytes));

    const std::string document = "<!DOCTYPE r [" + std::string(bytes) + "]><r/>";
    auto xml = parse_xml(document);
    auto* doctype = dynamic_cast<DoctypeNode*>(xml->document_node()->doctype());
    check(doctype != nullptr && doctype->first() == 0);
    check(doctype->last() < static_cast<TextPos>(document.size()));
    check_list(doctype, document);
    check_diagnostics(*xml, static_cast<TextPos>(document.size()));
    check_written(*doctype);

    // The bytes as an XML document of their own, with whatever DOCTYPE they hold.
    auto plain = parse_xml(bytes);
    if (auto* own = dynamic_cast<DoctypeNode*>(plain->document_node()->doctype())) {
        check(own->first() >= 0 && own->last() < static_cast<TextPos>(size));
        check_list(own, bytes);
        check_written(*own);
    }
    check_diagnostics(*plain, static_cast<TextPos>(size));
    return 0;
}
