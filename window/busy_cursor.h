// The busy cursor: the program counts as busy while a job that the user waits for (a view,
// a sort, a parse, a load or a save) has been running for a while.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace tessel {

class BusyCursor {
public:
    // Milliseconds a worker's job has run, -1 when the worker is idle or does not exist.
    using ElapsedLookup = std::function<int32_t(std::string_view worker)>;

    static constexpr std::array<std::string_view, 5> kWorkers{"view", "sort", "parse", "load",
                                                              "save"};

    // Recomputes the state when the cursor is updated. True when the cursor must be set
    // again: the state changed, or forced (a redraw).
    bool update(const ElapsedLookup& elapsed, bool forced = false);
    bool busy() const { return busy_; }

private:
    bool busy_ = false;
};

}  // namespace tessel
