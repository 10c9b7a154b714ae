// LineIndex and the editor document's edit entry: line breaks and cuts, conversions,
// listener calls, anchors, caret, Enter and Tab, and the load path.
#include <gtest/gtest.h>

#include <random>

#include "tests/text/document_checks.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

std::vector<TextPos> starts_of(const TextDocument& doc) {
    return {doc.index().starts().begin(), doc.index().starts().end()};
}

TEST(LineIndex, LineEndingsAndLengths) {
    TextDocument doc;
    doc.set_text("a\r\nb");
    EXPECT_EQ(doc.index().line_ending(), LineEnding::crlf);
    EXPECT_EQ(doc.index().line_length(0), 1);
    EXPECT_EQ(doc.index().line_start(1), 3);
    EXPECT_EQ(doc.index().line_length(1), 1);

    doc.set_text("a\nb");
    EXPECT_EQ(doc.index().line_ending(), LineEnding::lf);
    doc.set_text("a\rb");
    EXPECT_EQ(doc.index().line_ending(), LineEnding::unknown);
    EXPECT_EQ(doc.index().line_count(), 1);

    doc.set_text("x\n");
    EXPECT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2}));
    EXPECT_EQ(doc.index().line_length(1), 0);
    EXPECT_EQ(doc.index().line_start(-3), 0);
    EXPECT_EQ(doc.index().line_start(7), 2);
    EXPECT_EQ(doc.index().line_length(7), 2);
    EXPECT_EQ(doc.index().to_offset(doc.index().line_count(), 0), doc.length());
}

TEST(LineIndex, LongLinesAreCutAtTheFirstPlaceThatSplitsNothing) {
    TextDocument doc;
    doc.set_text(std::string(5000, 'x'));
    EXPECT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2000, 4000}));
    // A cut line has no terminator: its length is all of its bytes.
    EXPECT_EQ(doc.index().line_length(0), 2000);
    while (!doc.scan_finished()) doc.run_scan_slice();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(doc.index().scan(i).logical_line, 0);

    auto repeat = [](std::string_view unit, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += unit;
        return out;
    };
    const std::string y1998(1998, 'y'), y1999(1999, 'y');
    struct Case {
        const char* what;
        std::string text;
        std::vector<TextPos> starts;
    };
    const Case cases[] = {
        // Text without an ASCII byte is cut between its characters.
        {"euros", repeat("\xE2\x82\xAC", 3000), {0, 2001, 4002, 6003, 8004}},
        {"NUL bytes", std::string(4500, '\0'), {0, 2000, 4000}},
        {"lone CRs", std::string(2500, '\r'), {0, 2000}},
        // Never between CR and LF: the line feed ends the line one byte later.
        {"CR LF at the cut", y1999 + "\r\n" + "z", {0, 2001}},
        // Never inside a character: a four-byte one that straddles the cut moves it past it.
        {"emoji at the cut", y1998 + "\xF0\x9F\x98\x80" + "zz", {0, 2002}},
        {"lead byte before the cut", y1999 + "\xC3" + repeat("\x80", 2100), {0, 2001, 4001}},
        // Stray bytes: lone lead bytes, or more continuation bytes than any character has.
        {"lone lead bytes", std::string(2500, '\xC3'), {0, 2000}},
        {"continuation bytes", std::string(2500, '\x80'), {0, 2000}},
        // The end of the text is no cut: the next byte to come may continue a character.
        {"exactly 4 000 bytes", std::string(4000, 'x'), {0, 2000}},
        {"line feed at the end", y1999 + "\n", {0, 2000}},
    };
    for (const Case& c : cases) {
        doc.set_text(c.text);
        EXPECT_EQ(starts_of(doc), c.starts) << c.what;
        model::TextModel m;
        m.set_text(c.text);
        EXPECT_TRUE(model::matches(doc, m)) << c.what;
    }
}

