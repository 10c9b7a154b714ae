// LineIndex and the editor document's edit entry: line breaks and cuts, conversions,
// listener calls, anchors, caret, Enter and Tab, and the load path.
#include <gtest/gtest.h>

#include <random>

#include "tests/text/document_checks.h"
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

TEST(LineIndex, LongLinesAreCutAfterAsciiBytesOnly) {
    TextDocument doc;
    doc.set_text(std::string(5000, 'x'));
    EXPECT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2000, 4000}));
    // A cut line has no terminator: its length is all of its bytes.
    EXPECT_EQ(doc.index().line_length(0), 2000);
    while (!doc.scan_finished()) doc.run_scan_slice();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(doc.index().scan(i).logical_line, 0);

    std::string euros;
    for (int i = 0; i < 3000; ++i) euros += "\xE2\x82\xAC";
    doc.set_text(euros);
    EXPECT_EQ(doc.index().line_count(), 1);
    euros.insert(6000, "!");  // the first byte that may end a cut line
    doc.set_text(euros);
    EXPECT_EQ(starts_of(doc), (std::vector<TextPos>{0, 6001}));

    // Never between CR and LF, never after NUL.
    std::string s(1999, 'y');
    s += "\r\n";
    s += std::string(2500, '\0');
    s += "z";
    doc.set_text(s);
    EXPECT_EQ(starts_of(doc), (std::vector<TextPos>{0, 2001, 2001 + 2501}));
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
