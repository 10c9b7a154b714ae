// LineIndex: the byte offset of every index line of the text, with what the background
// line scanner learnt about each line, and conversions between offsets and line positions.
//
// An index line ends after every line feed. Once it has 2 000 bytes it is also cut at the
// first place that is not between CR and LF and not inside a UTF-8 sequence, whatever the
// bytes are (text without ASCII, NUL bytes, stray bytes), so no line is longer than 2 003
// bytes: that bounds the cost of indexing, laying out or colouring one line, and so the
// cost of loading and of every edit.
#pragma once

#include <array>
#include <cstdint>

#include "foundation/array.h"
#include "text/text_pos.h"
#include "text/text_store.h"

namespace tessel {

enum class LineEnding : uint8_t { unknown = 0, crlf = 1, lf = 2 };

// What the line scanner stored for the start of one index line. Packed: one is kept for
// every line of the document, and nine bytes a line rather than twelve is a quarter of
// the index of a large document.
struct __attribute__((packed)) LineScan {
    uint8_t state;         // lexical state of the colouring automaton at the line's start
    int32_t logical_line;  // the user's line number, from 0
    int32_t chars_before;  // code points in the text before the line
};
static_assert(sizeof(LineScan) == 9);

class LineIndex {
public:
    // An index line is cut once it has this many bytes, where a cut is allowed.
    static constexpr int32_t kCutLength = 2000;
    // Whether a long line may be cut before byte q of the text (0 < q < length): not between
    // CR and LF, and not after the lead byte of a UTF-8 sequence that reaches q over
    // continuation bytes. A cut depends only on bytes q - 3 to q, so edits more than three
    // bytes before a cut leave it valid.
    static bool may_cut_before(TextStore& store, TextPos q);

    explicit LineIndex(TextStore& store);

    // Indexes the whole text anew (after set_text).
    void rebuild();

    int32_t line_count() const { return starts_.size(); }
    // i < 0 gives 0; i >= line_count() gives the text length.
    TextPos line_start(int32_t i) const {
        if (i < 0) return 0;
        if (i >= starts_.size()) return store_.length();
        return i > step_line_ ? starts_[i] + step_delta_ : starts_[i];
    }
    // Length without the terminator (LF, CRLF, or none for a cut line or the last line).
    int32_t line_length(int32_t i) const;
    int32_t line_of(TextPos pos) const;
    LinePos to_line_pos(TextPos pos) const;
    TextPos to_offset(int32_t line, int32_t column) const { return line_start(line) + column; }
    TextPos to_offset(LinePos p) const { return to_offset(p.line, p.column); }

    // The heap bytes of the index: a start and a scan state per line, as allocated.
    size_t held_bytes() const {
        return static_cast<size_t>(starts_.capacity()) * sizeof(TextPos) +
               static_cast<size_t>(scans_.capacity()) * sizeof(LineScan);
    }

    LineEnding line_ending() const { return line_ending_; }
    void set_line_ending(LineEnding e) { line_ending_ = e; }
    // Counter k counts the lines whose length has bit length k.
    const std::array<int32_t, 32>& length_histogram() const { return histogram_; }
    // 2^(k+1) for the highest non-empty counter k: every line is shorter than this.
    int32_t longest_line_estimate() const;

    LineScan& scan(int32_t i) { return scans_[i]; }
    const LineScan& scan(int32_t i) const { return scans_[i]; }

    // An edit in two steps around the store's change: begin_edit with the first changed
    // offset and the end of the last deleted stretch (before the change), then finish_edit
    // with the net change in bytes. finish_edit returns the line the scanner restarts at.
    struct PendingEdit {
        int32_t first_line;
        int32_t last_line;
        TextPos old_end;  // where the line after last_line started (or the old length)
        bool to_end;      // last_line was the last line
    };
    PendingEdit begin_edit(TextPos first, TextPos end);
    int32_t finish_edit(const PendingEdit& edit, int32_t delta);
    // Appending in two steps around the store's append: re-indexes from the old last line
    // and returns the scanner's restart line.
    void before_append();
    // Room for about this many lines, before a load: growing the index of a large document
    // copies it whole, under the lock.
    void expect_lines(int32_t lines) {
        starts_.reserve(lines);
        scans_.reserve(lines);
    }
    int32_t appended();

    // Every line start, brought up to date first (which costs time in proportion to the
    // lines after the last edit; for tests and tools, not for every keystroke).
    const Array<TextPos>& starts() const {
        move_step(starts_.size() - 1);
        return starts_;
    }

private:
    // Collects the line breaks after `from` up to `to` (and at `to` when include_end).
    void find_breaks(TextPos from, TextPos to, bool include_end, Array<TextPos>& out);
    void count_line(int32_t i, int32_t sign);
    void index_from(int32_t line);
    // Makes the stored starts up to `line` exact (see step_line_).
    void move_step(int32_t line) const;

    TextStore& store_;
    // The starts after step_line_ are stored without the pending step_delta_, so that a run
    // of edits at one place (typing) does not rewrite every later start each time; moving the
    // step elsewhere costs the lines in between.
    mutable Array<TextPos> starts_;
    mutable int32_t step_line_ = 0;
    mutable int32_t step_delta_ = 0;
    Array<LineScan> scans_;
    LineEnding line_ending_ = LineEnding::unknown;
    std::array<int32_t, 32> histogram_{};
};

}  // namespace tessel
