// LineScanner: one index line at a time, from the state stored at its start to the state,
// logical line number and character total stored for the next line.
#include "text/line_scanner.h"

#include "text/special_characters.h"

namespace tessel {

uint8_t LexicalAutomaton::tokenize_line(uint8_t state, std::string_view line,
                                        std::vector<LineToken>& tokens) {
    tokens.clear();
    add_special_characters(line, tokens);
    return scan_line(state, line);
}

LineScanner::LineScanner(TextStore& store, LineIndex& index, LexicalAutomaton& automaton,
                         SliceTimer& timer, int32_t start_line)
    : store_(store), index_(index), automaton_(automaton), timer_(timer),
      next_line_(start_line < 0 ? 0 : start_line) {}

bool LineScanner::run_slice() {
    const double began = timer_.now_ms();
    int32_t since_check = 0;
    while (!finished()) {
        if (since_check > kBytesBetweenClockChecks) {
            since_check = 0;
            if (timer_.now_ms() - began > kSliceMs) {
                timer_.request_slice(kPauseMs);
                return false;
            }
        }
        since_check += index_.line_start(next_line_ + 1) - index_.line_start(next_line_);
        scan_one(next_line_++);
    }
    return true;
}

void LineScanner::scan_one(int32_t line) {
    if (line == 0) index_.scan(0) = LineScan{0, 0, 0};
    TextPos first = index_.line_start(line);
    TextPos end = index_.line_start(line + 1);
    std::string_view bytes;
    ArenaMark mark = scratch_.mark();
    if (end > first) {
        const char* p = store_.range_ptr(first, end - 1);
        if (!p) p = store_.copy_range(scratch_, first, end - 1);
        bytes = std::string_view(p, static_cast<size_t>(end - first));
    }
    const LineScan at_start = index_.scan(line);
    uint8_t state = automaton_.scan_line(at_start.state, bytes);
    int32_t chars = 0;
    for (char c : bytes) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    bool new_line = !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
    if (line + 1 < index_.line_count())
        index_.scan(line + 1) =
            LineScan{state, at_start.logical_line + (new_line ? 1 : 0), at_start.chars_before + chars};
    scratch_.release(mark);
}

}  // namespace tessel
