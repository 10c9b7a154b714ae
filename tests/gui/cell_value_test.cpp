// A cell write in the running editor: exactly the cell's bytes change, as one undo step, with
// no parse asked for; a refused value shows "Cannot set value"; editing waits for a parse
// after any other change and is refused while the document has errors.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <fstream>
#include <string>

#include "gui/command_bars.h"
#include "parse/xml_nodes.h"
#include "tests/gui/dialog_answers.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"
#include "views/cell_edit.h"

namespace tessel {
namespace {

using test::run_for;
using test::run_until;

constexpr const char* kText = "<c>\r\n  <item id=\"1\">Kettle</item>\r\n  <item id=\"2\"/>\r\n</c>\r\n";

Node* element_child(Node& node, int32_t nth) {
    for (int32_t i = 0; Node* child = node.child(i); ++i)
        if (dynamic_cast<ElementNode*>(child) && nth-- == 0) return child;
    return nullptr;
}

TEST(CellValue, WritesOnlyTheCellsBytesAsOneUndoStepWithoutAParse) {
    QTemporaryDir folder;
    const std::string path = (folder.path() + "/c.xml").toStdString();
    std::ofstream(path, std::ios::binary) << kText;
    test::Editor editor(folder.path());
    editor.app.commands().execute("load_file", path);
    ASSERT_TRUE(run_until([&] { return editor.window.bars().message_pane()->text().startsWith("Parsed "); }));
    ASSERT_TRUE(run_until([&] { return editor.app.edit_check() == nullptr; }));
    Node* c = element_child(*editor.app.tree()->root(), 0);
    ASSERT_NE(c, nullptr);
    Node* first = element_child(*c, 0);
    ASSERT_NE(first, nullptr);
    Node* id = first->child(0);
    ASSERT_NE(dynamic_cast<AttributeNode*>(id), nullptr);
    const int parses = editor.app.controller().parses_completed();

    // Two cells, the later one first, with no parse between them.
    EXPECT_EQ(editor.app.set_cell_value(*first, "Pan & Pot", kQueryValue4).refusal, nullptr);
    EXPECT_EQ(editor.app.set_cell_value(*id, "one", kQueryValue4).refusal, nullptr);
    const std::string edited = "<c>\r\n  <item id=\"one\">Pan &amp; Pot</item>\r\n  <item id=\"2\"/>\r\n</c>\r\n";
    EXPECT_EQ(editor.app.document().text(), edited);
    EXPECT_EQ(editor.app.edit_check(), nullptr) << "the tree still stands for the text";

    // A refused value: the box, and no change.
    QString text, caption;
    test::answer_next_box(QMessageBox::Ok, &text, &caption);
    EXPECT_STREQ(editor.app.set_cell_value(*id, "say \"x\"", kQueryValue4).refusal,
                 "Attribute value contains quotes");
    EXPECT_EQ(caption, kCannotSetValueTitle);
    EXPECT_EQ(text, "Attribute value contains quotes");
    EXPECT_EQ(editor.app.document().text(), edited);
    run_for(300);
    EXPECT_EQ(editor.app.controller().parses_completed(), parses) << "a cell write asked for a parse";

    // One undo a cell; then the text is parsed again, and editing waits for it.
    ASSERT_TRUE(editor.app.history().undo());
    EXPECT_EQ(editor.app.document().text(),
              "<c>\r\n  <item id=\"1\">Pan &amp; Pot</item>\r\n  <item id=\"2\"/>\r\n</c>\r\n");
    EXPECT_STREQ(editor.app.edit_check(), kParsingMessage);
    ASSERT_TRUE(editor.app.history().undo());
    EXPECT_EQ(editor.app.document().text(), kText);
    EXPECT_TRUE(run_until([&] { return editor.app.edit_check() == nullptr; }));

    // A document with errors takes no cell edits.
    editor.app.document().replace("<", 0, 0);
    EXPECT_TRUE(run_until([&] { return editor.app.edit_check() == kSyntaxErrorMessage; }));
}

}  // namespace
}  // namespace tessel
