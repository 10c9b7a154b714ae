// CellIndex: which grandchild fills a column's cell in each row of a grid table. A run of n
// children that each carry their own names gives n columns of one cell each, so a column keeps
// only the rows it has: one slot per row from its first cell to its last when at least half of
// them are filled, (row, index) pairs otherwise. A column costs at most eight bytes a cell, and
// a table's cells cost memory in proportion to the cells that are there, not rows x columns.
#pragma once

#include <algorithm>
#include <cstdint>

#include "foundation/arena.h"
#include "foundation/array.h"

namespace tessel {

struct CellSlot {
    int32_t row;
    int32_t index;
};

class CellIndex {
public:
    // While a table is built: row's cell is its child's grandchild `index`. Rows come in
    // increasing order, each at most once. The growing storage comes from `building`, which
    // must outlive the call to finish.
    void add(int32_t row, int32_t index, Arena& building);
    // Copies what add gathered into `arena` in the smaller of the two forms, at its exact
    // size; the building storage is not used again.
    void finish(Arena& arena);

    // The index of the grandchild that fills row's cell, -1 when the row has none.
    int32_t find(int32_t row) const {
        if (dense_) {
            const int32_t at = row - first_row_;
            return at >= 0 && at < span_ ? dense_[at] : -1;
        }
        if (!pairs_) return -1;
        const CellSlot* end = pairs_ + cells_;
        const CellSlot* it = std::lower_bound(pairs_, end, row,
                                              [](const CellSlot& s, int32_t r) { return s.row < r; });
        return it != end && it->row == row ? it->index : -1;
    }
    // Calls f(row, index) for each cell of rows first..last, in row order.
    template <typename F>
    void for_each_in(int32_t first, int32_t last, F&& f) const {
        if (dense_) {
            const int32_t a = std::max(first, first_row_), b = std::min(last, first_row_ + span_ - 1);
            for (int32_t row = a; row <= b; ++row)
                if (const int32_t j = dense_[row - first_row_]; j >= 0) f(row, j);
            return;
        }
        if (!pairs_) return;
        const CellSlot* end = pairs_ + cells_;
        for (const CellSlot* it = std::lower_bound(pairs_, end, first,
                                                   [](const CellSlot& s, int32_t r) { return s.row < r; });
             it != end && it->row <= last; ++it)
            f(it->row, it->index);
    }
    int32_t cell_count() const { return cells_; }
    // The 4-byte slots the finished index holds (two per pair): what a table's cells cost.
    int64_t stored_slots() const { return dense_ ? span_ : 2 * int64_t{cells_}; }

private:
    // Building: while the rows so far are consecutive from first_row_, only their indices
    // (run_); from the first gap on, pairs.
    Array<int32_t> run_;
    Array<CellSlot> building_pairs_;
    // Finished: dense_ over rows first_row_ .. first_row_ + span_ - 1 (-1 for a row without
    // a cell), or pairs_ sorted by row.
    const int32_t* dense_ = nullptr;
    const CellSlot* pairs_ = nullptr;
    int32_t first_row_ = 0;
    int32_t span_ = 0;
    int32_t cells_ = 0;
};

}  // namespace tessel
