// TreeViewModel: lazy outline items, row arithmetic over expanded items only, and the
// selection moves (position, wheel, type-ahead, locate, drill up and down).
#include "views/tree_view_model.h"

#include <algorithm>
#include <utility>

#include "foundation/ascii.h"
#include "parse/document_tree.h"
#include "parse/node_description.h"
#include "views/shown_text.h"

namespace tessel {

namespace {

// A label shows the first line of the node's text, and at most this much of it: a row shows
// one line, and a text node may hold megabytes that must not be copied just to draw its row.
constexpr size_t kLabelLimit = 4096;

bool starts_with_folded(std::string_view label, std::string_view typed) {
    return label.size() >= typed.size() &&
           equal_ignoring_ascii_case(label.substr(0, typed.size()), typed);
}

// The item's rows changed by delta; every ancestor counts them up to the first collapsed
// one, whose own parent does not show its rows.
void add_rows_above(TreeItem* item, int64_t delta) {
    for (TreeItem* p = item->parent; p; p = p->parent) {
        p->rows_beneath += delta;
        if (!p->expanded) break;
    }
}

bool is_below(const TreeItem* item, const TreeItem* ancestor) {
    for (const TreeItem* p = item ? item->parent : nullptr; p; p = p->parent)
        if (p == ancestor) return true;
    return false;
}

// Frees an item tree without recursion: a deeply nested document may have been opened
// deeper than the stack would go.
void destroy(std::unique_ptr<TreeItem> root) {
    std::vector<std::unique_ptr<TreeItem>> pending;
    pending.push_back(std::move(root));
    while (!pending.empty()) {
        std::unique_ptr<TreeItem> item = std::move(pending.back());
        pending.pop_back();
        for (auto& [index, child] : item->children) pending.push_back(std::move(child));
        item->children.clear();
    }
}

}  // namespace

TreeViewModel::~TreeViewModel() { clear(); }

void TreeViewModel::set_document(DocumentTree* tree, TreeViewOwner* owner) {
    set_root(tree ? tree->root() : nullptr, tree, owner);
}

void TreeViewModel::set_root(Node* root, DocumentTree* document, TreeViewOwner* owner) {
    clear();
    if (!root) return;
    document_ = document;
    owner_ = owner;
    root_ = std::make_unique<TreeItem>();
    describe_into(*root_, root, 0);
    // The document node reports no range of its own; it is taken to run from the start of
    // the text to the end of its last child, so locating in the prolog lands on it.
    if (root_->range.first < 0 && root_->has_children()) {
        TextRange last = child_range(*root_, root_->child_count - 1);
        if (last.last >= 0) root_->range = {0, last.last};
    }
    root_is_document_ = root_->label == "XML Document";
    selected_ = root_.get();
    expand(root_.get());
}

void TreeViewModel::clear() {
    selected_ = nullptr;
    if (root_) destroy(std::move(root_));
    document_ = nullptr;
    owner_ = nullptr;
    root_is_document_ = false;
    wheel_remainder_ = 0;
}

void TreeViewModel::describe_into(TreeItem& item, Node* node, int32_t node_index) {
    item.node = node;
    item.node_index = node ? node_index : -1;
    if (!node) return;
    ArenaMark mark = scratch_.mark();
    QueryResult result;
    run_query(*node, kQueryDisplay, scratch_, result, document_);
    const ShownLine shown = first_line_of(result.text, kLabelLimit);
    item.label.assign(shown.text);
    item.cut = shown.cut;
    if (shown.cut) item.label += kCutMark;
    item.kind_code = result.description.kind_code;
    item.attribute = std::string_view(result.description.type_name) == "Attribute";
    item.range = result.range;
    item.child_count = std::max<int32_t>(0, result.description.child_count);
    item.rows_beneath = item.child_count;
    scratch_.release(mark);
}

TreeItem* TreeViewModel::child_item(TreeItem* item, int32_t index) {
    if (!item || index < 0 || index >= item->child_count) return nullptr;
    auto found = item->children.find(index);
    if (found != item->children.end()) return found->second.get();
    auto child = std::make_unique<TreeItem>();
    child->parent = item;
    child->index = index;
    child->depth = item->depth + 1;
    describe_into(*child, item->node ? item->node->child(index) : nullptr, index);
    TreeItem* made = child.get();
    item->children.emplace(index, std::move(child));
    return made;
}

int64_t TreeViewModel::visible_rows() const {
    if (!root_) return 0;
    return 1 + (root_->expanded ? root_->rows_beneath : 0);
}

TreeItem* TreeViewModel::item_at_row(int64_t row) {
    if (row < 0 || row >= visible_rows()) return nullptr;
    TreeItem* item = root_.get();
    int64_t rest = row;  // rows to go past `item`
    while (rest > 0) {
        --rest;  // now counted from the item's first child
        // Rows before the next expanded child are one per child; each expanded child adds
        // the rows beneath it.
        int64_t passed = 0;  // rows taken by children before index `next`
        int32_t next = 0;
        TreeItem* inside = nullptr;
        for (auto& [index, child] : item->open_children) {
            const int64_t child_row = passed + (index - next);
            if (rest < child_row) break;
            if (rest <= child_row + child->rows_beneath) {
                inside = child;
                rest -= child_row;
                break;
            }
            passed = child_row + 1 + child->rows_beneath;
            next = index + 1;
        }
        if (!inside) return child_item(item, static_cast<int32_t>(next + (rest - passed)));
        item = inside;
    }
    return item;
}

int64_t TreeViewModel::row_of(const TreeItem& item) const {
    int64_t row = 0;
    for (const TreeItem* at = &item; at->parent; at = at->parent) {
        int64_t offset = at->index;
        for (const auto& [index, child] : at->parent->open_children) {
            if (index >= at->index) break;
            offset += child->rows_beneath;
        }
        row += 1 + offset;
    }
    return row;
}

TreeItem* TreeViewModel::next_visible(TreeItem* item) {
    if (!item) return nullptr;
    if (item->expanded && item->has_children()) return child_item(item, 0);
    for (TreeItem* at = item; at->parent; at = at->parent)
        if (at->index + 1 < at->parent->child_count) return child_item(at->parent, at->index + 1);
    return nullptr;
}

bool TreeViewModel::expand(TreeItem* item) {
    if (!item || item->expanded || !item->has_children()) return false;
    item->expanded = true;
    if (item->parent) item->parent->open_children[item->index] = item;
    add_rows_above(item, item->rows_beneath);
    return true;
}

bool TreeViewModel::collapse(TreeItem* item) {
    if (!item || !item->expanded) return false;
    item->expanded = false;
    if (item->parent) item->parent->open_children.erase(item->index);
    add_rows_above(item, -item->rows_beneath);
    if (is_below(selected_, item)) select(item, true, kSelectedByPosition);
    return true;
}

ScrollExtent TreeViewModel::scroll_extent() const {
    if (!root_) return {100, 100};
    return {1000, visible_rows() * line_height_ + 20};
}

void TreeViewModel::select(TreeItem* item, bool report, int source) {
    selected_ = item;
    if (report && owner_ && item->node) owner_->tree_selection_changed(item->node_index, source);
}

bool TreeViewModel::select_at(int64_t row, int source) {
    TreeItem* item = item_at_row(row);
    if (!item) return false;
    select(item, true, source);
    return true;
}

int32_t TreeViewModel::selected_node() const { return selected_ ? selected_->node_index : -1; }

std::vector<int32_t> TreeViewModel::selected_path() const {
    std::vector<int32_t> path;
    for (const TreeItem* at = selected_; at && at->parent; at = at->parent)
        path.push_back(at->index);
    std::reverse(path.begin(), path.end());
    return path;
}

int32_t TreeViewModel::parent_of_selection() const {
    return selected_ && selected_->parent ? selected_->parent->node_index : -1;
}

void TreeViewModel::reveal(TreeItem* item) {
    for (TreeItem* p = item->parent; p; p = p->parent) expand(p);
}

bool TreeViewModel::select_path(std::span<const int32_t> path, bool report) {
    if (!root_) return false;
    TreeItem* item = root_.get();
    bool whole = true;
    for (int32_t index : path) {
        TreeItem* child = child_item(item, index);
        if (!child || !child->node) {
            whole = false;
            break;
        }
        item = child;
    }
    reveal(item);
    select(item, report, kSelectedByPosition);
    return whole;
}

TextRange TreeViewModel::child_range(TreeItem& item, int32_t index) {
    auto found = item.children.find(index);
    if (found != item.children.end()) return found->second->range;
    Node* node = item.node ? item.node->child(index) : nullptr;
    if (!node) return {};
    ArenaMark mark = scratch_.mark();
    QueryResult result;
    run_query(*node, kQueryDisplay, scratch_, result, document_);
    scratch_.release(mark);
    return result.range;
}

// Children are in source order (attributes, then content), so the last child starting at
// or before the offset is the only one that can cover it.
int32_t TreeViewModel::covering_child(TreeItem& item, TextPos offset) {
    int32_t low = 0, high = item.child_count - 1, found = -1;
    TextRange found_range;
    while (low <= high) {
        const int32_t middle = low + (high - low) / 2;
        const TextRange range = child_range(item, middle);
        if (range.first <= offset) {
            found = middle;
            found_range = range;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    if (found < 0 || found_range.first < 0 || offset > found_range.last) return -1;
    return found;
}

bool TreeViewModel::locate(TextPos offset) {
    if (!root_) return false;
    TreeItem* item = root_.get();
    if (item->range.first < 0 || offset < item->range.first || offset > item->range.last)
        return false;
    for (int level = 0; level < kLocateDepthLimit && item->has_children(); ++level) {
        const int32_t index = covering_child(*item, offset);
        TreeItem* child = index >= 0 ? child_item(item, index) : nullptr;
        // An attribute is part of its element: the caret in one locates the element.
        if (!child || !child->node || child->attribute) break;
        item = child;
    }
    reveal(item);
    select(item, true, kSelectedByPosition);
    return true;
}

bool TreeViewModel::drill_up_selection(bool report) {
    if (!can_drill_up()) return false;
    select(selected_->parent, report, kSelectedByPosition);
    return true;
}

bool TreeViewModel::drill_down_selection(int32_t child_index, bool report) {
    if (!selected_) return false;
    TreeItem* child = child_item(selected_, child_index);
    if (!child || !child->node) return false;
    reveal(child);
    select(child, report, kSelectedByPosition);
    return true;
}

TreeItem* TreeViewModel::item_for(const Place& place) {
    return place.parent ? child_item(place.parent, place.index) : root_.get();
}

// Moves to the next visible place. Only items that exist can be expanded, so a place
// without an item is a leaf of the walk and needs no item made for it.
bool TreeViewModel::next_place(Place& place) {
    TreeItem* item = nullptr;
    if (!place.parent) {
        item = root_.get();
    } else {
        auto found = place.parent->children.find(place.index);
        if (found != place.parent->children.end()) item = found->second.get();
    }
    if (item && item->expanded && item->has_children()) {
        place = {item, 0};
        return true;
    }
    TreeItem* parent = place.parent;
    int32_t index = place.index;
    while (parent) {
        if (index + 1 < parent->child_count) {
            place = {parent, index + 1};
            return true;
        }
        index = parent->index;
        parent = parent->parent;
    }
    return false;
}

// Reads the label of a place without making an item for it, so typing into a long outline
// does not leave an item behind for every row it passed.
bool TreeViewModel::label_matches(const Place& place, std::string_view text) {
    if (!place.parent) return starts_with_folded(root_->label, text);
    auto found = place.parent->children.find(place.index);
    if (found != place.parent->children.end())
        return starts_with_folded(found->second->label, text);
    Node* node = place.parent->node ? place.parent->node->child(place.index) : nullptr;
    if (!node) return false;
    ArenaMark mark = scratch_.mark();
    QueryResult result;
    run_query(*node, kQueryDisplay, scratch_, result, document_);
    const bool matches = starts_with_folded(first_line_of(result.text, kLabelLimit).text, text);
    scratch_.release(mark);
    return matches;
}

std::string TreeViewModel::tooltip_of(const TreeItem& item) {
    if (!item.cut || !item.node) return {};
    ArenaMark mark = scratch_.mark();
    QueryResult result;
    run_query(*item.node, kQueryDisplay, scratch_, result, document_);
    std::string text = tooltip_text(result.text);
    scratch_.release(mark);
    return text;
}

bool TreeViewModel::type_ahead(std::string_view text, bool from_selection) {
    if (!root_ || !selected_ || text.empty()) return false;
    const Place start{selected_->parent, selected_->index};
    if (from_selection && label_matches(start, text)) return true;
    Place place = start;
    bool found = false;
    while (!found && next_place(place)) found = label_matches(place, text);
    if (!found) {
        // Once more from the top, up to and including the selection.
        place = Place{};
        for (;;) {
            if (label_matches(place, text)) {
                found = true;
                break;
            }
            if (place.parent == start.parent && place.index == start.index) break;
            if (!next_place(place)) break;
        }
    }
    if (!found) return false;
    select(item_for(place), true, kSelectedByTypeAhead);
    return true;
}

bool TreeViewModel::wheel(int delta, bool option_on) {
    if (!root_ || !option_on) return false;
    const int64_t total = static_cast<int64_t>(wheel_remainder_) + delta;
    const int64_t notches = total / kWheelNotch;
    wheel_remainder_ = static_cast<int>(total - notches * kWheelNotch);
    if (notches == 0 || !selected_) return true;
    const int64_t row = row_of(*selected_);
    // A turn towards the user (negative) moves down the outline.
    const int64_t target = std::clamp<int64_t>(row - notches, 0, visible_rows() - 1);
    if (target != row) select(item_at_row(target), true, kSelectedByWheel);
    return true;
}

}  // namespace tessel
