// The display font's record as a QFont and back: point size, weight bold or normal, italic.
#pragma once

#include <QFont>

#include "settings/font_record.h"

namespace tessel {

// Bold is weight 700, else 400.
QFont to_qfont(const FontRecord& record);
// A weight from semi-bold (600) up counts as bold; a font sized in pixels, or one whose size
// the record cannot keep, leaves the size of base.
FontRecord to_font_record(const QFont& font, const FontRecord& base = FontRecord());

}  // namespace tessel
