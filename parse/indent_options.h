// IndentOptions: how the indenter lays out a document.
#pragma once

#include <cstdint>

namespace tessel {

struct IndentOptions {
    int32_t indent_size = 4;          // 1 to 9 blanks per level
    int32_t max_attributes = 8;       // attributes that still fit on the tag's line, 0 to 100
    bool remove_comments = true;
    bool show_dialog_first = true;
};

}  // namespace tessel
