// TickList: periodic callbacks run from one 10 ms timer on the UI thread, each at its own
// interval (50 ms for the command update tick, 100 ms for the status bar, ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessel {

class TickCallback {
public:
    virtual ~TickCallback() = default;
    virtual void tick() = 0;
};

class TickList {
public:
    void add(TickCallback* callback, uint32_t interval_ms);
    // Removes every entry of the callback. A callback may remove itself or any other entry
    // while it runs: the run goes on with the entries that remain, skipping none.
    void remove(TickCallback* callback);
    void clear();
    bool empty() const { return live_ == 0; }
    // Calls, in registration order, every callback whose interval has passed since it last
    // fired (a new entry first fires once its interval has passed since time 0). An entry
    // that a callback adds is visited in the same run.
    void run(double now_ms);

private:
    struct Entry {
        TickCallback* callback;  // null: removed during a run, dropped when the run ends
        uint32_t interval_ms;
        double last_fired = 0;
    };
    void drop_removed();

    std::vector<Entry> entries_;
    size_t live_ = 0;
    int running_ = 0;  // runs in progress (a callback may run a nested event loop)
};

}  // namespace tessel
