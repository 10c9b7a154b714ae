// A small event loop for threaded tests: it shares the AppLock with the workers exactly as
// the editor's event loop does (released while waiting, claimed on waking), and runs events
// that any thread posts. It is the tests' UI poster; its UI thread is the one that made it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "runtime/worker_pool.h"
#include "seams/ui_poster.h"

namespace tessel {

class TestEventLoop final : public UiPoster {
public:
    explicit TestEventLoop(WorkerPool& pool) : pool_(pool) {}

    bool on_ui_thread() const override { return std::this_thread::get_id() == ui_thread_; }

    void post(std::function<void()> event) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            events_.push_back(std::move(event));
        }
        wake_.notify_one();
    }

    // Whether no posted event waits to be run.
    bool empty() {
        std::lock_guard<std::mutex> guard(mutex_);
        return events_.empty();
    }

    // Waits for events (at most step_ms at a time), dispatching them with the lock held,
    // until done() holds when checked on waking; false after timeout_ms.
    bool run_until(const std::function<bool()>& done, double timeout_ms = 20000,
                   double step_ms = 1) {
        const auto end = std::chrono::steady_clock::now() +
                         std::chrono::duration<double, std::milli>(timeout_ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            pool_.loop_before_block();
            std::deque<std::function<void()>> ready;
            {
                std::unique_lock<std::mutex> guard(mutex_);
                wake_.wait_for(guard, std::chrono::duration<double, std::milli>(step_ms),
                               [&] { return !events_.empty(); });
                ready.swap(events_);
            }
            pool_.loop_after_wake();
            for (auto& event : ready) event();
        }
        return true;
    }

private:
    WorkerPool& pool_;
    const std::thread::id ui_thread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> events_;
};

}  // namespace tessel
