// TextEditRecord: applying, reverting and merging text changes.
#include "text/text_edit_record.h"

#include <vector>

#include "text/text_store.h"

namespace tessel {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_word_byte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

int32_t TextEditRecord::class_type_id() {
    static const int32_t id = next_type_id();
    return id;
}

TextEditRecord::TextEditRecord(EditTarget& target, const TextStore& store,
                               std::span<const TextPos> positions, int32_t delete_count,
                               std::string_view inserted, int first_flags)
    : target_(target), inserted_(inserted), first_flags_(first_flags) {
    positions_.append(positions);
    for (TextPos p : positions) {
        const char* bytes = delete_count > 0
                                ? store.copy_range(arena_, p, p + delete_count - 1)
                                : arena_.copy_text("", 0);
        deleted_.push_back(Deleted{bytes, delete_count});
    }
}

bool TextEditRecord::merge(EditRecord& newer_record) {
    if (newer_record.type_id() != type_id()) return false;
    auto& newer = static_cast<TextEditRecord&>(newer_record);
    if (positions_.size() != 1 || newer.positions_.size() != 1) return false;
    if (&newer.target_ != &target_) return false;
    if (newer.positions_[0] != positions_[0] + static_cast<TextPos>(inserted_.size())) return false;
    // The newer record's deleted bytes would be lost to undo if it were folded in.
    if (newer.delete_count() != 0) return false;
    if (inserted_.empty() || newer.inserted_.empty()) return false;
    bool blanks = is_blank(inserted_[0]) && is_blank(newer.inserted_[0]);
    bool word = delete_count() == 0 && is_word_byte(inserted_[0]) && is_word_byte(newer.inserted_[0]);
    if (!blanks && !word) return false;
    inserted_ += newer.inserted_;
    return true;
}

bool TextEditRecord::redo() {
    std::string_view text = inserted_;
    int flags = kApplyDirectly | first_flags_;
    first_flags_ = 0;
    return target_.apply(positions_.span(), delete_count(), {&text, 1}, flags);
}

bool TextEditRecord::undo() {
    const int32_t n = static_cast<int32_t>(inserted_.size());
    const int32_t d = delete_count();
    Array<TextPos> shifted;
    shifted.reserve(positions_.size());
    std::vector<std::string_view> texts;
    texts.reserve(static_cast<size_t>(positions_.size()));
    for (int32_t i = 0; i < positions_.size(); ++i) {
        shifted.push_back(positions_[i] + i * (n - d));
        texts.emplace_back(deleted_[i].bytes, static_cast<size_t>(deleted_[i].length));
    }
    return target_.apply(shifted.span(), n, texts, kApplyDirectly | kCaretAtStart);
}

int64_t TextEditRecord::cost() const {
    return static_cast<int64_t>(inserted_.size()) +
           static_cast<int64_t>(delete_count()) * positions_.size();
}

}  // namespace tessel
