// GridTable: one table of a view. Its rows are a run of sibling children of the selected
// node; its columns are the distinct attributes, sub-elements and texts found among those
// children's own children, kept in column groups. Cells are not copied: a table remembers
// which grandchild fills a cell and asks the node again when the cell is shown.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "parse/document_tree.h"
#include "parse/node.h"
#include "text/text_pos.h"
#include "views/grid_columns.h"
#include "views/row_filter.h"
#include "views/row_sort.h"

namespace tessel {

class NodeProvider;

// What one position of a table shows.
struct Cell {
    Node* node = nullptr;        // the node whose description the cell shows, if any
    const char* caption = nullptr;  // a fixed header text ("Name", a column's name)
    bool is_caption_cell = false;   // drawn as a caption (flag bit 2)
};

class GridTable final : public SortableTable {
public:
    enum class ColumnKind : uint8_t { row_header, key, data };
    struct DisplayColumn {
        ColumnKind kind;
        Column* column;  // null for the row header and a key column without attachment
    };

    GridTable(NodeProvider& provider, Node& selected, int32_t first_child, int32_t last_child,
              Arena& arena);

    // The name/value table of a node that has no children: captions "Name" and "Value" and
    // one row with the node's own name and value.
    static GridTable* name_value(NodeProvider& provider, Node& node, Arena& arena);

    // A table of texts that no node holds (the value counts of a column): `columns` titles,
    // then the rows, row by row; a null text is an empty cell. Its cells are never edited and
    // its rows stand for no child. The texts stay where they are: they must outlive the table.
    static GridTable* literal(NodeProvider& provider, Node& selected, int32_t columns,
                              std::span<const char* const> texts, Arena& arena);
    bool is_literal() const { return literal_ != nullptr; }
    // The column whose numbers are drawn as bars against `max`; -1 for none.
    void set_bars(int32_t column, int64_t max) {
        bar_column_ = column;
        bar_max_ = max;
    }
    int32_t bar_column() const { return bar_column_; }
    int64_t bar_max() const { return bar_max_; }

    int32_t first_child() const { return first_; }
    int32_t last_child() const { return last_; }
    int32_t row_count() const override { return last_ - first_ + 1; }
    int32_t column_count() const { return columns_.size(); }
    const DisplayColumn& display_column(int32_t c) const { return columns_[c]; }
    Array<ColumnGroup*>& groups() { return groups_; }
    bool has_key_column() const { return has_key_; }
    const char* key_title() const { return key_title_; }

    // The child that row r (1-based) stands for.
    Node* row_node(int32_t row);
    // The cell at (row, column); row 0 is the header row. Synthetic cells (repeat groups,
    // consolidated cells) are made in `scratch`.
    Cell cell_at(int32_t row, int32_t column, Arena& scratch);
    // The text a cell shows, or an empty view for an empty cell.
    std::string_view cell_text(int32_t row, int32_t column, Arena& scratch);
    // The query whose text the cell at (row, column) shows, cell being cell_at's answer.
    int cell_query(int32_t row, int32_t column, const Cell& cell);
    // The row whose child covers the text offset (a bisection over document order), or -1.
    int32_t row_of_position(TextPos offset);

    // What is shown: the rows a filter keeps (every row without one), in the sort's order.
    // Display position i (1-based) shows row shown_row(i); a hidden row's display is 0.
    int32_t shown_count() const { return filtered_ ? shown_.size() : row_count(); }
    int32_t shown_row(int32_t display) const {
        return filtered_ ? shown_[display - 1] : row_order_[display - 1];
    }
    int32_t display_of_row(int32_t row) const { return display_of_row_[row - 1]; }
    bool row_shown(int32_t row) const override { return display_of_row_[row - 1] != 0; }
    bool is_sorted() const { return is_sorted_; }
    // Every row, hidden ones too, in the sort's order.
    const Array<int32_t>& row_order() const { return row_order_; }
    // Shows only the rows with keep[row - 1] set (keep has row_count() entries), remembering
    // the filter that chose them; a filter that keeps all rows shows every row again.
    void set_filter(const RowFilter& filter, std::span<const uint8_t> keep);
    void clear_filter();
    bool is_filtered() const { return filtered_; }
    // The filter shown rows went through; keeps_all() when there is none.
    RowFilter filter() const;
    bool cell_text(int32_t row, int32_t column, Arena& arena, std::string_view* text) override;
    int32_t sort_column() const override { return sort_column_; }
    bool sort_ascending() const override { return sort_ascending_; }
    void set_sorted(int32_t column, bool ascending, std::span<const int32_t> order) override;
    void set_further_keys(std::span<const SortSpec> keys) override {
        further_keys_.clear();
        for (const SortSpec& key : keys) further_keys_.push_back(key);
    }
    // Every key of the last sort, the first one first; empty before any sort.
    std::vector<SortSpec> sort_keys() const;
    // Data columns whose cells all come from the cell index: each row's cell is read by a
    // describer that keeps only what a cell's text is made of.
    bool fill_keys(int32_t column, int32_t first, int32_t last, CellTexts& keys) override;

    // Building (table_view.cpp).
    void set_key_column(const char* title, TextPos position);
    void add_display_column(ColumnKind kind, Column* column);
    void attach_to_key(Column* column) { key_attached_ = column; }
    Arena& arena() { return arena_; }
    NodeProvider& provider() { return provider_; }

private:
    // Room for a row's node and a cell's node looked at for the moment, and the row's.
    struct CellPeek {
        NodeScratch row, cell;
        Node* row_node = nullptr;
    };
    // cell_at, with the row's and the cell's nodes decoded into peek when it is given.
    Cell look_at(int32_t row, int32_t column, Arena& scratch, CellPeek* peek);
    Node* row_for(int32_t row, CellPeek* peek);

    NodeProvider& provider_;
    Node& selected_;
    int32_t first_, last_;
    Arena& arena_;
    bool has_key_ = false;
    const char* key_title_ = "";
    TextPos key_position_ = -1;
    Column* key_attached_ = nullptr;
    Array<ColumnGroup*> groups_;
    Array<DisplayColumn> columns_;
    Node* name_value_node_ = nullptr;  // set for a name/value table
    const char* const* literal_ = nullptr;  // set for a literal table
    int32_t bar_column_ = -1;
    int64_t bar_max_ = 0;
    // Recomputes shown_ and display_of_row_ from row_order_ and kept_.
    void refresh_shown();

    Array<int32_t> row_order_;
    Array<int32_t> display_of_row_;
    // Filtering: kept_[row - 1] tells whether a row is shown, shown_ lists them in order.
    bool filtered_ = false;
    Array<uint8_t> kept_;
    Array<int32_t> shown_;
    // The filter, its text in the arena.
    std::string_view filter_text_;
    RowFilter::Match filter_match_ = RowFilter::Match::substring;
    int32_t filter_column_ = -1;
    // In the arena, as the table is: its destructor does not run.
    Array<SortSpec> further_keys_;
    int32_t sort_column_ = -1;
    bool sort_ascending_ = true;
    bool is_sorted_ = false;
};

}  // namespace tessel
