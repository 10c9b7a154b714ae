// Periodic callbacks.
#include "runtime/tick_list.h"

#include <algorithm>

namespace tessel {

void TickList::add(TickCallback* callback, uint32_t interval_ms) {
    entries_.push_back({callback, interval_ms, 0});
    ++live_;
}

void TickList::remove(TickCallback* callback) {
    // While a run walks the entries by index, removing one would shift the rest under it and
    // the entry after a removed one would miss its turn; a removed entry is only marked.
    for (Entry& e : entries_) {
        if (e.callback != callback || !callback) continue;
        e.callback = nullptr;
        --live_;
    }
    if (!running_) drop_removed();
}

void TickList::clear() {
    for (Entry& e : entries_) e.callback = nullptr;
    live_ = 0;
    if (!running_) entries_.clear();
}

void TickList::drop_removed() {
    std::erase_if(entries_, [](const Entry& e) { return e.callback == nullptr; });
}

void TickList::run(double now_ms) {
    // Runs nest when a callback opens a modal loop; removed entries go when the outermost ends.
    ++running_;
    struct EndOfRun {
        TickList& list;
        ~EndOfRun() {
            if (--list.running_ == 0) list.drop_removed();
        }
    } end{*this};
    // By index: a callback may add entries, which may move the vector.
    for (size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        if (!e.callback || !(now_ms - e.last_fired > e.interval_ms)) continue;
        e.last_fired = now_ms;
        TickCallback* callback = e.callback;
        callback->tick();
    }
}

}  // namespace tessel
