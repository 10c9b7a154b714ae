// DialogBuilder: makes the program's options and input dialogs from a few declarative calls
// (begin_dialog, add_..., end_dialog), binds their fields to the caller's variables and keeps
// them in the settings, and holds every dialog it built so that opening a title again reuses
// its window. What the fields decide lives in DialogModel; BuiltDialog is the window.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui_thread_call.h"
#include "runtime/job_runner.h"
#include "seams/ui_poster.h"

namespace tessel {

class BuiltDialog;
class CommandRegistry;
class QtUi;
class SettingsStore;
class WorkerPool;

// A control's place in dialog units: a quarter of the dialog font's average character width
// across, an eighth of its line height down, so a layout keeps its proportions in any font.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class DialogBuilder {
public:
    // The edit box of an integer field, at the right end of the field's rectangle.
    static constexpr int kIntEditWidth = 32;

    // store: where the dialogs keep their fields (below its current key, the application's);
    // ui: the balloon that refuses a value; poster and pool: how a worker reaches a dialog and
    // waits for it; registry (may be null): runs OK commands, takes Esc as "cancel" and is told
    // while a dialog keeps the main window from commands. All must outlive the builder.
    DialogBuilder(SettingsStore& store, QtUi& ui, UiPoster& poster, WorkerPool* pool,
                  CommandRegistry* registry);
    ~DialogBuilder();
    DialogBuilder(const DialogBuilder&) = delete;
    DialogBuilder& operator=(const DialogBuilder&) = delete;

    // On the UI thread. The dialog built before under title, or null when a new one is begun:
    // then the add steps follow, and end_dialog. Sizes are in dialog units.
    BuiltDialog* begin_dialog(std::string_view title, int width, int height);
    // Static text; width 0 sizes it to the text.
    void add_label(std::string_view text, int x, int y, int width = 0);
    // The caption is also the value's name in the dialog's key; the variable holds 0 or 1.
    void add_check_box(std::string_view caption, int32_t* variable, DialogRect rect);
    // A label (the caption, also the value's name; may be empty) and an edit box of edit_width
    // at the right of rect. The variable starts at initial when the dialog is built, unless a
    // value is stored; it is kept within minimum..maximum.
    void add_int_field(std::string_view caption, int32_t* variable, int32_t minimum,
                       int32_t maximum, int32_t initial, DialogRect rect,
                       int edit_width = kIntEditWidth);
    // One button of the group bound to variable; it is checked while the variable is value.
    // The group's value is kept under its name, unless the name is empty.
    void add_radio(std::string_view group, int32_t value, std::string_view caption,
                   int32_t* variable, DialogRect rect);
    // A text box, or an editable combo box listing its history (kept under the key named
    // history, newest first; no history when the name is empty).
    void add_text_box(std::string_view history, std::string* variable, bool is_combo,
                      DialogRect rect);
    // A fixed list of entries to pick one from; the variable holds the entry's index. It is
    // kept under name like an integer (empty: not kept, the caller sets it before showing).
    void add_drop_down(std::string_view name, int32_t* variable, std::vector<std::string> items,
                       DialogRect rect);
    // A button with its own caption and action (see DialogModel::Action); the default button
    // is the one Enter presses.
    void add_button(std::string_view caption, std::function<bool()> action, DialogRect rect,
                    bool is_default = false);
    // A captioned frame drawn around controls added at its place.
    void add_group_box(std::string_view caption, DialogRect rect);
    // The control added last is enabled only while rule answers true (asked whenever the
    // dialog's controls are filled: when it is shown, after a pick or a button).
    void enable_when(std::function<bool()> rule);
    // The drop-down list added last runs changed when the user picks an entry.
    void on_change(std::function<void()> changed);
    // The default button: confirms, and runs command (when not empty) unless a worker waits
    // for the dialog.
    void add_ok(std::string_view command, DialogRect rect);
    void add_cancel(DialogRect rect);
    // Reads every field from the settings, fills the controls and keeps the dialog.
    BuiltDialog* end_dialog();

    // UI thread: the dialog built under title, or null.
    BuiltDialog* find(std::string_view title) const;
    // At exit: every dialog built writes its fields and histories again from its variables.
    void save_all();

    // The "cancel" command (Esc): answers true only while a dialog of this builder is shown,
    // and closes it without saving. register_commands registers it with the registry.
    HandlerFunction cancel_handler();
    void register_commands(CommandRegistry& registry);
    // The dialog "cancel" closes: the active one, else the one shown last; null when none is
    // shown.
    BuiltDialog* shown_dialog() const;

    // Runs call on the UI thread, from a worker as a blocking UI call; if_dropped when the
    // builder is gone before it runs.
    template <typename Result, typename Call>
    Result on_ui_thread(Result if_dropped, Call call) {
        return call_on_ui_thread(poster_, pool_, std::weak_ptr<bool>(alive_),
                                 std::move(if_dropped), std::move(call));
    }

    SettingsStore& store() { return store_; }
    QtUi& ui() { return ui_; }
    UiPoster& poster() { return poster_; }
    WorkerPool* pool() { return pool_; }
    CommandRegistry* registry() { return registry_; }

private:
    friend class BuiltDialog;
    // The dialog tells its builder when it is shown and hidden: while any is shown the
    // registry keeps the main window's commands back.
    void dialog_shown(BuiltDialog* dialog);
    void dialog_hidden(BuiltDialog* dialog);
    BuiltDialog* building();

    SettingsStore& store_;
    QtUi& ui_;
    UiPoster& poster_;
    WorkerPool* pool_;
    CommandRegistry* registry_;
    CommandRegistry* registered_with_ = nullptr;
    // Begun and not ended yet.
    std::unique_ptr<BuiltDialog> building_;
    // Every dialog built, and those shown, in the order shown. A dialog reparented to its
    // owner goes when the owner does.
    std::vector<QPointer<BuiltDialog>> dialogs_;
    std::vector<QPointer<BuiltDialog>> shown_;
    std::shared_ptr<bool> alive_;
};

}  // namespace tessel
