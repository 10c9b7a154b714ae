// LineScanner: per-line states, logical line numbers and character totals, its time slices,
// and restarts after edits, driven by a scripted clock.
#include <gtest/gtest.h>

#include "text/text_document.h"

namespace tessel {
namespace {

// Toggles its state at every double quote, and moves the scripted clock by one millisecond
// per line so slices can be counted.
struct QuoteAutomaton final : LexicalAutomaton {
    double* clock = nullptr;
    uint8_t scan_line(uint8_t state, std::string_view line) override {
        if (clock) *clock += 1.0;
        for (char c : line)
            if (c == '"') state ^= 1;
        return state;
    }
};

struct ScriptedTimer final : SliceTimer {
    double now = 0;
    std::vector<int> requests;
    double now_ms() override { return now; }
    void request_slice(int delay_ms) override { requests.push_back(delay_ms); }
};

// What the scanner must have stored, computed straight from the text and the line starts.
void expect_scan_matches(TextDocument& doc) {
    const std::string text = doc.text();
    const LineIndex& index = doc.index();
    uint8_t state = 0;
    int32_t logical = 0, chars = 0;
    for (int32_t i = 0; i < index.line_count(); ++i) {
        const LineScan& s = index.scan(i);
        ASSERT_EQ(s.state, state) << "line " << i;
        ASSERT_EQ(s.logical_line, logical) << "line " << i;
        ASSERT_EQ(s.chars_before, chars) << "line " << i;
        TextPos end = index.line_start(i + 1);
        for (TextPos p = index.line_start(i); p < end; ++p) {
            unsigned char c = static_cast<unsigned char>(text[p]);
            if (c == '"') state ^= 1;
            if ((c & 0xC0) != 0x80) ++chars;
        }
        if (end > index.line_start(i) && (text[end - 1] == '\n' || text[end - 1] == '\r')) ++logical;
    }
}

std::string sample_text() {
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text += "item \"" + std::to_string(i) + "\" \xC3\xA9t\xC3\xA9";
        text += (i % 3 == 0) ? "\r\n" : "\n";
        if (i % 50 == 7) text += std::string(4100, 'w') + "\"\n";  // cut into three index lines
    }
    return text;
}

TEST(LineScanner, FillsStatesLogicalLinesAndCharacterTotals) {
    TextDocument doc;
    QuoteAutomaton automaton;
    doc.set_automaton(&automaton);
    doc.set_text(sample_text());
    while (!doc.scan_finished()) doc.run_scan_slice();
    expect_scan_matches(doc);
    EXPECT_EQ(doc.logical_line_of(doc.length()), 204);
    EXPECT_EQ(doc.char_offset_of(0), 0);
    EXPECT_EQ(doc.char_offset_of(6), 6);
    EXPECT_EQ(doc.char_offset_of(doc.length()),
              static_cast<int32_t>(doc.length()) - 2 * 200);  // two 2-byte é per item
}

TEST(LineScanner, YieldsAfterTenMillisecondsAndAsksToContinueLater) {
    ScriptedTimer timer;
    QuoteAutomaton automaton;
    automaton.clock = &timer.now;
    TextDocument doc;
    doc.set_slice_timer(&timer);
    doc.set_automaton(&automaton);
    std::string text;
    std::string line;
    for (int i = 0; i < 999; ++i) line += "\xC3\xA9";  // 1 999 bytes with the line feed
    for (int i = 0; i < 100; ++i) text += line + "\n";
    doc.set_text(text);
    ASSERT_EQ(timer.requests.back(), 0);  // the first slice runs on the next turn

    int slices = 0;
    while (!doc.scan_finished()) {
        timer.requests.clear();
        doc.run_scan_slice();
        ++slices;
        if (!doc.scan_finished()) {
            EXPECT_EQ(timer.requests, std::vector<int>{LineScanner::kPauseMs});
        }
        ASSERT_LT(slices, 100);
    }
    // 1 999-byte lines at a millisecond each: the clock is read once more than 50 000 bytes
    // were scanned, before every 27th line, so a slice ends at that first check (past
    // 10 ms) after 26 lines.
    EXPECT_EQ(doc.index().line_count(), 101);
    EXPECT_EQ(slices, (100 + 25) / 26);
    expect_scan_matches(doc);
}

TEST(LineScanner, AnEditRestartsTheScanBeforeTheChangedLine) {
    TextDocument doc;
    QuoteAutomaton automaton;
    doc.set_automaton(&automaton);
    doc.set_text(sample_text());
    while (!doc.scan_finished()) doc.run_scan_slice();

    TextPos at = doc.index().line_start(40) + 2;
    doc.replace("\"\n", at, 0);  // flips the state of every later line, adds a logical line
    EXPECT_EQ(doc.scan_next_line(), 39);
    while (!doc.scan_finished()) doc.run_scan_slice();
    expect_scan_matches(doc);

    doc.replace("x", doc.index().line_start(1), 0);  // an edit in line 1 restarts at line 0
    EXPECT_EQ(doc.scan_next_line(), 0);
    while (!doc.scan_finished()) doc.run_scan_slice();
    expect_scan_matches(doc);
}

TEST(LineScanner, AnotherAutomatonRescansFromTheFirstLine) {
    struct CountingView final : TextDocumentView {
        int calls = 0;
        void text_changed(bool) override { ++calls; }
    } view;
    TextDocument doc;
    QuoteAutomaton quotes;
    doc.set_automaton(&quotes);
    doc.set_text(sample_text());
    doc.set_view(&view);
    while (!doc.scan_finished()) doc.run_scan_slice();
    doc.set_automaton(&quotes);  // the same one: nothing to redo
    EXPECT_TRUE(doc.scan_finished());
    EXPECT_EQ(view.calls, 0);

    doc.set_automaton(nullptr);  // plain text, whose lines all start in state 0
    EXPECT_EQ(doc.scan_next_line(), 0);
    EXPECT_EQ(view.calls, 1);  // to draw the lines in the new colours
    while (!doc.scan_finished()) doc.run_scan_slice();
    for (int32_t i = 0; i < doc.index().line_count(); ++i) ASSERT_EQ(doc.index().scan(i).state, 0);

    // Switched back half-way through a scan, which starts over.
    doc.set_automaton(&quotes);
    doc.run_scan_slice();
    doc.set_automaton(nullptr);
    doc.set_automaton(&quotes);
    EXPECT_EQ(doc.scan_next_line(), 0);
    while (!doc.scan_finished()) doc.run_scan_slice();
    expect_scan_matches(doc);
}

}  // namespace
}  // namespace tessel
