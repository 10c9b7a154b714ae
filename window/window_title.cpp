// The main window's title cache; see window_title.h.
#include "window/window_title.h"

#include "file/document_file.h"

namespace tessel {

std::optional<std::string> WindowTitleCache::update(std::string_view name, bool modified,
                                                    std::string_view app_title) {
    std::string title = window_title(name, modified, app_title);
    if (shown_ && *shown_ == title) return std::nullopt;
    shown_ = std::move(title);
    return shown_;
}

}  // namespace tessel
