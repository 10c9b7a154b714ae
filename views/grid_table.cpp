// GridTable: cell access, position lookup and the sort order of one table.
#include "views/grid_table.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "parse/node_description.h"
#include "views/consolidation.h"
#include "views/node_provider.h"

namespace tessel {

namespace {

// The parts of a description that the text of a cell (kQueryCell) is made of, and nothing
// else: sorting reads a million cells, and the full description costs several times more.
class CellTextDescriber final : public NodeDescriber {
public:
    CellTextDescriber(Arena& arena, DocumentTree* document) : arena_(arena), document_(document) {}

    void set_category(int category) override { category_ = category; }
    void set_identity(const char*, int, int, const char*, const char*, const char*) override {}
    void set_name(std::string_view text, TextPos, TextPos, bool copy) override {
        name_ = keep(text, copy);
    }
    void set_value(std::string_view text, TextPos, TextPos, bool copy) override {
        value_ = keep(text, copy);
    }
    void set_second_value(std::string_view, TextPos, TextPos, bool) override {}
    void set_not_editable_message(const char*) override {}
    void set_value_column(const char*, int) override {}
    void set_range(TextPos, TextPos) override {}
    void set_extra(std::string_view text, TextPos, TextPos) override {
        extra_ = text;
        has_extra_ = true;
    }
    void set_flags(uint32_t) override {}
    void set_link(const void*) override {}
    void set_child_count(int32_t, int) override {}
    DocumentTree* document() override { return document_; }
    void set_ranges(std::span<const TextRange>) override {}

    // What run_query gives for kQueryCell after describe.
    std::string_view cell_text() {
        if (category_ == kCategoryText || category_ == kCategoryLeaf || category_ == kCategoryValue)
            return value_;
        if (category_ == kCategoryContainer && has_extra_ && !extra_.empty()) {
            size_t n = name_.size() + 2 + extra_.size();
            char* out = static_cast<char*>(arena_.allocate(static_cast<uint32_t>(n + 1)));
            if (!name_.empty()) std::memcpy(out, name_.data(), name_.size());
            std::memcpy(out + name_.size(), ": ", 2);
            std::memcpy(out + name_.size() + 2, extra_.data(), extra_.size());
            out[n] = 0;
            return {out, n};
        }
        return name_;
    }

private:
    std::string_view keep(std::string_view text, bool copy) {
        if (!copy) return text;
        return {arena_.copy_text(text.data(), static_cast<uint32_t>(text.size())), text.size()};
    }

