// The "indent" command's body: its question, its dialog, the one undoable edit, the status
// texts, and the options it keeps in the settings.
#include "shell/indent_command.h"

#include <gtest/gtest.h>

#include "foundation/job.h"
#include "parse/default_languages.h"
#include "parse/json_parser.h"
#include "parse/xml_parser.h"
#include "settings/settings_store.h"
#include "tests/seams/scripted_ui.h"
#include "tests/settings/settings_test_folder.h"
#include "text/edit_history.h"
#include "text/text_document.h"

namespace tessel {
namespace {

class ScriptedDialog final : public IndentOptionsDialog {
public:
    bool ask(IndentOptions& options) override {
        ++shown;
        if (!confirm) return false;
        options = answer;
        return true;
    }
    int shown = 0;
    bool confirm = true;
    IndentOptions answer;
};

class RecordingJob final : public Job {
public:
    void set_progress(int) override {}
    void set_status_text(std::string_view text) override { status = text; }
    void yield_point() override {}
    std::string status;
};

const DocumentType& type_named(std::string_view name) {
    const DocumentType* type = default_languages().find(name);
    EXPECT_NE(type, nullptr) << name;
    return type ? *type : default_languages().default_type();
}

const DocumentType& xml() {
    return type_named("XML");
}

class IndentCommandTest : public ::testing::Test {
protected:
    IndentCommandTest() { document.set_history(&history); }

    IndentOutcome run(std::string_view text, IndentOptions options) {
        document.set_text(text);
        tree = parse_xml(text);
        return run_indent(document, xml(), tree.get(), options, ui, dialog, nullptr, &job, &status);
    }

    EditHistory history;
    TextDocument document;
    std::unique_ptr<DocumentTree> tree;
    ScriptedUi ui;
    ScriptedDialog dialog;
    RecordingJob job;
    std::string status;
};

constexpr const char* kQuestion =
    "This document contains a syntax error or is empty, indent anyway?";

TEST_F(IndentCommandTest, IndentsAsOneUndoableEdit) {
    IndentOptions options;
    options.show_dialog_first = false;
    EXPECT_EQ(run("<a><b>x</b></a>", options), IndentOutcome::indented);
    EXPECT_EQ(document.text(), "<a>\n    <b>x</b>\n</a>\n");
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(dialog.shown, 0);
    EXPECT_EQ(job.status, "Indenting");
    EXPECT_EQ(status.rfind("Indented in ", 0), 0u) << status;
    EXPECT_TRUE(status.ends_with(" milliseconds") || status.ends_with(" seconds")) << status;
    ASSERT_TRUE(history.undo());
    EXPECT_EQ(document.text(), "<a><b>x</b></a>");
    EXPECT_FALSE(history.can_undo());
}

// A document whose lines end CR LF keeps them on every indented line; indentation stops
// growing at level 64.
TEST_F(IndentCommandTest, KeepsCrLfLineEndsAndCapsTheIndentation) {
    IndentOptions options;
    options.show_dialog_first = false;
    options.indent_size = 1;
    options.remove_comments = true;
    EXPECT_EQ(run("<a>\r\n<b>x</b><!-- c\r\nd --></a>\r\n", options), IndentOutcome::indented);
    EXPECT_EQ(document.text(), "<a>\r\n <b>x</b>\r\n</a>\r\n");
    std::string deep;
    for (int i = 0; i < 100; ++i) deep += "<d>";
    for (int i = 0; i < 100; ++i) deep += "</d>";
    EXPECT_EQ(run(deep, options), IndentOutcome::indented);
    EXPECT_NE(document.text().find(std::string(64, ' ') + "<d></d>\n"), std::string::npos);
    EXPECT_EQ(document.text().find(std::string(65, ' ')), std::string::npos);
}

TEST_F(IndentCommandTest, AsksBeforeIndentingADocumentWithAnError) {
    IndentOptions options;
    options.show_dialog_first = false;
    ui.answers = {UiAnswer::cancel};
    EXPECT_EQ(run("<a><b>x</b>", options), IndentOutcome::cancelled);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kQuestion);
    EXPECT_EQ(ui.shown[0].buttons, UiButtons::ok_cancel);
    EXPECT_EQ(document.text(), "<a><b>x</b>");
    EXPECT_FALSE(history.can_undo());

