// EditorView: the text pane. It forwards Qt's key, input-method, mouse, wheel and resize
// events to the Qt-free EditorViewModel, keeps the scroll bars and the caret status in step
// with it, blinks the caret, and paints through a Qt surface what the model lays out. The
// commands that act on the text ("delete", "select_all", "cut", "copy", "paste") are the
// window's, which calls the operations below.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "editor/editor_view_model.h"
#include "text/text_document.h"

namespace tessel {

class QtTextShaper;

class EditorView final : public QAbstractScrollArea, public TextDocumentView {
    Q_OBJECT
public:
    // busy: whether the document takes no edits now (a load or save runs).
    EditorView(TextDocument& document, std::function<bool()> busy, QWidget* parent = nullptr);
    ~EditorView() override;

    EditorViewModel& model() { return *model_; }
    void set_settings(const EditorSettings& settings);
    void set_editor_font(const QFont& font);
    void set_document_type(std::string_view display_name);
    // Told whenever the caret status text changes ("Ln 1  col 1  Pos  0").
    void set_on_caret_status(std::function<void(const std::string&)> on_status) {
        on_status_ = std::move(on_status);
        if (on_status_ && !status_.empty()) on_status_(status_);
    }

    // Runs a command by name (query: only asks whether it can run); the context menu's entries
    // are the window's "cut", "copy", "paste" and "select_all".
    void set_command_runner(std::function<bool(std::string_view name, bool query)> run) {
        run_command_ = std::move(run);
    }

    // The commands' operations.
    bool has_selection() const;
    std::string selected_text() const;
    void select_all();
    void delete_selection_or_next();
    // The selected text, removed; empty when there is none or the document is busy.
    std::string cut();
    void paste(const std::string& text);

    // TextDocumentView: after a change, a load's blocks and an undo included (UI thread).
    void text_changed(bool scroll_to_caret) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Tab and Shift+Tab are text here, not moves between widgets.
    bool focusNextPrevChild(bool next) override;

private:
    // After the model changed: scroll bars, caret status, the primary selection, a repaint.
    void refresh(bool selection_changed = false);
    bool refuse_edit();
    int click_count(const QMouseEvent& event);

    TextDocument& document_;
    std::function<bool()> busy_;
    std::unique_ptr<QtTextShaper> shaper_;
    std::unique_ptr<EditorViewModel> model_;
    std::function<void(const std::string&)> on_status_;
    std::function<bool(std::string_view, bool)> run_command_;
    std::string status_;
    QTimer blink_;
    bool caret_on_ = true;
    bool syncing_scroll_ = false;
    // Triple clicks: a press soon after a double click at the same place.
    qint64 last_double_click_ms_ = -1;
    QPoint last_double_click_at_;
};

}  // namespace tessel
