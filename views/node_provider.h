// NodeProvider: how a view reaches the children of the node it shows. Views keep child
// indexes and ask again whenever they draw, edit or copy; they never own nodes.
#pragma once

#include <cstdint>
#include <string_view>

#include "parse/document_tree.h"
#include "parse/node.h"

namespace tessel {

class DocumentTree;

class NodeProvider {
public:
    virtual ~NodeProvider() = default;
    // Child `index` of parent, or null.
    virtual Node* child(Node& parent, int32_t index) = 0;
    // child(), or for a child not made yet its record decoded into scratch for the moment
    // (Node::peek_child): passes that look at every row once make no nodes that stay.
    virtual Node* peek_child(Node& parent, int32_t index, NodeScratch& scratch) {
        static_cast<void>(scratch);
        return child(parent, index);
    }
    // The number of children a view lays out for this node.
    virtual int32_t child_count(Node& node) = 0;
    // A text shown after everything else in the view of `selected` (empty for none).
    virtual std::string_view trailing_text(Node& /*selected*/) { return {}; }
    // Told when a build failed, to drop whatever it prepared for the view.
    virtual void drop_prepared() {}
    // The tree the nodes belong to (for nodes that read their text from it), or null.
    virtual DocumentTree* document() { return nullptr; }
};

// Children as the nodes themselves list them; the count is the one a node reports for its
// cells (its table rows).
class TreeNodeProvider final : public NodeProvider {
public:
    explicit TreeNodeProvider(DocumentTree* tree = nullptr) : tree_(tree) {}
    Node* child(Node& parent, int32_t index) override { return parent.child(index); }
    Node* peek_child(Node& parent, int32_t index, NodeScratch& scratch) override {
        return parent.peek_child(index, scratch);
    }
    int32_t child_count(Node& node) override;
    DocumentTree* document() override { return tree_; }

private:
    DocumentTree* tree_;
};

}  // namespace tessel
