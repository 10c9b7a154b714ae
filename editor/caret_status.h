// The caret's place as the status bar shows it: "Ln 12  col 5  Pos  1,234", the user's line
// and the column within it counted from 1, and the offset from the start of the text, all in
// characters (code points) rather than bytes.
#pragma once

#include <cstdint>
#include <string>

#include "text/text_document.h"

namespace tessel {

struct CaretPlace {
    int32_t line = 0;    // logical line, from 0
    int32_t column = 0;  // characters before pos in its logical line
    int32_t offset = 0;  // characters before pos in the text
    bool operator==(const CaretPlace&) const = default;
};

// From the per-line results of the line scanner plus a count within pos's index line: valid
// once the scanner has passed pos's line. A logical line cut into several index lines counts
// its column from its first index line.
CaretPlace caret_place(TextDocument& document, TextPos pos);

// "Ln " line + 1, two blanks, "col " column + 1, two blanks, "Pos", two blanks, offset; every
// number with a comma between groups of three digits.
std::string caret_status_text(const CaretPlace& place);

}  // namespace tessel
