// FontRecord <-> QFont.
#include "platform/qt_font_record.h"

#include <QString>
#include <cmath>

namespace tessel {

QFont to_qfont(const FontRecord& record) {
    QFont font(QString::fromStdString(record.face));
    font.setPointSize(record.size);
    font.setWeight(record.bold != 0 ? QFont::Bold : QFont::Normal);
    font.setItalic(record.italic != 0);
    return font;
}

FontRecord to_font_record(const QFont& font, const FontRecord& base) {
    FontRecord record = base;
    if (!font.family().isEmpty()) record.face = font.family().toStdString();
    const double points = font.pointSizeF();
    if (points > 0) {
        const auto size = static_cast<int32_t>(std::lround(points));
        if (size >= kMinFontSize && size <= kMaxFontSize) record.size = size;
    }
    record.bold = font.weight() >= QFont::DemiBold ? 1 : 0;
    record.italic = font.italic() ? 1 : 0;
    return record;
}

}  // namespace tessel