// An index line no longer than 2 003 bytes, cuts only where they split no character, the
// same starts whether the text came whole or block by block: checked on hostile bytes
// against a decoder written here.
TEST(LineIndex, AnyBytesGiveShortLinesCutBetweenCharacters) {
    const std::string kUnits[] = {"a", "\n", "\r", "\r\n", std::string(1, '\0'),
                                  "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3",
                                  "\x80", "\xE2\x82", "\xFF"};
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        std::string text;
        while (text.size() < 30'000) {
            const std::string& unit = kUnits[rng() % 12];
            // Long runs of one unit: whole lines without a line feed or an ASCII byte.
            const int run = rng() % 4 == 0 ? static_cast<int>(rng() % 1500) : 1;
            for (int i = 0; i < run; ++i) text += unit;
        }
        TextDocument whole, blocks;
        whole.set_text(text);
        blocks.set_text("");
        for (size_t at = 0; at < text.size();) {
            const size_t n = 1 + rng() % 3000;
            ASSERT_TRUE(blocks.append(std::string_view(text).substr(at, n)));
            at += n;
        }
        const std::vector<TextPos> starts = starts_of(whole);
        ASSERT_EQ(starts_of(blocks), starts) << "round " << round;
        model::TextModel m;
        m.set_text(text);
        ASSERT_TRUE(model::matches(whole, m)) << "round " << round;

        // Every well-formed sequence (lead byte and its continuation bytes) stays whole.
        std::vector<bool> inside(text.size() + 1, false);
        for (size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            const size_t n = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            size_t k = 1;
            while (k < n && i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80) ++k;
            if (k == n)
                for (size_t j = 1; j < n; ++j) inside[i + j] = true;
        }
        for (size_t i = 1; i < starts.size(); ++i) {
            const TextPos at = starts[i];
            ASSERT_FALSE(inside[static_cast<size_t>(at)]) << "cut inside a character at " << at;
            ASSERT_FALSE(text[at - 1] == '\r' && static_cast<size_t>(at) < text.size() && text[at] == '\n') << at;
            ASSERT_LE(at - starts[i - 1], 2003) << "line " << i - 1;
        }
        ASSERT_LE(static_cast<TextPos>(text.size()) - starts.back(), 2003);
    }
}

// A cut depends on the byte after it and the three before it: edits that close up to a cut
// must index those lines again.
TEST(LineIndex, AnEditNextToACutMovesTheCut) {
    TextDocument doc;
    // Cut after a lone lead byte; then its continuation bytes are inserted right at the cut.
    doc.set_text(std::string(1999, 'y') + "\xE2" + std::string(100, 'z'));
    ASSERT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2000}));
    ASSERT_TRUE(doc.replace("\x82\xAC", 2000, 0));
    EXPECT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2002}));

    // Cut inside a run of stray continuation bytes; then the third byte before it becomes a
    // lead byte whose character reaches past the cut.
    doc.set_text(std::string(1996, 'y') + std::string(104, '\x90') + "z");
    ASSERT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2000}));
    ASSERT_TRUE(doc.replace("\xF0", 1997, 1));
    EXPECT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2001}));

    // A line feed typed after a CR that ended a cut line joins them.
    doc.set_text(std::string(1999, 'y') + "\r" + std::string(100, 'z'));
    ASSERT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2000}));
    ASSERT_TRUE(doc.replace("\n", 2000, 0));
    EXPECT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2001}));
    EXPECT_EQ(doc.index().line_length(0), 1999);
}

TEST(LineIndex, ConversionsAgreeWithAPlainSearch) {
    std::mt19937 rng(11);
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        unsigned r = rng() % 40;
        text += r == 0 ? '\n' : r == 1 ? '\r' : static_cast<char>('a' + r % 26);
    }
    TextDocument doc;
    doc.set_text(text);
    model::TextModel m;
    m.set_text(text);
    ASSERT_TRUE(model::matches(doc, m));
    for (TextPos p = 0; p <= doc.length(); p += 7) {
        int32_t line = m.line_of(p);
        ASSERT_EQ(doc.index().line_of(p), line);
        LinePos lp = doc.index().to_line_pos(p);
        ASSERT_EQ(lp, (LinePos{line, p - m.starts[line]}));
        ASSERT_EQ(doc.index().to_offset(lp), p);
    }
}

