// LineIndex: finding line breaks piece by piece, and keeping the starts, the per-line scan
// results and the length histogram in step with edits.
#include "text/line_index.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstring>

#include "text/utf8_boundary.h"

namespace tessel {

namespace {

int bit_length(int32_t n) { return n <= 0 ? 0 : std::bit_width(static_cast<uint32_t>(n)); }

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

bool LineIndex::may_cut_before(TextStore& store, TextPos q) {
    const auto byte = [&store](TextPos p) { return static_cast<unsigned char>(store.byte_at(p)); };
    const unsigned char at = byte(q);
    if (at == '\n') return byte(q - 1) != '\r';
    if (!is_continuation(at)) return true;
    // A continuation byte: find the lead byte it may belong to, at most three bytes back.
    for (int back = 1; back <= 3 && q - back >= 0; ++back) {
        const unsigned char c = byte(q - back);
        // Inside a character only when c leads a well-formed one that reaches q.
        if (!is_continuation(c))
            return utf8_announced_length(c) <= back ||
                   !utf8_second_fits(c, byte(q - back + 1));
    }
    return true;  // four continuation bytes in a row: stray bytes, no character to split
}

LineIndex::LineIndex(TextStore& store) : store_(store) { rebuild(); }

void LineIndex::move_step(int32_t line) const {
    if (step_delta_ == 0) {
        step_line_ = line;
        return;
    }
    TextPos* s = starts_.data();
    if (line > step_line_) {
        for (int32_t i = step_line_ + 1; i <= line; ++i) s[i] += step_delta_;
    } else {
        for (int32_t i = line + 1; i <= step_line_; ++i) s[i] -= step_delta_;
    }
    step_line_ = line;
    if (step_line_ >= starts_.size() - 1) step_delta_ = 0;
}

void LineIndex::rebuild() {
    step_line_ = 0;
    step_delta_ = 0;
    starts_.clear();
    scans_.clear();
    histogram_.fill(0);
    line_ending_ = LineEnding::unknown;
    starts_.push_back(0);
    scans_.push_back(LineScan{0, 0, 0});
    index_from(0);
}

// Re-indexes from the start of `line` to the end of the text.
void LineIndex::index_from(int32_t line) {
    move_step(starts_.size() - 1);
    Array<TextPos> breaks;
    find_breaks(starts_[line], store_.length(), true, breaks);
    starts_.resize(line + 1, false);
    starts_.append(breaks.span());
    scans_.resize(starts_.size(), true);
    for (int32_t i = line; i < starts_.size(); ++i) count_line(i, +1);
}

void LineIndex::before_append() { count_line(line_count() - 1, -1); }

int32_t LineIndex::appended() {
    int32_t last = line_count() - 1;
    index_from(last);
    return last >= 1 ? last - 1 : 0;
}

int32_t LineIndex::line_length(int32_t i) const {
    if (i < 0) i = 0;
    if (i >= starts_.size()) return store_.length();
    TextPos start = line_start(i);
    if (i + 1 >= starts_.size()) return store_.length() - start;
    TextPos next = line_start(i + 1);
    TextStore& store = store_;
    int32_t terminator = 0;
    if (store.byte_at(next - 1) == '\n') {
        terminator = 1;
        if (next - 2 >= start && store.byte_at(next - 2) == '\r') terminator = 2;
    }
    return next - start - terminator;
}

int32_t LineIndex::line_of(TextPos pos) const {
    int32_t lo = 0, hi = starts_.size() - 1;
    while (lo < hi) {
        int32_t mid = (lo + hi + 1) / 2;
        if (line_start(mid) <= pos)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

LinePos LineIndex::to_line_pos(TextPos pos) const {
    int32_t line = line_of(pos);
    return {line, pos - line_start(line)};
}

int32_t LineIndex::longest_line_estimate() const {
    int k = 0;
    for (int i = 0; i <= 30; ++i)
        if (histogram_[i]) k = i;
    return int32_t{1} << (k + 1);
}

void LineIndex::count_line(int32_t i, int32_t sign) {
    histogram_[bit_length(line_length(i))] += sign;
}

void LineIndex::find_breaks(TextPos from, TextPos to, bool include_end, Array<TextPos>& out) {
    if (from >= to) return;
    const TextPos length = store_.length();
    TextPos line_start = from;
    auto add_break = [&](TextPos at) {
        if (at < to || include_end) out.push_back(at);
        line_start = at;
    };
    auto saw_line_feed = [&](TextPos at) {
        if (line_ending_ == LineEnding::unknown)
            line_ending_ = at > 0 && store_.byte_at(at - 1) == '\r' ? LineEnding::crlf
                                                                      : LineEnding::lf;
    };
    int32_t piece = store_.find_piece(from);
    const Piece* p = &store_.piece(piece);  // the piece holding pos
    TextPos piece_end = p->start + p->length;
    TextPos pos = from;                     // the next byte to look at
    while (pos < to) {
        // Up to the byte that gives the line kCutLength bytes only a line feed ends it.
        const TextPos cut_byte =
            static_cast<TextPos>(std::min<int64_t>(int64_t{line_start} + kCutLength - 1, to));
        TextPos line_feed = -1;
        while (pos < cut_byte) {
            while (pos >= piece_end) {
                p = &store_.piece(++piece);
                piece_end = p->start + p->length;
            }
            const TextPos stop = std::min(cut_byte, piece_end);
            const void* lf =
                std::memchr(p->data + (pos - p->start), '\n', static_cast<size_t>(stop - pos));
            if (lf) {
                line_feed = p->start + static_cast<TextPos>(static_cast<const char*>(lf) - p->data);
                break;
            }
            pos = stop;
        }
        if (line_feed >= 0) {
            saw_line_feed(line_feed);
            add_break(line_feed + 1);
            pos = line_feed + 1;
            continue;
        }
        // The line is long enough: it ends after the next line feed or at the first place a
        // cut is allowed, a few bytes on at most. The end of the text is no place to cut: the
        // next byte, not known yet, may continue a character.
        for (; pos < to; ++pos) {
            if (store_.byte_at(pos) == '\n') {
                saw_line_feed(pos);
                add_break(pos + 1);
                ++pos;
                break;
            }
            if (pos + 1 < length && may_cut_before(store_, pos + 1)) {
                add_break(pos + 1);
                ++pos;
                break;
            }
        }
    }
}

LineIndex::PendingEdit LineIndex::begin_edit(TextPos first, TextPos end) {
    PendingEdit edit;
    // A cut before byte q depends on bytes q - 3 to q: the lines are indexed again from the
    // one holding the byte before the change to the one holding the third byte after it, so
    // every cut kept on either side still stands between unchanged bytes.
    edit.first_line = line_of(first > 0 ? first - 1 : 0);
    edit.last_line = line_of(static_cast<TextPos>(std::min<int64_t>(int64_t{end} + 2, store_.length())));
    edit.to_end = edit.last_line + 1 >= line_count();
    edit.old_end = edit.to_end ? store_.length() : line_start(edit.last_line + 1);
    for (int32_t i = edit.first_line; i <= edit.last_line; ++i) count_line(i, -1);
    return edit;
}

int32_t LineIndex::finish_edit(const PendingEdit& edit, int32_t delta) {
    const int32_t first = edit.first_line;
    // Starts up to the last affected line become exact; every later one moves by delta,
    // lazily, through the step.
    move_step(edit.last_line);
    step_delta_ += delta;
    Array<TextPos> breaks;
    find_breaks(starts_[first], edit.old_end + delta, edit.to_end, breaks);
    int32_t change = breaks.size() - (edit.last_line - first);
    starts_.shift(first + 1, change);
    step_line_ += change;
    if (step_line_ >= starts_.size() - 1) step_delta_ = 0;
    scans_.shift(first + 1, change);
    if (breaks.size())
        std::memcpy(starts_.data() + first + 1, breaks.data(), sizeof(TextPos) * breaks.size());
    for (int32_t i = first; i <= first + breaks.size(); ++i) count_line(i, +1);
    return first <= 1 ? 0 : first - 1;
}

}  // namespace tessel
