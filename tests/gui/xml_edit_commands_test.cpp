// The XML editing commands through their keys and dialogs, as a person uses them: Ctrl+T,
// Ctrl+R, Ctrl+U and Ctrl+M on an XML document, each one undo step.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "gui/built_dialog.h"
#include "gui/command_bars.h"
#include "gui/editor_view.h"
#include "tests/gui/editor_fixture.h"
#include "tests/gui/dialog_answers.h"
#include "tests/platform/event_loop_waits.h"
#include "text/edit_history.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_until;
using test::when_dialog_shows;

class XmlEditCommands : public ::testing::Test {
protected:
    void open(Editor& editor, const std::string& text) {
        editor.app.file().new_document("xml");
        editor.app.document().replace(text, 0, 0);
        editor.app.history().clear();
        ASSERT_TRUE(run_until([&] { return editor.app.controller().language() == "XML"; }));
    }
    QTemporaryDir folder;
};

TEST_F(XmlEditCommands, TagsAttributesCommentsAndCdataGoInByKeyAndComeOutByOneUndo) {
    Editor editor(folder.path());
    open(editor, "<r>hello</r>");
    EditorView& view = editor.window.editor();
    view.setFocus();
    editor.app.document().set_caret(3);

    // Ctrl+T: name b, content x.
    bool seen = false;
    when_dialog_shows("Insert Tag", [](BuiltDialog& dialog) {
        test::type_over(dialog.edit_of(0), "b");
        test::type_over(dialog.edit_of(1), "x");
        QTest::keyClick(dialog.edit_of(1), Qt::Key_Return);
    }, &seen);
    QTest::keyClick(&view, Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(seen);
    EXPECT_EQ(editor.app.document().text(), "<r><b>x</b>hello</r>");
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(run_until([&] { return editor.app.document().text() == "<r>hello</r>"; }));

    // Ctrl+R after a blank: a value with a quote of each kind and an ampersand reads back as
    // typed.
    editor.app.document().set_caret(2);
    QTest::keyClick(&view, ' ');
    seen = false;
    when_dialog_shows("Insert Attribute", [](BuiltDialog& dialog) {
        test::type_over(dialog.edit_of(0), "id");
        test::type_over(dialog.edit_of(1), "a\"b'&c");
        QTest::keyClick(dialog.edit_of(1), Qt::Key_Return);
    }, &seen);
    QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(seen);
    EXPECT_EQ(editor.app.document().text(), "<r id = 'a\"b&apos;&amp;c'>hello</r>");
    QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(run_until([&] { return editor.app.document().text() == "<r >hello</r>"; }));
    editor.app.document().replace("<r>hello</r>", 0, editor.app.document().length());

    // Ctrl+M does nothing without a selection.
    const auto enabled = [&](std::string_view name) {
        return editor.app.commands().find_enabled_handler(name, {}) != nullptr;
    };
    editor.app.document().set_caret(4);
    EXPECT_FALSE(enabled("mark_selection_with_tag"));
    // With "hello" selected: an empty name and "Wrap with CDATA" give the CDATA section alone.
    editor.app.document().set_selection(3, 8);
    EXPECT_TRUE(enabled("mark_selection_with_tag"));
    seen = false;
    when_dialog_shows("Mark selection with tag", [](BuiltDialog& dialog) {
        test::type_over(dialog.edit_of(0), "");
        dialog.edit_of(0)->clear();
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
            if (box->text() == "Wrap with CDATA" && !box->isChecked())
                QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier,
                                  QPoint(box->height() / 2, box->height() / 2));
        QTest::keyClick(dialog.edit_of(0), Qt::Key_Return);
    }, &seen);
    QTest::keyClick(&view, Qt::Key_M, Qt::ControlModifier);
    ASSERT_TRUE(seen);
    EXPECT_EQ(editor.app.document().text(), "<r><![CDATA[hello]]></r>");

    // Ctrl+U on a selection holding "--": the comment stays one comment.
    editor.app.document().replace("<r>a--b</r>", 0, editor.app.document().length());
    editor.app.document().set_selection(3, 7);
    QTest::keyClick(&view, Qt::Key_U, Qt::ControlModifier);
    EXPECT_EQ(editor.app.document().text(), "<r><!--a- -b--></r>");

    // Not for JSON documents.
    editor.app.history().mark_saved();
    editor.app.file().new_document("json");
    ASSERT_TRUE(run_until([&] { return editor.app.controller().language() == "JSON"; }));
    EXPECT_FALSE(enabled("insert_tag"));
    EXPECT_FALSE(enabled("comment_out_selection"));
}

// The fields come back at the next start, as the user left them.
TEST_F(XmlEditCommands, TheDialogsKeepTheirValuesAcrossARestart) {
    {
        Editor editor(folder.path());
        open(editor, "<r/>");
        EditorView& view = editor.window.editor();
        view.setFocus();
        editor.app.document().set_caret(0);
        bool seen = false;
        when_dialog_shows("Insert Tag", [](BuiltDialog& dialog) {
            test::type_over(dialog.edit_of(0), "item");
            for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
                if (box->text() == "Self close" && !box->isChecked())
                    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier,
                                      QPoint(box->height() / 2, box->height() / 2));
            QTest::keyClick(dialog.edit_of(0), Qt::Key_Return);
        }, &seen);
        QTest::keyClick(&view, Qt::Key_T, Qt::ControlModifier);
        ASSERT_TRUE(seen);
        EXPECT_EQ(editor.app.document().text(), "<item/><r/>");
    }
    Editor again(folder.path());
    open(again, "<r/>");
    EditorView& view = again.window.editor();
    view.setFocus();
    bool seen = false;
    QString name;
    bool self_close = false;
    when_dialog_shows("Insert Tag", [&](BuiltDialog& dialog) {
        name = dialog.edit_of(0)->text();
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
            if (box->text() == "Self close") self_close = box->isChecked();
        QTest::keyClick(dialog.edit_of(0), Qt::Key_Escape);
    }, &seen);
    QTest::keyClick(&view, Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(seen);
    EXPECT_EQ(name, "item");
    EXPECT_TRUE(self_close);
    EXPECT_EQ(again.app.document().text(), "<r/>");
}

}  // namespace
}  // namespace tessel