TEST(LineIndex, LongestLineEstimateBoundsEveryLine) {
    TextDocument doc;
    doc.set_text("");
    EXPECT_EQ(doc.index().longest_line_estimate(), 2);
    for (int32_t longest : {1, 5, 8, 100, 1999, 2000}) {
        std::string text = "ab\n" + std::string(static_cast<size_t>(longest), 'q') + "\nc";
        doc.set_text(text);
        int32_t estimate = doc.index().longest_line_estimate();
        EXPECT_GT(estimate, std::max(longest, 2)) << longest;
        EXPECT_LE(estimate, 4 * std::max(longest, 2)) << longest;
    }
}

TEST(LineIndex, ReplacingAtTwoPositionsMovesLaterLines) {
    TextDocument doc;
    std::string text = "0123456789abcdefghijklmnopqrstuvwxyz\nline two\nline three\n";
    doc.set_text(text);
    std::vector<TextPos> old_starts = starts_of(doc);
    std::vector<TextPos> at{10, 20};
    ASSERT_TRUE(doc.replace_multi(at, 2, "\xE2\x82\xAC"));
    EXPECT_EQ(doc.length(), static_cast<int32_t>(text.size()) + 2);
    std::vector<TextPos> now = starts_of(doc);
    ASSERT_EQ(now.size(), old_starts.size());
    for (size_t i = 1; i < now.size(); ++i) EXPECT_EQ(now[i], old_starts[i] + 2);
}

struct Recorder : TextChangeListener {
    TextDocument* doc = nullptr;
    std::vector<std::string> calls;
    void about_to_change() override { calls.push_back("before " + std::to_string(doc->length())); }
    void changed(TextPos first) override {
        calls.push_back("after " + std::to_string(first) + " " + std::to_string(doc->length()));
    }
};

TEST(TextDocumentEdit, TellsTheListenerBeforeAndAfterUnlessQuiet) {
    TextDocument doc;
    Recorder r;
    r.doc = &doc;
    doc.set_listener(&r);
    doc.set_text("hello");
    doc.replace("XX", 1, 2);
    doc.replace("!", 0, 0, kQuiet);
    EXPECT_EQ(r.calls, (std::vector<std::string>{"before 5", "after 1 5"}));
    EXPECT_FALSE(doc.replace("x", 9, 0));  // refused edits tell nobody
    EXPECT_EQ(r.calls.size(), 2u);
}

TEST(TextDocumentEdit, AnEditPastTheTextLimitIsRefusedAndTellsNobody) {
    TextDocument doc;
    EditHistory history;
    doc.set_history(&history);
    Recorder r;
    r.doc = &doc;
    doc.store().set_max_length(10);
    ASSERT_TRUE(doc.set_text("12345678"));
    doc.set_listener(&r);
    EXPECT_FALSE(doc.replace("abc", 4, 0));
    EXPECT_FALSE(doc.replace_multi(std::vector<TextPos>{1, 5}, 1, "xyz"));
    EXPECT_FALSE(doc.append("abc"));
    EXPECT_FALSE(doc.set_text("12345678901"));
    EXPECT_EQ(doc.text(), "12345678");
    EXPECT_TRUE(r.calls.empty());
    EXPECT_FALSE(history.can_undo());
    EXPECT_TRUE(doc.replace("ab", 8, 0));
    EXPECT_EQ(doc.index().line_count(), 1);
}

TEST(TextDocumentEdit, CaretFollowsTheInsertionOrStaysAtTheStart) {
    TextDocument doc;
    doc.set_text("abcdef");
    doc.replace("XYZ", 1, 4);
    EXPECT_EQ(doc.text(), "aXYZf");
    EXPECT_EQ(doc.caret(), 4);
    EXPECT_FALSE(doc.has_selection());
    doc.replace("--", 0, 0, kCaretAtStart);
    EXPECT_EQ(doc.caret(), 0);
    doc.set_selection(5, 2);  // anchor after the caret
    doc.replace_selection("+");
    EXPECT_EQ(doc.text(), "--+Zf");
    doc.set_selection(3, 99);  // clamped to the end
    EXPECT_EQ(doc.caret(), 5);
    doc.replace_selection("");
    EXPECT_EQ(doc.text(), "--+");
}

