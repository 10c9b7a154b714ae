// The Help menu in the window: every entry answers in the window. A missing page is told in a
// message box naming the folders looked in; a found page goes to the desktop's viewer as a
// local file; "Check for updates" and "About Tessel" show their boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <fstream>

#include "gui/command_bars.h"
#include "tests/gui/editor_fixture.h"
#include "tests/platform/event_loop_waits.h"

namespace tessel {
namespace {

using test::visible_top_level;

// Takes the URLs the desktop is asked to open, in place of its viewer.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

// Triggers a Help menu entry by its caption and returns the caption and text of the message box
// it shows (closed with OK), or empty texts when none showed within a second.
std::pair<QString, QString> box_of(test::Editor& editor, const QString& caption) {
    QMenu* help = editor.window.bars().menus().back();
    QAction* entry = nullptr;
    for (QAction* action : help->actions())
        if (action->text().section('\t', 0, 0).remove('&') == caption) entry = action;
    EXPECT_NE(entry, nullptr) << caption.toStdString();
    if (!entry) return {};
    EXPECT_TRUE(entry->isEnabled()) << caption.toStdString();
    std::pair<QString, QString> shown;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, &shown] {
        QMessageBox* box = visible_top_level<QMessageBox>();
        if (!box) return;
        shown = {box->windowTitle(), box->text()};
        timer->stop();
        timer->deleteLater();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    timer->start(5);
    entry->trigger();
    test::run_until([&] { return !shown.first.isEmpty(); }, 1000);
    if (shown.first.isEmpty()) {
        timer->stop();
        timer->deleteLater();
    }
    return shown;
}

class HelpMenuTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
};

TEST_F(HelpMenuTest, MissingPagesAreToldInTheWindow) {
    test::Editor editor(folder.path());
    HelpPages pages = find_help_pages(help_folders("/nonexistent/bin", ""));
    editor.app.set_help_pages(pages);
    auto [caption, text] = box_of(editor, "Online documentation");
    EXPECT_EQ(caption, "Tessel 2.2");
    EXPECT_EQ(text, "The user guide could not be found. Tessel looked in:\n/nonexistent/share/doc/tessel\n"
                    "/nonexistent/share/tessel");
    std::tie(caption, text) = box_of(editor, "What's new in this version");
    EXPECT_TRUE(text.startsWith("The release notes could not be found.")) << text.toStdString();
}

TEST_F(HelpMenuTest, FoundPagesOpenAsLocalFiles) {
    test::Editor editor(folder.path());
    // An installed layout: PREFIX/bin and PREFIX/share/doc/tessel.
    QDir(folder.path()).mkpath("prefix/bin");
    QDir(folder.path()).mkpath("prefix/share/doc/tessel");
    const QString docs = folder.path() + "/prefix/share/doc/tessel";
    std::ofstream((docs + "/user-guide.md").toStdString()) << "# Guide\n";
    std::ofstream((docs + "/release-notes.md").toStdString()) << "# Notes\n";
    editor.app.set_help_pages(find_help_pages(help_folders((folder.path() + "/prefix/bin").toStdString(), "")));
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    auto [caption, text] = box_of(editor, "Online documentation");
    EXPECT_TRUE(caption.isEmpty()) << text.toStdString();
    EXPECT_TRUE(test::run_until([&] { return recorder.opened.size() == 1; }, 2000));
    std::tie(caption, text) = box_of(editor, "What's new in this version");
    EXPECT_TRUE(test::run_until([&] { return recorder.opened.size() == 2; }, 2000));
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(recorder.opened.size(), 2);
    EXPECT_EQ(recorder.opened[0], QUrl::fromLocalFile(docs + "/user-guide.md"));
    EXPECT_EQ(recorder.opened[1], QUrl::fromLocalFile(docs + "/release-notes.md"));

    // Without a program to show it (the offscreen platform has none), the window says so.
    if (QGuiApplication::platformName() == "offscreen") {
        std::tie(caption, text) = box_of(editor, "Online documentation");
        EXPECT_EQ(caption, "Tessel 2.2");
        EXPECT_EQ(text, docs + "/user-guide.md could not be opened: the desktop has no program to show it.");
    }
}

TEST_F(HelpMenuTest, CheckForUpdatesAndAbout) {
    test::Editor editor(folder.path());
    auto [caption, text] = box_of(editor, "Check for updates");
    EXPECT_EQ(caption, "Check for updates");
    EXPECT_TRUE(text.startsWith("Tessel 2.2 does not look for updates on the network.")) << text.toStdString();
    std::tie(caption, text) = box_of(editor, "About Tessel");
    EXPECT_EQ(caption, "About Tessel");
    EXPECT_TRUE(text.startsWith("Tessel 2.2\n")) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Qt %1").arg(qVersion()))) << text.toStdString();
    EXPECT_TRUE(text.contains("SQLite 3.")) << text.toStdString();
    EXPECT_TRUE(text.contains("Licence: "));
}

}  // namespace
}  // namespace tessel

#include "help_menu_test.moc"
