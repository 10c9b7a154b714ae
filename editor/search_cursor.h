// SearchCursor: the walk of a search over candidate start positions, wrapping around the end
// of the text, and where a search starts and stops for a given caret and selection.
#pragma once

#include <algorithm>
#include <cstdint>

#include "text/text_pos.h"

namespace tessel {

struct SearchCursor {
    int32_t counter = -1;  // index of the candidate being tested; -1 before the first
    TextPos start = 0;     // the first candidate
    TextPos stop = 0;      // the last candidate: a walk visits it too
    bool forward = true;
    int32_t length = 0;  // the text length when the search began

    // Candidates from start to stop inclusive, in the walk's direction, around the end of
    // the text: so a walk whose stop lies just behind its start visits every offset once.
    int32_t candidate_count() const {
        if (length <= 0) return 0;
        int32_t span = forward ? stop - start : start - stop;
        if (span < 0) span += length;
        return span + 1;
    }
    // Candidate i (from 0), brought into [0, length).
    TextPos candidate(int32_t i) const {
        TextPos g = forward ? start + i : start - i;
        if (g >= length) g -= length;
        if (g < 0) g += length;
        return g;
    }
    // The index of candidate position g: the inverse of candidate.
    int32_t index_of(TextPos g) const {
        int32_t i = forward ? g - start : start - g;
        return i < 0 ? i + length : i;
    }
};

// The walk of a search from the caret (no selection) or from a selection. A selection is
// taken by its start, whichever end the caret is at: after a match the selection starts at
// the match, so the next search goes on one byte further, and a selection made right to
// left behaves like one made left to right.
//   forward:  start = caret,     stop = caret - 1   /  start = first + 1, stop = first
//   backward: start = caret - 1, stop = caret       /  start = first - 1, stop = first
inline SearchCursor make_search_cursor(TextPos anchor, TextPos caret, bool forward,
                                       int32_t length) {
    SearchCursor c;
    c.forward = forward;
    c.length = std::max(length, 0);
    if (c.length == 0) return c;
    caret = std::clamp(caret, 0, c.length);
    anchor = std::clamp(anchor, 0, c.length);
    const bool selection = anchor != caret;
    const TextPos from = selection ? std::min(anchor, caret) : caret;
    const int32_t step = forward ? 1 : -1;
    // Positions may be -1 or up to length + 1 here; bring them into [0, length).
    auto wrap = [&](TextPos p) { return ((p % c.length) + c.length) % c.length; };
    if (selection) {
        c.start = wrap(from + step);
        c.stop = wrap(from);
    } else {
        c.start = wrap(forward ? from : from - 1);
        c.stop = wrap(forward ? from - 1 : from);
    }
    return c;
}

// The walk of Replace All over first..last (inclusive), forward and without wrapping; an
// empty or out-of-text range has no candidates.
inline SearchCursor make_linear_cursor(TextPos first, TextPos last, int32_t length) {
    SearchCursor c;
    first = std::max(first, 0);
    last = std::min(last, length - 1);
    if (last < first) return c;
    c.length = length;
    c.start = first;
    c.stop = last;
    return c;
}

}  // namespace tessel
