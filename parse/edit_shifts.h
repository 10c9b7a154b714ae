// EditShifts: where the offsets of a tree lie in the text after cell edits made since the
// parse. Nodes keep the offsets they were parsed at and only the lengths of what was edited
// change, so an offset moves by what every replacement that begins before it added or took.
#pragma once

#include <cstdint>
#include <vector>

#include "text/text_pos.h"

namespace tessel {

class EditShifts {
public:
    // A replacement of `replaced` bytes at tree offset `first` by `written` bytes.
    void record(TextPos first, int64_t replaced, int64_t written);
    // Where tree offset `at` lies in the text now. A replacement beginning at `at` itself
    // does not move it: that is the range being edited again, or a text inserted there, and
    // their nodes report their current lengths.
    TextPos current(TextPos at) const;
    // The tree offset of text offset `at`: the inverse of current, where a place inside a
    // written range counts as that range's start.
    TextPos tree_offset(TextPos at) const;
    bool empty() const { return shifts_.empty(); }

private:
    struct Shift {
        TextPos first;
        int64_t delta;
        int64_t written;
    };
    std::vector<Shift> shifts_;  // by first, in the order recorded among equals
};

}  // namespace tessel
