// The worker threads and the sharing of the application lock.
#include "runtime/worker_pool.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <exception>
#include <system_error>

#include "runtime/app_clock.h"
#include "runtime/thread_identity.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace tessel {

namespace {

std::atomic<WorkerPool*> the_pool{nullptr};

// A cheap counter for the gate in front of the lock-age test.
uint64_t time_stamp() {
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return static_cast<uint64_t>(AppClock::now() * 1e5);
#endif
}

void write_byte(int fd, char byte) {
    while (::write(fd, &byte, 1) < 0 && errno == EINTR) {
    }
}

// Blocks for one byte; -1 when the other end is gone.
int read_byte(int fd) {
    char byte;
    for (;;) {
        ssize_t n = ::read(fd, &byte, 1);
        if (n == 1) return static_cast<unsigned char>(byte);
        if (n < 0 && errno == EINTR) continue;
        return -1;
    }
}

}  // namespace

// What a job body on a worker reports to: its progress and status text, and its yield points.
class Worker::JobView final : public Job {
public:
    explicit JobView(Worker& worker) : worker_(worker) {}
    void set_progress(int percent) override {
        worker_.progress_.store(percent, std::memory_order_relaxed);
    }
    void set_status_text(std::string_view text) override { worker_.status_ = text; }
    void yield_point() override { worker_.pool_.yield_point(); }

private:
    Worker& worker_;
};

// Raises pending_ui_ops for its lifetime: while it is above 0 every worker hands the lock
// over at its next yield point, so a start or stop hand-shake is not kept waiting.
class WorkerPool::PendingUi {
public:
    explicit PendingUi(WorkerPool& pool) : pool_(pool) { pool_.pending_ui_ops_.fetch_add(1); }
    ~PendingUi() { pool_.pending_ui_ops_.fetch_sub(1); }

private:
    WorkerPool& pool_;
};

Worker::Worker(WorkerPool& pool, std::string name)
    : pool_(pool), name_(std::move(name)), job_(std::make_unique<JobView>(*this)) {}

Worker::~Worker() {
    for (int fd : {command_[0], command_[1], reply_[0], reply_[1]})
        if (fd >= 0) ::close(fd);
}

bool Worker::start_thread() {
    if (::pipe2(command_, O_CLOEXEC) != 0 || ::pipe2(reply_, O_CLOEXEC) != 0) return false;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, WorkerPool::kStackBytes);
    pthread_t thread;
    const int failed = pthread_create(
        &thread, &attributes,
        [](void* self) -> void* {
            static_cast<Worker*>(self)->body();
            return nullptr;
        },
        this);
    pthread_attr_destroy(&attributes);
    if (failed) return false;
    thread_ = thread;
    joinable_ = true;
    return true;
}

void Worker::body() {
    AppLock& lock = pool_.lock_;
    const int32_t index = thread_index();
    lock.acquire();
    if (pool_.table_.size() <= static_cast<size_t>(index)) pool_.table_.resize(index + 1, nullptr);
    pool_.table_[index] = this;
    index_.store(index);
    for (;;) {
        lock.release();
        const int message = read_byte(command_[0]);
        lock.acquire();
        if (message == wm_start) {
            cancel_ = false;
            running_ = true;
            lock.release();
            write_byte(reply_[1], wm_start_aknowledge);
            lock.acquire();
            progress_ = 0;
            try {
                job_start_ = static_cast<int32_t>(AppClock::now());
                pool_.wait_for_ui(*this);
                handler_(argument_, false);
            } catch (const JobCancelled&) {
                // A stopped job ends silently; the stop is acknowledged below.
            } catch (const std::exception& e) {
                // A job that fails must not take the program with it.
                last_error_ = e.what();
            }
            job_start_ = -1;
            running_ = false;
            progress_ = 0;
        } else if (message == wm_stop || message < 0) {
            job_start_ = -1;
            running_ = false;
            progress_ = -1;
            if (exit_ || message < 0) break;
            write_byte(reply_[1], wm_stop_aknowledge);
        }
    }
    pool_.table_[index] = nullptr;
    write_byte(reply_[1], wm_stop_aknowledge);
    lock.release();
}

WorkerPool::WorkerPool() : loop_thread_(std::this_thread::get_id()) {
    thread_index();
    lock_.acquire();
    the_pool.store(this);
}

WorkerPool::~WorkerPool() {
    if (!lock_.held_by_current_thread()) lock_.acquire();
    stop_all_workers();
    WorkerPool* self = this;
    the_pool.compare_exchange_strong(self, nullptr);
    while (lock_.held_by_current_thread()) lock_.release();
}

WorkerPool* WorkerPool::instance() {
    return the_pool.load();
}

void WorkerPool::take_busy() {
    // Whoever has the table busy has let go of the lock for a hand-shake and needs it back.
    // That may be the UI thread stopping this very worker: the yield point lets the stop
    // through (it throws JobCancelled here) instead of waiting for it forever.
    while (busy_) {
        yield_point();
        hand_over();
    }
    busy_ = true;
}

void WorkerPool::hand_over() {
    // The lock is fair: releasing it and asking again lets every waiting thread in first.
    AppUnlocked unlocked(lock_);
    sched_yield();
}

Worker* WorkerPool::this_worker() {
    const int32_t index = thread_index();
    if (index <= 0 || static_cast<size_t>(index) >= table_.size()) return nullptr;
    return table_[index];
}

Worker* WorkerPool::find(std::string_view name) {
    for (Worker* w : table_)
        if (w && w->name_ == name) return w;
    return nullptr;
}

