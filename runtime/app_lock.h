// AppLock: the one process-wide lock held by whichever thread runs program code. The UI
// thread holds it while it dispatches events; a worker holds it while its job runs and hands
// it over at yield points. Data structures are therefore not locked one by one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tessel {

class AppLock {
public:
    // Waits as long as it takes; the same thread may acquire it again (it then must release
    // it as often). Waiting threads get the lock in the order they asked for it, so a thread
    // that releases it at a yield point and asks again really lets a waiting one in.
    void acquire();
    // Only the holder may release it: a release by another thread ends the program with a
    // message (it would let a second thread in beside the holder).
    void release();
    // The AppClock time of the latest acquisition.
    double acquired_at() const { return acquired_at_.load(std::memory_order_relaxed); }
    bool held_by_current_thread() const {
        return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
    }
    // How many acquisitions the holder has not released yet (0 when free).
    int32_t hold_count() const { return hold_count_.load(std::memory_order_relaxed); }
    uint32_t acquisitions() const { return acquisitions_.load(std::memory_order_relaxed); }
    // Whether another thread is waiting for the lock.
    bool contended() const;
    // Releases every acquisition the calling thread holds and returns how many; acquire_times
    // takes them back. For waits that must not keep the lock however deeply it is held.
    int32_t release_all();
    void acquire_times(int32_t count);

private:
    // A ticket lock: each waiter draws the next ticket and enters when it is served.
    mutable std::mutex mutex_;
    std::condition_variable served_;
    uint64_t next_ticket_ = 0;
    uint64_t serving_ = 0;
    // Written only by the holder; read by anyone (another thread's stale read only ever says
    // "not mine", which is right).
    std::atomic<int32_t> hold_count_{0};
    std::atomic<std::thread::id> owner_{};
    std::atomic<double> acquired_at_{0};
    std::atomic<uint32_t> acquisitions_{0};
};

// Releases the lock for its lifetime, however often the calling thread holds it (not at
// all when it holds none), e.g. around a blocking read.
class AppUnlocked {
public:
    explicit AppUnlocked(AppLock& lock);
    ~AppUnlocked();
    AppUnlocked(const AppUnlocked&) = delete;
    AppUnlocked& operator=(const AppUnlocked&) = delete;

private:
    AppLock& lock_;
    int32_t held_;
};

}  // namespace tessel
