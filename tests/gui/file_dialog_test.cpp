// The Open and Save As dialogs in the window, offscreen (Qt's own dialog): Open starts in the
// home folder the first time, then in the folder a file was last chosen in, also after a
// restart; it names no file, offers the languages' filters and is big enough to read.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "platform/qt_ui.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::run_until;
using test::visible_top_level;

struct Seen {
    QString folder;
    QString name;
    QStringList filters;
    QSize size;
};

// Sends a key to the window, then answers the file dialog it opens: records what it shows and
// chooses `choose` (or cancels when empty).
Seen answer_dialog(test::Editor& editor, Qt::Key key, Qt::KeyboardModifiers modifiers,
                   const QString& choose) {
    Seen seen;
    bool done = false;
    test::every_ms_until(&editor.window, [&] {
        auto* dialog = visible_top_level<QFileDialog>();
        if (!dialog) return false;
        seen.folder = dialog->directory().absolutePath();
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) seen.name = name->text();
        seen.filters = dialog->nameFilters();
        seen.size = dialog->size();
        if (choose.isEmpty()) {
            dialog->reject();
        } else {
            dialog->selectFile(choose);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        }
        done = true;
        return true;
    });
    QTest::keyClick(editor.window.centralWidget(), key, modifiers);
    EXPECT_TRUE(run_until([&] { return done && !visible_top_level<QFileDialog>(); }));
    return seen;
}

TEST(FileDialogs, OpenStartsInTheLastFolderWithTheFiltersAlsoAfterARestart) {
    QTemporaryDir folder;
    const QString home = folder.path() + "/home";
    const QString books = folder.path() + "/books";
    QDir().mkpath(home);
    QDir().mkpath(books);
    std::ofstream((books + "/a.xml").toStdString()) << "<a/>\n";
    const QByteArray old_home = qgetenv("HOME");
    qputenv("HOME", home.toUtf8());
    const QString settings = folder.path() + "/settings";
    QDir().mkpath(settings);
    {
        test::Editor editor(settings);
        const Seen first = answer_dialog(editor, Qt::Key_O, Qt::ControlModifier, books + "/a.xml");
        EXPECT_EQ(QDir(first.folder), QDir(home));
        EXPECT_EQ(first.name, "");
        // The languages' filters, after "All files".
        ASSERT_GE(first.filters.size(), 4) << first.filters.join(" | ").toStdString();
        EXPECT_EQ(first.filters.front(), "All files (*)");
        EXPECT_TRUE(first.filters.filter(QRegularExpression("^xml files \\(\\*\\.xml .*\\*\\.svg")).size() == 1)
            << first.filters.join(" | ").toStdString();
        EXPECT_TRUE(first.filters.contains("json files (*.json)")) << first.filters.join(" | ").toStdString();
        // 900 by 600 where the screen has room, else most of it.
        const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size() * 9 / 10;
        EXPECT_EQ(first.size, QSize(kFileDialogWidth, kFileDialogHeight).boundedTo(room));
        EXPECT_TRUE(run_until([&] { return editor.window.windowTitle() == "a.xml - Tessel 2.2"; }));
    }
    {
        test::Editor again(settings);
        const Seen open = answer_dialog(again, Qt::Key_O, Qt::ControlModifier, {});
        EXPECT_EQ(QDir(open.folder), QDir(books));
        EXPECT_EQ(open.name, "");
        // Save As of the untitled document: the last folder, with the document's name.
        const Seen save = answer_dialog(again, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, {});
        EXPECT_EQ(QDir(save.folder), QDir(books));
        EXPECT_EQ(save.name, "Untitled.xml");
    }
    qputenv("HOME", old_home);
}

}  // namespace
}  // namespace tessel
