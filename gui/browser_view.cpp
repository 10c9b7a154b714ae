// A browser pane on screen.
#include "gui/browser_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHelpEvent>
#include <QToolTip>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "commands/command_table.h"
#include "gui/node_icons.h"
#include "parse/node_description.h"
#include "platform/qt_string.h"
#include "runtime/app_clock.h"
#include "views/cell_edit.h"
#include "views/row_sort.h"
#include "views/shown_text.h"
#include "window/dialog_model.h"

namespace tessel {
namespace {


using G = BrowserGeometry;

// Measures cells with the fonts they are drawn in.
class FontShaper final : public TextShaper {
public:
    FontShaper(const QFont& cell, const QFont& caption) : metrics_{QFontMetricsF(cell), QFontMetricsF(caption)} {}
    FontMetrics metrics(int font) override {
        const QFontMetricsF& m = metrics_[font == kCaptionFont ? 1 : 0];
        return {m.ascent(), m.height(), m.horizontalAdvance(QLatin1Char('X'))};
    }
    double width(std::string_view run, int font) override {
        return metrics_[font == kCaptionFont ? 1 : 0].horizontalAdvance(to_qstring(run));
    }
    double x_of(std::string_view run, int font, int32_t offset) override {
        return width(run.substr(0, static_cast<size_t>(offset)), font);
    }
    // Cells are only measured, never hit-tested by character.
    int32_t offset_at(std::string_view, int, double) override { return 0; }

private:
    QFontMetricsF metrics_[2];
};

}  // namespace

// The shared drawing resources, by role.
struct BrowserView::Brushes {
    QColor empty_cell, caption_cell, current, current_caption, grid, grid_current, link, text, caption_text, bar;
    explicit Brushes(const QPalette& p) {
        const QColor base = p.color(QPalette::Base);
        const bool dark = base.lightness() < 128;
        empty_cell = dark ? base.lighter(115) : QColor(0xf3, 0xf3, 0xf1);
        caption_cell = dark ? base.lighter(140) : QColor(0xe4, 0xe8, 0xee);
        current = p.color(QPalette::Highlight).lighter(dark ? 90 : 175);
        current_caption = p.color(QPalette::Highlight).lighter(dark ? 110 : 150);
        grid = dark ? base.lighter(170) : QColor(0xd0, 0xd4, 0xda);
        grid_current = p.color(QPalette::Highlight);
        link = QColor(0x2a, 0x6f, 0xd6);
        text = p.color(QPalette::Text);
        caption_text = p.color(QPalette::Text);
        bar = p.color(QPalette::Highlight);
        bar.setAlpha(dark ? 110 : 70);
    }
};

BrowserView::BrowserView(BrowserController& controller, QWidget* parent)
    : QAbstractScrollArea(parent), controller_(controller) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    caption_font_ = font();
    caption_font_.setBold(true);
    repaint_timer_.setSingleShot(true);
    connect(&repaint_timer_, &QTimer::timeout, viewport(), qOverload<>(&QWidget::update));
    horizontalScrollBar()->setSingleStep(20);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    filter_bar_ = new FilterBar(this);
    filter_bar_->hide();
    filter_bar_->set_on_changed([this] {
        if (on_filter_ && filter_table_ >= 0) on_filter_(filter_table_, filter_bar_->filter());
    });
    filter_bar_->set_on_closed([this] {
        const int32_t table = filter_table_;
        filter_table_ = -1;
        set_filter_bar_visible(false);
        setFocus();
        if (on_filter_ && table >= 0) on_filter_(table, RowFilter{});
    });
}

BrowserView::~BrowserView() = default;

bool BrowserView::open_filter() {
    const CellPos cell = controller_.layout().current();
    if (!controller_.view() || !cell.valid()) return false;
    GridTable& table = *controller_.layout().tables()[static_cast<size_t>(cell.table)].table;
    SmallArena scratch;
    const QString title = to_qstring(table.cell_text(0, cell.column, scratch));
    filter_table_ = cell.table;
    // The bar shows the table's filter, and offers the current cell's column besides its own.
    const RowFilter filter = table.filter();
    std::vector<std::pair<int32_t, QString>> columns{{cell.column, title}};
    if (filter.column >= 0) columns.emplace_back(filter.column, to_qstring(table.cell_text(0, filter.column, scratch)));
    filter_bar_->show_filter(filter, columns);
    if (table.is_filtered()) filter_bar_->show_counts(table.shown_count(), table.row_count());
    set_filter_bar_visible(true);
    filter_bar_->text()->setFocus();
    filter_bar_->text()->selectAll();
    return true;
}

bool BrowserView::clear_filter() {
    const CellPos cell = controller_.layout().current();
    if (!controller_.view() || !cell.valid()) return false;
    if (!controller_.layout().tables()[static_cast<size_t>(cell.table)].table->is_filtered()) return false;
    filter_table_ = -1;
    set_filter_bar_visible(false);
    if (on_filter_) on_filter_(cell.table, RowFilter{});
    return true;
}

