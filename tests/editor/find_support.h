// Test doubles for the search jobs: a Ui that records its message boxes, and a Job that
// records progress and can cancel at a chosen yield point.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/job.h"
#include "seams/ui.h"

namespace tessel::testing_support {

struct RecordingUi final : Ui {
    struct Box {
        std::string text;
        UiButtons buttons;
        UiIcon icon;
    };
    std::vector<Box> boxes;
    UiAnswer message_box(std::string_view text, std::string_view, UiButtons buttons,
                         UiIcon icon) override {
        boxes.push_back({std::string(text), buttons, icon});
        return UiAnswer::ok;
    }
    void balloon(std::string_view, std::string_view, int, int) override {}
    std::string file_dialog(bool, std::string_view, std::string_view) override { return {}; }
    void set_clipboard(std::string_view) override {}
    void open_url(std::string_view) override {}
};

struct RecordingJob final : Job {
    std::vector<int> progress;
    std::vector<std::string> status;
    int yields = 0;
    int cancel_at_yield = -1;  // throw JobCancelled at this yield (counted from 0)
    void set_progress(int percent) override { progress.push_back(percent); }
    void set_status_text(std::string_view text) override { status.emplace_back(text); }
    void yield_point() override {
        if (yields++ == cancel_at_yield) throw JobCancelled();
    }
};

}  // namespace tessel::testing_support
