// Calls into the UI thread that need its answer, from any thread: a worker posts the call and
// waits for the result with the application lock given up (a blocking UI call), so the window
// keeps running meanwhile; on the UI thread the call runs at once. Message boxes, file and
// font dialogs and the dialog builder go through here.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/qt_loop_lock.h"
#include "runtime/worker_pool.h"
#include "seams/ui_poster.h"

namespace tessel {

// A nested event loop (a modal dialog's exec) may end without an event that gives the loop's
// claim on the lock back; take it before the code after the loop touches the core.
inline void reclaim_lock_after_nested_loop() {
    if (QtLoopLock* adapter = QtLoopLock::instance()) adapter->claim();
}

// Runs call on the UI thread and returns its result. From another thread the call is posted
// through poster and the caller waits, bracketed as a blocking UI call when it runs a job of
// pool. A call the UI thread drops (alive expired, or the poster's context gone) answers
// if_dropped.
template <typename Result, typename Call>
Result call_on_ui_thread(UiPoster& poster, WorkerPool* pool, std::weak_ptr<bool> alive,
                         Result if_dropped, Call call) {
    if (poster.on_ui_thread()) return call();
    struct Answer {
        std::mutex mutex;
        std::condition_variable ready;
        bool done = false;
        Result value;
    };
    // Whoever drops the last copy of the posted closure, after running it or instead of it,
    // wakes the caller.
    struct Waker {
        explicit Waker(std::shared_ptr<Answer> a) : answer(std::move(a)) {}
        Waker(const Waker&) = delete;
        Waker& operator=(const Waker&) = delete;
        std::shared_ptr<Answer> answer;
        ~Waker() {
            std::lock_guard<std::mutex> guard(answer->mutex);
            answer->done = true;
            answer->ready.notify_all();
        }
    };
    auto answer = std::make_shared<Answer>();
    answer->value = std::move(if_dropped);
    const bool in_job = pool && pool->current_job();
    if (in_job) pool->enter_blocking_ui_call();
    {
        auto waker = std::make_shared<Waker>(answer);
        poster.post([waker, alive = std::move(alive), call = std::move(call)]() mutable {
            if (alive.expired()) return;
            Result value = call();
            std::lock_guard<std::mutex> guard(waker->answer->mutex);
            waker->answer->value = std::move(value);
        });
    }
    Result result;
    {
        std::unique_lock<std::mutex> guard(answer->mutex);
        answer->ready.wait(guard, [&] { return answer->done; });
        result = std::move(answer->value);
    }
    if (in_job) pool->leave_blocking_ui_call();
    return result;
}

}  // namespace tessel
