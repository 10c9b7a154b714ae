// A Ui for tests: answers message boxes and file dialogs from queues and records what was
// shown.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "seams/ui.h"

namespace tessel {

struct ShownMessage {
    std::string text;
    std::string caption;
    UiButtons buttons;
    UiIcon icon;
};

class ScriptedUi : public Ui {
public:
    UiAnswer message_box(std::string_view text, std::string_view caption, UiButtons buttons,
                         UiIcon icon) override {
        shown.push_back({std::string(text), std::string(caption), buttons, icon});
        if (answers.empty()) return buttons == UiButtons::ok ? UiAnswer::ok : UiAnswer::cancel;
        UiAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void balloon(std::string_view title, std::string_view text, int, int) override {
        balloons.push_back(std::string(title) + ": " + std::string(text));
    }
    std::string file_dialog(bool, std::string_view, std::string_view) override {
        if (file_names.empty()) return {};
        std::string name = file_names.front();
        file_names.pop_front();
        return name;
    }
    void set_clipboard(std::string_view text) override { clipboard = text; }
    void open_url(std::string_view url) override { urls.push_back(std::string(url)); }

    std::deque<UiAnswer> answers;
    std::deque<std::string> file_names;
    std::vector<ShownMessage> shown;
    std::vector<std::string> balloons;
    std::vector<std::string> urls;
    std::string clipboard;
};

}  // namespace tessel