Job* WorkerPool::current_job() {
    Worker* w = this_worker();
    return w ? w->job_.get() : nullptr;
}

void WorkerPool::stop(Worker& worker, bool final) {
    // An idle worker has nothing to stop: running_ changes only under the lock, which the
    // caller holds, so this saves a round trip to the thread on every keystroke.
    if (!final && !worker.running()) return;
    worker.exit_ = final;
    worker.cancel_ = true;
    {
        AppUnlocked unlocked(lock_);
        write_byte(worker.command_[1], Worker::wm_stop);
        read_byte(worker.reply_[0]);
    }
    worker.cancel_ = false;
}

void WorkerPool::destroy(Worker* worker) {
    if (worker->joinable_) {
        AppUnlocked unlocked(lock_);
        pthread_join(static_cast<pthread_t>(worker->thread_), nullptr);
    }
    for (Worker*& slot : table_)
        if (slot == worker) slot = nullptr;
    delete worker;
}

void WorkerPool::run_job(std::string_view name, std::string argument, HandlerFunction handler) {
    if (shutting_down_) return;
    take_busy();
    Worker* worker = find(name);
    if (worker) {
        PendingUi pending(*this);
        stop(*worker, false);
    } else {
        worker = new Worker(*this, std::string(name));
        if (!worker->start_thread()) {
            delete worker;
            give_busy();
            throw std::system_error(errno, std::generic_category(), "cannot start a worker thread");
        }
        // The new thread enters itself into the table, under the lock.
        while (worker->index_.load() < 0) {
            AppUnlocked unlocked(lock_);
            ::usleep(1000);
        }
    }
    worker->argument_ = std::move(argument);
    worker->handler_ = std::move(handler);
    worker->status_.clear();
    {
        PendingUi pending(*this);
        AppUnlocked unlocked(lock_);
        write_byte(worker->command_[1], Worker::wm_start);
        read_byte(worker->reply_[0]);
    }
    give_busy();
}

void WorkerPool::stop_worker(std::string_view name, bool destroy_it) {
    take_busy();
    if (Worker* worker = find(name)) {
        PendingUi pending(*this);
        stop(*worker, destroy_it);
        if (destroy_it) destroy(worker);
    }
    give_busy();
}

void WorkerPool::stop_all_workers() {
    shutting_down_ = true;
    ticks_.clear();
    for (size_t i = 0; i < table_.size(); ++i) {
        Worker* worker = table_[i];
        if (!worker) continue;
        take_busy();
        {
            PendingUi pending(*this);
            stop(*worker, true);
        }
        destroy(worker);
        give_busy();
    }
}

int32_t WorkerPool::job_elapsed_ms(std::string_view name) {
    Worker* worker = find(name);
    if (!worker || worker->job_start() < 0) return -1;
    return static_cast<int32_t>(AppClock::now()) - worker->job_start();
}

std::vector<std::pair<std::string, int32_t>> WorkerPool::running_job_texts() {
    std::vector<std::pair<std::string, int32_t>> texts;
    for (Worker* w : table_)
        if (w && w->running() && !w->status_.empty()) texts.emplace_back(w->status_, w->progress());
    return texts;
}

void WorkerPool::yield_point() {
    if (!lock_.held_by_current_thread()) return;
    if (Worker* worker = this_worker()) {
        if (worker->cancel_) {
            worker->cancel_ = false;
            throw JobCancelled();
        }
        if (pending_ui_ops_.load() > 0 || ui_wants_lock_.load()) {
            hand_over();
            return;
        }
    }
    const uint64_t now = time_stamp();
    const uint64_t last = last_check_.load(std::memory_order_relaxed);
    if (now - last <= kCheckTicks) return;
    last_check_.store(now, std::memory_order_relaxed);
    if (AppClock::now() - lock_.acquired_at() > kLockAgeMs) hand_over();
}

void WorkerPool::sleep_unlocked(double ms) {
    if (ms <= 0) {
        yield_point();
        return;
    }
    const double start = AppClock::now();
    while (AppClock::now() - start <= ms) {
        yield_point();
        AppUnlocked unlocked(lock_);
        ::usleep(1000);
    }
}

void WorkerPool::wait_for_ui(Worker& worker) {
    while (ui_dispatching_.load()) {
        if (worker.cancel_) {
            worker.cancel_ = false;
            throw JobCancelled();
        }
        hand_over();
    }
}

void WorkerPool::enter_blocking_ui_call() {
    if (is_ui_thread()) return;
    while (ui_dispatching_.load()) sleep_unlocked(1);
    lock_.release();
}

void WorkerPool::leave_blocking_ui_call() {
    if (is_ui_thread()) return;
    lock_.acquire();
}

void WorkerPool::loop_before_block() {
    if (!loop_holds_ || std::this_thread::get_id() != loop_thread_) return;
    loop_holds_ = false;
    ui_dispatching_ = false;
    loop_released_holds_ = lock_.release_all();
}

void WorkerPool::loop_after_wake() {
    if (loop_holds_ || std::this_thread::get_id() != loop_thread_) return;
    ui_wants_lock_ = true;
    lock_.acquire_times(std::max<int32_t>(loop_released_holds_, 1));
    ui_wants_lock_ = false;
    ui_dispatching_ = true;
    loop_holds_ = true;
}

void yield_point() {
    if (WorkerPool* pool = WorkerPool::instance()) pool->yield_point();
}

void sleep_unlocked(double ms) {
    if (WorkerPool* pool = WorkerPool::instance()) pool->sleep_unlocked(ms);
}

}  // namespace tessel
