// IndentOptions: how the indenter lays out a document.
#pragma once

#include <cstdint>

namespace tessel {

// Indentation grows with the level up to this level and stays there below it, so that the
// written text grows linearly with the document however deep it nests (as tessel-cli tree
// does). JSON is written with the same cap.
inline constexpr int32_t kMaxIndentLevels = 64;

struct IndentOptions {
    int32_t indent_size = 4;          // 1 to 9 blanks per level
    int32_t max_attributes = 8;       // attributes that still fit on the tag's line, 0 to 100
    bool remove_comments = false;     // comments are kept unless the user asks otherwise
    bool show_dialog_first = true;

    // The indentation one level below `indent` blanks, for a step of `step` blanks a level.
    static int32_t deeper(int32_t indent, int32_t step) {
        const int32_t most = kMaxIndentLevels * step;
        return indent + step < most ? indent + step : most;
    }
    int32_t deeper(int32_t indent) const { return deeper(indent, indent_size); }
};

}  // namespace tessel