TEST(TextDocumentEdit, AnchorsMoveByTheRule) {
    TextDocument doc;
    doc.set_text("0123456789");
    Array<TextPos> anchors;
    for (TextPos p : {0, 3, 4, 5, 6, 10}) anchors.push_back(p);
    doc.add_anchor_list(&anchors);
    doc.replace("", 3, 3);  // delete 3..5: anchors inside end at 3, later ones move back
    EXPECT_EQ(std::vector<TextPos>(anchors.begin(), anchors.end()),
              (std::vector<TextPos>{0, 3, 3, 3, 3, 7}));
    doc.replace("ab", 3, 0);  // an anchor at the position stays, later ones move on
    EXPECT_EQ(std::vector<TextPos>(anchors.begin(), anchors.end()),
              (std::vector<TextPos>{0, 3, 3, 3, 3, 9}));
    // Several positions: each applies in turn, shifted by the ones before it.
    doc.set_text("aaXaaXaaXaa");
    anchors.clear();
    for (TextPos p : {2, 3, 5, 6, 9, 11}) anchors.push_back(p);
    doc.replace_multi(std::vector<TextPos>{2, 5, 8}, 1, "");
    EXPECT_EQ(doc.text(), "aaaaaaaa");
    EXPECT_EQ(std::vector<TextPos>(anchors.begin(), anchors.end()),
              (std::vector<TextPos>{2, 2, 4, 4, 6, 8}));
    doc.remove_anchor_list(&anchors);
}

TEST(TextDocumentEdit, EnterUsesTheDocumentsLineEnding) {
    TextDocument doc;
    doc.set_text("ab");
    doc.set_caret(1);
    doc.insert_line_break();
    EXPECT_EQ(doc.text(), "a\nb");
    EXPECT_EQ(doc.index().line_ending(), LineEnding::lf);
    doc.set_text("x\r\ny");
    doc.set_caret(4);
    doc.insert_line_break();
    EXPECT_EQ(doc.text(), "x\r\ny\r\n");
    EXPECT_EQ(doc.caret(), 6);
}

TEST(TextDocumentEdit, TabInsertsATabOrBlanksToTheNextStop) {
    TextDocument doc;
    doc.set_text("abcde\n\xC3\xA9\xC3\xA9");
    doc.set_caret(5);
    doc.insert_tab(false, 4);
    EXPECT_EQ(doc.text(), "abcde   \n\xC3\xA9\xC3\xA9");
    doc.set_caret(4);
    doc.insert_tab(false, 4);  // column 4 goes to 8
    EXPECT_EQ(doc.text().substr(0, 12), "abcd    e   ");
    doc.set_caret(doc.length());  // two characters (four bytes) into the line
    doc.insert_tab(false, 4);
    EXPECT_EQ(doc.text().substr(doc.text().size() - 2), "  ");
    doc.set_caret(0);
    doc.insert_tab(true, 4);
    EXPECT_EQ(doc.text()[0], '\t');
}

TEST(TextDocumentLoad, AppendedBlocksAreAllScannedBeforeTheScanEnds) {
    // Blocks come faster than the scanner's slices: none may be left unscanned.
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "<a>\xC3\xA9" + std::string(100, 'x') + "</a>\n";
    TextDocument doc;
    doc.set_text("");
    for (size_t at = 0; at < text.size(); at += 1'000'000)
        ASSERT_TRUE(doc.append(std::string_view(text).substr(at, 1'000'000)));
    while (!doc.scan_finished()) doc.run_scan_slice();
    EXPECT_EQ(doc.logical_line_of(doc.length()), 30000);
    EXPECT_EQ(doc.char_offset_of(doc.length()), static_cast<int32_t>(text.size()) - 30000);
}

TEST(TextDocumentLoad, AppendedBlocksIndexLikeTheModel) {
    // Blocks that cut CR LF pairs, UTF-8 sequences and long lines apart.
    std::string text;
    for (int i = 0; i < 3000; ++i) text += (i % 7 == 0) ? "\xE2\x82\xAC\r\n" : "row ";
    text += std::string(4500, 'L');
    TextDocument doc;
    model::TextModel m;
    doc.set_text("");
    for (size_t at = 0; at < text.size(); at += 997) {
        std::string_view block = std::string_view(text).substr(at, 997);
        doc.append(block);
        m.append(block);
        ASSERT_TRUE(model::matches(doc, m)) << at;
    }
    EXPECT_EQ(doc.index().line_ending(), LineEnding::crlf);
}

}  // namespace
}  // namespace tessel
