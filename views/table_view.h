// The table view of a browser pane: the selected node's children laid out as a title line,
// section lines, short texts and grid tables, built through the node description protocol.
// It is built on the "view" worker and then owned and drawn by the user-interface thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "foundation/job.h"
#include "parse/node.h"
#include "views/grid_table.h"
#include "views/node_provider.h"

namespace tessel {

struct ViewItem {
    enum class Kind : uint8_t { title_line, text_line, table };
    Kind kind;
    const char* text = "";
    int kind_code = -1;          // title line: the selected node's icon
    uint32_t flags = 0;          // title line: the browser's display flags
    TextPos position = -1;       // text line: where its text stands in the document
    bool section_header = false;
    bool text_block = false;
    GridTable* table = nullptr;
};

class View {
public:
    View(NodeProvider& provider, Node& selected, std::string_view name)
        : provider_(provider), selected_(selected), name_(name), items_(&arena_) {}
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    const Array<ViewItem>& items() const { return items_; }
    Node& selected() const { return selected_; }
    NodeProvider& provider() const { return provider_; }
    const std::string& name() const { return name_; }
    // For synthetic cells made while drawing, editing or copying.
    Arena& cell_arena() { return cell_arena_; }

    // The heap bytes of its tables, cells and texts.
    uint64_t held_bytes() const { return arena_.held_bytes() + cell_arena_.held_bytes(); }

    // Building.
    Arena& arena() { return arena_; }
    void add(const ViewItem& item) { items_.push_back(item); }
    int64_t total_work = 0;
    int64_t work_done = 0;

private:
    LargeArena arena_;
    LargeArena cell_arena_;
    NodeProvider& provider_;
    Node& selected_;
    std::string name_;
    Array<ViewItem> items_;
};

// Builds the view of `selected`. A build longer than 100 ms leaves "Created view in ..." in
// status_message (when given). Only JobCancelled escapes; the view is then discarded.
std::unique_ptr<View> build_view(NodeProvider& provider, Node& selected, std::string_view name,
                                 uint32_t browser_flags, Job* job = nullptr,
                                 std::string* status_message = nullptr);

}  // namespace tessel