void BrowserView::filter_done(int32_t table, std::string_view error) {
    if (!error.empty()) {
        if (table == filter_table_) filter_bar_->show_error(to_qstring(error));
        return;
    }
    relayout();
    sync_filter_bar();
}

void BrowserView::sync_filter_bar() {
    const BrowserLayout& layout = controller_.layout();
    int32_t table = -1;
    if (controller_.view()) {
        if (layout.current().valid()) {
            table = layout.current().table;
        } else {
            for (size_t t = 0; t < layout.tables().size() && table < 0; ++t)
                if (layout.tables()[t].table->is_filtered()) table = static_cast<int32_t>(t);
        }
    }
    GridTable* grid = table >= 0 ? layout.tables()[static_cast<size_t>(table)].table : nullptr;
    // While the user types a filter for this table, the bar stays as it is.
    if (grid && table == filter_table_ && filter_bar_->isVisible() && filter_bar_->isAncestorOf(QApplication::focusWidget())) {
        if (grid->is_filtered()) filter_bar_->show_counts(grid->shown_count(), grid->row_count());
        return;
    }
    if (!grid || !grid->is_filtered()) {
        filter_table_ = -1;
        set_filter_bar_visible(false);
        return;
    }
    const RowFilter filter = grid->filter();
    SmallArena scratch;
    const int32_t column = filter.column >= 0 ? filter.column : std::max(layout.current().column, 0);
    if (table != filter_table_ || filter_bar_->filter() != filter) {
        std::vector<std::pair<int32_t, QString>> columns{{column, to_qstring(grid->cell_text(0, column, scratch))}};
        if (layout.current().valid() && layout.current().column != column)
            columns.emplace_back(layout.current().column, to_qstring(grid->cell_text(0, layout.current().column, scratch)));
        filter_bar_->show_filter(filter, columns);
    }
    filter_table_ = table;
    filter_bar_->show_counts(grid->shown_count(), grid->row_count());
    set_filter_bar_visible(true);
}

void BrowserView::set_filter_bar_visible(bool visible) {
    if (visible == filter_bar_->isVisible()) return;
    filter_bar_->setVisible(visible);
    setViewportMargins(0, visible ? filter_bar_->sizeHint().height() : 0, 0, 0);
    const int frame = frameWidth();
    filter_bar_->setGeometry(frame, frame, width() - 2 * frame, filter_bar_->sizeHint().height());
    update_scroll_bars();
}

int BrowserView::row_height() const { return QFontMetrics(font()).height() + 4; }

void BrowserView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        caption_font_ = font();
        caption_font_.setBold(true);
        lay_out(false);
    }
    QAbstractScrollArea::changeEvent(event);
}

void BrowserView::lay_out(bool refresh) {
    FontShaper shaper(font(), caption_font_);
    controller_.layout().lay_out(controller_.view(), shaper, QFontMetrics(font()).height(), row_height(), refresh);
    update_scroll_bars();
    viewport()->update();
}

void BrowserView::update_scroll_bars() {
    const BrowserLayout& layout = controller_.layout();
    verticalScrollBar()->setRange(0, std::max(layout.content_height() - viewport()->height(), 0));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(row_height());
    horizontalScrollBar()->setRange(0, std::max(layout.content_width() - viewport()->width(), 0));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

ScrollPos BrowserView::scroll() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }

void BrowserView::set_scroll(ScrollPos scroll) {
    // A sideways scroll may reach past the widest item to show a cell's margin.
    if (scroll.x > horizontalScrollBar()->maximum()) horizontalScrollBar()->setMaximum(scroll.x);
    horizontalScrollBar()->setValue(scroll.x);
    verticalScrollBar()->setValue(scroll.y);
}

void BrowserView::view_changed(int32_t centre_child) {
    lay_out(false);
    set_scroll({0, 0});
    BrowserLayout& layout = controller_.layout();
    if (centre_child >= 0) {
        const CellPos cell = layout.position_of_child(centre_child);
        if (cell.valid()) {
            layout.set_current(cell);
            set_scroll(layout.centre_current(scroll(), viewport()->height()));
        }
    }
    // A new view's table may come filtered (a kept filter) or the filtered one may be gone.
    filter_table_ = -1;
    sync_filter_bar();
    viewport()->update();
}

BrowserView::Place BrowserView::place() const {
    Place place;
    const CellPos cell = controller_.layout().current();
    const ScrollPos at = scroll();
    place.scroll_x = at.x;
    place.scroll_y = at.y;
    if (!cell.valid() || !controller_.view()) return place;
    const TableLayout& t = controller_.layout().tables()[static_cast<size_t>(cell.table)];
    place.table = cell.table;
    place.data_row = t.row_at(cell.row);
    place.column = cell.column;
    return place;
}

bool BrowserView::restore_place(const Place& place) {
    BrowserLayout& layout = controller_.layout();
    if (!controller_.view() || place.table < 0 || place.table >= static_cast<int32_t>(layout.tables().size()))
        return false;
    const TableLayout& t = layout.tables()[static_cast<size_t>(place.table)];
    if (place.data_row > t.table->row_count() || t.columns() == 0) return false;
    const int32_t display = place.data_row == 0 ? 0 : t.table->display_of_row(place.data_row);
    layout.set_current({place.table, display, std::min(place.column, t.columns() - 1)});
    set_scroll({place.scroll_x, place.scroll_y});
    set_scroll(layout.keep_in_view(scroll(), viewport()->width(), viewport()->height()));
    sync_filter_bar();
    viewport()->update();
    return true;
}

