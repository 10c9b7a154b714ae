// TextEditRecord: the undo record of a text change at one or more positions, all with the
// same inserted text and the same number of deleted bytes.
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

class TextDocument;

class TextEditRecord final : public EditRecord {
public:
    struct Deleted {
        const char* bytes;
        int32_t length;
    };

    // Copies the delete_count bytes at every position out of the document. first_flags
    // (kQuiet, kCaretAtStart) apply to the first application only.
    TextEditRecord(TextDocument& document, std::span<const TextPos> positions,
                   int32_t delete_count, std::string_view inserted, int first_flags = 0);

    bool merge(EditRecord& newer) override;
    bool undo() override;
    bool redo() override;
    int64_t cost() const override;
    int32_t type_id() const override { return class_type_id(); }
    static int32_t class_type_id();

    TextDocument& document() const { return document_; }
    const Array<TextPos>& positions() const { return positions_; }
    const std::string& inserted() const { return inserted_; }
    const Array<Deleted>& deleted() const { return deleted_; }
    int32_t delete_count() const { return deleted_.empty() ? 0 : deleted_[0].length; }

private:
    TextDocument& document_;
    HeapArena arena_{1024};
    Array<TextPos> positions_;
    std::string inserted_;
    Array<Deleted> deleted_;
    int first_flags_;
};

// The record of replacing delete_count bytes at position by text.
std::unique_ptr<TextEditRecord> make_text_edit(TextDocument& document, std::string_view text,
                                               TextPos position, int32_t delete_count);

}  // namespace tessel
