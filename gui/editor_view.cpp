// The text pane.
#include "gui/editor_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>

#include "editor/editor_commands.h"
#include "platform/qt_key_press.h"
#include "platform/qt_string.h"
#include "platform/qt_surface.h"
#include "platform/qt_text_shaper.h"

namespace tessel {
namespace {

// Tag names are drawn in the second editor font: the first one, bold.
QFont second_font(const QFont& first) {
    QFont bold = first;
    bold.setBold(true);
    return bold;
}

// Keys that change the text; the others only move the caret or scroll.
bool edits(int32_t key) {
    return key == kKeyBackspace || key == kKeyDelete || key == kKeyTab || key == kKeyEnter;
}

}  // namespace

EditorView::EditorView(TextDocument& document, std::function<bool()> busy, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document), busy_(std::move(busy)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(fixed);
    shaper_ = std::make_unique<QtTextShaper>(fixed, second_font(fixed));
    model_ = std::make_unique<EditorViewModel>(document_, *shaper_);
    document_.set_view(this);
    connect(&blink_, &QTimer::timeout, this, [this] {
        caret_on_ = !caret_on_;
        viewport()->update(QRectF(model_->caret_rect().x, model_->caret_rect().y,
                                  model_->caret_rect().width + 1, model_->caret_rect().height + 1)
                               .toAlignedRect());
    });
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0) blink_.setInterval(flash / 2);
    refresh();
}

EditorView::~EditorView() { document_.set_view(nullptr); }

void EditorView::set_settings(const EditorSettings& settings) {
    model_->set_settings(settings);
    refresh();
}

void EditorView::set_editor_font(const QFont& font) {
    setFont(font);
    shaper_->set_fonts(font, second_font(font));
    model_->fonts_changed();
    refresh();
}

void EditorView::set_document_type(std::string_view display_name) {
    model_->set_document_type(display_name);
    viewport()->update();
}

bool EditorView::has_selection() const { return document_.has_selection(); }

std::string EditorView::selected_text() const { return tessel::selected_text(document_); }

void EditorView::select_all() {
    tessel::select_all(document_);
    refresh(true);
}

void EditorView::delete_selection_or_next() {
    if (refuse_edit()) return;
    tessel::delete_selection_or_next(*model_);
    refresh();
}

std::string EditorView::cut() {
    if (refuse_edit()) return {};
    std::string text = tessel::cut(*model_);
    refresh();
    return text;
}

void EditorView::paste(const std::string& text) {
    if (refuse_edit()) return;
    if (tessel::paste(*model_, text)) refresh();
}

void EditorView::text_changed(bool scroll_to_caret) {
    model_->text_changed(scroll_to_caret);
    refresh();
}

bool EditorView::refuse_edit() {
    if (!busy_ || !busy_()) return false;
    QApplication::beep();
    return true;
}

void EditorView::refresh(bool selection_changed) {
    syncing_scroll_ = true;
    const ScrollBarState v = model_->vertical_scroll();
    verticalScrollBar()->setRange(0, v.maximum);
    verticalScrollBar()->setPageStep(v.page);
    verticalScrollBar()->setSingleStep(v.single_step);
    verticalScrollBar()->setValue(v.value);
    const ScrollBarState h = model_->horizontal_scroll();
    horizontalScrollBar()->setRange(0, h.maximum);
    horizontalScrollBar()->setPageStep(h.page);
    horizontalScrollBar()->setSingleStep(h.single_step);
    horizontalScrollBar()->setValue(h.value);
    syncing_scroll_ = false;
    std::string status = model_->caret_status();
    if (status != status_) {
        status_ = std::move(status);
        if (on_status_) on_status_(status_);
    }
    // A selection made here becomes the desktop's primary selection, for a middle click.
    if (selection_changed && document_.has_selection()) {
        QClipboard* clipboard = QApplication::clipboard();
        if (clipboard->supportsSelection()) {
            const std::string text = selected_text();
            clipboard->setText(to_qstring(text),
                               QClipboard::Selection);
        }
    }
    caret_on_ = true;
    if (hasFocus() && blink_.interval() > 0) blink_.start();
    viewport()->update();
    updateMicroFocus();
}

void EditorView::scrollContentsBy(int, int) {
    if (syncing_scroll_) return;
    model_->set_top_line(verticalScrollBar()->value());
    model_->set_x_offset(horizontalScrollBar()->value());
    viewport()->update();
}

bool EditorView::focusNextPrevChild(bool) { return false; }