void BrowserView::relayout() {
    lay_out(true);
    // After a sort the current cell may stand on another display row: it stays in sight.
    if (controller_.layout().current().valid())
        set_scroll(controller_.layout().keep_in_view(scroll(), viewport()->width(), viewport()->height()));
    viewport()->update();
}

void BrowserView::tick() {
    // A build in progress paints its waiting or progress state; its end paints the view.
    const bool building = controller_.building();
    if (building || building != was_building_) viewport()->update();
    was_building_ = building;
    if (!widths_.active()) return;
    BrowserLayout& layout = controller_.layout();
    if (widths_serial_ != controller_.serial() || widths_.table() >= static_cast<int32_t>(layout.tables().size())) {
        widths_.stop();
        return;
    }
    layout.set_widths(widths_.table(), widths_.step(AppClock::now()), true);
    update_scroll_bars();
    // The current cell stays in sight sideways; the rows stay where they are.
    if (layout.current().valid())
        set_scroll({layout.keep_in_view(scroll(), viewport()->width(), viewport()->height()).x, scroll().y});
    viewport()->update();
}

bool BrowserView::change_widths(WidthCommand command) {
    BrowserLayout& layout = controller_.layout();
    const CellPos cell = layout.current();
    if (!controller_.view() || !cell.valid()) return false;
    const TableLayout& t = layout.tables()[static_cast<size_t>(cell.table)];
    const auto [first_visible, last_visible] = layout.rows_in(t, scroll().y, viewport()->height());
    FontShaper shaper(font(), caption_font_);
    std::vector<int> targets = width_targets(command, layout, cell.table, first_visible, last_visible, shaper);
    widths_.start(t.current_widths, std::move(targets), cell.table, AppClock::now());
    widths_serial_ = controller_.serial();
    tick();
    return true;
}

QRect BrowserView::cell_rect(const CellPos& cell) const {
    // A cell of a view that has been replaced may not be in this one.
    const auto& tables = controller_.layout().tables();
    if (!cell.valid() || cell.table >= static_cast<int32_t>(tables.size())) return {};
    const TableLayout& t = tables[static_cast<size_t>(cell.table)];
    if (cell.row < 0 || cell.row >= t.rows() || cell.column < 0 || cell.column >= t.columns()) return {};
    const PixelBox box = controller_.layout().cell_box(cell, horizontalScrollBar()->value());
    return QRect(box.left, box.top - verticalScrollBar()->value(), box.width, box.height);
}

QRect BrowserView::current_rect() const { return cell_rect(controller_.layout().current()); }

std::string BrowserView::current_text() {
    const CellPos& cell = controller_.layout().current();
    if (!cell.valid() || !controller_.view()) return {};
    const TableLayout& t = controller_.layout().tables()[cell.table];
    SmallArena scratch;
    return std::string(t.table->cell_text(t.row_at(cell.row), cell.column, scratch));
}

TextRange BrowserView::current_range() {
    const CellPos& cell = controller_.layout().current();
    if (!cell.valid() || !controller_.view()) return {0, -1};
    const TableLayout& t = controller_.layout().tables()[cell.table];
    SmallArena scratch;
    CellLook look = look_of_cell(*t.table, t.row_at(cell.row), cell.column, scratch);
    if (!look.node) {
        // An empty cell selects its row's text.
        Node* row = t.table->row_node(t.row_at(cell.row));
        if (!row) return {0, -1};
        QueryResult r;
        run_query(*row, kQueryDisplay, scratch, r, t.table->provider().document());
        return r.description.range;
    }
    return look.range;
}

// Cell editing.

EditDecision BrowserView::decide_edit() {
    const CellPos cell = controller_.layout().current();
    if (!cell.valid() || !controller_.view() || editing() || edit_dialog()) return {};
    set_scroll(controller_.layout().keep_in_view(scroll(), viewport()->width(), viewport()->height()));
    const TableLayout& t = controller_.layout().tables()[static_cast<size_t>(cell.table)];
    const int32_t row = t.row_at(cell.row);
    SmallArena scratch;
    const Cell shown = t.table->cell_at(row, cell.column, scratch);
    if (t.table->is_literal() && cell.row > 0) {
        show_balloon(cell_rect(cell), kReadOnlyTitle, "Value counts are worked out from a table, not written in the document");
        return {};
    }
    if (shown.caption) return {};
    EditDecision decision = decide_in_place_edit(
        shown.node, shown.node ? t.table->cell_query(row, cell.column, shown) : -1,
        edit_check_ ? edit_check_() : kParsingMessage, scratch);
    if (decision.action == EditDecision::Action::show_message)
        show_balloon(cell_rect(cell), kReadOnlyTitle, decision.message);
    if (decision.action == EditDecision::Action::open_editor) {
        edited_ = cell;
        edited_serial_ = controller_.serial();
        edit_query_ = decision.write_query;
    }
    return decision;
}

