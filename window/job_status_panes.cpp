// The status bar's job panes.
#include "window/job_status_panes.h"

#include <algorithm>

namespace tessel {

bool JobStatusPanes::update(std::span<const JobText> texts) {
    if (std::ranges::equal(texts, previous_)) return false;
    previous_.assign(texts.begin(), texts.end());
    // Panes of finished jobs go rather than stay behind empty, so the bar does not grow with
    // every job ever run.
    panes_.clear();
    for (const JobText& job : texts) {
        int32_t width = job.progress == 100 ? 0 : kJobPaneWidth;
        auto same = std::ranges::find(panes_, job.text, &StatusPane::text);
        if (same != panes_.end()) {
            same->width = width;
        } else {
            panes_.push_back({job.text, width});
        }
    }
    return true;
}

}  // namespace tessel
