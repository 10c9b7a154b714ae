// The status bar's job panes: one pane per status text of the running jobs, rebuilt only
// when the list of texts changes. The message pane before them belongs to the registry.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessel {

// A running job's status text and progress (0 to 100).
struct JobText {
    std::string text;
    int32_t progress = 0;
    bool operator==(const JobText&) const = default;
};

struct StatusPane {
    std::string text;
    int32_t width = 0;
    bool operator==(const StatusPane&) const = default;
};

class JobStatusPanes {
public:
    // The fixed panes before the job panes: an empty one and the message pane.
    static constexpr int32_t kLeadingPaneWidth = 0;
    static constexpr int32_t kMessagePaneWidth = 300;
    static constexpr int32_t kJobPaneWidth = 100;

    // From the 100 ms status refresh. When the texts differ from the previous call the job
    // panes are rebuilt: one per distinct text, in list order, 0 wide once its job reports
    // 100 and kJobPaneWidth before. True when the panes were rebuilt.
    bool update(std::span<const JobText> texts);
    const std::vector<StatusPane>& panes() const { return panes_; }

private:
    std::vector<JobText> previous_;
    std::vector<StatusPane> panes_;
};

}  // namespace tessel