void BrowserView::follow_edit(bool same_place) {
    if ((!editing() && !edit_dialog()) || edited_serial_ == controller_.serial()) return;
    if (!same_place || controller_.layout().current() != edited_) return;
    edited_serial_ = controller_.serial();
    if (editing()) cell_editor_->move(cell_rect(edited_).topLeft());
}

const char* BrowserView::write_edited(const std::string& typed, bool* written) {
    *written = false;
    // The view was replaced meanwhile and the cell not found again: what was typed stays in
    // the editor, to be copied, and nothing is written.
    if (edited_serial_ != controller_.serial() || !controller_.view()) return kCellGoneMessage;
    const TableLayout& t = controller_.layout().tables()[static_cast<size_t>(edited_.table)];
    SmallArena scratch;
    const Cell cell = t.table->cell_at(t.row_at(edited_.row), edited_.column, scratch);
    if (!cell.node) return kCellGoneMessage;
    const std::string prepared = cell.node->prepare_edit(typed, edit_query_);
    if (const char* refusal = cell.node->validate_edit(prepared, edit_query_)) return refusal;
    if (write_cell_) write_cell_(*cell.node, typed, edit_query_);
    *written = true;
    viewport()->update();
    return nullptr;
}

bool BrowserView::begin_in_place_edit(const QString* initial) {
    const EditDecision decision = decide_edit();
    if (decision.action != EditDecision::Action::open_editor) return false;
    if (!cell_editor_) {
        cell_editor_ = new QLineEdit(viewport());
        cell_editor_->setFrame(false);
        // A thin border in the selection colour tells the cell being edited from the others.
        cell_editor_->setStyleSheet("QLineEdit { border: 1px solid palette(highlight); padding-left: 1px; }");
        cell_editor_->installEventFilter(this);
        // The editor grows with what is typed, as far as the pane allows.
        connect(cell_editor_, &QLineEdit::textChanged, this, [this](const QString& typed) {
            cell_editor_->resize(editor_width(typed), cell_editor_->height());
        });
    }
    const QRect rect = cell_rect(edited_);
    cell_editor_->setGeometry(rect);
    // A paste starts the editor with the clipboard's text, the caret after it.
    cell_editor_->setText(initial ? *initial : to_qstring(decision.text));
    if (!initial) cell_editor_->selectAll();
    cell_editor_->show();
    cell_editor_->setFocus();
    return true;
}

int BrowserView::editor_width(const QString& text) const {
    const QRect cell = cell_rect(edited_);
    if (cell.isEmpty()) return cell_editor_->width();  // the cell went with its view
    const int needed = cell_editor_->fontMetrics().horizontalAdvance(text) + 24;
    // Wider than the cell, it covers whole columns to its right, so no neighbour shows cut.
    const TableLayout& t = controller_.layout().tables()[static_cast<size_t>(edited_.table)];
    int width = cell.width();
    for (int32_t c = edited_.column + 1; c < t.columns() && width < needed; ++c) width += t.current_widths[c];
    return std::min(std::max(width, needed), viewport()->width() - cell.left());
}

bool BrowserView::end_in_place_edit(bool commit) {
    if (!editing() || ending_edit_) return false;
    ending_edit_ = true;
    const auto close = [this] {
        if (balloon_) balloon_->hide();
        cell_editor_->hide();
        setFocus();
        ending_edit_ = false;
    };
    if (!commit) {
        close();
        return true;
    }
    bool written = false;
    if (const char* refusal = write_edited(cell_editor_->text().toStdString(), &written)) {
        ending_edit_ = false;
        show_balloon(cell_editor_->geometry(), kInvalidValueTitle.data(), refusal);
        return false;
    }
    close();
    return written;
}

