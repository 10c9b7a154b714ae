// The command pictures: a table from command name to theme name and bundled picture.
#include "gui/command_icons.h"
#include "platform/qt_string.h"

#include <QString>
#include <array>

// Q_INIT_RESOURCE declares the registration function of icons.qrc, which lives in the global
// namespace, so it must be used outside ours.
static void register_icons_qrc() {
    Q_INIT_RESOURCE(icons);
}

namespace tessel {

namespace {

struct CommandPicture {
    std::string_view command;
    // The name in the freedesktop icon naming scheme; empty where none fits, so the bundled
    // picture is always used (the bookmark and tree commands have no standard action).
    std::string_view theme_name;
};

// The commands on the toolbar. The bundled picture of each is ":/icons/<command>.svg".
constexpr std::array kPictures{
    CommandPicture{"new", "document-new"},
    CommandPicture{"open", "document-open"},
    CommandPicture{"save", "document-save"},
    CommandPicture{"cut", "edit-cut"},
    CommandPicture{"copy", "edit-copy"},
    CommandPicture{"paste", "edit-paste"},
    CommandPicture{"undo", "edit-undo"},
    CommandPicture{"redo", "edit-redo"},
    CommandPicture{"find", "edit-find"},
    CommandPicture{"locate_in_tree", ""},
    CommandPicture{"drill_up", "go-up"},
    CommandPicture{"drill_down", "go-down"},
    CommandPicture{"indent", "format-indent-more"},
    CommandPicture{"toggle_bookmark", ""},
    CommandPicture{"last_bookmark", ""},
    CommandPicture{"next_bookmark", ""},
    CommandPicture{"clear_all_bookmarks", ""},
    CommandPicture{"reparse", "view-refresh"},
};

QIcon bundled_icon(std::string_view name) {
    init_icon_resources();
    return QIcon(QStringLiteral(":/icons/") + to_qstring(name) + QStringLiteral(".svg"));
}

}  // namespace

void init_icon_resources() {
    // A second registration would add a second copy of every file to the resource tree.
    static const bool registered = (register_icons_qrc(), true);
    (void)registered;
}

QIcon command_icon(std::string_view command) {
    for (const CommandPicture& picture : kPictures) {
        if (picture.command != command) continue;
        QIcon fallback = bundled_icon(picture.command);
        if (picture.theme_name.empty()) return fallback;
        return QIcon::fromTheme(to_qstring(picture.theme_name), fallback);
    }
    return QIcon();
}

QIcon application_icon() {
    // The installed icon theme's picture first, so the window, the task bar and the menu
    // entry show the same one; the bundled copy for a program run from its build folder.
    return QIcon::fromTheme(QStringLiteral(TESSEL_APP_ID), bundled_icon("tessel"));
}

}  // namespace tessel
