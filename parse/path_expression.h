// Path expressions: resolve_path finds the node a text such as "mime-info/mime-type(3)/[2]"
// names below a root, as child positions; format_path writes such a text for given positions.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "parse/node.h"

namespace tessel {

// Arrays, not pointers to literals: an inline array has one address in the whole program,
// so an error can be compared with them by pointer.
inline constexpr char kPathNotFound[] = "not found";
inline constexpr char kPathInvalid[] = "invalid expression";

struct PathResult {
    bool ok = false;
    const char* error = nullptr;  // kPathNotFound or kPathInvalid when !ok, else null
    // One child position (counting from 0) per selecting step, from the root down; empty
    // for the root itself.
    std::vector<int32_t> positions;
    Node* node = nullptr;  // the selected node when ok
};

// Grammar, after every "->" is replaced by "/" and then every blank and tab removed:
//   path  := { "/" | step }          at least one step
//   step  := name [ "(" number ")" ] | "[" number "]"
//   number:= [ "-" ] digits           the sign is ignored
// name(n) selects the n-th child (from 1) whose name is name; n = 0 or no n: the first.
// [n] selects the n-th child; [0] stays where it is. Steps are evaluated as they are read,
// so the first error met ends the evaluation ("a/(" is "not found" when there is no a).
//
// A node's name is what the tree view labels it by: its name (element or attribute name),
// or, for nodes without one (texts), its display text. Names compare case-sensitively,
// because XML names are case-sensitive: "Item" and "item" are different elements.
// A number too large for int32_t names no child: "not found".
PathResult resolve_path(std::string_view text, Node& root);

// A path that resolve_path resolves to exactly these positions below root: a name step for
// every node whose name can be written in a path (name characters and "-" only), with "(n)"
// when it is not the first child of that name, and "[n]" for the others. The root itself is
// "[0]". Empty when a position names no child (and the empty text resolves to nothing).
std::string format_path(Node& root, std::span<const int32_t> positions);

}  // namespace tessel
