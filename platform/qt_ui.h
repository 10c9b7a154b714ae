// QtUi: the core's questions to the user and the desktop, answered with Qt widgets. Every call
// may come from a worker: it is then posted to the UI thread and, when it has an answer, the
// worker waits for it with the lock given up (a blocking UI call), so the window keeps running.
#pragma once

#include <QFrame>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "seams/ui.h"
#include "seams/ui_poster.h"

namespace tessel {

class WorkerPool;

// The caption of every message box; the core's own "Tessel" and an empty caption become it.
inline constexpr const char* kProductCaption = "Tessel 2.2";

// The file dialogs' size where the screen has room for it.
inline constexpr int kFileDialogWidth = 900;
inline constexpr int kFileDialogHeight = 600;

// The core's filter text ("Name#patterns#Name#patterns#...#", patterns separated by ';') as
// the name filters of a Qt file dialog: "Name (p1 p2)". A pattern list in parentheses at the
// end of a name is dropped from it (the patterns after it are the ones that count), and "*.*"
// becomes "*" so that files without an extension are offered too.
QStringList qt_name_filters(std::string_view filter);

// The balloon: a small popup with an information icon, a bold title, a text and a close
// button, its tip at a global point. Closing it gives the focus back to the widget that had it.
class QtBalloon final : public QFrame {
    Q_OBJECT
public:
    QtBalloon(const QString& title, const QString& text, QPoint tip);
    QPoint tip() const { return tip_; }
    QString title() const;
    QString text() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPoint tip_;
    QPointer<QWidget> focus_before_;
};

class QtUi final : public Ui {
public:
    // pool: for the blocking-call brackets of workers (may be null when no worker calls);
    // poster: carries calls from workers to the UI thread.
    QtUi(WorkerPool* pool, UiPoster& poster);
    ~QtUi() override;
    QtUi(const QtUi&) = delete;
    QtUi& operator=(const QtUi&) = delete;

    // The window the dialogs belong to; without one, the active window.
    void set_window(QWidget* window) { window_ = window; }

    UiAnswer message_box(std::string_view text, std::string_view caption, UiButtons buttons,
                         UiIcon icon) override;
    void balloon(std::string_view title, std::string_view text, int x, int y) override;
    // UI thread only: the balloon pointing at the centre of area, a rectangle of anchor (the
    // whole of anchor when area is null). It replaces the balloon on screen.
    QtBalloon* show_balloon(std::string_view title, std::string_view text, QWidget* anchor,
                            QRect area = QRect());
    std::string file_dialog(bool save, std::string_view path, std::string_view filter) override;
    void set_clipboard(std::string_view text) override;
    std::string clipboard_text();
    void open_url(std::string_view url) override;

    // The balloon on screen, or null (UI thread only).
    QtBalloon* current_balloon() const {
        return balloon_ && balloon_->isVisible() ? balloon_.data() : nullptr;
    }

private:
    template <typename Result, typename Call>
    Result on_ui_thread(Result if_dropped, Call call);
    void post_to_ui(std::function<void()> call);
    QtBalloon* replace_balloon(const QString& title, const QString& text, QPoint tip);
    QWidget* parent_window() const;

    WorkerPool* pool_;
    UiPoster& poster_;
    QPointer<QWidget> window_;
    QPointer<QtBalloon> balloon_;
    std::shared_ptr<bool> alive_;
};

}  // namespace tessel
