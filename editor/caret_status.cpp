// The caret status text from the scanner's per-line totals.
#include "editor/caret_status.h"

#include <algorithm>

#include "foundation/number_format.h"

namespace tessel {

CaretPlace caret_place(TextDocument& document, TextPos pos) {
    pos = std::clamp(pos, 0, document.length());
    const LineIndex& index = document.index();
    const int32_t line = index.line_of(pos);
    CaretPlace place;
    place.line = index.scan(line).logical_line;
    place.offset = document.char_offset_of(pos);
    // Logical line numbers never fall from one index line to the next, so the first index
    // line of pos's logical line is found by halving.
    int32_t lo = 0;
    int32_t hi = line;
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (index.scan(mid).logical_line < place.line) lo = mid + 1;
        else hi = mid;
    }
    place.column = place.offset - index.scan(lo).chars_before;
    // Results the scanner has not brought up to date yet can disagree; the index line's own
    // count is right in any case.
    if (place.column < 0) place.column = document.char_column_of(pos);
    return place;
}

std::string caret_status_text(const CaretPlace& place) {
    std::string out = "Ln ";
    out += with_commas(int64_t{place.line} + 1);
    out += "  col ";
    out += with_commas(int64_t{place.column} + 1);
    out += "  Pos  ";
    out += with_commas(place.offset);
    return out;
}

}  // namespace tessel