bool BrowserView::edit_in_dialog(const QString* initial) {
    const EditDecision decision = decide_edit();
    if (decision.action != EditDecision::Action::open_editor) return false;
    // Window-modal and answered by signals: the browsers keep painting behind it.
    auto* dialog = new QDialog(this);
    edit_dialog_ = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Edit Text"));
    dialog->resize(483, 318);
    auto* box = new QVBoxLayout(dialog);
    auto* text = new QPlainTextEdit(dialog);
    text->setObjectName("edit_text");
    text->setPlainText(initial ? *initial : to_qstring(decision.text));
    text->selectAll();
    auto* refusal = new QLabel(dialog);
    refusal->setObjectName("refusal");
    refusal->setWordWrap(true);
    refusal->setStyleSheet("color: #b00020");
    refusal->hide();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    box->addWidget(text);
    box->addWidget(refusal);
    box->addWidget(buttons);
    // Enter breaks the line; Ctrl+Enter answers OK (eventFilter).
    text->installEventFilter(this);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [this, dialog, text, refusal] {
        bool written = false;
        // A refused value stays in the dialog with the reason, ready to be corrected.
        if (const char* why = write_edited(text->toPlainText().toStdString(), &written)) {
            refusal->setText(QString("<b>%1</b><br>%2").arg(to_qstring(kInvalidValueTitle), to_qstring(why).toHtmlEscaped()));
            refusal->show();
            return;
        }
        dialog->accept();
    });
    connect(dialog, &QDialog::finished, this, [this] { setFocus(); });
    dialog->setWindowModality(Qt::WindowModal);
    dialog->show();
    text->setFocus();
    return true;
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event) {
    if (edit_dialog() && event->type() == QEvent::KeyPress && watched->parent() == edit_dialog_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ControlModifier)) {
            if (auto* buttons = edit_dialog_->findChild<QDialogButtonBox*>()) buttons->button(QDialogButtonBox::Ok)->click();
            return true;
        }
    }
    if (watched == cell_editor_) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                end_in_place_edit(true);
                return true;
            }
            if (key == Qt::Key_Escape) {
                end_in_place_edit(false);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && editing() && !ending_edit_) {
            // As in a spreadsheet, leaving the cell keeps what was typed; a refused value
            // stays in the editor with its balloon.
            end_in_place_edit(true);
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

// The balloon is a label inside the pane rather than a tooltip window: it shows the same on
// every X server, composited or not, and goes with the pane.
void BrowserView::show_balloon(const QRect& cell, const char* title, const char* message) {
    if (!balloon_) {
        balloon_ = new QLabel(viewport());
        balloon_->setTextFormat(Qt::RichText);
        balloon_->setFrameShape(QFrame::Box);
        balloon_->setMargin(6);
        balloon_->setAutoFillBackground(true);
        balloon_->setBackgroundRole(QPalette::ToolTipBase);
        balloon_->setForegroundRole(QPalette::ToolTipText);
        balloon_timer_.setSingleShot(true);
        connect(&balloon_timer_, &QTimer::timeout, balloon_, &QWidget::hide);
    }
    balloon_->setText("<b>" + QString(title).toHtmlEscaped() + "</b><br>" +
                      QString::fromUtf8(message).trimmed().toHtmlEscaped().replace("\n", "<br>"));
    balloon_->setProperty("plain", QString(title) + "\n" + QString::fromUtf8(message));
    balloon_->adjustSize();
    // Below the cell, or above it when there is no room; never past the pane's right edge.
    QPoint at = cell.bottomLeft() + QPoint(0, 2);
    if (at.y() + balloon_->height() > viewport()->height()) at.setY(cell.top() - balloon_->height() - 2);
    at.setX(std::max(0, std::min(at.x(), viewport()->width() - balloon_->width())));
    balloon_->move(at);
    balloon_->show();
    balloon_->raise();
    balloon_timer_.start(6000);
}

QString BrowserView::balloon_text() const {
    return balloon_ && balloon_->isVisible() ? balloon_->property("plain").toString() : QString();
}

void BrowserView::current_moved(bool centre) {
    BrowserLayout& layout = controller_.layout();
    set_scroll(centre ? layout.centre_current(scroll(), viewport()->height())
                      : layout.keep_in_view(scroll(), viewport()->width(), viewport()->height()));
    viewport()->update();
    sync_filter_bar();
    if (on_current_changed_) on_current_changed_();
}

// Painting.

void BrowserView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const BrowserPaintDecision decision = controller_.paint(AppClock::now());
    if (decision.repaint_in_ms >= 0 && !repaint_timer_.isActive()) repaint_timer_.start(decision.repaint_in_ms);
    if (decision.state != BrowserPaint::ready) {
        if (!decision.text.empty()) {
            painter.setPen(palette().color(QPalette::Text));
            painter.drawText(QPoint(5, 5 + fontMetrics().ascent()), to_qstring(decision.text));
        }
        return;
    }
    const BrowserLayout& layout = controller_.layout();
    View* view = controller_.view();
    const int top = verticalScrollBar()->value(), height = viewport()->height();
    const int dx = horizontalScrollBar()->value();
    const Brushes brushes(palette());
    const auto [first, last] = layout.items_in(top, height);
    for (int32_t i = first; i <= last; ++i) {
        const BrowserItemLayout& item_layout = layout.items()[i];
        const ViewItem& item = view->items()[i];
        const int y = item_layout.top - top;
        if (item_layout.table >= 0) {
            paint_table(painter, brushes, layout.tables()[item_layout.table], top, height, false);
            continue;
        }
        painter.setPen(brushes.text);
        if (item.kind == ViewItem::Kind::title_line) {
            int x = G::kTextIndent - dx;
            const QPixmap& icon = node_icon(item.kind_code);
            if (!icon.isNull()) {
                painter.drawPixmap(x, y + (item_layout.height - G::kIconWidth) / 2, icon);
                x += G::kIconWidth + G::kIconGap;
            }
            painter.setFont(caption_font_);
            painter.drawText(QRect(x, y, viewport()->width() + dx, item_layout.height),
                             Qt::AlignVCenter | Qt::TextSingleLine, to_qstring(item.text));
            painter.setFont(font());
            continue;
        }
        const int line = layout.line_height();
        if (item.text_block) {
            // A text block shows its lines as they stand, up to the layout's limit.
            std::string_view text = item.text;
            for (int32_t n = 0; n < item_layout.lines && !text.empty(); ++n) {
                const size_t end = std::min(text.find('\n'), text.size());
                std::string_view shown = text.substr(0, end);
                if (!shown.empty() && shown.back() == '\r') shown.remove_suffix(1);
                const int line_y = y + n * line;
                if (line_y + line >= 0 && line_y < height)
                    painter.drawText(QPoint(G::kTableIndent - dx, line_y + fontMetrics().ascent()), to_qstring(shown.substr(0, 1000)));
                text.remove_prefix(std::min(end + 1, text.size()));
            }
            continue;
        }
        if (item.section_header) painter.setFont(caption_font_);
        painter.drawText(QPoint(G::kTextIndent - dx, y + item_layout.height - line + fontMetrics().ascent()), to_qstring(item.text));
        painter.setFont(font());
    }
    // The header of the table whose rows cross the top edge, over them: drawn as the table
    // would be if scrolled so that its header stood where it is pinned.
    const PinnedHeader pinned = layout.pinned_header(top);
    if (pinned.valid()) {
        const TableLayout& t = layout.tables()[pinned.table];
        painter.setClipping(false);
        paint_table(painter, brushes, t, top + t.top - pinned.top, height, true);
    }
}

