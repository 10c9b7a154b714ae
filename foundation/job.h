// Job: what long-running work (parsing, building views, loading, searching) sees of the
// worker that runs it: progress, a status text, and yield points where it may be cancelled.
// The worker pool implements it; tests use plain implementations.
#pragma once

#include <exception>
#include <string_view>

namespace tessel {

// Thrown from a yield point when the job has been cancelled or replaced; it unwinds the job
// body, which must leave shared data consistent at every yield point.
class JobCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "job cancelled"; }
};

class Job {
public:
    virtual ~Job() = default;
    // Progress of the running job, 0 to 100.
    virtual void set_progress(int percent) = 0;
    // The job's text in the status bar.
    virtual void set_status_text(std::string_view text) = 0;
    // Every long loop calls this regularly: it may hand the application lock to the user
    // interface for a moment, and throws JobCancelled when the job is to stop.
    virtual void yield_point() = 0;
};

// A job that nobody watches: for batch tools and tests.
class QuietJob final : public Job {
public:
    void set_progress(int percent) override { progress = percent; }
    void set_status_text(std::string_view) override {}
    void yield_point() override {}
    int progress = 0;
};

}  // namespace tessel
