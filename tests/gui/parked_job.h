// A job that stops at its first yield point, without the lock, until the test opens it: a
// load or a save caught running however fast the machine is.
#pragma once

#include <atomic>
#include <string_view>

#include "foundation/job.h"
#include "runtime/worker_pool.h"

namespace tessel::test {

struct ParkedJob final : Job {
    explicit ParkedJob(WorkerPool& pool) : pool(pool) {}
    void set_progress(int percent) override { inner->set_progress(percent); }
    void set_status_text(std::string_view text) override { inner->set_status_text(text); }
    void yield_point() override {
        inner->yield_point();
        parked = true;
        while (!gate_open) pool.sleep_unlocked(2);
    }
    void open() { gate_open = true; }
    WorkerPool& pool;
    Job* inner = nullptr;
    std::atomic<bool> parked{false};
    std::atomic<bool> gate_open{false};
};

}  // namespace tessel::test
