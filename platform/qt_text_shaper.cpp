// QtTextShaper: UTF-8 runs shaped by QTextLayout, with the index table between UTF-8 bytes
// and UTF-16 units.
#include "platform/qt_text_shaper.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLine>
#include <QTextOption>
#include <algorithm>
#include <cmath>

#include "text/utf8_boundary.h"
#include "text/utf8_reader.h"

namespace tessel {

namespace {

constexpr size_t kMaxShaped = 512;

// Surrogates and values past U+10FFFF have no UTF-16 form of their own; a byte that starts
// no character shows as the replacement character. Either way one boundary stays one.
char32_t shown_code_point(std::string_view run, int32_t at, int32_t next) {
    const auto* p = reinterpret_cast<const uint8_t*>(run.data()) + at;
    if (p[0] < 0x80) return p[0];
    const Utf8Step step = read_utf8(p, static_cast<size_t>(next - at));
    if (step.kind != Utf8Step::kChar || step.length != next - at) return 0xFFFD;
    if ((step.code >= 0xD800 && step.code <= 0xDFFF) || step.code > 0x10FFFF) return 0xFFFD;
    return step.code;
}

}  // namespace

QtTextShaper::QtTextShaper(const QFont& first, const QFont& second) { set_fonts(first, second); }

QtTextShaper::~QtTextShaper() = default;

void QtTextShaper::set_fonts(const QFont& first, const QFont& second) {
    fonts_[0] = first;
    fonts_[1] = second;
    shaped_.clear();
}

FontMetrics QtTextShaper::metrics(int font) {
    const QFontMetricsF fm(this->font(font));
    // Whole pixels for the line height, so that lines never blur across pixel rows.
    return FontMetrics{fm.ascent(), std::ceil(fm.lineSpacing()), fm.horizontalAdvance(QLatin1Char('X'))};
}

QtTextShaper::Shaped& QtTextShaper::shape(std::string_view run, int font) {
    key_.assign(1, static_cast<char>(font));
    key_.append(run);
    if (auto it = shaped_.find(key_); it != shaped_.end()) return *it->second;
    if (shaped_.size() >= kMaxShaped) shaped_.clear();

    auto shaped = std::make_unique<Shaped>();
    const int32_t n = static_cast<int32_t>(run.size());
    shaped->utf16.reserve(n);
    for (int32_t at = 0; at < n;) {
        const int32_t next = next_char_boundary(run, at);
        shaped->bytes.push_back(at);
        shaped->units.push_back(static_cast<int32_t>(shaped->utf16.size()));
        const char32_t code = shown_code_point(run, at, next);
        if (code > 0xFFFF) {
            shaped->utf16.append(QChar(QChar::highSurrogate(code)));
            shaped->utf16.append(QChar(QChar::lowSurrogate(code)));
        } else {
            shaped->utf16.append(QChar(static_cast<char16_t>(code)));
        }
        at = next;
    }
    shaped->bytes.push_back(n);
    shaped->units.push_back(static_cast<int32_t>(shaped->utf16.size()));

    shaped->layout = std::make_unique<QTextLayout>(shaped->utf16, this->font(font));
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(Qt::LeftToRight);
    shaped->layout->setTextOption(option);
    shaped->layout->setCacheEnabled(true);
    shaped->layout->beginLayout();
    shaped->layout->createLine();
    shaped->layout->endLayout();
    return *shaped_.emplace(key_, std::move(shaped)).first->second;
}

double QtTextShaper::width(std::string_view run, int font) {
    if (run.empty()) return 0;
    return shape(run, font).layout->lineAt(0).horizontalAdvance();
}

double QtTextShaper::x_of(std::string_view run, int font, int32_t offset) {
    if (run.empty() || offset <= 0) return 0;
    Shaped& s = shape(run, font);
    auto it = std::lower_bound(s.bytes.begin(), s.bytes.end(), offset);
    if (it == s.bytes.end()) --it;
    const int32_t unit = s.units[static_cast<size_t>(it - s.bytes.begin())];
    return s.layout->lineAt(0).cursorToX(unit);
}

int32_t QtTextShaper::offset_at(std::string_view run, int font, double x) {
    if (run.empty()) return 0;
    Shaped& s = shape(run, font);
    const int32_t unit = s.layout->lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
    // The boundary at or before the unit: Qt answers between grapheme clusters, which are
    // character boundaries too.
    auto it = std::upper_bound(s.units.begin(), s.units.end(), unit);
    if (it != s.units.begin()) --it;
    return s.bytes[static_cast<size_t>(it - s.units.begin())];
}

void QtTextShaper::draw(QPainter& painter, double x, double baseline, std::string_view run, int font) {
    if (run.empty()) return;
    Shaped& s = shape(run, font);
    const QTextLine line = s.layout->lineAt(0);
    s.layout->draw(&painter, QPointF(x, baseline - line.ascent()));
}

}  // namespace tessel
