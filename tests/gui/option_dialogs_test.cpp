// The dialogs that change how the document is read, written and shown, driven as a person
// drives them: the encodings (checked against iconv), the language, the consolidation
// threshold, and their values across a restart.
#include <gtest/gtest.h>

#include <QComboBox>
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
#include <sstream>
#include <string>

#include "encoding/encoding.h"
#include "gui/built_dialog.h"
#include "gui/command_bars.h"
#include "gui/editor_view.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::Editor;
using test::run_until;

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

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

BuiltDialog* shown_dialog(const QString& title) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<BuiltDialog*>(widget);
            dialog && dialog->isVisible() && dialog->windowTitle() == title)
            return dialog;
    return nullptr;
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
    EXPECT_EQ(read_all(saved).size() % 2, 0u);
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

}  // namespace
}  // namespace tessel
