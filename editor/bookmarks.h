// Bookmarks: saved locations in the text or in the document views, visited in turn with
// next and previous; text bookmarks move with the text as it is edited.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "foundation/array.h"
#include "text/text_pos.h"

namespace tessel {

class TextDocument;

// A location of five 32-bit values. A text bookmark holds the caret offset as a 64-bit
// value (low half first), a 64-bit zero, and -1; anything else is a view location, whose
// meaning belongs to the view that made it.
struct Bookmark {
    int32_t values[5] = {0, 0, 0, 0, 0};

    static Bookmark text(TextPos offset) {
        const auto wide = static_cast<int64_t>(offset);
        return Bookmark{
            {static_cast<int32_t>(wide & 0xFFFFFFFF), static_cast<int32_t>(wide >> 32), 0, 0, -1}};
    }
    bool is_text() const { return values[4] == -1; }
    TextPos text_offset() const { return values[0]; }
    bool operator==(const Bookmark&) const = default;
};

// The document views as bookmarks see them; the tree view implements it.
class BookmarkTarget {
public:
    virtual ~BookmarkTarget() = default;
    // Where the views are now; its fifth value is never -1, which marks text bookmarks.
    virtual Bookmark current_location() = 0;
    // Shows the location; false when it no longer exists in the document.
    virtual bool apply_location(const Bookmark& location) = 0;
};

class BookmarkList {
public:
    // The list registers its text offsets with the document, which moves them on every edit.
    explicit BookmarkList(TextDocument& document);
    ~BookmarkList();
    BookmarkList(const BookmarkList&) = delete;
    BookmarkList& operator=(const BookmarkList&) = delete;

    int32_t size() const { return marks_.size(); }
    bool empty() const { return marks_.empty(); }
    // The bookmark visited or added last, or -1.
    int32_t current() const { return current_; }
    Bookmark at(int32_t i) const;
    // Next, previous and clear are offered only when there is something to visit.
    bool enabled() const { return !empty(); }

    // The location toggle works on: the caret when the editor has the focus, otherwise the
    // views' current location (the caret when there are no views).
    Bookmark toggle_location(bool editor_has_focus, BookmarkTarget* views) const;
    // Removes every bookmark equal to location or, when there is none, appends it and makes
    // it current. Returns true when it was added.
    bool toggle(const Bookmark& location);
    // Steps to the next or previous bookmark, around the end of the list, and shows it: a
    // text bookmark moves the caret, a view location goes to views. Bookmarks found no longer
    // valid on the way are removed. Leaves "Next bookmark" or "Last  bookmark" in
    // status_message; false when nothing could be shown.
    bool next(BookmarkTarget* views, std::string* status_message);
    bool previous(BookmarkTarget* views, std::string* status_message);
    void clear();
    // Where the text bookmarks are now, one entry per bookmark (-1 for a view location).
    std::span<const TextPos> text_offsets() const { return {offsets_.data(), static_cast<size_t>(offsets_.size())}; }

private:
    enum class Shown { yes, invalid, skipped };
    bool step(int32_t delta, BookmarkTarget* views);
    Shown show(int32_t i, BookmarkTarget* views);
    void remove(int32_t i);

    TextDocument& document_;
    Array<Bookmark> marks_;
    // One entry per bookmark: the offset of a text bookmark, -1 for a view location (which
    // no edit moves, being before every position).
    Array<TextPos> offsets_;
    int32_t current_ = -1;
};

}  // namespace tessel
