// The dialogs that change how the document is read, written and shown, driven as a person
// drives them: the encodings (checked against iconv), the language, the consolidation
// threshold, and their values across a restart.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "encoding/encoding.h"
#include "gui/built_dialog.h"
#include "gui/command_bars.h"
#include "parse/language_registry.h"
#include "gui/browser_view.h"
#include "gui/editor_view.h"
#include "foundation/arena.h"
#include "views/browser_layout.h"
#include "views/consolidation.h"
#include "tests/gui/editor_fixture.h"
#include "tests/gui/dialog_answers.h"
#include "tests/file_contents.h"
#include "tests/platform/dialog_layout.h"
#include "tests/platform/event_loop_waits.h"
#include "gui/encoding_dialogs.h"
#include "gui/find_dialogs.h"
#include "gui/language_dialogs.h"
#include "gui/view_option_dialogs.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_until;
using test::shown_dialog;
using test::when_dialog_shows;

// What iconv makes of a file's bytes in the given encoding, as UTF-8.
std::string iconv_to_utf8(const std::string& path, const char* from) {
    const std::string command = "iconv -f " + std::string(from) + " -t UTF-8 '" + path + "'";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// Picks the entry named text in a drop-down list with the arrow keys, as the keyboard does.
void pick_with_keys(QComboBox* list, const QString& text) {
    ASSERT_NE(list, nullptr);
    const int wanted = list->findText(text);
    ASSERT_GE(wanted, 0) << text.toStdString();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    for (int i = 0; i < wanted; ++i) QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(list->currentIndex(), wanted);
}

class OptionDialogsTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
};

TEST_F(OptionDialogsTest, ReloadReadsTheFileInTheChosenEncodingAndSaveWritesTheChosenOne) {
    Editor editor(folder.path());
    // A byte that windows-1252 reads as the euro sign and Latin-1 as a control character.
    const std::string path = (folder.path() + "/prices.xml").toStdString();
    std::ofstream(path, std::ios::binary) << "<prices><p>caf\xE9 3\x80</p></prices>\n";
    const std::string as_1252 = iconv_to_utf8(path, "WINDOWS-1252");
    ASSERT_NE(as_1252.find("\xE2\x82\xAC"), std::string::npos) << "iconv is needed";
    editor.app.commands().execute("load_file", path);
    ASSERT_TRUE(run_until([&] { return editor.window.windowTitle().startsWith("prices.xml"); }, 10000));
    ASSERT_TRUE(run_until([&] { return editor.pool.job_elapsed_ms("load") < 0; }));
    ASSERT_NE(editor.app.document().text(), as_1252);

    // Options > Character encoding..., "Western (windows-1252)", Reload.
    QAction* action = editor.window.bars().action_of("character_encoding");
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(run_until([&] { return action->isEnabled(); }));
    action->trigger();
    BuiltDialog* dialog = nullptr;
    ASSERT_TRUE(run_until([&] { return (dialog = shown_dialog("Character Encoding")) != nullptr; }));
    pick_with_keys(dialog->list_of(0), "Western (windows-1252)");
    auto* reload = dialog->findChild<QPushButton*>("Reload");
    ASSERT_NE(reload, nullptr);
    EXPECT_TRUE(reload->isEnabled());
    QTest::mouseClick(reload, Qt::LeftButton);
    ASSERT_TRUE(run_until([&] { return editor.app.document().text() == as_1252; }, 10000));

    // Save With Encoding, UTF-16 little endian, to a new name typed in the file dialog.
    ASSERT_TRUE(run_until([&] { return editor.pool.job_elapsed_ms("load") < 0; }));
    const std::string saved = (folder.path() + "/prices-16.xml").toStdString();
    action = editor.window.bars().action_of("save_as_with_encoding");
    ASSERT_TRUE(run_until([&] { return action->isEnabled(); }));
    action->trigger();
    ASSERT_TRUE(run_until([&] { return (dialog = shown_dialog("Save With Encoding")) != nullptr; }));
    EXPECT_EQ(dialog->list_of(0)->currentText(), "Western (windows-1252)")
        << "the list opens on the document's encoding";
    pick_with_keys(dialog->list_of(0), "Unicode (UTF-16 little endian)");
    // The file dialog runs its own loop: it is answered from a timer, by typing the name.
    bool typed = false;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* files = test::visible_top_level<QFileDialog>();
        auto* name = files ? files->findChild<QLineEdit*>("fileNameEdit") : nullptr;
        if (!name) return;
        timer->stop();
        timer->deleteLater();
        // Chosen whole: typed key by key, the box's completer would offer names on the way.
        files->selectFile(QString::fromStdString(saved));
        QTest::keyClick(name, Qt::Key_Return);
        typed = true;
    });
    timer->start(5);
    QTest::mouseClick(dialog->findChild<QPushButton*>("ok"), Qt::LeftButton);
    ASSERT_TRUE(run_until([&] { return typed; }, 10000));
    ASSERT_TRUE(run_until([&] { return editor.window.windowTitle().startsWith("prices-16.xml"); }, 10000));
    // The save wrote what the document holds (its declaration now naming the encoding).
    const std::string text = editor.app.document().text();
    EXPECT_NE(text.find("encoding=\"utf-16\""), std::string::npos);
    EXPECT_NE(text.find("<p>caf\xC3\xA9 3\xE2\x82\xAC</p>"), std::string::npos);
    EXPECT_EQ(iconv_to_utf8(saved, "UTF-16LE"), text);
    EXPECT_EQ(test::file_contents(saved).size() % 2, 0u);
}

