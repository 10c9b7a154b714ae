// The window's icon is the one installed in the desktop's icon theme under the application's
// name, so the window, the task bar and the menu entry agree; without an installed one (a
// program run from its build folder) it is the bundled drawing.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>

#include "gui/command_icons.h"

namespace tessel {
namespace {

QImage picture_of(const QIcon& icon) { return icon.pixmap(32, 32).toImage(); }

TEST(ApplicationIcon, IsTheInstalledThemesPictureAndOtherwiseTheBundledOne) {
    const QStringList search_paths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    QTemporaryDir icons;
    ASSERT_TRUE(icons.isValid());
    const QString apps = icons.path() + "/hicolor/32x32/apps";
    ASSERT_TRUE(QDir().mkpath(apps));
    QFile index(icons.path() + "/hicolor/index.theme");
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=Hicolor\nDirectories=32x32/apps\n\n"
                "[32x32/apps]\nSize=32\nType=Fixed\n");
    index.close();
    QIcon::setThemeSearchPaths({icons.path()});
    QIcon::setThemeName(QStringLiteral("hicolor"));

    init_icon_resources();
    const QImage bundled = picture_of(QIcon(QStringLiteral(":/icons/tessel.svg")));
    ASSERT_FALSE(bundled.isNull());
    EXPECT_EQ(picture_of(application_icon()), bundled);

    // An installed picture, plain magenta so it cannot be taken for the drawing.
    QImage installed(32, 32, QImage::Format_ARGB32);
    installed.fill(Qt::magenta);
    ASSERT_TRUE(installed.save(apps + "/" TESSEL_APP_ID ".png"));
    QIcon::setThemeSearchPaths({icons.path()});  // forgets what was looked up before
    const QImage shown = picture_of(application_icon());
    EXPECT_EQ(shown.pixelColor(16, 16), QColor(Qt::magenta));

    QIcon::setThemeSearchPaths(search_paths);
    QIcon::setThemeName(theme);
}

}  // namespace
}  // namespace tessel
