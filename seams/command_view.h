// CommandView: what the registry asks of the menus, the toolbar, the status bar and the main
// window. The GUI implements it with widgets; tests record the calls.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tessel {

class CommandView {
public:
    virtual ~CommandView() = default;
    // From the update tick: whether each item's command has an enabled handler, indexed like
    // the registry's items. Menus grey their entries after it every time; the toolbar
    // rebuilds its buttons only when changed is set.
    virtual void show_enabled(const std::vector<bool>& item_enabled, bool changed) = 0;
    // The check mark of one item's menu entry.
    virtual void set_checked(size_t item, bool checked) = 0;
    // The status bar's message pane; an empty text clears it.
    virtual void show_status_message(std::string_view text) = 0;
    // Redraws the main window.
    virtual void redraw() = 0;
    // Whether the pane whose show/hide toggle is named so is visible.
    virtual bool pane_visible(std::string_view name) = 0;
};

}  // namespace tessel
