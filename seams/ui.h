// Ui: what the core asks of the user and the desktop — message boxes, balloon tips, file
// dialogs, the clipboard and web pages. The GUI answers with Qt; tests answer from a script,
// so every question and refusal text of the core can be checked without a window.
#pragma once

#include <string>
#include <string_view>

namespace tessel {

enum class UiButtons { ok, ok_cancel, yes_no, yes_no_cancel };
enum class UiIcon { none, information, warning, question, error };
enum class UiAnswer { ok, cancel, yes, no };

class Ui {
public:
    virtual ~Ui() = default;
    // A modal message box; a window closed without a choice answers cancel (or no when
    // there is no cancel button).
    virtual UiAnswer message_box(std::string_view text, std::string_view caption,
                                 UiButtons buttons, UiIcon icon) = 0;
    // A balloon tip with a title and a text, anchored at a point of the focused window.
    virtual void balloon(std::string_view title, std::string_view text, int x, int y) = 0;
    // The file dialog: open or save, starting at path, offering filter ("Name#*.ext#..."
    // pairs). The chosen path, or empty when cancelled.
    virtual std::string file_dialog(bool save, std::string_view path, std::string_view filter) = 0;
    virtual void set_clipboard(std::string_view text) = 0;
    virtual void open_url(std::string_view url) = 0;
};

}  // namespace tessel
