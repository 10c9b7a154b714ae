// AppClock: milliseconds since the first reading in the process, from the monotonic clock.
#pragma once

namespace tessel {

class AppClock {
public:
    // 0 at the first call in the process; the milliseconds since then afterwards.
    static double now();
};

}  // namespace tessel
