// WorkerPool: the named worker threads that run long jobs (parsing, views, sorting, loading,
// saving, undo, searching) while the UI thread keeps handling events, and the rules by which
// they share the one AppLock: yield points, cancellation, the UI's claim on the lock, and the
// wait before a job body until the UI thread is idle.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/job.h"
#include "runtime/app_lock.h"
#include "runtime/job_runner.h"
#include "runtime/tick_list.h"

namespace tessel {

class WorkerPool;

// One named worker thread and the job it runs. Made on the first job for its name and kept
// until shutdown; the UI thread and the worker talk through two pipes, one byte a message.
class Worker {
public:
    // Command pipe, UI thread to worker.
    static constexpr char wm_start = 0;
    static constexpr char wm_stop = 1;
    // Reply pipe, worker to UI thread.
    static constexpr char wm_start_aknowledge = 2;
    static constexpr char wm_stop_aknowledge = 3;

    const std::string& name() const { return name_; }
    bool running() const { return running_.load(std::memory_order_relaxed); }
    int32_t progress() const { return progress_.load(std::memory_order_relaxed); }
    // AppClock ms (truncated) when the job body began; -1 while idle.
    int32_t job_start() const { return job_start_.load(std::memory_order_relaxed); }
    // What the running job is doing ("Parsing"); read and written under the AppLock.
    const std::string& status_text() const { return status_; }
    // The message of the last job that ended by an error other than a cancellation.
    const std::string& last_error() const { return last_error_; }

private:
    friend class WorkerPool;
    class JobView;

    Worker(WorkerPool& pool, std::string name);
    ~Worker();
    void body();
    bool start_thread();

    WorkerPool& pool_;
    std::string name_;
    std::string status_;
    std::string argument_;
    HandlerFunction handler_;
    std::string last_error_;
    std::atomic<bool> running_{false};
    std::atomic<int32_t> job_start_{-1};
    std::atomic<int32_t> progress_{-1};
    std::atomic<bool> cancel_{false};
    std::atomic<bool> exit_{false};
    std::atomic<int32_t> index_{-1};  // the thread's index once it has entered the table
    int command_[2] = {-1, -1};
    int reply_[2] = {-1, -1};
    unsigned long thread_ = 0;
    bool joinable_ = false;
    std::unique_ptr<JobView> job_;
};

class WorkerPool final : public JobRunner {
public:
    // Worker stacks: parsing and tree walks may recurse deeply.
    static constexpr size_t kStackBytes = size_t{32} << 20;
    // A yield point hands the lock over when it has been held this long.
    static constexpr double kLockAgeMs = 20;
    // Time-stamp ticks between two tests of the lock's age.
    static constexpr uint64_t kCheckTicks = 100000;

    // The constructing thread is the UI thread; it holds the AppLock from now on, as if it
    // were dispatching, until the event loop releases it.
    WorkerPool();
    // Stops every worker.
    ~WorkerPool() override;
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The pool of the process (set by the constructor), or null.
    static WorkerPool* instance();

    AppLock& lock() { return lock_; }
    TickList& ticks() { return ticks_; }

    // On the UI thread, holding the lock: runs handler (with query false) as a job on the
    // worker of that name, made on first use; a job running there is cancelled first. The
    // body begins once the UI thread has gone back to waiting for events.
    void run_job(std::string_view worker, std::string argument, HandlerFunction handler) override;
    // Cancels the named worker's job and waits until it is idle; with destroy, the worker
    // also ends and is removed. A name without a worker is ignored. Any thread holding the
    // lock may call it.
    void stop_worker(std::string_view name, bool destroy = false);
    // At shutdown: every worker, idle or running, is stopped for good and its thread joined.
    void stop_all_workers();

    // -1 when the worker does not exist or is idle, else the ms since its job body began.
    int32_t job_elapsed_ms(std::string_view name);
    // {status text, progress} of each running worker with a status text, in table order.
    std::vector<std::pair<std::string, int32_t>> running_job_texts();
    // The job of the calling worker thread (null elsewhere): what job bodies report to.
    Job* current_job();
    Worker* find(std::string_view name);

    // Called often by long-running code on any thread: cancels a worker's job (throwing
    // JobCancelled) when it has been stopped, and hands the lock over when the UI thread
    // wants it or it has been held too long.
    void yield_point();
    // Waits ms milliseconds without holding the lock (0: one yield point).
    void sleep_unlocked(double ms);
    // Around a call from a worker that waits for the UI thread; nothing on the UI thread.
    void enter_blocking_ui_call();
    void leave_blocking_ui_call();

    // The event loop's share of the lock, on the UI thread: before it blocks waiting for
    // events, and when it has woken with one. Each does its work only once in a row (the
    // loop's claim is either held or given up), so a second call without the other one in
    // between does nothing, and neither does a call from another thread. Giving the claim up
    // releases every hold the UI thread has (a nested loop blocks while the code that opened
    // it holds the lock); taking it back restores them.
    void loop_before_block();
    void loop_after_wake();
    bool ui_dispatching() const { return ui_dispatching_.load(std::memory_order_relaxed); }
    // Whether the event loop holds its claim on the lock (UI thread only).
    bool loop_holds_lock() const { return loop_holds_; }

private:
    friend class Worker;
    class PendingUi;

    void take_busy();
    void give_busy() { busy_ = false; }
    // The worker of the calling thread, or null.
    Worker* this_worker();
    // stop_worker's hand-shake; busy taken and pending_ui_ops raised by the caller.
    void stop(Worker& worker, bool final);
    void destroy(Worker* worker);
    // Before a job body: wait while the UI thread dispatches.
    void wait_for_ui(Worker& worker);
    void hand_over();

    AppLock lock_;
    TickList ticks_;
    std::vector<Worker*> table_;  // by thread index; read and written under the lock
    bool busy_ = false;           // taken only by a thread holding the lock
    std::atomic<int32_t> pending_ui_ops_{0};
    std::atomic<bool> ui_wants_lock_{false};
    std::atomic<bool> ui_dispatching_{true};
    // The event loop's claim (UI thread only): held from construction until the loop first
    // blocks; the holds given up with it, taken back on waking.
    std::thread::id loop_thread_;
    bool loop_holds_ = true;
    int32_t loop_released_holds_ = 0;
    std::atomic<bool> shutting_down_{false};
    std::atomic<uint64_t> last_check_{0};
};

// yield_point and sleep_unlocked of the process's pool; nothing without one.
void yield_point();
void sleep_unlocked(double ms);

}  // namespace tessel
