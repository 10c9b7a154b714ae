// Find, Replace and Replace All on small documents: wrap-around, the candidate test's
// options, one undo step per replacement, progress and cancellation, and seeding the pattern.
#include <gtest/gtest.h>

#include "editor/find_state.h"
#include "editor/text_search.h"
#include "tests/editor/find_support.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

using testing_support::RecordingJob;
using testing_support::RecordingUi;

struct FindFixture : ::testing::Test {
    TextDocument doc;
    EditHistory history;
    FindState state;
    RecordingUi ui;
    RecordingJob job;

    void set(std::string_view text, std::string_view pattern) {
        doc.set_history(&history);
        doc.set_text(text);
        state.find_text.clear();
        state.find_text.append(pattern);
    }
    TextPos find(bool forward) { return run_find(doc, state, forward, &job, &ui).at; }
};

TEST_F(FindFixture, ForwardSearchWrapsAroundAndVisitsItsOwnStart) {
    set("abcd", "c");
    doc.set_caret(3);
    EXPECT_EQ(find(true), 2);
    EXPECT_EQ(doc.selection_anchor(), 2);
    EXPECT_EQ(doc.caret(), 3);
    // With the match selected the walk starts at 3, wraps, and ends on the match again.
    EXPECT_EQ(find(true), 2);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(job.status.front(), "Searching");
}

TEST_F(FindFixture, BackwardSearchSkipsTheSelectedMatchAndWraps) {
    set("xa-xa-xa", "xa");
    doc.set_caret(8);
    EXPECT_EQ(find(false), 6);
    EXPECT_EQ(find(false), 3);
    EXPECT_EQ(find(false), 0);
    EXPECT_EQ(find(false), 6);
    // A caret just behind a match starts the backward walk one byte before it.
    doc.set_caret(4);
    EXPECT_EQ(find(false), 3);
}

TEST_F(FindFixture, AbsentOrEmptyPatternWarnsAndKeepsTheSelection) {
    set("hello world", "xyz");
    doc.set_selection(1, 3);
    EXPECT_FALSE(run_find(doc, state, true, &job, &ui).found);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Could not find string 'xyz'");
    EXPECT_EQ(ui.boxes[0].icon, UiIcon::warning);
    EXPECT_EQ(ui.boxes[0].buttons, UiButtons::ok);
    EXPECT_EQ(doc.selection_anchor(), 1);
    EXPECT_EQ(doc.caret(), 3);
    state.find_text.clear();
    EXPECT_FALSE(run_find(doc, state, true, &job, &ui).found);
    EXPECT_EQ(ui.boxes.back().text, "Could not find string ''");
    set("", "a");
    EXPECT_FALSE(run_find(doc, state, false, &job, &ui).found);
}

TEST_F(FindFixture, WholeWordNeedsNonWordBytesOnBothSides) {
    state.whole_word = true;
    set("x cat.", "cat");
    EXPECT_EQ(find(true), 2);
    for (const char* text : {"x cats", "x_cat.", "xcat", "cat_", "x cat9",
                             "\xC3\xA9"
                             "cat "}) {
        set(text, "cat");
        EXPECT_EQ(find(true), -1) << text;
    }
    // At the very start and end of the text there is no neighbour to object.
    set("cat", "cat");
    EXPECT_EQ(find(true), 0);
    // A match at 1 whose byte 0 is a letter is rejected.
    set("acat b", "cat");
    EXPECT_EQ(find(true), -1);
}

// A match that ends exactly where a piece ends, or starts exactly where one starts, takes its
// neighbour from the other piece: every way of searching must see that byte.
TEST(FindAtPieceEdges, WholeWordLooksAcrossThePieceEnd) {
    constexpr TextPos kEdge = TextStore::kPieceSize;  // where set_text starts the second piece
    auto text_with = [](std::string_view left, std::string_view right) {
        std::string text(static_cast<size_t>(kEdge) - left.size(), ' ');
        text += left;
        text += right;
        text += std::string(64, ' ');
        return text;
    };
    struct Case {
        std::string_view left, right;
        TextPos match;  // -1: no whole-word match
    };
    const Case cases[] = {
        {"word", "s", -1},              // ends at the piece end, a letter follows
        {"word", " ", kEdge - 4},
        {"word", "_", -1},
        {"s", "word ", -1},             // starts at the piece start, a letter before it
        {" ", "word ", kEdge},
        {"9", "word ", -1},
    };
    for (const Case& c : cases) {
        for (const bool match_case : {true, false}) {
            SCOPED_TRACE(testing::Message() << "'" << c.left << "|" << c.right << "' match_case "
                                            << match_case);
            TextStore store;
            store.set_text(text_with(c.left, c.right));
            ASSERT_EQ(store.piece(1).start, kEdge);
            TextSearcher searcher(store, "word", match_case, true);
            const TextPos at = c.match >= 0 ? c.match : (c.left == "word" ? kEdge - 4 : kEdge);
            EXPECT_EQ(searcher.test(at), c.match >= 0);
            EXPECT_EQ(searcher.find_forward(0, store.length() - 1), c.match);
            EXPECT_EQ(searcher.find_backward(0, store.length() - 1), c.match);
            EXPECT_EQ(searcher.find_forward(at, at), c.match);
            EXPECT_EQ(searcher.find_backward(at, at), c.match);
        }
    }
}

