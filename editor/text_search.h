// Literal search in the document text: the candidate test, the fast scan over the store's
// pieces, and the bodies of the "editorfinder" jobs Find, Replace and Replace All.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/search_cursor.h"
#include "text/text_pos.h"

namespace tessel {

class Job;
class TextDocument;
class TextStore;
class Ui;
struct FindState;

// Bytes that make up words for whole-word matching: ASCII letters, digits, "_" and every
// byte of a multi-byte character.
inline bool is_word_byte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c >= 0x80;
}

// Tests candidate start positions for one pattern and options, reading the store in place
// and copying only where a candidate runs across the end of a piece. Without match_case only
// A-Z and a-z fold; with whole_word a word byte touching the match on either side rejects it.
// Holds no pointer into the store between calls, so the text may change in between.
class TextSearcher {
public:
    TextSearcher(TextStore& store, std::string_view pattern, bool match_case, bool whole_word);

    bool test(TextPos g);
    // The first match starting in lo..hi, or -1; hi is clamped to the text.
    TextPos find_forward(TextPos lo, TextPos hi);
    // The last match starting in lo..hi, or -1.
    TextPos find_backward(TextPos lo, TextPos hi);

    int32_t pattern_length() const { return static_cast<int32_t>(pattern_.size()); }

private:
    // Within one piece's bytes p[0..size): candidates a..b, each with all its bytes inside.
    int32_t scan_forward(const char* p, int32_t size, int32_t a, int32_t b, TextPos base);
    int32_t scan_backward(const char* p, int32_t size, int32_t a, int32_t b, TextPos base);
    bool test_in_piece(const char* p, int32_t size, int32_t g, TextPos base);
    bool test_across(TextPos g);
    bool equal_bytes(const char* text) const;
    bool word_bounds_ok(unsigned char before, bool has_before, unsigned char after,
                        bool has_after) const;
    // Index of the piece holding pos, starting from the last one used.
    int32_t piece_of(TextPos pos);

    TextStore& store_;
    std::string pattern_;  // folded to lower case without match_case
    bool match_case_;
    bool whole_word_;
    // The first and last pattern bytes as the scan compares them: (byte | or) == value.
    unsigned char first_value_, first_or_, last_value_, last_or_;
    int32_t piece_ = 0;
    std::string across_;  // bytes of a candidate that spans pieces
};

// The walk of a search: tests the cursor's candidates in order, setting the job's progress
// every 256 candidates and passing its yield point there. Returns the first match, with
// cursor.counter at it, or -1 when the candidates ran out.
TextPos walk_search(TextSearcher& searcher, SearchCursor& cursor, Job& job);

// What a job body did, for the status bar and the tests.
struct FindResult {
    bool found = false;
    TextPos at = -1;    // the match (Find) or the replaced match (Replace)
    int32_t count = 0;  // matches replaced (Replace All)
};

// "Find", "find_again" and "find_back": searches from the caret or selection in the given
// direction and selects the first match with the caret at its end. When there is none, warns
// through ui. job and ui may be null.
FindResult run_find(TextDocument& document, const FindState& state, bool forward, Job* job, Ui* ui);

// "Replace": replaces one match by state.replace_text as one undoable edit and selects the
// inserted text. A selection that is itself a match is the one replaced; otherwise the next
// match forward is.
FindResult run_replace(TextDocument& document, const FindState& state, Job* job, Ui* ui);

// "Replace All": every match, in the selection (wholly inside it) or the whole file by
// state.scope, replaced as one undo step; a match never starts inside the one before it.
// Leaves "Replaced N occurrences" ("1 occurrence") in status_message.
FindResult run_replace_all(TextDocument& document, const FindState& state, Job* job, Ui* ui,
                           std::string* status_message);

}  // namespace tessel
