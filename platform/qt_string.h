// UTF-8 text of the core as Qt's strings: the one conversion every widget and adapter uses.
#pragma once

#include <QString>
#include <QTextDocument>
#include <string_view>

namespace tessel {

inline QString to_qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A value as a tooltip that shows it as it stands: markup in it is text, its line breaks
// stay, and long lines wrap.
inline QString plain_tooltip(std::string_view text) {
    return Qt::convertFromPlainText(to_qstring(text), Qt::WhiteSpaceNormal);
}

}  // namespace tessel
