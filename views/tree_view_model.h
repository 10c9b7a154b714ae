// TreeViewModel: the outline of a document tree that the tree view draws, made lazily item
// by item, with the selection moves of clicking, the wheel, type-ahead and navigation.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/arena.h"
#include "parse/node.h"
#include "text/text_pos.h"

namespace tessel {

class DocumentTree;

// Drawn at (5, 5) in place of the outline when there is no tree.
inline constexpr const char* kTreeViewEmptyText = " This tree view is empty.";

// Why the selection changed, as told to the owner.
enum TreeSelectionSource : int {
    kSelectedByPosition = 0,  // a click, activation, locate or drill
    kSelectedByWheel = 2,
    kSelectedByTypeAhead = 3,
};

// The pane that shows the tree view; told of every selection change that lands on an item
// with a node.
class TreeViewOwner {
public:
    virtual ~TreeViewOwner() = default;
    virtual void tree_selection_changed(int32_t node_index, int source) = 0;
};

// One row of the outline. Items are made when a row is first asked for, so an element with
// a million children costs nothing until its rows are drawn.
struct TreeItem {
    TreeItem* parent = nullptr;
    int32_t index = 0;  // within the parent
    int32_t depth = 0;  // 0 for the root
    Node* node = nullptr;
    std::string label;  // the first line of the node's display text (query 0)
    bool cut = false;   // the display text has more than the label, which then ends in "…"
    int kind_code = -1;  // the node's icon in the views' image list (query 0); -1 for none
    TextRange range;    // the node's source range, used by locate
    // The node's index under its parent (0 for the root); -1 when the item has no node.
    int32_t node_index = -1;
    int32_t child_count = 0;
    bool expanded = false;
    bool attribute = false;  // an element's attribute, which locate does not descend into
    // Visible rows beneath the item when it is expanded: its children plus the rows beneath
    // every expanded child. Kept up to date while collapsed too.
    int64_t rows_beneath = 0;
    // Children made so far, by index, and the expanded ones among them.
    std::map<int32_t, std::unique_ptr<TreeItem>> children;
    std::map<int32_t, TreeItem*> open_children;

    bool has_children() const { return child_count > 0; }
    int32_t x() const { return 24 + 16 * depth; }
};

struct ScrollExtent {
    int64_t width = 0;
    int64_t height = 0;
};

class TreeViewModel {
public:
    static constexpr int kWheelNotch = 120;
    static constexpr int kLocateDepthLimit = 1000;
    static constexpr int kDefaultLineHeight = 16;

    TreeViewModel() = default;
    ~TreeViewModel();
    TreeViewModel(const TreeViewModel&) = delete;
    TreeViewModel& operator=(const TreeViewModel&) = delete;

    // Discards every item and the selection and shows the tree (none when null): the root is
    // selected, and expanded when it has children. Nothing is reported.
    void set_document(DocumentTree* tree, TreeViewOwner* owner);
    // The same for a tree of nodes outside a DocumentTree (the warnings pane's); document
    // is what nodes that read their text from the source are told, and may be null.
    void set_root(Node* root, DocumentTree* document, TreeViewOwner* owner);
    // Drops the tree; the view then paints kTreeViewEmptyText.
    void clear();

    bool has_tree() const { return root_ != nullptr; }
    // True when the root item's label is "XML Document".
    bool root_is_document() const { return root_is_document_; }
    TreeItem* root() const { return root_.get(); }
    DocumentTree* document() const { return document_; }

    // The flattened outline: the root, then the children of every expanded item in order.
    int64_t visible_rows() const;
    // Walks down through the expanded items only, so it costs the number of expanded
    // siblings on the way, not the size of the document. Null outside the outline.
    TreeItem* item_at_row(int64_t row);
    // The row of a visible item.
    int64_t row_of(const TreeItem& item) const;
    // The item after `item` in the outline, or null after the last row (for painting rows
    // in order without looking each one up).
    TreeItem* next_visible(TreeItem* item);
    // The child item at index, made on first request; null outside the children.
    TreeItem* child_item(TreeItem* item, int32_t index);

    // False when there is nothing to change. Collapsing an item above the selection moves
    // the selection to it (and reports it), so the selection always stays visible.
    bool expand(TreeItem* item);
    bool collapse(TreeItem* item);

    void set_line_height(int pixels) { line_height_ = pixels; }
    int line_height() const { return line_height_; }
    // 1000 pixels wide and (visible rows × line height + 20) high; 100 × 100 without a tree.
    ScrollExtent scroll_extent() const;

    // Selects the item on a row and reports it; false when the row is outside the outline.
    bool select_at(int64_t row, int source);
    TreeItem* selected_item() const { return selected_; }
    int64_t selected_row() const { return selected_ ? row_of(*selected_) : -1; }
    // The selected item's node index, or -1.
    int32_t selected_node() const;
    // The child indexes from the root down to the selection (empty for the root).
    std::vector<int32_t> selected_path() const;
    // The node index of the selection's parent, or -1 when the root is selected.
    int32_t parent_of_selection() const;
    // Selects the item at path, expanding the items above it; a path that leaves the tree
    // stops at the last item it reached and gives false. Reports only when asked to.
    bool select_path(std::span<const int32_t> path, bool report = false);

    // Selects and reports the deepest item whose source range covers offset, expanding the
    // items above it; false (and nothing changes) when the root does not cover it.
    bool locate(TextPos offset);

    bool can_drill_up() const { return selected_ && selected_->parent; }
    // Selects the selection's parent; false on the root.
    bool drill_up_selection(bool report);
    // Selects child child_index of the selection (the browser knows which child stands for
    // its current row), expanding the selection; false when there is no such child.
    bool drill_down_selection(int32_t child_index, bool report);

    // The whole display text of an item whose label is cut, capped for a tooltip; empty for
    // an item whose label shows all of it.
    std::string tooltip_of(const TreeItem& item);

    // Selects the first visible item after the selection whose label begins with text, then
    // searches once more from the top. Letters compare without regard to ASCII case, since
    // what is typed rarely matches the case of tag names exactly. With from_selection the
    // selection itself is tried first (a prefix grown by one letter may still be its own).
    // False when nothing matches.
    bool type_ahead(std::string_view text, bool from_selection = false);

    // With the option on, each 120 units move the selection one visible row: down for a
    // negative delta, up otherwise. Remainders of partial notches are kept for the next
    // turn. Returns whether the event is consumed (the view scrolls as usual otherwise).
    bool wheel(int delta, bool option_on);

private:
    // A place in the outline that may not have an item yet: child index of parent, or the
    // root when parent is null.
    struct Place {
        TreeItem* parent = nullptr;
        int32_t index = 0;
    };

    void describe_into(TreeItem& item, Node* node, int32_t node_index);
    TextRange child_range(TreeItem& item, int32_t index);
    int32_t covering_child(TreeItem& item, TextPos offset);
    bool next_place(Place& place);
    bool label_matches(const Place& place, std::string_view text);
    TreeItem* item_for(const Place& place);
    void reveal(TreeItem* item);
    void select(TreeItem* item, bool report, int source);

    std::unique_ptr<TreeItem> root_;
    DocumentTree* document_ = nullptr;
    TreeViewOwner* owner_ = nullptr;
    TreeItem* selected_ = nullptr;
    bool root_is_document_ = false;
    int line_height_ = kDefaultLineHeight;
    int wheel_remainder_ = 0;
    // Query texts live here only while an item's label is copied out.
    SmallArena scratch_;
};

}  // namespace tessel
