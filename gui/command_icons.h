// The pictures of the editor's commands and the program's own icon. A command whose action
// has a standard name in the freedesktop icon theme shows the desktop theme's picture, so the
// toolbar matches the other programs on the desktop; the pictures bundled as Qt resources
// stand in where the theme has none and for the commands no standard name fits.
#pragma once

#include <QIcon>
#include <string_view>

namespace tessel {

// Registers the bundled pictures with Qt's resource system. They live in a static library,
// whose resources are registered only when this is called; calling it again does nothing.
// The icon functions below call it themselves.
void init_icon_resources();

// The picture of a command's toolbar button and menu entry; a null icon for a command
// without one (and for an unknown name).
QIcon command_icon(std::string_view command);

// The program's icon, for its windows.
QIcon application_icon();

}  // namespace tessel
