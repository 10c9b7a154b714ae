// The dialog builder and its list of dialogs.
#include "gui/dialog_builder.h"

#include <algorithm>
#include <cassert>

#include "commands/command_registry.h"
#include "gui/built_dialog.h"

namespace tessel {

DialogBuilder::DialogBuilder(SettingsStore& store, QtUi& ui, UiPoster& poster, WorkerPool* pool,
                             CommandRegistry* registry)
    : store_(store), ui_(ui), poster_(poster), pool_(pool), registry_(registry),
      alive_(std::make_shared<bool>(true)) {}

DialogBuilder::~DialogBuilder() {
    alive_.reset();
    if (registered_with_) registered_with_->remove_handlers(this);
    building_.reset();
    for (QPointer<BuiltDialog>& dialog : dialogs_) delete dialog.data();
}

BuiltDialog* DialogBuilder::begin_dialog(std::string_view title, int width, int height) {
    if (BuiltDialog* existing = find(title)) return existing;
    assert(!building_ && "end_dialog ends the dialog begun before");
    building_ = std::make_unique<BuiltDialog>(*this, title, width, height);
    return nullptr;
}

BuiltDialog* DialogBuilder::building() {
    assert(building_ && "add steps come between begin_dialog (for a new title) and end_dialog");
    return building_.get();
}

void DialogBuilder::add_label(std::string_view text, int x, int y, int width) {
    if (BuiltDialog* dialog = building()) dialog->add_label(text, x, y, width);
}

void DialogBuilder::add_check_box(std::string_view caption, int32_t* variable, DialogRect rect) {
    if (BuiltDialog* dialog = building()) dialog->add_check_box(caption, variable, rect);
}

void DialogBuilder::add_int_field(std::string_view caption, int32_t* variable, int32_t minimum,
                                  int32_t maximum, int32_t initial, DialogRect rect,
                                  int edit_width) {
    if (BuiltDialog* dialog = building())
        dialog->add_int_field(caption, variable, minimum, maximum, initial, rect, edit_width);
}

void DialogBuilder::add_radio(std::string_view group, int32_t value, std::string_view caption,
                              int32_t* variable, DialogRect rect) {
    if (BuiltDialog* dialog = building()) dialog->add_radio(group, value, caption, variable, rect);
}

void DialogBuilder::add_text_box(std::string_view history, std::string* variable, bool is_combo,
                                 DialogRect rect) {
    if (BuiltDialog* dialog = building()) dialog->add_text_box(history, variable, is_combo, rect);
}

void DialogBuilder::add_drop_down(std::string_view name, int32_t* variable,
                                  std::vector<std::string> items, DialogRect rect) {
    if (BuiltDialog* dialog = building()) dialog->add_drop_down(name, variable, std::move(items), rect);
}

void DialogBuilder::add_button(std::string_view caption, std::function<bool()> action,
                               DialogRect rect, bool is_default) {
    if (BuiltDialog* dialog = building()) dialog->add_button(caption, std::move(action), rect, is_default);
}

void DialogBuilder::add_group_box(std::string_view caption, DialogRect rect) {
    if (BuiltDialog* dialog = building()) dialog->add_group_box(caption, rect);
}

void DialogBuilder::enable_when(std::function<bool()> rule) {
    BuiltDialog* dialog = building();
    if (dialog && dialog->model_.size() > 0)
        dialog->model_.set_enabled_rule(dialog->model_.size() - 1, std::move(rule));
}

void DialogBuilder::on_change(std::function<void()> changed) {
    BuiltDialog* dialog = building();
    if (dialog && dialog->model_.size() > 0)
        dialog->model_.set_changed(dialog->model_.size() - 1, std::move(changed));
}

void DialogBuilder::add_ok(std::string_view command, DialogRect rect) {
    if (BuiltDialog* dialog = building()) dialog->add_ok(command, rect);
}

void DialogBuilder::add_cancel(DialogRect rect) {
    if (BuiltDialog* dialog = building()) dialog->add_cancel(rect);
}

BuiltDialog* DialogBuilder::end_dialog() {
    BuiltDialog* dialog = building_.release();
    if (!dialog) return nullptr;
    dialog->load();
    dialogs_.emplace_back(dialog);
    return dialog;
}

BuiltDialog* DialogBuilder::find(std::string_view title) const {
    for (const QPointer<BuiltDialog>& dialog : dialogs_)
        if (dialog && dialog->title() == title) return dialog.data();
    return nullptr;
}

void DialogBuilder::save_all() {
    for (const QPointer<BuiltDialog>& dialog : dialogs_)
        if (dialog) dialog->model_.save(store_);
}

HandlerFunction DialogBuilder::cancel_handler() {
    return [this](std::string_view, bool query) {
        BuiltDialog* dialog = shown_dialog();
        if (query) return dialog != nullptr;
        if (dialog) dialog->cancel();
        return true;
    };
}

void DialogBuilder::register_commands(CommandRegistry& registry) {
    registry.register_handler("cancel", this, cancel_handler());
    registered_with_ = &registry;
}

BuiltDialog* DialogBuilder::shown_dialog() const {
    BuiltDialog* last = nullptr;
    for (const QPointer<BuiltDialog>& dialog : shown_) {
        if (!dialog || !dialog->isVisible()) continue;
        if (dialog->isActiveWindow()) return dialog.data();
        last = dialog.data();
    }
    return last;
}

void DialogBuilder::dialog_shown(BuiltDialog* dialog) {
    shown_.emplace_back(dialog);
    if (registry_) registry_->set_main_window_enabled(false);
}

void DialogBuilder::dialog_hidden(BuiltDialog* dialog) {
    std::erase_if(shown_, [dialog](const QPointer<BuiltDialog>& d) {
        return !d || d.data() == dialog;
    });
    if (registry_ && shown_.empty()) registry_->set_main_window_enabled(true);
}

}  // namespace tessel