    // OK indents what was parsed.
    ui.answers = {UiAnswer::ok};
    EXPECT_EQ(run("<a><b>x</b>", options), IndentOutcome::indented);
    EXPECT_EQ(document.text(), "<a>\n    <b>x</b>\n</a>\n");
}

TEST_F(IndentCommandTest, WithoutATreeAsksAndParsesTheTextItself) {
    IndentOptions options;
    options.show_dialog_first = false;
    document.set_text("<a><b/></a>");
    ui.answers = {UiAnswer::ok};
    EXPECT_EQ(run_indent(document, xml(), nullptr, options, ui, dialog, nullptr, nullptr, nullptr),
              IndentOutcome::indented);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kQuestion);
    EXPECT_EQ(document.text(), "<a>\n    <b/>\n</a>\n");
}

// Asked before the first parse, the text is parsed as the document's type: a JSON or DTD
// document parsed as XML became an empty text. Plain Text has nothing to indent.
TEST_F(IndentCommandTest, WithoutATreeParsesAsTheDocumentsType) {
    IndentOptions options;
    options.show_dialog_first = false;
    const struct {
        const char* type;
        const char* text;
        const char* indented;
    } cases[] = {
        {"JSON", "{\"a\":[1,\"x\"]}", "{\n    \"a\" : [\n        1,\n        \"x\"\n    ]\n}\n"},
        {"DTD", "<!ELEMENT a ANY><!ATTLIST a x CDATA #IMPLIED>",
         "<!ELEMENT a ANY>\n<!ATTLIST a x CDATA #IMPLIED>\n"},
        {"XML", "<a><b/></a>", "<a>\n    <b/>\n</a>\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        document.set_text(c.text);
        ui.shown.clear();
        ui.answers = {UiAnswer::ok};
        EXPECT_EQ(run_indent(document, type_named(c.type), nullptr, options, ui, dialog, nullptr,
                             nullptr, nullptr),
                  IndentOutcome::indented);
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].text, kQuestion);
        EXPECT_EQ(document.text(), c.indented);
    }

    const std::string plain = "just some words\n  <not markup>";
    document.set_text(plain);
    ui.shown.clear();
    ui.answers = {UiAnswer::ok};
    EXPECT_EQ(run_indent(document, type_named("Plain Text"), nullptr, options, ui, dialog, nullptr,
                         nullptr, nullptr),
              IndentOutcome::refused);
    EXPECT_EQ(document.text(), plain);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              "A Plain Text document has no markup to indent. The text was left as it was.");
    EXPECT_EQ(ui.shown[0].buttons, UiButtons::ok);
}

// A tree that does not hold every character of the text (the parse passed over stray text)
// is not indented without asking: indenting writes the tree, so the text would be gone.
TEST_F(IndentCommandTest, AsksBeforeDeletingTextTheTreeDoesNotHold) {
    IndentOptions options;
    options.show_dialog_first = false;
    const std::string text = "<a>x</a>\r\n\nimportant trailing text";
    document.set_text(text);
    tree = parse_xml(text);
    tree->drop_text(11);
    ui.answers = {UiAnswer::cancel};
    EXPECT_EQ(
        run_indent(document, xml(), tree.get(), options, ui, dialog, nullptr, nullptr, nullptr),
        IndentOutcome::cancelled);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, dropped_text_question(3));
    EXPECT_TRUE(ui.shown[0].text.starts_with("Line 3 holds text ")) << ui.shown[0].text;
    EXPECT_EQ(ui.shown[0].buttons, UiButtons::ok_cancel);
    EXPECT_EQ(document.text(), text);
    EXPECT_FALSE(history.can_undo());

    // OK indents what was parsed, as the user chose.
    ui.answers = {UiAnswer::ok};
    EXPECT_EQ(
        run_indent(document, xml(), tree.get(), options, ui, dialog, nullptr, nullptr, nullptr),
        IndentOutcome::indented);
    EXPECT_EQ(document.text(), "<a>x</a>\r\n");  // its first line ends CR LF

    // With an error as well, the question is the one for errors.
    document.set_text("<a><b>x</b>stray");
    tree = parse_xml(document.text());
    tree->drop_text(11);
    ui.shown.clear();
    ui.answers = {UiAnswer::cancel};
    EXPECT_EQ(
        run_indent(document, xml(), tree.get(), options, ui, dialog, nullptr, nullptr, nullptr),
        IndentOutcome::cancelled);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kQuestion);
}

