// UTF-8 text of the core as Qt's strings: the one conversion every widget and adapter uses.
#pragma once

#include <QString>
#include <string_view>

namespace tessel {

inline QString to_qstring(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tessel