    Arena& arena_;
    DocumentTree* document_;
    int category_ = kCategoryNone;
    std::string_view name_, value_, extra_;
    bool has_extra_ = false;
};

}  // namespace

int32_t TreeNodeProvider::child_count(Node& node) {
    SmallArena arena;
    QueryResult r;
    run_query(node, kQueryDisplay, arena, r, tree_);
    return r.description.cell_child_count;
}

GridTable::GridTable(NodeProvider& provider, Node& selected, int32_t first_child,
                     int32_t last_child, Arena& arena)
    : provider_(provider), selected_(selected), first_(first_child), last_(last_child),
      arena_(arena), groups_(&arena), columns_(&arena), row_order_(&arena), display_of_row_(&arena),
      kept_(&arena), shown_(&arena), further_keys_(&arena) {
    row_order_.resize(row_count(), false);
    display_of_row_.resize(row_count(), false);
    for (int32_t i = 0; i < row_count(); ++i) row_order_[i] = display_of_row_[i] = i + 1;
}

GridTable* GridTable::name_value(NodeProvider& provider, Node& node, Arena& arena) {
    auto* t = new (arena.allocate(sizeof(GridTable), alignof(GridTable)))
        GridTable(provider, node, 0, 0, arena);
    t->name_value_node_ = &node;
    t->columns_.push_back({ColumnKind::data, nullptr});
    t->columns_.push_back({ColumnKind::data, nullptr});
    return t;
}

GridTable* GridTable::literal(NodeProvider& provider, Node& selected, int32_t columns,
                              std::span<const char* const> texts, Arena& arena) {
    const auto rows = static_cast<int32_t>(texts.size() / static_cast<size_t>(std::max(columns, 1))) - 1;
    auto* t = new (arena.allocate(sizeof(GridTable), alignof(GridTable)))
        GridTable(provider, selected, 1, std::max(rows, 0), arena);
    t->literal_ = texts.data();
    for (int32_t c = 0; c < columns; ++c) t->columns_.push_back({ColumnKind::data, nullptr});
    return t;
}

void GridTable::set_key_column(const char* title, TextPos position) {
    has_key_ = true;
    key_title_ = title;
    key_position_ = position;
}

void GridTable::add_display_column(ColumnKind kind, Column* column) {
    columns_.push_back({kind, column});
}

Node* GridTable::row_node(int32_t row) {
    if (literal_ || row < 1 || row > row_count()) return nullptr;
    return provider_.child(selected_, first_ + row - 1);
}

Cell GridTable::cell_at(int32_t row, int32_t column, Arena& scratch) {
    return look_at(row, column, scratch, nullptr);
}

Node* GridTable::row_for(int32_t row, CellPeek* peek) {
    if (!peek) return row_node(row);
    if (literal_ || row < 1 || row > row_count()) return nullptr;
    return peek->row_node = provider_.peek_child(selected_, first_ + row - 1, peek->row);
}

Cell GridTable::look_at(int32_t row, int32_t column, Arena& scratch, CellPeek* peek) {
    Cell cell;
    if (column < 0 || column >= columns_.size() || row < 0 || row > row_count()) return cell;
    if (literal_) {
        // Shown as captions are, from the text itself, but drawn as plain cells below the header.
        cell.caption = literal_[static_cast<size_t>(row) * static_cast<size_t>(columns_.size()) + static_cast<size_t>(column)];
        cell.is_caption_cell = row == 0;
        return cell;
    }
    if (name_value_node_) {
        if (row == 0) {
            cell.caption = column == 0 ? "Name" : "Value";
            cell.is_caption_cell = true;
        } else {
            cell.node = name_value_node_;
        }
        return cell;
    }
    const DisplayColumn& dc = columns_[column];
    if (row == 0) {
        switch (dc.kind) {
            case ColumnKind::row_header: {
                // The rows' own title for their first column ("Tag name/Text", "name").
                cell.caption = "";
                if (Node* first = row_for(1, peek)) {
                    QueryResult r;
                    run_query(*first, kQueryColumnTitle, scratch, r, provider_.document());
                    cell.caption = scratch.copy_text(r.text.data(), static_cast<uint32_t>(r.text.size()));
                }
                break;
            }
            case ColumnKind::key: cell.caption = key_title_; break;
            case ColumnKind::data: cell.caption = dc.column->name; break;
        }
        return cell;
    }
    Node* child = row_for(row, peek);
    if (!child) return cell;
    if (dc.kind == ColumnKind::row_header) {
        cell.node = child;
        return cell;
    }
    Column* col = dc.column;
    if (dc.kind == ColumnKind::key) {
        QueryResult r;
        run_query(*child, kQueryValueCell, scratch, r, provider_.document());
        if (r.description.has_value) {
            cell.node = child;
            return cell;
        }
        col = key_attached_;
        if (!col) return cell;
    }
    const int32_t r0 = row - 1;
    RepeatGroup* group = nullptr;
    if (col->repeats.find(r0, &group)) {
        cell.node = new (scratch.allocate(sizeof(ConsolidatedElement), alignof(ConsolidatedElement)))
            ConsolidatedElement(*group, col->name, false, scratch, provider_, selected_);
        return cell;
    }
    if (col->consolidated) return cell;
    // Every row the column occurs in has its grandchild's index; other rows have no cell.
    if (const int32_t j = col->cells.find(r0); j >= 0)
        cell.node = peek ? provider_.peek_child(*child, j, peek->cell) : provider_.child(*child, j);
    return cell;
}

std::string_view GridTable::cell_text(int32_t row, int32_t column, Arena& scratch) {
    // The texts of a whole table (a copy, a sort) make no nodes that stay: each cell's node
    // is looked at for the moment, and its text lives in the records or in scratch.
    CellPeek peek;
    Cell cell = look_at(row, column, scratch, &peek);
    if (cell.caption) return cell.caption;
    if (!cell.node) return {};
    QueryResult r;
    DocumentTree* doc = provider_.document();
    if (name_value_node_) {
        run_query(*cell.node, column == 0 ? kQueryName : kQueryValue2, scratch, r, doc);
        return r.text;
    }
    const DisplayColumn& dc = columns_[column];
    if (dc.kind == ColumnKind::row_header) {
        run_query(*cell.node, kQueryName, scratch, r, doc);
        if (r.text.empty()) run_query(*cell.node, kQueryDisplay, scratch, r, doc);
        return r.text;
    }
    if (dc.kind == ColumnKind::key && cell.node == peek.row_node) {
        run_query(*cell.node, kQueryValueCell, scratch, r, doc);
        return r.text;
    }
    run_query(*cell.node, kQueryCell, scratch, r, doc);
    return r.text;
}

int GridTable::cell_query(int32_t row, int32_t column, const Cell& cell) {
    if (name_value_node_) return column == 0 ? kQueryName : kQueryValue2;
    const DisplayColumn& dc = columns_[column];
    if (dc.kind == ColumnKind::row_header) return kQueryName;
    if (dc.kind == ColumnKind::key && cell.node && cell.node == row_node(row)) return kQueryValueCell;
    return kQueryCell;
}

bool GridTable::cell_text(int32_t row, int32_t column, Arena& arena, std::string_view* text) {
    *text = cell_text(row, column, arena);
    return !text->empty();
}

bool GridTable::fill_keys(int32_t column, int32_t first, int32_t last, CellTexts& keys) {
    if (literal_ || name_value_node_ || column < 0 || column >= columns_.size()) return false;
    const DisplayColumn& dc = columns_[column];
    const Column* col = dc.column;
    // Repeat groups and consolidated columns take cell_at's other ways.
    if (dc.kind != ColumnKind::data || !col || col->consolidated || !col->repeats.empty())
        return false;
    first = std::max(first, 1);
    last = std::min(last, row_count());
    DocumentTree* doc = provider_.document();
    SmallArena scratch;
    NodeScratch row_scratch, cell_scratch;
    // Only the rows that have a cell: the others keep no key.
    col->cells.for_each_in(first - 1, last - 1, [&](int32_t r0, int32_t j) {
        Node* child = provider_.peek_child(selected_, first_ + r0, row_scratch);
        if (!child) return;
        Node* g = provider_.peek_child(*child, j, cell_scratch);
        if (!g) return;
        ArenaMark mark = scratch.mark();
        CellTextDescriber describer(scratch, doc);
        g->describe(describer);
        std::string_view text = describer.cell_text();
        if (!text.empty()) keys.set(r0 + 1, text);
        scratch.release(mark);
    });
    return true;
}

int32_t GridTable::row_of_position(TextPos offset) {
    int32_t lo = 1, hi = row_count();
    SmallArena arena;
    while (lo <= hi) {
        int32_t mid = lo + (hi - lo) / 2;
        Node* child = row_node(mid);
        if (!child) return -1;
        QueryResult r;
        ArenaMark mark = arena.mark();
        run_query(*child, kQueryDisplay, arena, r, provider_.document());
        TextRange range = r.description.range;
        arena.release(mark);
        if ((offset >= range.first && offset <= range.last) || offset == range.first) return mid;
        if (range.last < offset)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

void GridTable::set_sorted(int32_t column, bool ascending, std::span<const int32_t> order) {
    sort_column_ = column;
    sort_ascending_ = ascending;
    for (size_t i = 0; i < order.size() && static_cast<int32_t>(i) < row_order_.size(); ++i)
        row_order_[static_cast<int32_t>(i)] = order[i];
    is_sorted_ = true;
    refresh_shown();
}

void GridTable::refresh_shown() {
    if (!filtered_) {
        for (int32_t i = 0; i < row_order_.size(); ++i) display_of_row_[row_order_[i] - 1] = i + 1;
        return;
    }
    // Cleared, not freed: the storage is the arena's, and the next filter reuses it.
    shown_.clear();
    for (int32_t i = 0; i < row_order_.size(); ++i) {
        const int32_t row = row_order_[i];
        if (kept_[row - 1]) {
            shown_.push_back(row);
            display_of_row_[row - 1] = shown_.size();
        } else {
            display_of_row_[row - 1] = 0;
        }
    }
}

void GridTable::set_filter(const RowFilter& filter, std::span<const uint8_t> keep) {
    if (filter.keeps_all() || static_cast<int32_t>(keep.size()) != row_count()) {
        clear_filter();
        return;
    }
    filtered_ = true;
    kept_.resize(row_count(), false);
    std::copy(keep.begin(), keep.end(), kept_.begin());
    filter_text_ = {arena_.copy_text(filter.text.data(), static_cast<uint32_t>(filter.text.size())),
                    filter.text.size()};
    filter_match_ = filter.match;
    filter_column_ = filter.column;
    refresh_shown();
}

void GridTable::clear_filter() {
    filtered_ = false;
    filter_text_ = {};
    filter_match_ = RowFilter::Match::substring;
    filter_column_ = -1;
    refresh_shown();
}

RowFilter GridTable::filter() const {
    RowFilter filter;
    if (!filtered_) return filter;
    filter.text = std::string(filter_text_);
    filter.match = filter_match_;
    filter.column = filter_column_;
    return filter;
}

std::vector<SortSpec> GridTable::sort_keys() const {
    std::vector<SortSpec> keys;
    if (!is_sorted_ || sort_column_ < 0) return keys;
    keys.push_back({sort_column_, sort_ascending_});
    for (const SortSpec& key : further_keys_.span()) keys.push_back(key);
    return keys;
}

}  // namespace tessel