void BrowserView::paint_table(QPainter& painter, const Brushes& brushes, const TableLayout& t, int top, int height,
                              bool header_only) {
    const BrowserLayout& layout = controller_.layout();
    const int dx = horizontalScrollBar()->value();
    const int width = viewport()->width();
    auto [first_row, last_row] = layout.rows_in(t, top, height);
    if (header_only) first_row = last_row = 0;
    if (first_row > last_row) return;
    // The columns in sight: the fixed ones, then the scrolled ones in the strip right of them.
    std::vector<int32_t> columns;
    for (int32_t c = 0; c < t.fixed_columns; ++c) columns.push_back(c);
    const auto [first_col, last_col] = layout.columns_in(t, dx, width);
    for (int32_t c = first_col; c <= last_col; ++c) columns.push_back(c);
    if (columns.empty()) return;
    const bool focused = hasFocus();
    const CellPos& current = layout.current();
    const int table_index = static_cast<int>(&t - layout.tables().data());
    const bool current_here = current.valid() && current.table == table_index;
    const int scroll_left = layout.scrolling_left(t);
    const TextPos marked = marked_position_ ? marked_position_() : -1;
    const std::vector<SortSpec> sort_keys = t.table->sort_keys();

    // The looks of the cells in sight, fetched once for the backgrounds and the cells.
    SmallArena scratch;
    const size_t n_cols = columns.size();
    std::vector<CellLook> looks(static_cast<size_t>(last_row - first_row + 1) * n_cols);
    for (int32_t r = first_row; r <= last_row; ++r)
        for (size_t k = 0; k < n_cols; ++k)
            looks[static_cast<size_t>(r - first_row) * n_cols + k] = look_of_cell(*t.table, t.row_at(r), columns[k], scratch);
    const auto look = [&](int32_t r, size_t k) -> const CellLook& { return looks[static_cast<size_t>(r - first_row) * n_cols + k]; };
    const auto column_rect = [&](int32_t c, int32_t r) {
        const int x = layout.column_x(t, c, dx);
        return QRect(x, t.top + r * t.row_height - top, t.current_widths[c], t.row_height);
    };
    const auto clip_of = [&](int32_t c) {
        // Scrolled columns pass under the fixed ones.
        const int x = layout.column_x(t, c, dx);
        const int clip_left = c < t.fixed_columns ? x : std::max(x, scroll_left);
        return QRect(clip_left, 0, x + t.current_widths[c] - clip_left, height);
    };

    // 1. Backgrounds.
    for (size_t k = 0; k < n_cols; ++k) {
        const int32_t c = columns[k];
        painter.setClipRect(clip_of(c));
        for (int32_t r = first_row; r <= last_row; ++r) {
            const CellLook& l = look(r, k);
            const QRect rect = column_rect(c, r);
            const bool is_current = focused && current_here && current.row == r && current.column == c;
            if (is_current)
                painter.fillRect(rect, (l.caption || l.empty) ? brushes.current_caption : brushes.current);
            else if (l.caption)
                painter.fillRect(rect, brushes.caption_cell);
            else if (l.empty && r > 0)
                painter.fillRect(rect, brushes.empty_cell);
            // A count drawn as a bar behind its number, against the largest count.
            if (r > 0 && c == t.table->bar_column() && t.table->bar_max() > 0 && !l.empty) {
                const double share = std::strtod(std::string(l.text).c_str(), nullptr) / static_cast<double>(t.table->bar_max());
                const int length = static_cast<int>(std::clamp(share, 0.0, 1.0) * (rect.width() - 4));
                painter.fillRect(QRect(rect.left() + 2, rect.top() + 3, std::max(length, 1), rect.height() - 6), brushes.bar);
            }
        }
    }
    // 2. The cells, column by column, each clipped to its strip.
    for (size_t k = 0; k < n_cols; ++k) {
        const int32_t c = columns[k];
        const QRect strip = clip_of(c);
        for (int32_t r = first_row; r <= last_row; ++r) {
            const CellLook& l = look(r, k);
            const PixelBox box = layout.cell_box({table_index, r, c}, dx);
            QRect rect(box.left, box.top - top, box.width, box.height);
            painter.setClipRect(strip.intersected(rect));
            int x = rect.left();
            if (l.kind_code != -1) {
                const QPixmap& icon = l.kind_code == -2 ? mark_icon(16) : node_icon(l.kind_code);
                const int icon_y = rect.top() + (rect.height() - G::kIconWidth) / 2;
                if (!icon.isNull()) painter.drawPixmap(x, icon_y, icon);
                if (l.link) {
                    painter.setPen(brushes.link);
                    painter.drawLine(x, icon_y + G::kIconWidth, x + G::kIconWidth - 1, icon_y + G::kIconWidth);
                }
                x += G::kIconWidth + G::kIconGap;
            }
            if (!l.text.empty()) {
                painter.setFont(l.caption ? caption_font_ : font());
                painter.setPen(l.caption ? brushes.caption_text : brushes.text);
                QString text = to_qstring(l.text);
                if (l.cut) text += to_qstring(kCutMark);
                painter.drawText(QRect(x, rect.top(), rect.right() - x, rect.height()),
                                 Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
            }
            // The row that holds the editor's caret.
            if (c == 0 && r > 0 && marked >= 0 && l.range.first <= marked && marked <= l.range.last) {
                const QPixmap& mark = mark_icon(15);
                if (!mark.isNull()) painter.drawPixmap(rect.right() - G::kMarkWidth, rect.top() + (rect.height() - G::kMarkWidth) / 2, mark);
            }
            // The sort mark in the header of each column the table is sorted by, with the
            // key's rank when there are several.
            if (r == 0 && t.table->is_sorted()) {
                const auto key = std::find_if(sort_keys.begin(), sort_keys.end(), [c](const SortSpec& k) { return k.column == c; });
                if (key != sort_keys.end()) {
                    const QPixmap& mark = mark_icon(key->ascending ? 11 : 12);
                    const int mark_left = rect.right() - G::kMarkWidth;
                    if (!mark.isNull()) painter.drawPixmap(mark_left, rect.top() + (rect.height() - G::kMarkWidth) / 2, mark);
                    if (sort_keys.size() > 1) {
                        const QString rank = QString::number(key - sort_keys.begin() + 1);
                        const int width = painter.fontMetrics().horizontalAdvance(rank);
                        painter.drawText(QRect(mark_left - width - 1, rect.top(), width + 1, rect.height()),
                                         Qt::AlignVCenter | Qt::AlignRight, rank);
                    }
                }
            }
        }
    }
    painter.setClipping(false);
    painter.setFont(font());
    // 3. Horizontal grid lines under each row; the current row's lines stand out.
    const int left = G::kTableIndent;
    const int right = std::min(layout.column_x(t, t.columns() - 1, dx) + t.current_widths.back(), width);
    for (int32_t r = first_row - 1; r <= last_row; ++r) {
        const int y = t.top + (r + 1) * t.row_height - top;
        const bool highlighted = focused && current_here && (r == current.row || r + 1 == current.row);
        painter.setPen(highlighted ? brushes.grid_current : brushes.grid);
        painter.drawLine(left, y, right, y);
    }
    // 4. Vertical grid lines at the right edge of each column in sight, and the table's left.
    const int y0 = t.top + first_row * t.row_height - top, y1 = t.top + (last_row + 1) * t.row_height - top;
    painter.setPen(brushes.grid);
    painter.drawLine(left, y0, left, y1);
    for (size_t k = 0; k < n_cols; ++k) {
        const int32_t c = columns[k];
        const int x = layout.column_x(t, c, dx) + t.current_widths[c];
        if (c >= t.fixed_columns && x <= scroll_left) continue;
        painter.drawLine(x, y0, x, y1);
    }
}

// Input.

bool BrowserView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QAbstractScrollArea::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    std::string text;
    const CellPos cell = controller_.view() ? controller_.layout().hit_in_pane(help->pos().x(), help->pos().y(), scroll()) : CellPos{};
    if (cell.valid()) {
        const TableLayout& t = controller_.layout().tables()[cell.table];
        SmallArena scratch;
        const int32_t row = t.row_at(cell.row);
        if (look_of_cell(*t.table, row, cell.column, scratch).cut)
            text = tooltip_text(t.table->cell_text(row, cell.column, scratch));
    }
    if (text.empty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), plain_tooltip(text), viewport());
    return true;
}

