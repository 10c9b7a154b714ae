// RoutedDocumentHost: puts the window's DocumentHost behind the UI poster. Loads and saves
// run on workers; what they tell the window (a new name, progress, a status message) is
// carried to the UI thread, everything else goes straight through. DocumentFile is given
// this host instead of the window's own.
#pragma once

#include <string>
#include <string_view>

#include "file/document_file.h"
#include "seams/ui_poster.h"

namespace tessel {

class RoutedDocumentHost final : public DocumentHost {
public:
    RoutedDocumentHost(DocumentHost& host, UiPoster* poster) : host_(host), route_(poster) {}

    TextDocument& document() override { return host_.document(); }
    void set_language_for(std::string_view file_name, std::string_view head) override {
        host_.set_language_for(file_name, head);
    }
    std::string language_extension() override { return host_.language_extension(); }
    std::string file_filter() override { return host_.file_filter(); }
    void reset_views() override { host_.reset_views(); }
    void set_busy(bool busy) override { host_.set_busy(busy); }
    void document_saved() override { host_.document_saved(); }
    void post_command(std::string_view name, std::string_view argument) override {
        host_.post_command(name, argument);
    }
    void log(std::string_view text) override { host_.log(text); }
    double now_ms() override { return host_.now_ms(); }

    // The window's title and status bar follow on the UI thread.
    void name_changed() override {
        route_.run([this] { host_.name_changed(); });
    }
    void progress_changed() override {
        route_.run([this] { host_.progress_changed(); });
    }
    void set_status_message(std::string_view text) override {
        route_.run([this, text = std::string(text)] { host_.set_status_message(text); });
    }

private:
    DocumentHost& host_;
    UiRoute route_;
};

}  // namespace tessel
