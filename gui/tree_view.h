// TreeView: the outline of a parsed document (the "Tree View" tab) or of a parse's warnings
// (the warnings tab), drawn from a TreeViewModel. The widget paints the visible rows, turns
// clicks, keys, type-ahead and the wheel into model calls, and tells its owner when the
// selection lands on a node or an item is activated (double click, Enter).
#pragma once

#include <QAbstractScrollArea>
#include <functional>
#include <memory>
#include <span>

#include "views/tree_view_model.h"
#include "views/type_ahead.h"

namespace tessel {

class TreeView final : public QAbstractScrollArea, private TreeViewOwner {
    Q_OBJECT
public:
    explicit TreeView(QWidget* parent = nullptr);
    ~TreeView() override;

    TreeViewModel& model() { return model_; }
    // A new tree (or none): the outline starts again with the root selected.
    void show_document(DocumentTree* tree);
    // A tree of synthetic nodes (the warnings) whose source ranges are the document's.
    void show_root(Node* root);
    void clear();

    // Told with the node index and the source of every selection change on a node.
    void set_on_selection(std::function<void(int32_t node_index, int source)> on_selection) {
        on_selection_ = std::move(on_selection);
    }
    // An item was activated: its text is selected in the editor.
    void set_on_activate(std::function<void()> on_activate) { on_activate_ = std::move(on_activate); }
    // Whether the wheel steps the selection ("scroll_wheel_changes_tree_selection").
    void set_wheel_option(std::function<bool()> option) { wheel_option_ = std::move(option); }

    // Locate in tree: the deepest item covering offset, selected and shown.
    bool locate(TextPos offset);
    // Selects the item at a path of child positions from the root (opening the items above
    // it) and shows it; reports the selection. False when the path leaves the tree.
    bool select_path(std::span<const int32_t> path);
    // The selected item's source range, or an empty range.
    TextRange selected_range() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    // A tooltip over a label or cell whose value is cut shows the whole value.
    bool viewportEvent(QEvent* event) override;

private:
    void tree_selection_changed(int32_t node_index, int source) override;
    void after_change();
    void scroll_to_selection();
    int line_height() const;
    // The rows that fit wholly in the viewport (at least 1): one Page Up or Page Down.
    int page_rows() const;
    int64_t row_at(int y) const;

    TreeViewModel model_;
    TypeAhead type_ahead_;
    std::function<void(int32_t, int)> on_selection_;
    std::function<void()> on_activate_;
    std::function<bool()> wheel_option_;
};

}  // namespace tessel
