// The search dialogs.
#include "gui/find_dialogs.h"

#include <QLineEdit>

#include "gui/built_dialog.h"
#include "gui/dialog_builder.h"

namespace tessel {

namespace {

// Opens the dialog with its pattern field focused and selected, ready to type over.
void show_with_field(BuiltDialog* dialog, QWidget* owner) {
    dialog->show_dialog(owner);
    if (QLineEdit* edit = dialog->edit_of(0)) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }
}

}  // namespace

BuiltDialog* GuiFindDialogs::find_dialog() {
    if (BuiltDialog* existing = builder_.begin_dialog("Find", 262, 62)) return existing;
    FindFields& f = commands_.fields();
    builder_.add_text_box("find_text", &f.find_text, true, {40, 7, 152, 13});
    builder_.add_label("Find:", 7, 9);
    builder_.add_check_box("Match Whole word", &f.whole_word, {7, 28, 90, 10});
    builder_.add_check_box("Match case", &f.match_case, {7, 42, 90, 10});
    builder_.add_group_box(" Search ", {104, 24, 88, 30});
    builder_.add_radio("direction", FindState::kUp, "Up", &f.direction, {111, 36, 34, 10});
    builder_.add_radio("direction", FindState::kDown, "Down", &f.direction, {150, 36, 38, 10});
    builder_.add_button("Find", [this] {
        commands_.search(commands_.fields().direction == FindState::kDown);
        return false;
    }, {200, 7, 55, 14}, true);
    builder_.add_cancel({200, 25, 55, 14});
    BuiltDialog* dialog = builder_.end_dialog();
    // The last pattern, also of an earlier run, is offered again.
    dialog->model().start_from_histories();
    return dialog;
}

BuiltDialog* GuiFindDialogs::replace_dialog() {
    if (BuiltDialog* existing = builder_.begin_dialog("Replace", 290, 82)) return existing;
    FindFields& f = commands_.fields();
    builder_.add_text_box("find_text", &f.find_text, true, {45, 7, 170, 13});
    builder_.add_text_box("replace_text", &f.replace_text, true, {45, 25, 170, 13});
    builder_.add_label("Find:", 7, 9);
    builder_.add_label("Replace:", 7, 27);
    builder_.add_check_box("Match Whole word", &f.whole_word, {7, 47, 90, 10});
    builder_.add_check_box("Match case", &f.match_case, {7, 61, 90, 10});
    builder_.add_group_box(" Replace In: ", {100, 43, 115, 30});
    builder_.add_radio("scope", FindState::kSelection, "Selection", &f.scope, {106, 55, 52, 10});
    builder_.add_radio("scope", FindState::kWholeFile, "Whole file", &f.scope, {160, 55, 53, 10});
    builder_.add_button("Find Next", [this] {
        commands_.search(commands_.fields().direction == FindState::kDown);
        return false;
    }, {225, 7, 58, 14}, true);
    builder_.add_button("Replace", [this] {
        commands_.replace();
        return false;
    }, {225, 25, 58, 14});
    builder_.add_button("Replace All", [this] {
        commands_.replace_all();
        return false;
    }, {225, 43, 58, 14});
    builder_.add_cancel({225, 61, 58, 14});
    BuiltDialog* dialog = builder_.end_dialog();
    dialog->model().start_from_histories();
    return dialog;
}

BuiltDialog* GuiFindDialogs::goto_line_dialog() {
    if (BuiltDialog* existing = builder_.begin_dialog("Goto Line", 140, 56)) return existing;
    builder_.add_text_box({}, &commands_.fields().line, false, {7, 19, 126, 13});
    builder_.add_label("Line number:", 7, 7);
    builder_.add_button("Ok", [this] { return commands_.go_to_line(); }, {7, 37, 50, 14}, true);
    builder_.add_cancel({62, 37, 50, 14});
    return builder_.end_dialog();
}

void GuiFindDialogs::show_find() {
    show_with_field(find_dialog(), owner_);
}

void GuiFindDialogs::show_replace() {
    show_with_field(replace_dialog(), owner_);
}

void GuiFindDialogs::show_goto_line() {
    show_with_field(goto_line_dialog(), owner_);
}

}  // namespace tessel
