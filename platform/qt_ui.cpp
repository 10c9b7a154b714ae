// The core's Ui with Qt: message boxes, the balloon, file dialogs, the clipboard and URLs.
#include "platform/qt_ui.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/qt_loop_lock.h"
#include "shell/worker_pool.h"

namespace tessel {
namespace {

QString qstr(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A nested loop may end without an event that gives the loop's claim back; take it before the
// code after it touches the core.
void reclaim_lock() {
    if (QtLoopLock* adapter = QtLoopLock::instance()) adapter->claim();
}

QMessageBox::StandardButtons qt_buttons(UiButtons buttons) {
    switch (buttons) {
        case UiButtons::ok: return QMessageBox::Ok;
        case UiButtons::ok_cancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case UiButtons::yes_no: return QMessageBox::Yes | QMessageBox::No;
        case UiButtons::yes_no_cancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon qt_icon(UiIcon icon) {
    switch (icon) {
        case UiIcon::none: return QMessageBox::NoIcon;
        case UiIcon::information: return QMessageBox::Information;
        case UiIcon::warning: return QMessageBox::Warning;
        case UiIcon::question: return QMessageBox::Question;
        case UiIcon::error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// Room above the balloon's body for the tail that points at its tip, and the tail's offset
// from the left edge.
constexpr int kTailHeight = 10;
constexpr int kTailLeft = 16;
constexpr int kTailWidth = 14;
constexpr qreal kRadius = 6;

QPainterPath balloon_outline(QSize size) {
    QPainterPath body;
    body.addRoundedRect(QRectF(0.5, kTailHeight + 0.5, size.width() - 1,
                               size.height() - kTailHeight - 1),
                        kRadius, kRadius);
    QPainterPath tail;
    tail.moveTo(kTailLeft, kTailHeight + 1.5);
    tail.lineTo(kTailLeft, 0.5);
    tail.lineTo(kTailLeft + kTailWidth, kTailHeight + 1.5);
    tail.closeSubpath();
    return body.united(tail);
}

}  // namespace

QStringList qt_name_filters(std::string_view filter) {
    const QStringList pieces = qstr(filter).split(u'#');
    QStringList result;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        QString name = pieces[i].trimmed();
        if (name.isEmpty()) break;  // the empty name that ends the list
        QStringList patterns;
        for (const QString& piece : pieces[i + 1].split(u';')) {
            const QString pattern = piece.trimmed();
            if (pattern.isEmpty()) continue;
            patterns << (pattern == u"*.*" ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty()) continue;
        if (name.endsWith(u')')) {
            const qsizetype open = name.lastIndexOf(u'(');
            if (open >= 0) name = name.left(open).trimmed();
        }
        if (name.isEmpty()) name = patterns.join(u' ');
        result << name + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return result;
}

QtBalloon::QtBalloon(const QString& title, const QString& text, QPoint tip)
    : QFrame(nullptr, Qt::ToolTip | Qt::FramelessWindowHint), tip_(tip),
      focus_before_(QApplication::focusWidget()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setObjectName(QStringLiteral("balloon"));
    setPalette(QToolTip::palette());

    auto* icon = new QLabel(this);
    const int icon_size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this)
                        .pixmap(icon_size, icon_size));
    auto* heading = new QLabel(title, this);
    heading->setObjectName(QStringLiteral("title"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* body = new QLabel(text, this);
    body->setObjectName(QStringLiteral("text"));
    body->setWordWrap(text.size() > 60);
    auto* close_button = new QToolButton(this);
    close_button->setObjectName(QStringLiteral("close"));
    close_button->setAutoRaise(true);
    close_button->setFocusPolicy(Qt::NoFocus);
    close_button->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, this));
    close_button->setToolTip(QStringLiteral("Close"));
    connect(close_button, &QToolButton::clicked, this, &QWidget::close);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(8, kTailHeight + 6, 6, 8);
    layout->setHorizontalSpacing(6);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(heading, 0, 1);
    layout->addWidget(close_button, 0, 2, Qt::AlignTop | Qt::AlignRight);
    layout->addWidget(body, 1, 1, 1, 2);
    layout->setColumnStretch(1, 1);

    adjustSize();
    setMask(QRegion(balloon_outline(size()).toFillPolygon().toPolygon()));
    move(tip.x() - kTailLeft, tip.y());
}

QString QtBalloon::title() const {
    return findChild<QLabel*>(QStringLiteral("title"))->text();
}

QString QtBalloon::text() const {
    return findChild<QLabel*>(QStringLiteral("text"))->text();
}

void QtBalloon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    painter.drawPath(balloon_outline(size()));
}

void QtBalloon::closeEvent(QCloseEvent* event) {
    if (focus_before_) {
        focus_before_->activateWindow();
        focus_before_->setFocus(Qt::OtherFocusReason);
    }
    QFrame::closeEvent(event);
}

QtUi::QtUi(WorkerPool* pool, UiPoster& poster)
    : pool_(pool), poster_(poster), alive_(std::make_shared<bool>(true)) {}

QtUi::~QtUi() {
    if (balloon_) balloon_->close();
}

// On the UI thread the call runs at once. From a worker it is posted to the UI thread and the
// worker waits for the result with the lock given up; a call the UI thread drops (the window
// or this object gone first) answers if_dropped.
template <typename Result, typename Call>
Result QtUi::on_ui_thread(Result if_dropped, Call call) {
    if (poster_.on_ui_thread()) return call();
    struct Answer {
        std::mutex mutex;
        std::condition_variable ready;
        bool done = false;
        Result value;
    };
    // Whoever drops the last copy of the posted closure, after running it or instead of it,
    // wakes the worker.
    struct Waker {
        explicit Waker(std::shared_ptr<Answer> a) : answer(std::move(a)) {}
        Waker(const Waker&) = delete;
        Waker& operator=(const Waker&) = delete;
        std::shared_ptr<Answer> answer;
        ~Waker() {
            std::lock_guard<std::mutex> guard(answer->mutex);
            answer->done = true;
            answer->ready.notify_all();
        }
    };
    auto answer = std::make_shared<Answer>();
    answer->value = std::move(if_dropped);
    const bool in_job = pool_ && pool_->current_job();
    if (in_job) pool_->enter_blocking_ui_call();
    {
        auto waker = std::make_shared<Waker>(answer);
        std::weak_ptr<bool> alive = alive_;
        poster_.post([waker, alive, call]() mutable {
            if (alive.expired()) return;
            Result value = call();
            std::lock_guard<std::mutex> guard(waker->answer->mutex);
            waker->answer->value = std::move(value);
        });
    }
    Result result;
    {
        std::unique_lock<std::mutex> guard(answer->mutex);
        answer->ready.wait(guard, [&] { return answer->done; });
        result = std::move(answer->value);
    }
    if (in_job) pool_->leave_blocking_ui_call();
    return result;
}

// Calls without an answer are posted from a worker and the worker goes on.
void QtUi::post_to_ui(std::function<void()> call) {
    if (poster_.on_ui_thread()) return call();
    std::weak_ptr<bool> alive = alive_;
    poster_.post([alive, call = std::move(call)] {
        if (!alive.expired()) call();
    });
}

QWidget* QtUi::parent_window() const {
    return window_ ? window_.data() : QApplication::activeWindow();
}

UiAnswer QtUi::message_box(std::string_view text, std::string_view caption, UiButtons buttons,
                           UiIcon icon) {
    const UiAnswer closed =
        buttons == UiButtons::ok_cancel || buttons == UiButtons::yes_no_cancel ? UiAnswer::cancel
        : buttons == UiButtons::ok                                           ? UiAnswer::ok
                                                                             : UiAnswer::no;
    QString title = qstr(caption);
    if (title.isEmpty() || title == u"Tessel") title = QString::fromLatin1(kProductCaption);
    return on_ui_thread(closed, [this, message = qstr(text), title, buttons, icon, closed] {
        QMessageBox box(qt_icon(icon), title, message, qt_buttons(buttons), parent_window());
        const int result = box.exec();
        reclaim_lock();
        switch (result) {
            case QMessageBox::Ok: return UiAnswer::ok;
            case QMessageBox::Cancel: return UiAnswer::cancel;
            case QMessageBox::Yes: return UiAnswer::yes;
            case QMessageBox::No: return UiAnswer::no;
            default: return closed;
        }
    });
}

void QtUi::balloon(std::string_view title, std::string_view text, int x, int y) {
    post_to_ui([this, heading = qstr(title), body = qstr(text), x, y] {
        QPoint tip(x, y);
        if (QWidget* focus = QApplication::focusWidget())
            tip = focus->window()->mapToGlobal(tip);
        else if (QWidget* window = parent_window())
            tip = window->mapToGlobal(tip);
        if (balloon_) balloon_->close();
        balloon_ = new QtBalloon(heading, body, tip);
        balloon_->show();
    });
}

std::string QtUi::file_dialog(bool save, std::string_view path, std::string_view filter) {
    return on_ui_thread(std::string(), [this, save, start = qstr(path),
                                        filters = qt_name_filters(filter)] {
        QFileDialog dialog(parent_window(), save ? QStringLiteral("Save As")
                                                 : QStringLiteral("Open"));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        if (!filters.isEmpty()) dialog.setNameFilters(filters);
        const QFileInfo info(start);
        if (start.isEmpty()) {
            dialog.setDirectory(QDir::homePath());
        } else if (info.isDir()) {
            dialog.setDirectory(start);
        } else {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
        const int result = dialog.exec();
        reclaim_lock();
        if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
        return dialog.selectedFiles().front().toStdString();
    });
}

void QtUi::set_clipboard(std::string_view text) {
    post_to_ui([copy = qstr(text)] { QGuiApplication::clipboard()->setText(copy); });
}

std::string QtUi::clipboard_text() {
    return on_ui_thread(std::string(),
                        [] { return QGuiApplication::clipboard()->text().toStdString(); });
}

void QtUi::open_url(std::string_view url) {
    post_to_ui([target = qstr(url)] { QDesktopServices::openUrl(QUrl::fromUserInput(target)); });
}

}  // namespace tessel
