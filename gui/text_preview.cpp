// The document's text on screen, read-only.
#include "gui/text_preview.h"

#include <QFontDatabase>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace tessel {

TextPreview::TextPreview(TextDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent), document_(document) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    viewport()->setAutoFillBackground(true);
    QPalette colours = viewport()->palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Base));
    viewport()->setPalette(colours);
    document_.set_view(this);
    update_scroll_range();
}

TextPreview::~TextPreview() { document_.set_view(nullptr); }

int TextPreview::line_height() const { return std::max(fontMetrics().lineSpacing(), 1); }

int32_t TextPreview::first_line() const { return verticalScrollBar()->value(); }

void TextPreview::update_scroll_range() {
    const int visible = std::max(viewport()->height() / line_height(), 1);
    const int lines = document_.index().line_count();
    verticalScrollBar()->setRange(0, std::max(lines - visible, 0));
    verticalScrollBar()->setPageStep(visible);
    horizontalScrollBar()->setRange(0, 0);
}

void TextPreview::text_changed(bool) {
    update_scroll_range();
    viewport()->update();
}

void TextPreview::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_range();
}

void TextPreview::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const int height = line_height();
    const int ascent = fontMetrics().ascent();
    const LineIndex& index = document_.index();
    const int32_t lines = index.line_count();
    const int32_t first = first_line();
    const int margin = 4;
    painter.setPen(palette().color(QPalette::Text));
    for (int32_t line = first, y = 0; line < lines && y < viewport()->height(); ++line, y += height) {
        const int32_t length = std::min(index.line_length(line), kShownLineBytes);
        const std::string bytes = document_.store().substr(index.line_start(line), length);
        QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
        text.replace('\t', QStringLiteral("    "));
        painter.drawText(margin, y + ascent, text);
    }
}

}  // namespace tessel
