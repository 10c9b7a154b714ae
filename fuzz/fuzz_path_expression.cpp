// Fuzzes path expressions against a small fixed document: any text resolves or fails with
// one of the two messages, never crashes or hangs; a success's positions lead from the root
// to its node, and format_path of them resolves to the same positions again.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "parse/path_expression.h"
#include "parse/xml_parser.h"

namespace {

using namespace tessel;

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// Repeated names, attributes, hyphens and the other name characters, texts that look like
// numbers or contain blanks, a non-ASCII name, nesting.
constexpr std::string_view kDocument =
    "<doc lang=\"en\"><item>one</item><item id=\"2\">two words</item>"
    "<sub-item><item/><x.y:z_9>12</x.y:z_9><item><item>-3</item></item></sub-item>"
    "<caf\xC3\xA9>\xC3\xA9</caf\xC3\xA9><Item/>a/b(2)</doc>";

DocumentTree& document() {
    static std::unique_ptr<DocumentTree> tree = parse_xml(kDocument);
    return *tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Node& root = *document().root();
    PathResult r = resolve_path(text, root);
    check(r.ok == (r.error == nullptr));
    if (!r.ok) {
        check(std::strcmp(r.error, kPathNotFound) == 0 || std::strcmp(r.error, kPathInvalid) == 0);
        check(r.positions.empty() && r.node == nullptr);
        return 0;
    }
    Node* walked = &root;
    for (int32_t p : r.positions) {
        check(p >= 0);
        walked = walked->child(p);
        check(walked != nullptr);
    }
    check(walked == r.node);
    PathResult again = resolve_path(format_path(root, r.positions), root);
    check(again.ok && again.positions == r.positions && again.node == r.node);
    return 0;
}
