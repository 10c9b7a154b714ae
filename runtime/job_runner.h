// The two halves of every command: the handler a component registers for a command name,
// and the runner that executes a handler bound to a worker as a job there.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tessel {

// A command's handler. Called with query set it answers whether it can run now and does
// nothing else (cheaply: a flag test, no document walk); called without, it runs with the
// argument and its answer is ignored.
using HandlerFunction = std::function<bool(std::string_view argument, bool query)>;

// Runs handlers as jobs on named workers ("parse", "view", "load", ...): a new job on a
// worker replaces the one running there. The worker pool implements it; tests use their own.
class JobRunner {
public:
    virtual ~JobRunner() = default;
    virtual void run_job(std::string_view worker, std::string argument, HandlerFunction handler) = 0;
};

}  // namespace tessel
