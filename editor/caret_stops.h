// Where the caret may stop in the text and where words begin and end. The caret stops at
// character boundaries (text/utf8_boundary.h) but never between the CR and LF of a line end,
// so Left, Right, Backspace and Delete take a CR LF as one character.
#pragma once

#include <cstdint>

#include "text/text_pos.h"
#include "text/text_store.h"

namespace tessel {

// The next stop after pos (pos < length), and the one before pos (pos > 0).
TextPos next_caret_stop(TextStore& store, TextPos pos);
TextPos previous_caret_stop(TextStore& store, TextPos pos);

// What a character counts as when moving by words. Word characters are ASCII letters and
// digits, "_" and the letters of other scripts; blanks are space and tab.
enum class CharClass : uint8_t { word, blank, line_end, other };
CharClass char_class_at(TextStore& store, TextPos pos);

// Ctrl+Right: to the end of the word at or after pos, or the end of the text.
TextPos next_word_end(TextStore& store, TextPos pos);
// Ctrl+Left: to the start of the word before pos, or the start of the text.
TextPos previous_word_start(TextStore& store, TextPos pos);

// A half-open stretch [first, end) of the text.
struct TextSpan {
    TextPos first = 0;
    TextPos end = 0;
    bool operator==(const TextSpan&) const = default;
};

// The double-click selection at pos: the word under it (or the word just before it), a run
// of blanks, or one other character; empty at a line end.
TextSpan word_span_at(TextStore& store, TextPos pos);

}  // namespace tessel
