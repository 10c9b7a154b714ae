// ASCII letter case: the comparisons of names, extensions and encodings that ignore the
// case of A-Z only (bytes from 0x80 up, and every other byte, compare as they are).
#pragma once

#include <string_view>

namespace tessel {

inline char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

}  // namespace tessel
