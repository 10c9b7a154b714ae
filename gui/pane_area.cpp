// The main window's panes on screen.
#include "gui/pane_area.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace tessel {
namespace {

QRect to_qrect(const PixelRect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

bool contains(const PixelRect& r, QPoint p) {
    return !r.empty() && p.x() >= r.left && p.x() < r.right && p.y() >= r.top && p.y() < r.bottom;
}

const ColumnGeometry& column_geometry(const WindowGeometry& g, PaneColumn column) {
    return column == PaneColumn::left ? g.left : g.right;
}

}  // namespace

PaneArea::PaneArea(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAutoFillBackground(true);
}

void PaneArea::add_pane(PaneId id, QWidget* window) {
    const PaneSpec& spec = pane_spec(id);
    tessel::add_pane(layout_, spec.column, std::string(spec.name), spec.share, spec.closable);
    window->setParent(this);
    Hosted hosted{id, spec.column, layout_.column(spec.column).size() - 1, window, nullptr};
    if (spec.closable) {
        hosted.close = new QToolButton(this);
        hosted.close->setText(QStringLiteral("x"));
        hosted.close->setToolTip(tr("Close"));
        hosted.close->setAutoRaise(true);
        hosted.close->setFocusPolicy(Qt::NoFocus);
        hosted.close->setStyleSheet(QStringLiteral("QToolButton { padding: 0; border: none; }"));
        connect(hosted.close, &QToolButton::clicked, this, [this, id] {
            set_pane_visible(id, false);
            if (on_closed_) on_closed_(id);
        });
    }
    hosted_.push_back(hosted);
    normalise_layout(layout_);
    relayout();
}

const PaneArea::Hosted* PaneArea::find(PaneId id) const {
    for (const Hosted& hosted : hosted_)
        if (hosted.id == id) return &hosted;
    return nullptr;
}

Pane& PaneArea::pane_of(const Hosted& hosted) { return layout_.column(hosted.column)[hosted.index]; }
const Pane& PaneArea::pane_of(const Hosted& hosted) const {
    return layout_.column(hosted.column)[hosted.index];
}

QWidget* PaneArea::pane_window(PaneId id) const {
    const Hosted* hosted = find(id);
    return hosted ? hosted->window.data() : nullptr;
}

bool PaneArea::set_pane_visible(PaneId id, bool visible) {
    const Hosted* hosted = find(id);
    if (!hosted) return false;
    if (pane_of(*hosted).visible != visible)
        tessel::set_pane_visible(layout_, hosted->column, hosted->index, visible);
    relayout();
    return true;
}

bool PaneArea::pane_visible(PaneId id) const {
    const Hosted* hosted = find(id);
    return hosted && pane_of(*hosted).visible;
}

WindowMetrics PaneArea::metrics() const {
    WindowMetrics m;
    m.client_width = width();
    m.client_height = height();
    m.title_height = fontMetrics().height() + 4;
    // The toolbar and the status bar are the frame's own, outside this area.
    m.toolbar = false;
    m.status_bar = false;
    return m;
}

void PaneArea::relayout() {
    geometry_ = compute_geometry(layout_, metrics());
    for (const Hosted& hosted : hosted_) {
        const PaneGeometry& g = column_geometry(geometry_, hosted.column).panes[hosted.index];
        if (hosted.window) {
            hosted.window->setVisible(g.visible);
            if (g.visible) hosted.window->setGeometry(to_qrect(g.window));
        }
        if (hosted.close) {
            hosted.close->setVisible(g.visible && !g.close.empty());
            if (g.visible) hosted.close->setGeometry(to_qrect(g.close));
        }
    }
    update();
}

void PaneArea::resizeEvent(QResizeEvent*) { relayout(); }

void PaneArea::changeEvent(QEvent* event) {
    // The title bars' height follows the font.
    if (event->type() == QEvent::FontChange) relayout();
    QWidget::changeEvent(event);
}

void PaneArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Window));
    // Title bars: the pane's name on a band a shade darker than the frame.
    const QColor band = colours.color(QPalette::Window).darker(112);
    for (const Hosted& hosted : hosted_) {
        const PaneGeometry& g = column_geometry(geometry_, hosted.column).panes[hosted.index];
        if (!g.visible || g.title.empty()) continue;
        const QRect title = to_qrect(g.title);
        painter.fillRect(title, band);
        painter.setPen(colours.color(QPalette::WindowText));
        QRect text = title.adjusted(6, 0, -(kCloseButtonSize + 2 * kCloseButtonInset), 0);
        painter.drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                         fontMetrics().elidedText(QString::fromStdString(pane_of(hosted).name),
                                                  Qt::ElideRight, text.width()));
    }
    // Split bars: a groove in the middle so they can be found.
    const QColor groove = colours.color(QPalette::Mid);
    const auto draw_bar = [&](const PixelRect& bar, bool vertical) {
        if (bar.empty()) return;
        const QRect r = to_qrect(bar);
        painter.setPen(groove);
        if (vertical) {
            const int x = r.center().x();
            painter.drawLine(x, r.top(), x, r.bottom());
        } else {
            const int y = r.center().y();
            painter.drawLine(r.left(), y, r.right(), y);
        }
    };
    draw_bar(geometry_.column_bar, true);
    for (const ColumnGeometry* column : {&geometry_.left, &geometry_.right})
        for (const PaneSplitBar& bar : column->bars) draw_bar(bar.rect, false);
}

PaneArea::BarHit PaneArea::hit_bar(QPoint point) const {
    BarHit hit;
    if (contains(geometry_.column_bar, point)) {
        hit.kind = BarHit::between_columns;
        return hit;
    }
    for (PaneColumn column : {PaneColumn::left, PaneColumn::right}) {
        for (const PaneSplitBar& bar : column_geometry(geometry_, column).bars) {
            if (!contains(bar.rect, point)) continue;
            hit.kind = BarHit::between_panes;
            hit.column = column;
            hit.upper = bar.upper;
            hit.lower = bar.lower;
            return hit;
        }
    }
    return hit;
}

void PaneArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    drag_ = hit_bar(event->position().toPoint());
    if (drag_.kind == BarHit::none) return;
    pressed_at_ = event->position().toPoint();
    pressed_mid_pos_ = geometry_.mid_pos;
    if (drag_.kind == BarHit::between_panes) {
        // The shares as placed, which are normalised; the model's may not be yet.
        normalise_layout(layout_);
        const std::vector<Pane>& column = layout_.column(drag_.column);
        pressed_upper_ = column[drag_.upper].share;
        pressed_lower_ = column[drag_.lower].share;
    }
}

void PaneArea::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (drag_.kind == BarHit::between_columns) {
        layout_.mid_pos = drag_column_bar(pressed_mid_pos_, at.x() - pressed_at_.x(), width());
        relayout();
        return;
    }
    if (drag_.kind == BarHit::between_panes) {
        drag_pane_bar(layout_.column(drag_.column), drag_.upper, drag_.lower, pressed_upper_,
                      pressed_lower_, at.y() - pressed_at_.y(), height());
        relayout();
        return;
    }
    // The pointer shows which way a bar can be moved.
    const BarHit over = hit_bar(at);
    if (over.kind == BarHit::between_columns)
        setCursor(Qt::SplitHCursor);
    else if (over.kind == BarHit::between_panes)
        setCursor(Qt::SplitVCursor);
    else
        unsetCursor();
}

void PaneArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) drag_ = {};
}

}  // namespace tessel