TEST_F(IndentCommandTest, ATreeWithoutARootLeavesTheTextAlone) {
    IndentOptions options;
    options.show_dialog_first = false;
    const std::string broken = "{\"a\": 1,}";
    document.set_text(broken);
    auto tree = parse_json(broken);
    ASSERT_EQ(tree->root(), nullptr);
    ui.answers = {UiAnswer::ok};
    EXPECT_EQ(run_indent(document, type_named("JSON"), tree.get(), options, ui, dialog, nullptr,
                         nullptr, nullptr),
              IndentOutcome::refused);
    EXPECT_EQ(document.text(), broken);
    EXPECT_FALSE(history.can_undo());
}

TEST_F(IndentCommandTest, TheDialogComesFirstAndItsChoiceIsKept) {
    IndentOptions options;  // the dialog is shown by default
    dialog.confirm = false;
    EXPECT_EQ(run("<a><b>x</b></a>", options), IndentOutcome::cancelled);
    EXPECT_EQ(dialog.shown, 1);
    EXPECT_EQ(document.text(), "<a><b>x</b></a>");

    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    dialog.confirm = true;
    dialog.answer.indent_size = 2;
    dialog.answer.remove_comments = false;
    dialog.answer.max_attributes = 500;  // out of range: kept as the largest allowed
    document.set_text("<a><!--c--><b>x</b></a>");
    tree = parse_xml(document.text());
    EXPECT_EQ(
        run_indent(document, xml(), tree.get(), options, ui, dialog, &store, nullptr, nullptr),
        IndentOutcome::indented);
    EXPECT_EQ(document.text(), "<a>\n  <!--c-->\n  <b>x</b>\n</a>\n");
    EXPECT_EQ(options.indent_size, 2);
    EXPECT_EQ(options.max_attributes, 100);

    IndentOptions kept = read_indent_options(store);
    EXPECT_EQ(kept.indent_size, 2);
    EXPECT_EQ(kept.max_attributes, 100);
    EXPECT_FALSE(kept.remove_comments);
    EXPECT_TRUE(kept.show_dialog_first);
}

}  // namespace
// Ctrl+I then Enter on a fresh settings folder: the dialog opens as the options were read,
// and confirming it unchanged keeps the document's comments. A user's stored choice to remove
// them stays as stored.
TEST_F(IndentCommandTest, CommentsAreKeptUnlessTheUserChoseToRemoveThem) {
    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    EXPECT_FALSE(IndentOptions{}.remove_comments);
    IndentOptions options = read_indent_options(store);
    EXPECT_FALSE(options.remove_comments);
    dialog.confirm = true;
    dialog.answer = options;  // Enter: the values the dialog opened with
    document.set_text("<a><!--licence--><b>x</b></a>");
    tree = parse_xml(document.text());
    EXPECT_EQ(
        run_indent(document, xml(), tree.get(), options, ui, dialog, &store, nullptr, nullptr),
        IndentOutcome::indented);
    EXPECT_EQ(document.text(), "<a>\n    <!--licence-->\n    <b>x</b>\n</a>\n");
    EXPECT_FALSE(read_indent_options(store).remove_comments);

    IndentOptions removing = options;
    removing.remove_comments = true;
    write_indent_options(store, removing);
    EXPECT_TRUE(read_indent_options(store).remove_comments);
}

}  // namespace tessel
