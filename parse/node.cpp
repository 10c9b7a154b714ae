// Node: what a node that does not say otherwise does for each operation.
#include "parse/node.h"

namespace tessel {

bool Node::write(StringBuilder&, const IndentOptions&, int) { return false; }
void Node::apply_edit(DocumentTree&, std::string_view, int, TextEditSink&) {}
Node* Node::child(int32_t) { return nullptr; }
std::string Node::dump() { return {}; }
NodeSpans Node::spans() { return {}; }
const char* Node::validate_edit(std::string_view, int) { return "This value cannot be edited"; }

bool RecordNode::write_inline(StringBuilder&, const IndentOptions&, int, std::string_view) {
    return false;
}

}  // namespace tessel
