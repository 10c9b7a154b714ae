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
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <memory>
#include <utility>

#include "platform/qt_string.h"
#include "platform/ui_thread_call.h"

namespace tessel {
namespace {

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
    const QStringList pieces = to_qstring(filter).split(u'#');
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

template <typename Result, typename Call>
Result QtUi::on_ui_thread(Result if_dropped, Call call) {
    return call_on_ui_thread(poster_, pool_, std::weak_ptr<bool>(alive_), std::move(if_dropped),
                             std::move(call));
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
    QString title = to_qstring(caption);
    if (title.isEmpty() || title == u"Tessel") title = QString::fromLatin1(kProductCaption);
    return on_ui_thread(closed, [this, message = to_qstring(text), title, buttons, icon, closed] {
        QMessageBox box(qt_icon(icon), title, message, qt_buttons(buttons), parent_window());
        const int result = box.exec();
        reclaim_lock_after_nested_loop();
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
    post_to_ui([this, heading = to_qstring(title), body = to_qstring(text), x, y] {
        QPoint tip(x, y);
        if (QWidget* focus = QApplication::focusWidget())
            tip = focus->window()->mapToGlobal(tip);
        else if (QWidget* window = parent_window())
            tip = window->mapToGlobal(tip);
        replace_balloon(heading, body, tip);
    });
}

QtBalloon* QtUi::show_balloon(std::string_view title, std::string_view text, QWidget* anchor,
                              QRect area) {
    const QRect target = area.isNull() ? anchor->rect() : area;
    return replace_balloon(to_qstring(title), to_qstring(text), anchor->mapToGlobal(target.center()));
}

QtBalloon* QtUi::replace_balloon(const QString& title, const QString& text, QPoint tip) {
    if (balloon_) balloon_->close();
    balloon_ = new QtBalloon(title, text, tip);
    balloon_->show();
    return balloon_;
}

std::string QtUi::file_dialog(bool save, std::string_view path, std::string_view filter) {
    return on_ui_thread(std::string(), [this, save, start = to_qstring(path),
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
        // Wide and tall enough to read the name, size, type and date columns: 900 by 600, or
        // nine tenths of a smaller screen.
        QSize size(kFileDialogWidth, kFileDialogHeight);
        const QWidget* owner = parent_window();
        if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
        dialog.resize(size);
        const int result = dialog.exec();
        reclaim_lock_after_nested_loop();
        if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
        return dialog.selectedFiles().front().toStdString();
    });
}

void QtUi::set_clipboard(std::string_view text) {
    post_to_ui([copy = to_qstring(text)] { QGuiApplication::clipboard()->setText(copy); });
}

std::string QtUi::clipboard_text() {
    return on_ui_thread(std::string(),
                        [] { return QGuiApplication::clipboard()->text().toStdString(); });
}

void QtUi::open_url(std::string_view url) {
    // Failing is told in the window: a message on the terminal is seen by nobody.
    post_to_ui([this, target = to_qstring(url)] {
        if (QDesktopServices::openUrl(QUrl::fromUserInput(target))) return;
        QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kProductCaption),
                        QStringLiteral("%1 could not be opened: the desktop has no program to show it.")
                            .arg(target),
                        QMessageBox::Ok, parent_window());
        box.exec();
        reclaim_lock_after_nested_loop();
    });
}

}  // namespace tessel
