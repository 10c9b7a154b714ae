// The busy cursor rule.
#include "window/busy_cursor.h"

namespace tessel {

bool BusyCursor::update(const ElapsedLookup& elapsed, bool forced) {
    bool busy = false;
    for (std::string_view worker : kWorkers) {
        // A job that has just begun does not flicker the cursor: only one past 0 ms counts.
        if (elapsed(worker) > 0) {
            busy = true;
            break;
        }
    }
    bool changed = busy != busy_;
    busy_ = busy;
    return changed || forced;
}

}  // namespace tessel
