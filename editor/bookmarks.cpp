// The bookmark list.
#include "editor/bookmarks.h"

#include <algorithm>

#include "text/text_document.h"

namespace tessel {

BookmarkList::BookmarkList(TextDocument& document) : document_(document) {
    document_.add_anchor_list(&offsets_);
}

BookmarkList::~BookmarkList() {
    document_.remove_anchor_list(&offsets_);
}

Bookmark BookmarkList::at(int32_t i) const {
    // A text bookmark's offset lives in offsets_, where edits move it.
    return offsets_[i] >= 0 ? Bookmark::text(offsets_[i]) : marks_[i];
}

Bookmark BookmarkList::toggle_location(bool editor_has_focus, BookmarkTarget* views) const {
    if (editor_has_focus || !views) return Bookmark::text(document_.caret());
    return views->current_location();
}

bool BookmarkList::toggle(const Bookmark& location) {
    // Edits can move two text bookmarks onto one offset; one toggle there removes both, so
    // the place is really unmarked afterwards.
    bool removed = false;
    for (int32_t i = marks_.size() - 1; i >= 0; --i) {
        if (at(i) == location) {
            remove(i);
            removed = true;
        }
    }
    if (removed) return false;
    marks_.push_back(location);
    offsets_.push_back(location.is_text() ? std::max(location.text_offset(), 0) : -1);
    current_ = marks_.size() - 1;
    return true;
}

void BookmarkList::remove(int32_t i) {
    marks_.shift(i, -1);
    offsets_.shift(i, -1);
    // current_ keeps naming the same bookmark; when that one goes, the one before it.
    if (current_ >= i) --current_;
}

void BookmarkList::clear() {
    marks_.clear();
    offsets_.clear();
    current_ = -1;
}

BookmarkList::Shown BookmarkList::show(int32_t i, BookmarkTarget* views) {
    if (offsets_[i] >= 0) {
        if (offsets_[i] > document_.length()) return Shown::invalid;  // the text was replaced
        document_.set_caret(offsets_[i]);
        return Shown::yes;
    }
    if (!views) return Shown::skipped;
    return views->apply_location(marks_[i]) ? Shown::yes : Shown::invalid;
}

bool BookmarkList::step(int32_t delta, BookmarkTarget* views) {
    int32_t skipped = 0;
    while (!marks_.empty() && skipped < marks_.size()) {
        const int32_t n = marks_.size();
        const int32_t c =
            current_ < 0 || current_ >= n ? (delta > 0 ? 0 : n - 1) : (current_ + delta + n) % n;
        current_ = c;
        const Shown shown = show(c, views);
        if (shown == Shown::yes) return true;
        if (shown == Shown::skipped) {
            ++skipped;
            continue;
        }
        remove(c);
        // Step again from where the removed bookmark stood: going forward, its successor has
        // slid into its place and must not be passed over.
        current_ = delta > 0 ? c - 1 : c;
    }
    if (marks_.empty()) current_ = -1;
    return false;
}

bool BookmarkList::next(BookmarkTarget* views, std::string* status_message) {
    if (status_message && !empty()) *status_message = "Next bookmark";
    return step(1, views);
}

bool BookmarkList::previous(BookmarkTarget* views, std::string* status_message) {
    if (status_message && !empty()) *status_message = "Last  bookmark";
    return step(-1, views);
}

}  // namespace tessel
