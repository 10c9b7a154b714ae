// EditHistory: pushing with merge and group links, undo and redo across groups.
#include "text/edit_history.h"

#include <atomic>

namespace tessel {

int32_t EditRecord::next_type_id() {
    static std::atomic<int32_t> counter{0};
    return ++counter;
}

void EditHistory::destroy(Array<Entry>& list) {
    for (Entry& e : list) delete e.record;
    list.clear();
}

void EditHistory::clear() {
    destroy(undo_);
    destroy(redo_);
    modified_flag_ = 0;
    save_distance_ = 0;
    save_point_lost_ = false;
    group_mode_ = 0;
}

void EditHistory::push(std::unique_ptr<EditRecord> record, int flags) {
    if (save_distance_ > 0 && !redo_.empty()) save_point_lost_ = true;
    // A record that opens a group is never folded into the step before the group, and
    // nothing is folded into the step that ends at the saved state, or the change would not
    // count as a modification.
    bool merged = (flags & kMergeAllowed) && !undo_.empty() && group_mode_ != 1 &&
                  save_distance_ != 0 && undo_.back().record->merge(*record);
    if (!merged) {
        uint32_t link = 0;
        if (group_mode_ == 2) {
            if (!undo_.empty()) undo_.back().link |= kLinkedToNext;
            link = kLinkedToPrevious;
        } else if (group_mode_ == 1) {
            group_mode_ = 2;
        }
        undo_.push_back(Entry{record.release(), link});
        --save_distance_;
    }
    destroy(redo_);
}

bool EditHistory::undo() {
    bool any = false;
    while (!undo_.empty()) {
        Entry entry = undo_.back();
        if (!entry.record->undo()) break;
        any = true;
        undo_.pop_back();
        ++save_distance_;
        redo_.push_back(entry);
        if (!(entry.link & kLinkedToPrevious)) break;
    }
    return any;
}

bool EditHistory::redo() {
    bool any = false;
    while (!redo_.empty()) {
        Entry entry = redo_.back();
        if (!entry.record->redo()) break;
        any = true;
        redo_.pop_back();
        undo_.push_back(entry);
        --save_distance_;
        if (!(entry.link & kLinkedToNext)) break;
    }
    return any;
}

void EditHistory::rebind_all() {
    for (Array<Entry>* list : {&undo_, &redo_}) {
        int32_t lost = -1;  // the last entry whose record could not be kept
        for (int32_t i = 0; i < list->size(); ++i) {
            Entry& e = (*list)[i];
            EditRecord* kept = e.record->rebind();
            if (kept != e.record) delete e.record;
            e.record = kept;
            if (!kept) lost = i;
        }
        // Entries reached only through a lost record can no longer be replayed.
        if (lost >= 0) {
            for (int32_t i = 0; i < lost; ++i) delete (*list)[i].record;
            list->shift(0, -(lost + 1));
        }
    }
}

void EditHistory::notify_all(int32_t code) {
    for (Entry& e : undo_) e.record->notify(code);
    for (Entry& e : redo_) e.record->notify(code);
}

}  // namespace tessel
