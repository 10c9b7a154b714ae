// EditRecord: one undoable change, as the edit history holds it.
#pragma once

#include <cstdint>

namespace tessel {

class EditRecord {
public:
    // Folds newer into this record and returns true, or leaves both alone. The history
    // destroys newer when it was folded in.
    virtual bool merge(EditRecord& newer) = 0;
    virtual bool undo() = 0;
    // Also the first application of a new record.
    virtual bool redo() = 0;
    // The record to keep in this one's place when the owner of the edited data is
    // replaced; a record that survives such a change returns itself.
    virtual EditRecord* rebind() { return this; }
    // Bytes held, roughly.
    virtual int64_t cost() const = 0;
    // A number unique to the record's class.
    virtual int32_t type_id() const = 0;
    // A notice that the history sends to every record it holds.
    virtual void notify(int32_t /*code*/) {}
    virtual ~EditRecord() = default;

protected:
    // Hands out the next class number; each class calls it once and keeps the answer.
    static int32_t next_type_id();
};

}  // namespace tessel
