// Recording fakes of the job runner and the command view, and a clock the test moves.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "commands/message_log.h"
#include "runtime/job_runner.h"
#include "seams/command_view.h"

namespace tessel {

struct RecordingRunner final : JobRunner {
    struct Job {
        std::string worker;
        std::string argument;
        HandlerFunction handler;
    };
    void run_job(std::string_view worker, std::string argument, HandlerFunction handler) override {
        jobs.push_back({std::string(worker), std::move(argument), std::move(handler)});
    }
    std::vector<Job> jobs;
};

struct RecordingView final : CommandView {
    void show_enabled(const std::vector<bool>& item_enabled, bool is_changed) override {
        enabled = item_enabled;
        ++shows;
        if (is_changed) ++changes;
    }
    void set_checked(size_t item, bool checked) override { checks.emplace_back(item, checked); }
    void show_status_message(std::string_view text) override { status = text; }
    void redraw() override { ++redraws; }
    bool pane_visible(std::string_view name) override { return name == visible_pane; }

    std::vector<bool> enabled;
    int shows = 0;
    int changes = 0;
    std::vector<std::pair<size_t, bool>> checks;
    std::string status = "unset";
    int redraws = 0;
    std::string visible_pane;
};

struct RecordingLog final : MessageLog {
    void add(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
};

}  // namespace tessel
