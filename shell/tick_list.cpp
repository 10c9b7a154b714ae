// Periodic callbacks.
#include "shell/tick_list.h"

#include <algorithm>

namespace tessel {

void TickList::add(TickCallback* callback, uint32_t interval_ms) {
    entries_.push_back({callback, interval_ms, 0});
}

void TickList::remove(TickCallback* callback) {
    std::erase_if(entries_, [callback](const Entry& e) { return e.callback == callback; });
}

void TickList::run(double now_ms) {
    // By index: a callback may add or remove entries while it runs.
    for (size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        if (now_ms - e.last_fired > e.interval_ms) {
            e.last_fired = now_ms;
            TickCallback* callback = e.callback;
            callback->tick();
        }
    }
}

}  // namespace tessel
