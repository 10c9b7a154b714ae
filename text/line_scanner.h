// LineScanner: the background pass that fills in, line by line, the colouring state, the
// logical line number and the character total of every index line. It works in short
// slices driven by a timer so that it never holds up the user interface.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/arena.h"
#include "text/line_index.h"
#include "text/line_token.h"
#include "text/text_store.h"

namespace tessel {

// The lexical automaton of a document type: runs over one line from a start state and
// returns the end state. Every text starts in state 0. A state the automaton never made (one
// stored by another automaton, before the restarted scan reached the line) must be taken
// as state 0, not trusted.
class LexicalAutomaton {
public:
    virtual ~LexicalAutomaton() = default;
    virtual uint8_t scan_line(uint8_t state, std::string_view line) = 0;
    // The line's tokens in order (gaps between them are plain text) and the end state, which
    // is what scan_line returns for the same line and state. Control characters and
    // undecodable bytes are tokens of their own (special_characters.h) wherever they are.
    // This one has no tokens but those.
    virtual uint8_t tokenize_line(uint8_t state, std::string_view line,
                                  std::vector<LineToken>& tokens);
    // The colour of a style, 0x02BBGGRR (red in the low byte); the value 0x02643232 marks the
    // style drawn in the second editor font.
    virtual uint32_t style_colour(int16_t style) const {
        return style < 0 ? 0x020000FFu : 0x02000000u;
    }
};

class PlainAutomaton final : public LexicalAutomaton {
public:
    uint8_t scan_line(uint8_t, std::string_view) override { return 0; }
};

// What the scanner needs from the event loop: the time, and a callback later.
class SliceTimer {
public:
    virtual ~SliceTimer() = default;
    virtual double now_ms() = 0;
    // Asks for the owner's scan slice to run again after delay_ms.
    virtual void request_slice(int delay_ms) = 0;
};

class LineScanner {
public:
    // A slice looks at the clock after this many bytes...
    static constexpr int32_t kBytesBetweenClockChecks = 50'000;
    // ...and yields once it has run this long, asking to continue after kPauseMs.
    static constexpr double kSliceMs = 10.0;
    static constexpr int kPauseMs = 500;

    LineScanner(TextStore& store, LineIndex& index, LexicalAutomaton& automaton,
                SliceTimer& timer, int32_t start_line);

    // Scans lines until the text ends or the slice's time is used up. Returns true when the
    // whole text has been scanned.
    bool run_slice();
    bool finished() const { return next_line_ >= index_.line_count(); }
    int32_t next_line() const { return next_line_; }

private:
    void scan_one(int32_t line);

    TextStore& store_;
    LineIndex& index_;
    LexicalAutomaton& automaton_;
    SliceTimer& timer_;
    int32_t next_line_;
    SmallArena scratch_;
};

}  // namespace tessel
