// EditShifts: a sorted list of replacements; edits between two parses are few.
#include "parse/edit_shifts.h"

#include <algorithm>

namespace tessel {

void EditShifts::record(TextPos first, int64_t replaced, int64_t written) {
    auto at = std::lower_bound(shifts_.begin(), shifts_.end(), first,
                               [](const Shift& s, TextPos f) { return s.first < f; });
    // The same range written again: one shift from the parse's text to the latest.
    if (at != shifts_.end() && at->first == first) {
        at->delta += written - replaced;
        at->written = written;
        return;
    }
    if (replaced != written) shifts_.insert(at, Shift{first, written - replaced, written});
}

TextPos EditShifts::current(TextPos at) const {
    int64_t moved = 0;
    for (const Shift& s : shifts_) {
        if (s.first >= at) break;
        moved += s.delta;
    }
    return static_cast<TextPos>(at + moved);
}

TextPos EditShifts::tree_offset(TextPos at) const {
    int64_t moved = 0;
    for (const Shift& s : shifts_) {
        const int64_t starts = s.first + moved;  // where the written text begins now
        if (at < starts) break;
        if (at < starts + s.written) return s.first;  // inside it: the range's start
        moved += s.delta;
    }
    return static_cast<TextPos>(at - moved);
}

}  // namespace tessel
