// CellIndex: gathering a column's cells while its table is built, and settling their form.
#include "views/cell_index.h"

#include <cassert>
#include <cstring>

namespace tessel {

namespace {

// A run of this many rows without a gap is taken for a full column: it gets room for the
// rest of the table at once rather than doubling its way there.
constexpr int32_t kLongRun = 4096;

}  // namespace

void CellIndex::regrow(int32_t capacity, Arena& building) {
    const size_t entry = form_ == Form::run ? sizeof(int32_t) : sizeof(CellSlot);
    void* fresh = building.allocate(static_cast<uint32_t>(entry * static_cast<size_t>(capacity)),
                                    alignof(CellSlot));
    if (used_) std::memcpy(fresh, data_, entry * static_cast<size_t>(used_));
    data_ = fresh;
    capacity_ = capacity;
}

void CellIndex::add_slow(int32_t row, int32_t index, int32_t rows, Arena& building) {
    assert(form_ == Form::none || form_ == Form::run || form_ == Form::building_pairs);
    if (form_ == Form::none) {
        first_row_ = row;
        form_ = Form::run;
    }
    ++cells_;
    if (form_ == Form::run) {
        if (row == first_row_ + used_) {
            if (used_ == capacity_) {
                // Never more room than the rows left; a long run takes them all at once.
                const int32_t left = rows - first_row_;
                regrow(std::max(used_ + 1, std::min(used_ >= kLongRun ? left : 2 * used_ + 2, left)),
                       building);
            }
            static_cast<int32_t*>(data_)[used_++] = index;
            return;
        }
        // The first gap: the run so far becomes pairs.
        const int32_t* run = ints();
        const int32_t n = used_;
        form_ = Form::building_pairs;
        used_ = 0;
        regrow(2 * n + 2, building);
        CellSlot* pairs = static_cast<CellSlot*>(data_);
        for (int32_t i = 0; i < n; ++i) pairs[i] = {first_row_ + i, run[i]};
        used_ = n;
    }
    assert(used_ > 0 && pairs()[used_ - 1].row < row && "rows come in increasing order");
    if (used_ == capacity_) regrow(2 * used_ + 2, building);
    static_cast<CellSlot*>(data_)[used_++] = {row, index};
}

void CellIndex::finish(Arena& arena) {
    if (form_ == Form::run) {
        int32_t* dense = arena.allocate_array<int32_t>(static_cast<uint32_t>(used_));
        std::memcpy(dense, data_, sizeof(int32_t) * static_cast<size_t>(used_));
        data_ = dense;
        form_ = Form::dense;
    } else if (form_ == Form::building_pairs) {
        const CellSlot* pairs = this->pairs();
        const int64_t span = int64_t{pairs[used_ - 1].row} - first_row_ + 1;
        if (span <= 2 * int64_t{used_}) {
            int32_t* dense = arena.allocate_array<int32_t>(static_cast<uint32_t>(span));
            std::fill(dense, dense + span, -1);
            for (int32_t i = 0; i < used_; ++i) dense[pairs[i].row - first_row_] = pairs[i].index;
            data_ = dense;
            used_ = static_cast<int32_t>(span);
            form_ = Form::dense;
        } else {
            CellSlot* kept = arena.allocate_array<CellSlot>(static_cast<uint32_t>(used_));
            std::memcpy(kept, pairs, sizeof(CellSlot) * static_cast<size_t>(used_));
            data_ = kept;
            form_ = Form::pairs;
        }
    }
    // The building storage belongs to an arena that is released after the table is built.
    capacity_ = 0;
}

}  // namespace tessel
