// Small thread indexes, given out in the order threads first ask, and the UI thread: the
// first thread that asks (the start-up code, on the thread that will run the event loop).
#pragma once

#include <cstdint>

namespace tessel {

// The calling thread's index: 0 for the first thread that asks, then 1, 2, ...
int32_t thread_index();
// Whether the caller is the thread that asked first.
bool is_ui_thread();

}  // namespace tessel
