// The filter line of a browser pane.
#include "gui/filter_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPalette>
#include <algorithm>

#include "foundation/number_format.h"

namespace tessel {

namespace {
// Typing pauses this long before the rows are filtered: each key press of a quick typist
// would otherwise start (and cancel) a pass over a million rows.
constexpr int kPauseMs = 250;
}  // namespace

FilterBar::FilterBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("filter_bar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(6);
    auto* label = new QLabel(tr("&Filter:"), this);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("filter_text"));
    text_->setPlaceholderText(tr("Text the rows hold"));
    text_->setClearButtonEnabled(true);
    label->setBuddy(text_);
    scope_ = new QComboBox(this);
    scope_->setObjectName(QStringLiteral("filter_scope"));
    // In the order of RowFilter::Match.
    match_ = new QComboBox(this);
    match_->setObjectName(QStringLiteral("filter_match"));
    match_->addItems({tr("contains"), tr("matches regex"), tr("is exactly")});
    match_->setToolTip(tr("How a cell's text must match: it contains the text (any case), a regular expression "
                          "finds a match in it (any case), or it is exactly the text"));
    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("filter_counts"));
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("filter_close"));
    close->setAutoRaise(true);
    close->setText(QStringLiteral("×"));
    close->setToolTip(tr("Show every row (Esc)"));
    row->addWidget(label);
    row->addWidget(match_);
    row->addWidget(text_, 1);
    row->addWidget(new QLabel(tr("in"), this));
    row->addWidget(scope_);
    row->addWidget(counts_);
    row->addWidget(close);
    text_->installEventFilter(this);
    pause_.setSingleShot(true);
    pause_.setInterval(kPauseMs);
    connect(&pause_, &QTimer::timeout, this, [this] {
        if (on_changed_) on_changed_();
    });
    connect(text_, &QLineEdit::textChanged, this, [this] { changed(); });
    connect(match_, &QComboBox::currentIndexChanged, this, [this] { changed(); });
    connect(scope_, &QComboBox::currentIndexChanged, this, [this] { changed(); });
    connect(close, &QToolButton::clicked, this, [this] {
        if (on_closed_) on_closed_();
    });
}

void FilterBar::show_filter(const RowFilter& filter, const std::vector<std::pair<int32_t, QString>>& columns) {
    showing_ = true;
    pause_.stop();
    columns_.clear();
    scope_->clear();
    scope_->addItem(tr("all columns"));
    for (const auto& [column, title] : columns) {
        if (std::find(columns_.begin(), columns_.end(), column) != columns_.end()) continue;
        columns_.push_back(column);
        scope_->addItem(title.isEmpty() ? tr("column %1").arg(column) : title);
        if (column == filter.column) scope_->setCurrentIndex(scope_->count() - 1);
    }
    if (filter.column < 0) scope_->setCurrentIndex(0);
    match_->setCurrentIndex(static_cast<int>(filter.match));
    if (text_->text() != QString::fromStdString(filter.text)) text_->setText(QString::fromStdString(filter.text));
    counts_->clear();
    showing_ = false;
}

void FilterBar::show_counts(int32_t shown, int32_t total) {
    counts_->setPalette(QPalette());
    counts_->setText(tr("%1 of %2 rows")
                         .arg(QString::fromStdString(with_commas(shown)), QString::fromStdString(with_commas(total))));
}

void FilterBar::show_error(const QString& error) {
    QPalette red = counts_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    counts_->setPalette(red);
    counts_->setText(error);
}

RowFilter FilterBar::filter() const {
    RowFilter filter;
    filter.text = text_->text().toStdString();
    filter.match = static_cast<RowFilter::Match>(std::clamp(match_->currentIndex(), 0, 2));
    const int scope = scope_->currentIndex();
    filter.column = scope >= 1 && scope <= static_cast<int>(columns_.size()) ? columns_[static_cast<size_t>(scope - 1)] : -1;
    return filter;
}

void FilterBar::changed() {
    if (!showing_) pause_.start();
}

bool FilterBar::eventFilter(QObject* watched, QEvent* event) {
    // Esc is also a command key: the bar claims it before the window's shortcuts see it.
    if (watched == text_ && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            if (on_closed_) on_closed_();
            return true;
        }
        // Enter filters at once, without waiting for the pause.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            pause_.stop();
            if (on_changed_) on_changed_();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tessel
