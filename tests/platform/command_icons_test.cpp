// The toolbar's pictures, offscreen: every button's picture draws something at the toolbar's
// sizes, no two buttons look alike, and a desktop theme's picture is shown exactly where the
// theme holds the command's standard name, the bundled one everywhere else.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "commands/command_table.h"
#include "gui/command_icons.h"

namespace tessel {
namespace {

// Action names from the freedesktop icon naming scheme, written down from the scheme and not
// from the table under test, so a misspelt or invented theme name there finds no picture.
const QStringList kStandardActionNames =
    QString(
        "bookmark-new document-new document-open document-open-recent document-properties "
        "document-revert document-save document-save-as edit-clear edit-copy edit-cut "
        "edit-delete edit-find edit-find-replace edit-paste edit-redo edit-select-all "
        "edit-undo format-indent-less format-indent-more go-bottom go-down go-first go-jump "
        "go-last go-next go-previous go-top go-up list-add list-remove view-refresh "
        "view-sort-ascending view-sort-descending")
        .split(' ');

// Makes an icon theme in a temporary folder the desktop's theme for as long as it lives: one
// folder of 24-pixel pictures, each a plain red square, under the given names. The theme
// search path holds only this folder, so no installed theme can answer instead.
class TemporaryTheme {
public:
    explicit TemporaryTheme(const QStringList& names)
        : saved_name_(QIcon::themeName()),
          saved_paths_(QIcon::themeSearchPaths()),
          saved_fallback_paths_(QIcon::fallbackSearchPaths()) {
        const QString theme = dir_.path() + "/probe";
        QDir().mkpath(theme + "/24x24/actions");
        QFile index(theme + "/index.theme");
        EXPECT_TRUE(index.open(QIODevice::WriteOnly));
        index.write(
            "[Icon Theme]\nName=probe\nDirectories=24x24/actions\n\n"
            "[24x24/actions]\nSize=24\nContext=Actions\nType=Fixed\n");
        index.close();
        QImage red(24, 24, QImage::Format_ARGB32);
        red.fill(Qt::red);
        for (const QString& name : names)
            EXPECT_TRUE(red.save(theme + "/24x24/actions/" + name + ".png"));
        QIcon::setThemeSearchPaths({dir_.path()});
        QIcon::setFallbackSearchPaths({});
        QIcon::setThemeName("probe");
    }
    ~TemporaryTheme() {
        QIcon::setThemeSearchPaths(saved_paths_);
        QIcon::setFallbackSearchPaths(saved_fallback_paths_);
        QIcon::setThemeName(saved_name_);
    }
    TemporaryTheme(const TemporaryTheme&) = delete;
    TemporaryTheme& operator=(const TemporaryTheme&) = delete;

private:
    QTemporaryDir dir_;
    QString saved_name_;
    QStringList saved_paths_;
    QStringList saved_fallback_paths_;
};

std::vector<std::string_view> toolbar_commands() {
    std::vector<std::string_view> commands;
    for (std::string_view name : toolbar())
        if (!name.empty()) commands.push_back(name);
    return commands;
}

QImage render(const QIcon& icon, int size) {
    return icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

int count_pixels(const QImage& image, const std::function<bool(QRgb)>& wanted) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += wanted(image.pixel(x, y));
    return count;
}

bool is_red(QRgb pixel) {
    return qAlpha(pixel) == 255 && qRed(pixel) == 255 && qGreen(pixel) == 0 && qBlue(pixel) == 0;
}

// A picture fills the square it is drawn in: at least a tenth of it is covered, some of it is
// left transparent (it has an outline, not a solid square) and it is drawn at the size asked.
void expect_a_picture(const QIcon& icon, std::string_view what) {
    SCOPED_TRACE(std::string(what));
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 24, 48}) {
        QImage image = render(icon, size);
        ASSERT_EQ(image.size(), QSize(size, size)) << size;
        int covered = count_pixels(image, [](QRgb p) { return qAlpha(p) > 0; });
        EXPECT_GE(covered * 10, size * size) << size;
        EXPECT_LT(covered, size * size) << size;
    }
}

TEST(CommandIcons, EveryToolbarButtonHasItsOwnBundledPicture) {
    init_icon_resources();
    TemporaryTheme no_pictures({});
    std::vector<std::string_view> commands = toolbar_commands();
    ASSERT_EQ(commands.size(), 18u);

    std::vector<std::pair<std::string, QImage>> drawn;
    for (std::string_view command : commands) {
        QIcon icon = command_icon(command);
        expect_a_picture(icon, command);
        drawn.emplace_back(command, render(icon, 24));
    }
    expect_a_picture(application_icon(), "application");
    drawn.emplace_back("application", render(application_icon(), 24));

    for (size_t i = 0; i < drawn.size(); ++i)
        for (size_t j = i + 1; j < drawn.size(); ++j)
            EXPECT_NE(drawn[i].second, drawn[j].second)
                << drawn[i].first << " looks like " << drawn[j].first;

    // Commands without a picture get none, and so does a name that is no command.
    EXPECT_TRUE(command_icon("exit").isNull());
    EXPECT_TRUE(command_icon("save_as").isNull());
    EXPECT_TRUE(command_icon("no_such_command").isNull());
}

TEST(CommandIcons, TheDesktopThemeDrawsTheButtonsWithAStandardName) {
    std::map<std::string, QImage> bundled;
    {
        TemporaryTheme no_pictures({});
        for (std::string_view command : toolbar_commands())
            bundled[std::string(command)] = render(command_icon(command), 24);
    }

    TemporaryTheme theme(kStandardActionNames);
    std::set<std::string> from_theme;
    for (std::string_view command : toolbar_commands()) {
        SCOPED_TRACE(std::string(command));
        QImage image = render(command_icon(command), 24);
        if (count_pixels(image, is_red) == 24 * 24)
            from_theme.insert(std::string(command));
        else
            EXPECT_EQ(image, bundled[std::string(command)]);
    }
    // The bookmark and tree commands have no standard action, so they keep their own
    // pictures on every desktop.
    EXPECT_EQ(from_theme,
              (std::set<std::string>{"new", "open", "save", "cut", "copy", "paste", "undo", "redo",
                                     "find", "drill_up", "drill_down", "indent", "reparse"}));
}

}  // namespace
}  // namespace tessel
