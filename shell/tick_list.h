// TickList: periodic callbacks run from one 10 ms timer on the UI thread, each at its own
// interval (50 ms for the command update tick, 100 ms for the status bar, ...).
#pragma once

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
    void remove(TickCallback* callback);
    void clear() { entries_.clear(); }
    bool empty() const { return entries_.empty(); }
    // Calls, in registration order, every callback whose interval has passed since it last
    // fired (a new entry first fires once its interval has passed since time 0).
    void run(double now_ms);

private:
    struct Entry {
        TickCallback* callback;
        uint32_t interval_ms;
        double last_fired = 0;
    };
    std::vector<Entry> entries_;
};

}  // namespace tessel
