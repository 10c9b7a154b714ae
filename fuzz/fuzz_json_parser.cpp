// Fuzzes the JSON parser: any bytes give diagnostics and perhaps a tree, never a crash, a
// hang or a stack overflow. A tree keeps its invariants (spans inside the text, children
// inside their parents and in order, value counts right), and what the writer makes of it
// parses into a tree again that writes out the same. Diagnostics come in position order and
// none follows the error that ends a parse; a tree that holds all the text writes it back the
// same apart from white space, and one that has nothing to write holds all only of a blank
// text. A lone value is a document as well.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/string_builder.h"
#include "parse/indent_options.h"
#include "parse/json_nodes.h"
#include "parse/json_parser.h"

namespace {

using namespace tessel;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

void check_tree(JsonContainerNode* root, int32_t length) {
    std::vector<JsonContainerNode*> stack{root};
    while (!stack.empty()) {
        JsonContainerNode* c = stack.back();
        stack.pop_back();
        const TextRange span = c->span();
        check(span.first >= 0 && span.first < span.last && span.last < length);
        TextPos previous_end = span.first;
        int32_t values = 0;
        for (int32_t i = 0; i < c->child_count(); ++i) {
            JsonNode* child = c->json_child(i);
            check(child == c->child(i));
            check((child->member() != nullptr) == c->is_object());
            TextRange s;
            if (child->is_container()) {
                auto* inner = static_cast<JsonContainerNode*>(child);
                s = inner->span();
                stack.push_back(inner);
            } else {
                s = static_cast<JsonValueNode*>(child)->token_span();
                ++values;
            }
            if (JsonMemberName* m = child->member()) {
                check(m->first > previous_end && m->last() < s.first && m->value_end == s.last);
                previous_end = m->last();
            }
            check(s.first > previous_end && s.last < span.last);
            previous_end = s.last;
        }
        check(values == c->value_count());
    }
}

std::string without_blanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') out += c;
    return out;
}

std::string write(JsonContainerNode* root) {
    StringBuilder out;
    root->write(out, IndentOptions{}, 0);
    return std::string(out.view());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto tree = parse_json(text);
    const int32_t length = static_cast<int32_t>(size);
    DiagnosticList& list = tree->diagnostics();
    TextPos previous = 0;
    for (Diagnostic* d : list.items()) {
        check(d->position() >= 0 && d->position() <= length);
        check(d->position() >= previous);
        previous = d->position();
        for (DiagnosticDetail* detail : d->details()) {
            check(detail->first() <= length && detail->last() < length);
            check(detail->text().size() <= DiagnosticList::kMaxDetailText + 8);
        }
    }
    // Every JSON error ends the parse: it is the last diagnostic.
    if (list.error_count() > 0) check(list.at(list.count() - 1)->severity() == Severity::error);
    JsonContainerNode* root = json_root(*tree);
    // A failed parse leaves no tree.
    if (list.error_count() > 0) check(tree->root() == nullptr);
    if (tree->root() && !root) {
        // A lone value is the document: it writes and parses back the same.
        auto* value = dynamic_cast<JsonValueNode*>(tree->root());
        check(value != nullptr);
        const TextRange s = value->token_span();
        check(s.first >= 0 && s.last < length);
        StringBuilder out;
        value->write(out, IndentOptions{}, 0);
        const std::string once(out.view());
        auto again = parse_json(once);
        auto* value_again = dynamic_cast<JsonValueNode*>(again->root());
        check(value_again != nullptr);
        StringBuilder out_again;
        value_again->write(out_again, IndentOptions{}, 0);
        check(std::string(out_again.view()) == once);
        return 0;
    }
    if (!root) {
        if (tree->holds_all_text()) check(without_blanks(text).empty());
        return 0;
    }
    check(list.error_count() == 0);
    check_tree(root, length);

    const std::string once = write(root);
    if (tree->holds_all_text()) check(without_blanks(once) == without_blanks(text));
    auto again = parse_json(once);
    JsonContainerNode* root_again = json_root(*again);
    check(root_again != nullptr);
    check(write(root_again) == once);
    return 0;
}
