// The type-ahead prefix rule.
#include "views/type_ahead.h"

namespace tessel {

TypeAheadSearch TypeAhead::add(std::string_view typed, double now_ms) {
    const bool paused = prefix_.empty() || now_ms - last_ms_ > kPauseMs || now_ms < last_ms_;
    last_ms_ = now_ms;
    if (paused) {
        prefix_.assign(typed);
        first_.assign(typed);
        repeated_ = true;
        return {prefix_, false};
    }
    prefix_ += typed;
    repeated_ = repeated_ && typed == first_;
    // "ccc" walks the items that begin with "c", as a single letter typed again would.
    if (repeated_) return {first_, false};
    return {prefix_, true};
}

}  // namespace tessel