void EditorView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    model_->resize(viewport()->width(), viewport()->height());
    refresh();
}

void EditorView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    QtSurface surface(painter, *shaper_);
    const QRect dirty = event->rect();
    model_->paint(surface, Rect{double(dirty.x()), double(dirty.y()), double(dirty.width()),
                                double(dirty.height())},
                  caret_on_ && hasFocus());
}

void EditorView::keyPressEvent(QKeyEvent* event) {
    const KeyPress press = key_press_of(*event);
    // Named keys act; the others type their text, when Ctrl and Alt are not held.
    const bool named = press.key != kKeyNone && press.key != kKeyCharacter;
    const std::string text = named ? std::string() : event->text().toStdString();
    const bool typing = !text.empty() && !has_ctrl(press.modifier) && !has_alt(press.modifier);
    if ((edits(press.key) || typing) && refuse_edit()) return;
    const KeyOutcome outcome = model_->key_press(press, text);
    if (outcome == KeyOutcome::ignored) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (outcome == KeyOutcome::context_menu) {
        const Rect caret = model_->caret_rect();
        const QPoint at(int(caret.x), int(caret.bottom()));
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at));
        contextMenuEvent(&menu);
    }
    refresh(extends_selection(press.modifier));
}

void EditorView::inputMethodEvent(QInputMethodEvent* event) {
    // Composed text (dead keys, input methods) arrives committed; the preedit is left to the
    // input method's own window.
    const QString commit = event->commitString();
    if (!commit.isEmpty()) {
        if (refuse_edit()) return;
        model_->type_text(commit.toStdString());
        refresh();
    }
    event->accept();
}

QVariant EditorView::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle || query == Qt::ImAnchorRectangle) {
        const Rect caret = const_cast<EditorViewModel&>(*model_).caret_rect();
        return QRectF(caret.x, caret.y, std::max(caret.width, 1.0), caret.height).toRect();
    }
    if (query == Qt::ImEnabled) return true;
    return QAbstractScrollArea::inputMethodQuery(query);
}

int EditorView::click_count(const QMouseEvent& event) {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool triple = last_double_click_ms_ >= 0 &&
                        now - last_double_click_ms_ <= QApplication::doubleClickInterval() &&
                        (event.position().toPoint() - last_double_click_at_).manhattanLength() <=
                            QApplication::startDragDistance();
    last_double_click_ms_ = -1;
    return triple ? 3 : 1;
}

void EditorView::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (event->button() == Qt::MiddleButton) {
        // The desktop's habit: the middle button pastes the primary selection where it points.
        QClipboard* clipboard = QApplication::clipboard();
        if (!clipboard->supportsSelection() || refuse_edit()) return;
        const std::string text = clipboard->text(QClipboard::Selection).toStdString();
        if (text.empty()) return;
        const TextPos pos = model_->position_at(at.x(), at.y());
        document_.set_caret(pos);
        paste(text);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    model_->mouse_press(at.x(), at.y(), click_count(*event), modifier_of(event->modifiers()));
    refresh();
}

void EditorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF at = event->position();
    last_double_click_ms_ = QDateTime::currentMSecsSinceEpoch();
    last_double_click_at_ = at.toPoint();
    model_->mouse_press(at.x(), at.y(), 2, modifier_of(event->modifiers()));
    refresh(true);
}

void EditorView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    model_->mouse_move(event->position().x(), event->position().y());
    refresh();
}

void EditorView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    model_->mouse_release();
    refresh(true);
}

void EditorView::wheelEvent(QWheelEvent* event) {
    const QPoint angle = event->angleDelta();
    model_->wheel(angle.x(), angle.y());
    refresh();
    event->accept();
}

void EditorView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    caret_on_ = true;
    if (blink_.interval() > 0) blink_.start();
    viewport()->update();
}

void EditorView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    viewport()->update();
}

void EditorView::contextMenuEvent(QContextMenuEvent* event) {
    if (!run_command_) return;
    QMenu menu(this);
    const std::pair<const char*, QString> entries[] = {
        {"cut", tr("Cu&t")}, {"copy", tr("&Copy")}, {"paste", tr("&Paste")}, {"", {}},
        {"select_all", tr("Select All")}};
    for (const auto& [name, caption] : entries) {
        if (!*name) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(caption);
        action->setEnabled(run_command_(name, true));
        connect(action, &QAction::triggered, this, [this, command = std::string(name)] {
            run_command_(command, false);
        });
    }
    menu.exec(event->globalPos());
}

}  // namespace tessel
