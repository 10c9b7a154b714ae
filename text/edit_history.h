// EditHistory: the undo and redo lists of the document, with typing merged into single
// steps, groups undone as one, and the distance from the saved state.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/array.h"
#include "text/edit_record.h"

namespace tessel {

class EditHistory {
public:
    // push flag: the record may be merged into the previous one (typed characters, Tab).
    static constexpr int kMergeAllowed = 0x40;

    // An entry's link: the low byte says the record joined a group after its first member;
    // the second byte says the next record pushed belongs to the same group.
    static constexpr uint32_t kLinkedToPrevious = 0x1;
    static constexpr uint32_t kLinkedToNext = 0x100;
    struct Entry {
        EditRecord* record;
        uint32_t link;
    };

    EditHistory() = default;
    EditHistory(const EditHistory&) = delete;
    EditHistory& operator=(const EditHistory&) = delete;
    ~EditHistory() { clear(); }

    // Takes a record that has just been applied for the first time.
    void push(std::unique_ptr<EditRecord> record, int flags);
    // Undo the last step (a whole group), or redo the next one. False when nothing was done
    // or a record failed; a failed record stays where it was.
    bool undo();
    bool redo();
    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }

    void begin_group() { group_mode_ = 1; }
    void end_group() { group_mode_ = 0; }

    void clear();
    void mark_saved() {
        save_distance_ = 0;
        save_point_lost_ = false;
    }
    void set_modified_flag(bool on) { modified_flag_ = on; }
    bool modified() const { return modified_flag_ || save_distance_ != 0 || save_point_lost_; }
    int32_t save_distance() const { return save_distance_; }

    // Calls rebind on every record of both lists, replacing records as told; a record that
    // rebinds to null is dropped together with the rest of its list below it.
    void rebind_all();
    void notify_all(int32_t code);

    const Array<Entry>& undo_list() const { return undo_; }
    const Array<Entry>& redo_list() const { return redo_; }

private:
    void destroy(Array<Entry>& list);

    uint8_t modified_flag_ = 0;
    uint8_t group_mode_ = 0;  // 0 none, 1 opened and still empty, 2 running
    int32_t save_distance_ = 0;
    // The saved state was on the redo list when a new record purged it: no number of undos
    // or redos gets back to it, whatever save_distance_ counts.
    bool save_point_lost_ = false;
    Array<Entry> redo_;
    Array<Entry> undo_;
};

}  // namespace tessel
