// Thread indexes.
#include "runtime/thread_identity.h"

#include <atomic>

namespace tessel {

namespace {

std::atomic<int32_t> next_index{0};
thread_local int32_t my_index = -1;

}  // namespace

int32_t thread_index() {
    if (my_index < 0) my_index = next_index.fetch_add(1);
    return my_index;
}

bool is_ui_thread() {
    return thread_index() == 0;
}

}  // namespace tessel
