// The application lock.
#include "runtime/app_lock.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/app_clock.h"

namespace tessel {

namespace {

// A release by a thread that does not hold the lock would let a waiting thread in beside
// the holder, and both would change shared data at once: the program stops, in every build,
// rather than go on corrupting it silently.
[[noreturn]] void released_by_stranger() {
    std::fputs("tessel: the application lock was released by a thread that does not hold it\n",
               stderr);
    std::fflush(stderr);
    std::abort();
}

}  // namespace

void AppLock::acquire() {
    if (held_by_current_thread()) {
        hold_count_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    {
        std::unique_lock<std::mutex> guard(mutex_);
        const uint64_t ticket = next_ticket_++;
        served_.wait(guard, [&] { return serving_ == ticket; });
    }
    hold_count_.store(1, std::memory_order_relaxed);
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    acquired_at_.store(AppClock::now(), std::memory_order_relaxed);
    acquisitions_.fetch_add(1, std::memory_order_relaxed);
}

void AppLock::release() {
    // The owner is written only by the holding thread, so a thread always reads its own
    // latest write here: the test is exact for the caller.
    if (!held_by_current_thread()) released_by_stranger();
    if (hold_count_.fetch_sub(1, std::memory_order_relaxed) > 1) return;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        ++serving_;
    }
    served_.notify_all();
}

bool AppLock::contended() const {
    std::lock_guard<std::mutex> guard(mutex_);
    // The holder's own ticket is the one served; any later ticket is a waiter.
    return next_ticket_ > serving_ + 1;
}

int32_t AppLock::release_all() {
    if (!held_by_current_thread()) return 0;
    const int32_t count = hold_count();
    hold_count_.store(1, std::memory_order_relaxed);
    release();
    return count;
}

void AppLock::acquire_times(int32_t count) {
    if (count <= 0) return;
    acquire();
    hold_count_.fetch_add(count - 1, std::memory_order_relaxed);
}

AppUnlocked::AppUnlocked(AppLock& lock) : lock_(lock), held_(lock.release_all()) {}

AppUnlocked::~AppUnlocked() {
    lock_.acquire_times(held_);
}

}  // namespace tessel