void BrowserView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (filter_bar_->isVisible())
        filter_bar_->setGeometry(frameWidth(), frameWidth(), width() - 2 * frameWidth(), filter_bar_->sizeHint().height());
    update_scroll_bars();
}

void BrowserView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void BrowserView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void BrowserView::mousePressEvent(QMouseEvent* event) {
    if (balloon_) balloon_->hide();
    setFocus();
    if (!controller_.view() || (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)) return;
    const QPoint at = event->position().toPoint();
    const CellPos cell = controller_.layout().hit_in_pane(at.x(), at.y(), scroll());
    if (!cell.valid()) return;
    if (cell.row == 0) {
        // A header click sorts by its column; the row-header column does not sort.
        const TableLayout& t = controller_.layout().tables()[cell.table];
        const bool row_header = cell.column < t.fixed_columns;
        if (event->button() != Qt::LeftButton || row_header || !on_sort_) return;
        // Shift+click adds the column as the next key of the sort, or turns it round when
        // it is a key already; a plain click sorts by the column alone.
        std::vector<SortSpec> keys = t.table->sort_keys();
        if (!(event->modifiers() & Qt::ShiftModifier) || keys.empty()) {
            on_sort_(cell.table, cell.column, {});
            return;
        }
        auto key = std::find_if(keys.begin(), keys.end(), [&](const SortSpec& k) { return k.column == cell.column; });
        if (key != keys.end())
            key->ascending = !key->ascending;
        else
            keys.push_back({cell.column, true});
        // The first key's column, and the rest of the keys' text after it.
        const std::string text = sort_keys_text(keys);
        on_sort_(cell.table, keys[0].column, std::string_view(text).substr(text.find(':')));
        return;
    }
    if (cell == controller_.layout().current()) return;
    controller_.layout().set_current(cell);
    current_moved(false);
}