TEST_F(OptionDialogsTest, ReloadIsGreyedForAnUntitledDocument) {
    Editor editor(folder.path());
    editor.window.bars().action_of("character_encoding")->trigger();
    BuiltDialog* dialog = nullptr;
    ASSERT_TRUE(run_until([&] { return (dialog = shown_dialog("Character Encoding")) != nullptr; }));
    EXPECT_FALSE(dialog->findChild<QPushButton*>("Reload")->isEnabled());
    QTest::keyClick(dialog->list_of(0), Qt::Key_Escape);
    EXPECT_TRUE(run_until([&] { return !dialog->isVisible(); }));
}

// The browser's table with the most columns, and the header texts of its columns.
std::vector<std::string> widest_table_headers(BrowserView& browser) {
    std::vector<std::string> headers;
    BrowserLayout& layout = browser.controller().layout();
    SmallArena scratch;
    for (TableLayout& table : layout.tables()) {
        if (static_cast<size_t>(table.columns()) <= headers.size()) continue;
        headers.clear();
        for (int32_t c = 0; c < table.columns(); ++c)
            headers.emplace_back(look_of_cell(*table.table, 0, c, scratch).text);
    }
    return headers;
}

bool has_header_starting(const std::vector<std::string>& headers, std::string_view start) {
    for (const std::string& header : headers)
        if (header.starts_with(start)) return true;
    return false;
}

TEST_F(OptionDialogsTest, SelectLanguageParsesTheDocumentAgainAsTheChosenType) {
    const std::string path = (folder.path() + "/settings.conf").toStdString();
    std::ofstream(path, std::ios::binary) << "{\"name\": \"tessel\", \"sizes\": [1, 2, 3]}\n";
    const auto language_choice = [](Editor& editor, const QString& name) {
        for (QAction* action : editor.window.bars().menus()[3]->actions())
            if (action->menu())
                for (QAction* choice : action->menu()->actions())
                    if (choice->text() == name) return choice;
        return static_cast<QAction*>(nullptr);
    };
    {
        Editor editor(folder.path());
        editor.app.commands().execute("load_file", path);
        ASSERT_TRUE(run_until([&] { return editor.window.windowTitle().startsWith("settings.conf"); }, 10000));
        ASSERT_TRUE(run_until([&] { return editor.app.tree() != nullptr; }, 10000));
        EXPECT_EQ(editor.app.controller().language(), "JSON") << "the content shows JSON";
        // Options > Language > Plain Text: no tree any more.
        QAction* plain = language_choice(editor, "Plain Text");
        ASSERT_NE(plain, nullptr);
        plain->trigger();
        ASSERT_TRUE(run_until([&] { return editor.app.controller().language() == "Plain Text"; }));
        ASSERT_TRUE(run_until([&] { return editor.app.tree() == nullptr && plain->isChecked(); }));

        // Options > Parse this document as..., "JSON", and all ".conf" files too.
        const auto parses = editor.app.controller().parses_completed();
        bool seen = false;
        when_dialog_shows("Select Language", [](BuiltDialog& dialog) {
            EXPECT_EQ(dialog.list_of(0)->currentText(), "Plain Text");
            auto* same = dialog.findChild<QCheckBox*>();
            ASSERT_NE(same, nullptr);
            EXPECT_TRUE(same->isChecked()) << "conf files are plain text by their extension";
            pick_with_keys(dialog.list_of(0), "JSON");
            EXPECT_TRUE(same->isEnabled()) << "conf is no type's own extension";
            EXPECT_FALSE(same->isChecked());
            QTest::mouseClick(same, Qt::LeftButton, Qt::NoModifier, QPoint(5, same->height() / 2));
            EXPECT_TRUE(same->isChecked());
            QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
        }, &seen);
        editor.window.bars().action_of("parse_this_document_as")->trigger();
        ASSERT_TRUE(seen);
        ASSERT_TRUE(run_until([&] {
            return editor.app.controller().parses_completed() > parses && editor.app.tree() != nullptr;
        }));
        EXPECT_EQ(editor.app.controller().language(), "JSON");
        EXPECT_TRUE(run_until([&] { return language_choice(editor, "JSON")->isChecked(); }));
        EXPECT_EQ(editor.app.languages().type_of("other.conf").display_name, "JSON");
    }
    // The extension's new type is kept: the next start reads any ".conf" as JSON.
    Editor editor(folder.path());
    EXPECT_EQ(editor.app.languages().type_of("x.conf").display_name, "JSON");
}

