// Positions in the document text: byte offsets into its UTF-8 bytes, and line positions.
#pragma once

#include <cstdint>

namespace tessel {

// A byte offset from the start of the text; -1 means none.
using TextPos = int32_t;

// An inclusive pair of offsets. An empty range at p is (p, p - 1); (-1, -1) is none.
struct TextRange {
    TextPos first = -1;
    TextPos last = -1;
    bool empty() const { return last < first; }
    int32_t length() const { return last < first ? 0 : last - first + 1; }
};

// An index line (counted from 0) and a byte column within it.
struct LinePos {
    int32_t line = 0;
    int32_t column = 0;
    bool operator==(const LinePos&) const = default;
};

}  // namespace tessel
