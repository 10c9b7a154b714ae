// The outline on screen.
#include "gui/tree_view.h"

#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "gui/node_icons.h"
#include "platform/qt_string.h"
#include "runtime/app_clock.h"

namespace tessel {
namespace {

// The expand/collapse box sits left of the label, inside the 16-pixel step of its level.
constexpr int kBoxSize = 9;
QRect box_of(const TreeItem& item, int top, int height) {
    return QRect(item.x() - 14, top + (height - kBoxSize) / 2, kBoxSize, kBoxSize);
}

// The node's icon sits at the item's x and its label starts 6 pixels after it. An item without
// an icon keeps the icon's place, so the labels of siblings line up and a child's label stays
// right of its parent's. The selection runs 3 pixels either side of the label.
constexpr int kIconGap = 6;
constexpr int kLabelMargin = 3;
int label_left(const TreeItem& item) { return item.x() + kNodeIconSize + kIconGap; }

}  // namespace

TreeView::TreeView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    model_.set_line_height(line_height());
    after_change();
}

TreeView::~TreeView() = default;

int TreeView::line_height() const { return std::max(fontMetrics().height() + 2, 1); }

void TreeView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        model_.set_line_height(line_height());
        after_change();
    }
    QAbstractScrollArea::changeEvent(event);
}

void TreeView::show_document(DocumentTree* tree) {
    if (tree)
        model_.set_document(tree, this);
    else
        model_.clear();
    verticalScrollBar()->setValue(0);
    after_change();
}

void TreeView::show_root(Node* root) {
    model_.set_root(root, nullptr, this);
    verticalScrollBar()->setValue(0);
    after_change();
}

void TreeView::clear() {
    model_.clear();
    after_change();
}

bool TreeView::locate(TextPos offset) {
    const bool found = model_.locate(offset);
    after_change();
    scroll_to_selection();
    return found;
}

bool TreeView::select_path(std::span<const int32_t> path) {
    const bool found = model_.select_path(path, true);
    after_change();
    scroll_to_selection();
    return found;
}

TextRange TreeView::selected_range() const {
    const TreeItem* item = model_.selected_item();
    return item ? item->range : TextRange{0, -1};
}

void TreeView::tree_selection_changed(int32_t node_index, int source) {
    if (on_selection_) on_selection_(node_index, source);
}

int TreeView::page_rows() const { return std::max(viewport()->height() / line_height(), 1); }

void TreeView::after_change() {
    const int64_t rows = model_.visible_rows();
    const int page = page_rows();
    verticalScrollBar()->setRange(0, static_cast<int>(std::clamp<int64_t>(rows - page, 0, INT32_MAX)));
    verticalScrollBar()->setPageStep(page);
    const ScrollExtent extent = model_.scroll_extent();
    horizontalScrollBar()->setRange(0, static_cast<int>(std::max<int64_t>(extent.width - viewport()->width(), 0)));
    horizontalScrollBar()->setPageStep(viewport()->width());
    viewport()->update();
}

void TreeView::scroll_to_selection() {
    const int64_t row = model_.selected_row();
    if (row < 0) return;
    const int page = page_rows();
    const int top = verticalScrollBar()->value();
    if (row < top) verticalScrollBar()->setValue(static_cast<int>(row));
    else if (row >= top + page) verticalScrollBar()->setValue(static_cast<int>(row - page + 1));
}

int64_t TreeView::row_at(int y) const {
    return verticalScrollBar()->value() + y / line_height();
}

void TreeView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    after_change();
}