void BrowserView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // The first click chose the cell: the second selects its text in the editor.
    if (current_rect().contains(event->position().toPoint()) && run_command_) run_command_("editor_select", false);
}


void BrowserView::keyPressEvent(QKeyEvent* event) {
    if (balloon_) balloon_->hide();
    if (!controller_.view()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const bool control = event->modifiers() & Qt::ControlModifier;
    BrowserMove move;
    switch (event->key()) {
        case Qt::Key_Left: move = BrowserMove::left; break;
        case Qt::Key_Right: move = BrowserMove::right; break;
        case Qt::Key_Up: move = BrowserMove::up; break;
        case Qt::Key_Down: move = BrowserMove::down; break;
        case Qt::Key_PageUp: move = BrowserMove::page_up; break;
        case Qt::Key_PageDown: move = BrowserMove::page_down; break;
        case Qt::Key_Home: move = control ? BrowserMove::first : BrowserMove::home; break;
        case Qt::Key_End: move = control ? BrowserMove::last : BrowserMove::end; break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (run_command_) run_command_("editor_select", false);
            return;
        default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    if (controller_.layout().move_current(move, std::max(viewport()->height() / row_height() - 1, 1)))
        current_moved(false);
}

void BrowserView::contextMenuEvent(QContextMenuEvent* event) {
    if (!controller_.view() || !run_command_) return;
    QMenu menu(this);
    const auto add = [&](const QString& text, std::function<void()> action, bool enabled = true) {
        QAction* a = menu.addAction(text);
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, this, std::move(action));
    };
    const CellPos cell = controller_.layout().current();
    const bool has_cell = cell.valid();
    const bool sortable = has_cell && cell.column >= controller_.layout().tables()[cell.table].fixed_columns;
    const auto command = [&](QMenu& into, const QString& text, const char* name) {
        // The command's key, shown at the right as the menu bar's entries show theirs.
        const CommandInfo* info = find_command_info(name);
        QAction* a = into.addAction(info && !info->accelerator.empty() ? text + '\t' + to_qstring(info->accelerator) : text);
        a->setEnabled(run_command_(name, true));
        connect(a, &QAction::triggered, this, [this, name] { run_command_(name, false); });
    };
    command(menu, tr("&Copy"), "copy");
    command(menu, tr("&Paste"), "paste");
    command(menu, tr("Copy &grid to clipboard"), "copy_grid_to_clipboard");
    menu.addSeparator();
    command(menu, tr("&In place edit"), "in_place_edit");
    command(menu, tr("&Edit using editor"), "edit_using_editor");
    menu.addSeparator();
    QMenu* widths = menu.addMenu(tr("Column &widths"));
    command(*widths, tr("For this row"), "for_this_row");
    command(*widths, tr("For this row add"), "for_this_row_add");
    command(*widths, tr("For visible rows"), "for_visible_rows");
    widths->addSeparator();
    command(*widths, tr("Minimize all"), "minimize_all");
    command(*widths, tr("Restore all"), "restore_all");
    command(menu, tr("Column &statistics"), "column_statistics");
    command(menu, tr("&Value counts"), "value_counts");
    command(menu, tr("&Filter rows..."), "filter_rows");
    menu.addSeparator();
    add(tr("Sort &ascending"), [this, cell] { if (on_sort_) on_sort_(cell.table, cell.column, ":asc"); }, sortable);
    add(tr("Sort &descending"), [this, cell] { if (on_sort_) on_sort_(cell.table, cell.column, ":desc"); }, sortable);
    menu.addSeparator();
    add(tr("&Locate in tree"), [this] { run_command_("browser_locate", false); }, has_cell);
    add(tr("&Editor select"), [this] { run_command_("editor_select", false); }, has_cell);
    menu.exec(event->globalPos());
}

}  // namespace tessel
