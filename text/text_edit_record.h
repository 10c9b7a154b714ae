// TextEditRecord: the undo record of a text change at one or more positions, all with the
// same inserted text and the same number of deleted bytes. It changes the text through
// EditTarget, which the document implements, so the document can make records without the
// two including each other.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "foundation/arena.h"
#include "foundation/array.h"
#include "text/edit_record.h"
#include "text/text_pos.h"

namespace tessel {

class TextStore;

// Flags of a text change: the document's replace takes them, and a record applies its
// change with them.
enum ReplaceFlags : int {
    kApplyDirectly = 0x10,  // apply now, without an undo record
    kQuiet = 0x20,          // do not tell the change listener
    kMergeTyping = 0x40,    // typed characters and Tab: may merge into the previous step
    kCaretAtStart = 0x80,   // leave the caret at the first position, not after the insertion
};

// What a record changes: applies a change now. texts holds one text for all positions or
// one per position.
class EditTarget {
public:
    virtual ~EditTarget() = default;
    virtual bool apply(std::span<const TextPos> positions, int32_t delete_count,
                       std::span<const std::string_view> texts, int flags) = 0;
};

class TextEditRecord final : public EditRecord {
public:
    struct Deleted {
        const char* bytes;
        int32_t length;
    };

    // Copies the delete_count bytes at every position out of store, the target's text.
    // first_flags (kQuiet, kCaretAtStart) apply to the first application only.
    TextEditRecord(EditTarget& target, const TextStore& store, std::span<const TextPos> positions,
                   int32_t delete_count, std::string_view inserted, int first_flags = 0);

    bool merge(EditRecord& newer) override;
    bool undo() override;
    bool redo() override;
    int64_t cost() const override;
    int32_t type_id() const override { return class_type_id(); }
    static int32_t class_type_id();

    const Array<TextPos>& positions() const { return positions_; }
    const std::string& inserted() const { return inserted_; }
    const Array<Deleted>& deleted() const { return deleted_; }
    int32_t delete_count() const { return deleted_.empty() ? 0 : deleted_[0].length; }

private:
    EditTarget& target_;
    HeapArena arena_{1024};
    Array<TextPos> positions_;
    std::string inserted_;
    Array<Deleted> deleted_;
    int first_flags_;
};

}  // namespace tessel