TEST_F(FindFixture, CaseFoldsAsciiLettersOnly) {
    set("xx HeLLo", "hello");
    EXPECT_EQ(find(true), 3);
    state.match_case = true;
    EXPECT_EQ(find(true), -1);
    state.match_case = false;
    // É (C3 89) and é (C3 A9) stay different; so do '@' and '`', which differ by 0x20 too.
    set("\xC3\x89t\xC3\xA9", "\xC3\xA9T");
    EXPECT_EQ(find(true), -1);
    set("a@b", "a`b");
    EXPECT_EQ(find(true), -1);
    set("[\xC3\xA9]", "\xC3\xA9");
    EXPECT_EQ(find(true), 1);
}

TEST_F(FindFixture, ReplaceAllIsOneUndoStep) {
    set("a-a-a-a", "a");
    state.replace_text.append("bb");
    state.scope = FindState::kWholeFile;
    std::string status;
    FindResult r = run_replace_all(doc, state, &job, &ui, &status);
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(doc.text(), "bb-bb-bb-bb");
    EXPECT_EQ(status, "Replaced 4 occurrences");
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(doc.text(), "a-a-a-a");
    EXPECT_FALSE(history.can_undo());
}

TEST_F(FindFixture, ReplaceAllReachesTheLastByteAndCountsWithCommas) {
    set("xyzq", "q");
    state.scope = FindState::kWholeFile;
    std::string status;
    EXPECT_EQ(run_replace_all(doc, state, &job, &ui, &status).count, 1);
    EXPECT_EQ(doc.text(), "xyz");
    set(std::string(1234, 'q'), "Q");
    state.replace_text.append("r");
    EXPECT_EQ(run_replace_all(doc, state, &job, &ui, &status).count, 1234);
    EXPECT_EQ(status, "Replaced 1,234 occurrences");
    EXPECT_EQ(doc.text(), std::string(1234, 'r'));
}

TEST_F(FindFixture, ReplaceAllSkipsOverlapsAndStaysInsideTheSelection) {
    set("aaa", "aa");
    state.replace_text.append("b");
    state.scope = FindState::kWholeFile;
    EXPECT_EQ(run_replace_all(doc, state, &job, &ui, nullptr).count, 1);
    EXPECT_EQ(doc.text(), "ba");
    // In the selection "a aa|a a": the match running past its end is left alone.
    set("a aaa a", "a");
    state.scope = FindState::kSelection;
    doc.set_selection(4, 2);
    EXPECT_EQ(run_replace_all(doc, state, &job, &ui, nullptr).count, 2);
    EXPECT_EQ(doc.text(), "a bba a");
    EXPECT_EQ(std::min(doc.selection_anchor(), doc.caret()), 2);
    EXPECT_EQ(std::max(doc.selection_anchor(), doc.caret()), 4);
    set("a aaaa a", "aa");
    doc.set_selection(2, 5);  // "aaa": one whole match, the next would run past the end
    EXPECT_EQ(run_replace_all(doc, state, &job, &ui, nullptr).count, 1);
    EXPECT_EQ(doc.text(), "a baa a");
    // An empty selection holds nothing to replace.
    doc.set_caret(3);
    EXPECT_FALSE(run_replace_all(doc, state, &job, &ui, nullptr).found);
    EXPECT_EQ(ui.boxes.back().text, "Could not find string 'aa'");
    EXPECT_EQ(doc.text(), "a baa a");
}

