// CellIndex: gathering a column's cells while its table is built, and settling their form.
#include "views/cell_index.h"

#include <cassert>

namespace tessel {

void CellIndex::add(int32_t row, int32_t index, Arena& building) {
    assert(!dense_ && !pairs_ && "a finished index takes no more cells");
    if (cells_ == 0) {
        first_row_ = row;
        run_ = Array<int32_t>(&building);
    }
    ++cells_;
    if (building_pairs_.empty()) {
        if (row == first_row_ + run_.size()) {
            run_.push_back(index);
            return;
        }
        // The first gap: the run so far becomes pairs.
        building_pairs_ = Array<CellSlot>(&building);
        building_pairs_.reserve(run_.size() + 1);
        for (int32_t i = 0; i < run_.size(); ++i) building_pairs_.push_back({first_row_ + i, run_[i]});
    }
    assert(building_pairs_.back().row < row && "rows come in increasing order");
    building_pairs_.push_back({row, index});
}

void CellIndex::finish(Arena& arena) {
    if (cells_ == 0 || dense_ || pairs_) return;
    if (building_pairs_.empty()) {
        span_ = run_.size();
        int32_t* dense = arena.allocate_array<int32_t>(static_cast<uint32_t>(span_));
        std::copy(run_.begin(), run_.end(), dense);
        dense_ = dense;
    } else {
        const int64_t span = int64_t{building_pairs_.back().row} - first_row_ + 1;
        if (span <= 2 * int64_t{cells_}) {
            span_ = static_cast<int32_t>(span);
            int32_t* dense = arena.allocate_array<int32_t>(static_cast<uint32_t>(span_));
            std::fill(dense, dense + span_, -1);
            for (const CellSlot& s : building_pairs_) dense[s.row - first_row_] = s.index;
            dense_ = dense;
        } else {
            CellSlot* pairs = arena.allocate_array<CellSlot>(static_cast<uint32_t>(cells_));
            std::copy(building_pairs_.begin(), building_pairs_.end(), pairs);
            pairs_ = pairs;
        }
    }
    // The building storage belongs to an arena that is released after the table is built.
    run_ = Array<int32_t>();
    building_pairs_ = Array<CellSlot>();
}

}  // namespace tessel
