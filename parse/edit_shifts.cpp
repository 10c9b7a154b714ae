// EditShifts: a sorted list of replacements; edits between two parses are few.
#include "parse/edit_shifts.h"

#include <algorithm>

namespace tessel {

void EditShifts::record(TextPos first, int64_t delta) {
    if (delta == 0) return;
    auto at = std::upper_bound(shifts_.begin(), shifts_.end(), first,
                               [](TextPos f, const Shift& s) { return f < s.first; });
    shifts_.insert(at, Shift{first, delta});
}

TextPos EditShifts::current(TextPos at) const {
    int64_t moved = 0;
    for (const Shift& s : shifts_) {
        if (s.first >= at) break;
        moved += s.delta;
    }
    return static_cast<TextPos>(at + moved);
}

}  // namespace tessel