TEST_F(FindFixture, ReplacingPastTheTextLimitIsRefusedWithAMessage) {
    set("a-a-a-a", "a");
    doc.store().set_max_length(12);
    state.replace_text.append("bbb");  // four matches grow the text by 8 bytes: 15 > 12
    state.scope = FindState::kWholeFile;
    FindResult all = run_replace_all(doc, state, &job, &ui, nullptr);
    EXPECT_FALSE(all.found);
    EXPECT_EQ(doc.text(), "a-a-a-a");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Replacing would make the text longer than 12 bytes, the most a "
                                "document holds. Nothing was replaced.");
    EXPECT_FALSE(history.can_undo());
    // One replacement fits; then the text is 9 bytes and the next would make 11, then 13.
    EXPECT_TRUE(run_replace(doc, state, &job, &ui).found);
    EXPECT_TRUE(run_replace(doc, state, &job, &ui).found);
    EXPECT_FALSE(run_replace(doc, state, &job, &ui).found);
    EXPECT_EQ(doc.text(), "bbb-bbb-a-a");
    EXPECT_EQ(ui.boxes.size(), 2u);
}

TEST_F(FindFixture, ReplaceTakesTheSelectedMatchThenTheNextOne) {
    set("one two one two", "TWO");
    state.replace_text.append("2");
    EXPECT_EQ(find(true), 4);
    FindResult r = run_replace(doc, state, &job, &ui);
    EXPECT_EQ(r.at, 4);
    EXPECT_EQ(doc.text(), "one 2 one two");
    EXPECT_EQ(doc.selection_anchor(), 4);  // the inserted text is selected
    EXPECT_EQ(doc.caret(), 5);
    EXPECT_EQ(job.status.back(), "Replacing");
    // The selection no longer matches: the next match forward is replaced.
    EXPECT_EQ(run_replace(doc, state, &job, &ui).at, 10);
    EXPECT_EQ(doc.text(), "one 2 one 2");
    EXPECT_FALSE(run_replace(doc, state, &job, &ui).found);
    EXPECT_EQ(ui.boxes.back().text, "Could not find string 'TWO'");
    history.undo();
    EXPECT_EQ(doc.text(), "one 2 one two");
}

TEST_F(FindFixture, ProgressEvery256CandidatesAndCancellationLeavesTheTextAlone) {
    set(std::string(1000, 'x'), "y");
    find(true);
    EXPECT_EQ(job.progress, (std::vector<int>{0, 25, 51, 76}));
    EXPECT_EQ(job.yields, 4);

    job.cancel_at_yield = job.yields + 2;
    set(std::string(1000, 'y'), "y");
    state.scope = FindState::kWholeFile;
    EXPECT_THROW(run_replace_all(doc, state, &job, &ui, nullptr), JobCancelled);
    EXPECT_EQ(doc.text(), std::string(1000, 'y'));
    EXPECT_FALSE(history.can_undo());
    // The job's position list was let go of: later edits must not reach it.
    doc.replace("z", 0, 0);
    EXPECT_EQ(doc.length(), 1001);
}

TEST(FindState, SeedsFromASelectionWithinOneLine) {
    TextDocument doc;
    FindState state;
    doc.set_text("first line\nsecond\n");
    doc.set_selection(8, 0);
    EXPECT_TRUE(seed_find_text(state, doc));
    EXPECT_EQ(state.find_text.view(), "first li");
    doc.set_selection(6, 13);  // crosses the line feed
    EXPECT_FALSE(seed_find_text(state, doc));
    EXPECT_EQ(state.find_text.view(), "first li");
    doc.set_caret(3);
    EXPECT_FALSE(seed_find_text(state, doc));

    // 101 bytes at most, and never half a character.
    std::string long_line = std::string(100, 'a') + "\xE2\x82\xAC" + "bbb";
    doc.set_text(long_line);
    doc.set_selection(0, doc.length());
    EXPECT_TRUE(seed_find_text(state, doc));
    EXPECT_EQ(state.find_text.view(), std::string(100, 'a'));
    doc.set_selection(1, doc.length());
    EXPECT_TRUE(seed_find_text(state, doc));
    EXPECT_EQ(state.find_text.view(), std::string(99, 'a'));
    doc.set_text(std::string(300, 'c'));
    doc.set_selection(0, 300);
    EXPECT_TRUE(seed_find_text(state, doc));
    EXPECT_EQ(state.find_text.size(), 101u);
}

}  // namespace
}  // namespace tessel
