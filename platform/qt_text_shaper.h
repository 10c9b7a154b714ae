// QtTextShaper: the editor's TextShaper on Qt's text layout. A run of UTF-8 is converted to
// UTF-16 with a table between the two indexes, shaped once by a QTextLayout in one of the two
// editor fonts, and kept for a while, since the same run is measured, hit-tested and drawn
// in turn.
#pragma once

#include <QFont>
#include <QString>
#include <QTextLayout>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "seams/text_shaper.h"

class QPainter;

namespace tessel {

class QtTextShaper final : public TextShaper {
public:
    QtTextShaper(const QFont& first, const QFont& second);
    ~QtTextShaper() override;

    void set_fonts(const QFont& first, const QFont& second);
    const QFont& font(int font) const { return fonts_[font == kSecondEditorFont ? 1 : 0]; }

    FontMetrics metrics(int font) override;
    double width(std::string_view run, int font) override;
    double x_of(std::string_view run, int font, int32_t offset) override;
    int32_t offset_at(std::string_view run, int font, double x) override;

    // Draws the run as shaped here, its baseline at y, in the painter's pen.
    void draw(QPainter& painter, double x, double baseline, std::string_view run, int font);

private:
    struct Shaped {
        QString utf16;
        // Character boundaries in order: byte offsets and the UTF-16 indexes they match.
        std::vector<int32_t> bytes;
        std::vector<int32_t> units;
        std::unique_ptr<QTextLayout> layout;
    };
    Shaped& shape(std::string_view run, int font);

    QFont fonts_[2];
    // Shaped runs by font and text; emptied when full, as one screen's runs fit many times.
    std::unordered_map<std::string, std::unique_ptr<Shaped>> shaped_;
    std::string key_;
};

}  // namespace tessel
