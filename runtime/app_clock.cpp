// The application clock.
#include "runtime/app_clock.h"

#include <time.h>

namespace tessel {

namespace {

double monotonic_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

}  // namespace

double AppClock::now() {
    // Initialised once, thread-safely, by the first caller: that reading is the epoch.
    static const double epoch = monotonic_ms();
    return monotonic_ms() - epoch;
}

}  // namespace tessel