TEST_F(OptionDialogsTest, TheConsolidationThresholdChangesTheNextViewAndIsKept) {
    // Five rows, each with a sub-element no other row has.
    const std::string path = (folder.path() + "/lonely.xml").toStdString();
    std::ofstream(path, std::ios::binary)
        << "<r><i><a>1</a></i><i><b>2</b></i><i><c>3</c></i><i><d>4</d></i><i><e>5</e></i></r>\n";
    {
        Editor editor(folder.path());
        editor.window.resize(1200, 900);
        const auto set_threshold = [&](std::function<void(BuiltDialog&)> change) {
            bool seen = false;
            when_dialog_shows("Unique Consolidation Options", [change](BuiltDialog& dialog) {
                change(dialog);
                QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
            }, &seen);
            editor.window.bars().action_of("unique_consolidation")->trigger();
            ASSERT_TRUE(seen);
        };
        set_threshold([](BuiltDialog& dialog) {
            QLineEdit* edit = dialog.edit_of(0);
            edit->selectAll();
            QTest::keyClicks(edit, "9");
        });
        EXPECT_EQ(unique_consolidation_threshold(), 9);
        editor.app.commands().execute("load_file", path);
        ASSERT_TRUE(run_until([&] { return editor.app.tree() != nullptr; }, 10000));
        // The five rows are the children of "r".
        editor.app.commands().execute("goto_path", "/r");
        BrowserView& browser = editor.window.browser(1);
        ASSERT_TRUE(run_until([&] { return has_header_starting(widest_table_headers(browser), "e"); }, 10000));
        EXPECT_FALSE(has_header_starting(widest_table_headers(browser), "Unique"));

        // Restore Default puts 2 back in the field; the next view consolidates.
        set_threshold([](BuiltDialog& dialog) {
            QTest::mouseClick(dialog.findChild<QPushButton*>("Restore Default"), Qt::LeftButton);
            EXPECT_EQ(dialog.edit_of(0)->text(), "2");
        });
        EXPECT_EQ(unique_consolidation_threshold(), 2);
        QTest::keyClick(&editor.window.editor(), Qt::Key_F7);
        ASSERT_TRUE(run_until([&] { return has_header_starting(widest_table_headers(browser), "Unique"); }, 10000));
        EXPECT_FALSE(has_header_starting(widest_table_headers(browser), "e"));
        set_threshold([](BuiltDialog& dialog) {
            dialog.edit_of(0)->selectAll();
            QTest::keyClicks(dialog.edit_of(0), "3");
        });
    }
    set_unique_consolidation_threshold(2);
    Editor editor(folder.path());
    EXPECT_EQ(unique_consolidation_threshold(), 3) << "kept across a restart";
    set_unique_consolidation_threshold(2);
}

// Every dialog of the window, shown: nothing overlaps, leaves the dialog or is cut.
TEST_F(OptionDialogsTest, EveryDialogIsLaidOutWithoutOverlapsOrCutCaptions) {
    Editor editor(folder.path());
    DialogBuilder& builder = editor.window.dialogs();
    int32_t number = 0;
    LanguageFields language;
    language.extensions.resize(3);
    GuiFindDialogs& find = editor.window.find_dialogs();
    const std::vector<BuiltDialog*> dialogs{
        find.find_dialog(),
        find.replace_dialog(),
        find.goto_line_dialog(),
        character_encoding_dialog(builder, &number, [] { return true; }),
        save_with_encoding_dialog(builder, &number),
        select_language_dialog(builder, language, {"XML", "DTD", "JSON", "Plain Text"}, [] {},
                               [] { return true; }),
        file_extensions_dialog(builder, language, {"XML (.xml)", "DTD (.dtd)", "JSON (.json)"}),
        unique_consolidation_dialog(builder, &number),
    };
    for (BuiltDialog* dialog : dialogs) {
        SCOPED_TRACE(dialog->title());
        dialog->show_dialog(&editor.window);
        test::expect_laid_out(dialog);
        dialog->cancel();
    }
}

}  // namespace
}  // namespace tessel
