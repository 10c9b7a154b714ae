// The main window's title as the window sees it: the text itself comes from window_title() of
// the document files component (file name, " *" while modified, " - " and the application
// title); this remembers what the window shows so that the title is set only when it changes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessel {

class WindowTitleCache {
public:
    // The text to give the window for the document's name and state, or nothing when the
    // window already shows it.
    std::optional<std::string> update(std::string_view name, bool modified,
                                      std::string_view app_title);

private:
    std::optional<std::string> shown_;
};

}  // namespace tessel
