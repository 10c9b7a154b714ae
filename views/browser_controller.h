// BrowserController: one browser pane without its widget. It knows which view the pane shows
// and how it is laid out, whether a view is being built for it (and since when, for the
// progress text), and takes a finished view in one step on the UI thread. Views are built on
// the "view" worker with the application lock held; everything else here runs on the UI thread.
//
// The two browsers form a two-level drill-down: the first shows the node selected in the tree;
// the second shows what the first browser's current cell stands for (table_browser_target).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/job.h"
#include "views/browser_layout.h"
#include "views/browser_paint_state.h"
#include "views/table_view.h"

namespace tessel {

class BrowserController {
public:
    // number: 1 for the "Tree Selection Browser", 2 for the "Table Selection Browser".
    explicit BrowserController(int number);
    ~BrowserController();

    int number() const { return number_; }
    // "scroll" and the browser's number: the name its views carry.
    const std::string& view_name() const { return name_; }
    View* view() const { return view_.get(); }
    BrowserLayout& layout() { return layout_; }
    const BrowserLayout& layout() const { return layout_; }

    // Marks a build for this browser as begun (on the worker, lock held) or over.
    void begin_build(double now_ms);
    void end_build() { building_ = false; }
    bool building() const { return building_; }
    // Builds the view of node on the calling worker: the job is named "Preparing view".
    // JobCancelled passes through; nothing of the browser changes here.
    std::unique_ptr<View> build(NodeProvider& provider, Node& node, Job* job, std::string* status_message);

    // UI thread: the finished view replaces the shown one, which is destroyed.
    void take(std::unique_ptr<View> view);
    // UI thread: nothing is shown any more (a new tree, a closed document).
    void drop();

    // Counts the views taken and dropped, so a view built from this browser's view can tell
    // whether that view is still the one shown.
    uint64_t serial() const { return serial_; }

    // What the pane paints at now_ms.
    BrowserPaintDecision paint(double now_ms) const;

private:
    int number_;
    std::string name_;
    std::unique_ptr<View> view_;
    BrowserLayout layout_;
    bool building_ = false;
    double build_started_ms_ = 0;
    uint64_t serial_ = 0;
};

// What the second browser shows for the first browser's current cell, and what drilling down
// from that cell selects in the tree.
struct BrowserTarget {
    Node* node = nullptr;          // the node to show, or null for nothing
    int32_t child_index = -1;      // the row's child: its index under the first browser's node
    int32_t grandchild_index = -1; // the cell's node under the row's child, when it is one
};

// The current cell's node when that node has children of its own (a nested element, a group
// of repeated names), otherwise the row's child. Synthetic nodes (repeat groups) are made in
// the view's cell arena, so they live as long as the view that shows the cell.
BrowserTarget table_browser_target(BrowserController& first);

}  // namespace tessel
