// The Edit menu's text commands on a document with an undo history: cut and paste give the
// text back byte for byte, a paste is an undo step of its own, and delete removes whole
// characters and refuses at the end of the text.
#include "editor/editor_commands.h"

#include <gtest/gtest.h>

#include "editor/editor_view_model.h"
#include "tests/seams/fixed_advance_shaper.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

struct Editing {
    Editing() {
        document.set_history(&history);
        view.resize(400, 160);
    }
    EditHistory history;
    TextDocument document;
    test::FixedAdvanceShaper shaper;
    EditorViewModel view{document, shaper};
};

TEST(EditorCommands, CutAndPasteGiveTheTextBackAndAPasteIsItsOwnUndoStep) {
    Editing e;
    const std::string text = "<a>\xC3\xA9t\xC3\xA9 \xE4\xB8\xAD</a>\r\n";
    e.document.set_text(text);
    select_all(e.document);
    EXPECT_EQ(selected_text(e.document), text);
    e.document.set_selection(3, 8);
    const std::string cut_text = cut(e.view);
    EXPECT_EQ(cut_text, "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(e.document.text(), "<a> \xE4\xB8\xAD</a>\r\n");
    EXPECT_EQ(cut(e.view), "");  // nothing selected: nothing removed
    ASSERT_TRUE(paste(e.view, cut_text));
    EXPECT_EQ(e.document.text(), text);
    EXPECT_FALSE(paste(e.view, ""));
    // Typing, then a paste: undo takes the paste back alone.
    e.view.type_text("x");
    paste(e.view, "PASTE");
    ASSERT_TRUE(e.history.undo());
    EXPECT_EQ(e.document.text().find("PASTE"), std::string::npos);
    EXPECT_NE(e.document.text().find('x'), std::string::npos);
}

TEST(EditorCommands, DeleteRemovesTheSelectionOrOneWholeCharacter) {
    Editing e;
    e.document.set_text("\xE4\xB8\xAD" "ab");
    e.document.set_caret(0);
    ASSERT_TRUE(can_delete(e.document));
    delete_selection_or_next(e.view);
    EXPECT_EQ(e.document.text(), "ab");
    e.document.set_selection(0, 2);
    delete_selection_or_next(e.view);
    EXPECT_EQ(e.document.text(), "");
    EXPECT_FALSE(can_delete(e.document));
}

}  // namespace
}  // namespace tessel
