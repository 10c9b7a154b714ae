// One browser pane's view, its building and its hand-over.
#include "views/browser_controller.h"

#include "parse/node_description.h"

namespace tessel {

BrowserController::BrowserController(int number)
    : number_(number), name_("scroll" + std::to_string(number)) {}

BrowserController::~BrowserController() = default;

void BrowserController::begin_build(double now_ms) {
    building_ = true;
    build_started_ms_ = now_ms;
}

std::unique_ptr<View> BrowserController::build(NodeProvider& provider, Node& node, Job* job,
                                               std::string* status_message) {
    if (job) job->set_status_text("Preparing view");
    return build_view(provider, node, name_, 0, job, status_message);
}

void BrowserController::take(std::unique_ptr<View> view) {
    building_ = false;
    // The layout lets go of the old view before it is destroyed.
    layout_.clear();
    view_ = std::move(view);
    ++serial_;
}

void BrowserController::drop() {
    layout_.clear();
    view_.reset();
    building_ = false;
    ++serial_;
}

BrowserPaintDecision BrowserController::paint(double now_ms) const {
    BrowserPaintDecision decision = browser_paint(building_, view_ != nullptr, now_ms - build_started_ms_);
    // Each pane names itself when it has nothing to show.
    if (decision.state == BrowserPaint::empty && number_ == 2)
        decision.text = "This Table Selection Browser is empty";
    return decision;
}

BrowserTarget table_browser_target(BrowserController& first) {
    BrowserTarget target;
    View* view = first.view();
    const CellPos& cell = first.layout().current();
    if (!view || !cell.valid()) return target;
    const TableLayout& layout = first.layout().tables()[cell.table];
    GridTable& table = *layout.table;
    const int32_t row = layout.row_at(cell.row);
    Node* child = table.row_node(row);
    if (!child) return target;
    target.node = child;
    target.child_index = table.first_child() + row - 1;
    // A cell whose node has children of its own is shown itself: the nested table.
    const Cell shown = table.cell_at(row, cell.column, view->cell_arena());
    if (!shown.node || shown.node == child) return target;
    if (view->provider().child_count(*shown.node) <= 0) return target;
    target.node = shown.node;
    const GridTable::DisplayColumn& column = table.display_column(cell.column);
    if (column.kind == GridTable::ColumnKind::data && column.column)
        target.grandchild_index = column.column->cells.find(row - 1);
    return target;
}

}  // namespace tessel
