// CellIndex: which grandchild fills a column's cell in each row of a grid table. A run of n
// children that each carry their own names gives n columns of one cell each, so a column keeps
// only the rows it has: one slot per row from its first cell to its last when at least half of
// them are filled, (row, index) pairs otherwise. A column costs at most eight bytes a cell, and
// a table's cells cost memory in proportion to the cells that are there, not rows x columns.
#pragma once

#include <algorithm>
#include <cstdint>

#include "foundation/arena.h"

namespace tessel {

struct CellSlot {
    int32_t row;
    int32_t index;
};

class CellIndex {
public:
    // While a table of `rows` rows is built: row's cell is its child's grandchild `index`.
    // Rows come in increasing order, each at most once. The growing storage comes from
    // `building`, which must outlive the call to finish.
    void add(int32_t row, int32_t index, int32_t rows, Arena& building) {
        // The common case inline: the next row of a run that has room.
        if (form_ == Form::run && row == first_row_ + used_ && used_ < capacity_) {
            static_cast<int32_t*>(data_)[used_++] = index;
            ++cells_;
            return;
        }
        add_slow(row, index, rows, building);
    }
    // Copies what add gathered into `arena` in the smaller of the two forms, at its exact
    // size; the building storage is not used again.
    void finish(Arena& arena);

    // The index of the grandchild that fills row's cell, -1 when the row has none.
    int32_t find(int32_t row) const {
        if (form_ == Form::dense) {
            const int32_t at = row - first_row_;
            return at >= 0 && at < used_ ? ints()[at] : -1;
        }
        if (form_ != Form::pairs) return -1;
        const CellSlot* it = first_pair_from(row);
        return it != pairs() + used_ && it->row == row ? it->index : -1;
    }
    // Calls f(row, index) for each cell of rows first..last, in row order.
    template <typename F>
    void for_each_in(int32_t first, int32_t last, F&& f) const {
        if (form_ == Form::dense) {
            const int32_t a = std::max(first, first_row_), b = std::min(last, first_row_ + used_ - 1);
            for (int32_t row = a; row <= b; ++row)
                if (const int32_t j = ints()[row - first_row_]; j >= 0) f(row, j);
        } else if (form_ == Form::pairs) {
            for (const CellSlot* it = first_pair_from(first); it != pairs() + used_ && it->row <= last; ++it)
                f(it->row, it->index);
        }
    }
    int32_t cell_count() const { return cells_; }
    // The 4-byte slots the finished index holds (two per pair): what a table's cells cost.
    int64_t stored_slots() const {
        return form_ == Form::dense ? used_ : form_ == Form::pairs ? 2 * int64_t{used_} : 0;
    }

private:
    // Building: a run of consecutive rows from first_row_ keeps only their indices; from the
    // first gap on, pairs. Finished: dense (one slot per row from first_row_, -1 for a row
    // without a cell) or pairs sorted by row.
    enum class Form : uint8_t { none, run, building_pairs, dense, pairs };

    const int32_t* ints() const { return static_cast<const int32_t*>(data_); }
    const CellSlot* pairs() const { return static_cast<const CellSlot*>(data_); }
    const CellSlot* first_pair_from(int32_t row) const {
        return std::lower_bound(pairs(), pairs() + used_, row,
                                [](const CellSlot& s, int32_t r) { return s.row < r; });
    }
    void add_slow(int32_t row, int32_t index, int32_t rows, Arena& building);
    // Room for `capacity` entries of the present form, the `used_` ones copied.
    void regrow(int32_t capacity, Arena& building);

    void* data_ = nullptr;
    int32_t first_row_ = 0;
    int32_t used_ = 0;      // entries held: indices (run, dense) or pairs
    int32_t capacity_ = 0;  // while building
    int32_t cells_ = 0;
    Form form_ = Form::none;
};

}  // namespace tessel
