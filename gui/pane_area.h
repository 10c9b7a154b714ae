// PaneArea: the main window's content between the toolbar and the status bar: two columns of
// stacked panes with their title bars, close buttons and the split bars between them. Where
// everything goes comes from the pane layout's arithmetic; this widget places the hosted
// windows there, paints the titles and bars, and turns drags of the bars into layout changes.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "window/pane_layout.h"

class QToolButton;

namespace tessel {

class PaneArea final : public QWidget {
    Q_OBJECT
public:
    explicit PaneArea(QWidget* parent = nullptr);

    // Appends the pane of that id, as the main window's table describes it, hosting window
    // (reparented here).
    void add_pane(PaneId id, QWidget* window);
    PaneLayout& layout_model() { return layout_; }
    // Shows or hides the pane; false when it has not been added.
    bool set_pane_visible(PaneId id, bool visible);
    bool pane_visible(PaneId id) const;
    // Told when a close button hides a pane.
    void set_on_closed(std::function<void(PaneId)> on_closed) {
        on_closed_ = std::move(on_closed);
    }
    // Places the windows again after the layout model was changed from outside.
    void relayout();
    const WindowGeometry& geometry_model() const { return geometry_; }
    QWidget* pane_window(PaneId id) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Hosted {
        PaneId id;
        PaneColumn column;
        size_t index;
        QPointer<QWidget> window;
        QToolButton* close = nullptr;
    };
    // What the pointer is over or dragging.
    struct BarHit {
        enum Kind { none, between_columns, between_panes } kind = none;
        PaneColumn column = PaneColumn::left;
        size_t upper = 0;
        size_t lower = 0;
    };

    BarHit hit_bar(QPoint point) const;
    WindowMetrics metrics() const;
    const Hosted* find(PaneId id) const;
    Pane& pane_of(const Hosted& hosted);
    const Pane& pane_of(const Hosted& hosted) const;

    PaneLayout layout_;
    WindowGeometry geometry_;
    std::vector<Hosted> hosted_;
    std::function<void(PaneId)> on_closed_;

    BarHit drag_;
    QPoint pressed_at_;
    double pressed_mid_pos_ = 0;
    double pressed_upper_ = 0;
    double pressed_lower_ = 0;
};

}  // namespace tessel
