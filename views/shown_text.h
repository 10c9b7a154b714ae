// What a one-line label or cell shows of a value: its first line, cut to a length that could
// ever fit, and whether anything was left out (the view then ends it with kCutMark and offers
// the whole value as a tooltip, itself capped, so a megabyte text node never becomes one).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kCutMark = "\xE2\x80\xA6";  // "…"
// A tooltip shows at most this many bytes of a value.
inline constexpr size_t kTooltipBytes = 4000;

struct ShownLine {
    std::string_view text;
    // More of the value than text: further lines that are not all blank, or a first line
    // longer than the limit.
    bool cut = false;
};

// The value's first line (up to CR or LF), at most max_bytes of it, cut before a character.
ShownLine first_line_of(std::string_view value, size_t max_bytes);

// The value for a tooltip: whole up to max_bytes, else cut before a character with kCutMark
// after it.
std::string tooltip_text(std::string_view value, size_t max_bytes = kTooltipBytes);

}  // namespace tessel
