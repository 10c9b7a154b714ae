// The edit history through the editor's document: typing merges, groups, undo and redo,
// the saved state and Replace All records.
#include <gtest/gtest.h>

#include "text/edit_history.h"
#include "text/text_document.h"
#include "text/text_edit_record.h"

namespace tessel {
namespace {

class EditHistoryTest : public ::testing::Test {
protected:
    EditHistoryTest() { doc.set_history(&history); }

    void type(std::string_view keys) {
        for (char c : keys) {
            if (c == '\n')
                doc.insert_line_break();
            else
                doc.replace_selection(std::string_view(&c, 1), kMergeTyping);
        }
    }
    int steps() const { return history.undo_list().size(); }

    EditHistory history;
    TextDocument doc;
};

TEST_F(EditHistoryTest, AWordThenABlankAreTwoSteps) {
    type("cat ");
    EXPECT_EQ(steps(), 2);
    history.undo();
    EXPECT_EQ(doc.text(), "cat");
    history.undo();
    EXPECT_EQ(doc.text(), "");
    EXPECT_FALSE(history.can_undo());
}

TEST_F(EditHistoryTest, RunsOfBlanksAndWordsMergeButPunctuationAndBreaksDoNot) {
    type("   ");
    EXPECT_EQ(steps(), 1);
    type("ab_9");
    EXPECT_EQ(steps(), 2);
    type(".,");
    EXPECT_EQ(steps(), 4);
    type("\nx");
    EXPECT_EQ(steps(), 6);
    EXPECT_EQ(doc.text(), "   ab_9.,\nx");
}

TEST_F(EditHistoryTest, TypingElsewhereStartsANewStep) {
    type("ab");
    doc.set_caret(0);
    type("c");
    EXPECT_EQ(steps(), 2);
    EXPECT_EQ(doc.text(), "cab");
}

TEST_F(EditHistoryTest, TypingOverASelectionKeepsTheReplacedTextUndoable) {
    doc.set_text("one two");
    doc.set_selection(0, 3);
    type("x");
    doc.set_selection(1, 4);  // " tw" of "x two", right after the typed "x"
    type(" ");
    // The blank replaced bytes, so it must not merge into a step that cannot give them back.
    EXPECT_EQ(doc.text(), "x o");
    history.undo();
    EXPECT_EQ(doc.text(), "x two");
    history.undo();
    EXPECT_EQ(doc.text(), "one two");
}

TEST_F(EditHistoryTest, AWordTypedOverASelectionStartsANewStepAtTheReplacement) {
    doc.set_text("hello world");
    doc.set_selection(6, 11);
    type("there");
    EXPECT_EQ(doc.text(), "hello there");
    EXPECT_EQ(steps(), 2);
    history.undo();
    EXPECT_EQ(doc.text(), "hello t");
    history.undo();
    EXPECT_EQ(doc.text(), "hello world");
}

TEST_F(EditHistoryTest, AGroupIsUndoneAndRedoneAsOneStep) {
    doc.set_text("middle");
    history.begin_group();
    doc.replace("<b>", 0, 0);
    doc.replace("</b>", doc.length(), 0);
    history.end_group();
    doc.replace("!", doc.length(), 0);
    EXPECT_EQ(doc.text(), "<b>middle</b>!");
    history.undo();
    EXPECT_EQ(doc.text(), "<b>middle</b>");
    history.undo();
    EXPECT_EQ(doc.text(), "middle");
    EXPECT_FALSE(history.can_undo());
    history.redo();
    EXPECT_EQ(doc.text(), "<b>middle</b>");
    history.redo();
    EXPECT_EQ(doc.text(), "<b>middle</b>!");
}

TEST_F(EditHistoryTest, ConsecutiveGroupsStaySeparate) {
    for (const char* tag : {"a", "b"}) {
        history.begin_group();
        doc.replace(std::string("<") + tag + ">", 0, 0);
        doc.replace(std::string("</") + tag + ">", doc.length(), 0);
        history.end_group();
    }
    EXPECT_EQ(doc.text(), "<b><a></a></b>");
    history.undo();
    EXPECT_EQ(doc.text(), "<a></a>");
    history.redo();
    EXPECT_EQ(doc.text(), "<b><a></a></b>");
}

TEST_F(EditHistoryTest, ARecordOpeningAGroupDoesNotMergeIntoTheStepBefore) {
    type("ab");
    history.begin_group();
    type("c");
    doc.replace("]", doc.length(), 0);
    history.end_group();
    history.undo();
    EXPECT_EQ(doc.text(), "ab");
}

TEST_F(EditHistoryTest, UndoingPastTheSaveAndRedoingBackIsUnmodified) {
    type("one two");
    history.mark_saved();
    EXPECT_FALSE(history.modified());
    history.undo();
    history.undo();
    EXPECT_TRUE(history.modified());
    history.redo();
    history.redo();
    EXPECT_FALSE(history.modified());
}

TEST_F(EditHistoryTest, ANewEditAfterUndoEmptiesRedoAndLosesTheSavedState) {
    type("abc");
    doc.replace("!", 3, 0);
    history.mark_saved();
    history.undo();
    EXPECT_TRUE(history.can_redo());
    doc.replace("?", 3, 0);
    EXPECT_FALSE(history.can_redo());
    EXPECT_TRUE(history.modified());
    // Same number of steps as at the save, but a different text: still modified.
    EXPECT_EQ(history.save_distance(), 0);
    EXPECT_TRUE(history.modified());
    history.mark_saved();
    EXPECT_FALSE(history.modified());
}

TEST_F(EditHistoryTest, TypingAfterASaveMarksTheDocumentModified) {
    type("abc");
    history.mark_saved();
    type("d");
    EXPECT_TRUE(history.modified());
    history.undo();
    EXPECT_EQ(doc.text(), "abc");
    EXPECT_FALSE(history.modified());
}

TEST_F(EditHistoryTest, ReplaceAllIsOneRecordWhoseUndoRestoresEachText) {
    doc.set_text("a=1; b=22; c=1; d=333;");
    // Four matches of different lengths cannot share one record; four of the same length can.
    doc.set_text("x=ab; y=cd; z=ef; w=gh;");
    std::vector<TextPos> positions{2, 8, 14, 20};
    ASSERT_TRUE(doc.replace_multi(positions, 2, "VALUE"));
    EXPECT_EQ(doc.text(), "x=VALUE; y=VALUE; z=VALUE; w=VALUE;");
    ASSERT_EQ(steps(), 1);
    auto* record = dynamic_cast<TextEditRecord*>(history.undo_list().back().record);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->positions().size(), 4);
    EXPECT_EQ(record->cost(), 5 + 2 * 4);
    history.undo();
    EXPECT_EQ(doc.text(), "x=ab; y=cd; z=ef; w=gh;");
    EXPECT_EQ(doc.caret(), 2);
    history.redo();
    EXPECT_EQ(doc.text(), "x=VALUE; y=VALUE; z=VALUE; w=VALUE;");
}

TEST_F(EditHistoryTest, ARecordThatFailsStaysWhereItIs) {
    type("abcdef");
    // Change the text behind the history's back so the record no longer fits.
    doc.replace("", 0, 5, kApplyDirectly);
    EXPECT_EQ(doc.text(), "f");
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(steps(), 1);
    EXPECT_FALSE(history.can_redo());
}

TEST_F(EditHistoryTest, ClearForgetsEverything) {
    type("abc");
    history.undo();
    type("x");
    history.set_modified_flag(true);
    history.clear();
    EXPECT_FALSE(history.can_undo());
    EXPECT_FALSE(history.can_redo());
    EXPECT_FALSE(history.modified());
}

TEST(EditRecordTypeIds, AreStablePerClassAndDistinctAcrossClasses) {
    class OtherRecord final : public EditRecord {
    public:
        bool merge(EditRecord&) override { return false; }
        bool undo() override { return true; }
        bool redo() override { return true; }
        int64_t cost() const override { return 0; }
        int32_t type_id() const override {
            static const int32_t id = next_type_id();
            return id;
        }
    };
    OtherRecord a, b;
    EXPECT_EQ(a.type_id(), b.type_id());
    EXPECT_NE(a.type_id(), TextEditRecord::class_type_id());
    // An instance answers with its class's id, and the id keeps a text record from folding
    // in a record of another class.
    TextDocument doc;
    doc.set_text("ab");
    const TextPos at[] = {1};
    TextEditRecord typed(doc, doc.store(), at, 0, "x", 0);
    EXPECT_EQ(typed.type_id(), TextEditRecord::class_type_id());
    EXPECT_FALSE(typed.merge(a));
}

}  // namespace
}  // namespace tessel