void TreeView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QPalette& colours = palette();
    painter.setPen(colours.color(QPalette::Text));
    if (!model_.has_tree()) {
        painter.drawText(QPoint(5, 5 + fontMetrics().ascent()), QString::fromUtf8(kTreeViewEmptyText));
        return;
    }
    const int height = line_height();
    const int dx = horizontalScrollBar()->value();
    const int64_t first = verticalScrollBar()->value();
    const TreeItem* selected = model_.selected_item();
    TreeItem* item = model_.item_at_row(first);
    for (int y = 0; item && y < viewport()->height(); y += height, item = model_.next_visible(item)) {
        const int x = item->x() - dx;
        const QPixmap& icon = node_icon(item->kind_code);
        if (!icon.isNull()) painter.drawPixmap(x, y + (height - kNodeIconSize) / 2, icon);
        const QString label = to_qstring(item->label);
        const QRect text_rect(label_left(*item) - dx - kLabelMargin, y,
                              fontMetrics().horizontalAdvance(label) + 2 * kLabelMargin, height);
        if (item == selected) {
            const bool active = hasFocus();
            painter.fillRect(text_rect, colours.color(active ? QPalette::Highlight : QPalette::Mid));
            painter.setPen(colours.color(active ? QPalette::HighlightedText : QPalette::Text));
        } else {
            painter.setPen(colours.color(QPalette::Text));
        }
        painter.drawText(text_rect.adjusted(kLabelMargin, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, label);
        if (item->has_children()) {
            const QRect box = box_of(*item, y, height).translated(-dx, 0);
            painter.setPen(colours.color(QPalette::Mid));
            painter.drawRect(box);
            painter.setPen(colours.color(QPalette::Text));
            const int mid_y = box.center().y();
            painter.drawLine(box.left() + 2, mid_y, box.right() - 2, mid_y);
            if (!item->expanded) painter.drawLine(box.center().x(), box.top() + 2, box.center().x(), box.bottom() - 2);
        }
    }
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    setFocus();
    type_ahead_.reset();
    if (!model_.has_tree() || event->button() != Qt::LeftButton) return;
    const QPoint at = event->position().toPoint();
    const int64_t row = row_at(at.y());
    TreeItem* item = model_.item_at_row(row);
    if (!item) return;
    const int top = static_cast<int>((row - verticalScrollBar()->value()) * line_height());
    // The box opens or closes the item; anywhere else on the row selects it.
    if (item->has_children() &&
        box_of(*item, top, line_height()).translated(-horizontalScrollBar()->value(), 0).adjusted(-3, -3, 3, 3).contains(at)) {
        if (item->expanded) model_.collapse(item);
        else model_.expand(item);
        after_change();
        return;
    }
    model_.select_at(row, kSelectedByPosition);
    viewport()->update();
}

void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!model_.has_tree() || event->button() != Qt::LeftButton) return;
    const int64_t row = row_at(event->position().toPoint().y());
    if (!model_.item_at_row(row)) return;
    model_.select_at(row, kSelectedByPosition);
    viewport()->update();
    if (on_activate_) on_activate_();
}

void TreeView::keyPressEvent(QKeyEvent* event) {
    if (!model_.has_tree()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    TreeItem* selected = model_.selected_item();
    const int64_t row = model_.selected_row();
    // Any key but a typed letter ends the prefix.
    if (event->text().isEmpty() || !event->text().at(0).isPrint()) type_ahead_.reset();
    switch (event->key()) {
        case Qt::Key_Up:
            if (row > 0) model_.select_at(row - 1, kSelectedByPosition);
            break;
        case Qt::Key_Down:
            if (row + 1 < model_.visible_rows()) model_.select_at(row + 1, kSelectedByPosition);
            break;
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            // Like the arrows, a key that would not move the selection reports nothing.
            const int64_t last = model_.visible_rows() - 1;
            const int64_t page = page_rows();
            int64_t to = event->key() == Qt::Key_Home  ? 0
                         : event->key() == Qt::Key_End ? last
                         : event->key() == Qt::Key_PageUp ? row - page
                                                          : row + page;
            to = std::clamp<int64_t>(to, 0, last);
            if (to != row) model_.select_at(to, kSelectedByPosition);
            break;
        }
        case Qt::Key_Right:
        case Qt::Key_Plus:
            if (selected && selected->has_children() && !selected->expanded) model_.expand(selected);
            else if (selected && selected->expanded) model_.select_at(row + 1, kSelectedByPosition);
            break;
        case Qt::Key_Left:
        case Qt::Key_Minus:
            if (selected && selected->expanded) model_.collapse(selected);
            else if (selected && selected->parent) model_.select_at(model_.row_of(*selected->parent), kSelectedByPosition);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (on_activate_) on_activate_();
            break;
        default: {
            // Typed letters find the next item whose label begins with them; quick ones
            // make one prefix.
            const QString text = event->text();
            if (text.isEmpty() || !text.at(0).isPrint() || (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                QAbstractScrollArea::keyPressEvent(event);
                return;
            }
            const TypeAheadSearch search = type_ahead_.add(text.toStdString(), AppClock::now());
            model_.type_ahead(search.text, search.from_selection);
            after_change();
            scroll_to_selection();
            return;
        }
    }
    after_change();
    scroll_to_selection();
}

bool TreeView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    TreeItem* item = model_.has_tree() ? model_.item_at_row(row_at(help->pos().y())) : nullptr;
    const std::string text = item ? model_.tooltip_of(*item) : std::string();
    if (text.empty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), plain_tooltip(text), viewport());
    return true;
}

void TreeView::wheelEvent(QWheelEvent* event) {
    const bool option = wheel_option_ && wheel_option_();
    if (model_.has_tree() && model_.wheel(event->angleDelta().y(), option)) {
        after_change();
        scroll_to_selection();
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

}  // namespace tessel
