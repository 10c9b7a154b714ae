// DialogModel: an options or input dialog apart from its widgets. It holds the fields bound to
// the caller's variables, keeps them in the dialog's settings key and the text boxes' histories
// in theirs, and decides whether an integer field's text may be taken. The dialog builder pairs
// each field with a widget; everything it decides is decided here and tested without a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/dialog_binding.h"

namespace tessel {

class SettingsStore;

// The balloon shown when an integer field's text is refused.
inline constexpr std::string_view kInvalidValueTitle = "Invalid value";
// " Please enter an integer between " + minimum + " and " + maximum (it starts with a blank).
std::string integer_range_message(int32_t minimum, int32_t maximum);

// An integer field's text: an optional minus sign and decimal digits, with blanks around them
// allowed. Nothing when the text is anything else or does not fit 32 bits.
std::optional<int32_t> parse_integer_text(std::string_view text);

// Puts text at the front of a history (newest first), taking an equal entry out from further
// down, and keeps at most as many entries as are read back. An empty text is not remembered.
void remember_in_history(std::vector<std::string>& history, std::string_view text);

class DialogModel {
public:
    enum class Kind : uint8_t { integer, check_box, radio_group, text_box, drop_down, button };

    // A button's action: runs with every field's value taken into its variable; true closes
    // the dialog as confirmed, false leaves it open (and its controls are filled again from
    // the variables, which the action may have changed).
    using Action = std::function<bool()>;

    struct Field {
        Kind kind = Kind::integer;
        // The value's name in the dialog's key (the caption of a check box, the group of a
        // radio group; empty: an integer is the key's unnamed value, a radio group is not
        // kept); for a text box, the name of its history's key (empty: no history).
        std::string name;
        int32_t* number = nullptr;  // integer, check box and radio group
        std::string* text = nullptr;  // text box
        int32_t minimum = 0;
        int32_t maximum = 0;
        int32_t initial = 0;  // an integer's value when nothing is stored
        std::vector<int32_t> choices;  // a radio group's button values, in the order added
        std::vector<std::string> history;  // a text box's entries, newest first
        std::vector<std::string> items;    // a drop-down list's entries
        std::string caption;               // a button's
        Action action;                     // a button's
        // A drop-down list's: runs when the user picks an entry, after every field's value
        // was taken; the controls are then filled again.
        std::function<void()> changed;
        // When set, the control is enabled only while this answers true (asked whenever the
        // controls are filled).
        std::function<bool()> enabled_when;
    };

    // title names the dialog and its settings key.
    explicit DialogModel(std::string title) : title_(std::move(title)) {}

    const std::string& title() const { return title_; }
    size_t size() const { return fields_.size(); }
    const Field& field(size_t index) const { return fields_[index]; }

    // Each returns the field's index. Variables must outlive the model.
    size_t add_integer(std::string_view name, int32_t* variable, int32_t minimum,
                       int32_t maximum, int32_t initial);
    size_t add_check_box(std::string_view caption, int32_t* variable);
    // A button joins the group already bound to the same variable, else it starts one.
    size_t add_radio(std::string_view group, int32_t value, int32_t* variable);
    size_t add_text_box(std::string_view history, std::string* variable);
    // A fixed list to pick one entry from; the variable is the entry's index. Kept under name
    // like an integer (empty: not kept).
    size_t add_drop_down(std::string_view name, int32_t* variable, std::vector<std::string> items);
    size_t add_button(std::string_view caption, Action action);
    void set_enabled_rule(size_t index, std::function<bool()> rule);
    void set_changed(size_t index, std::function<void()> changed);

    // Whether the field's control is enabled now.
    bool enabled(size_t index) const;
    // The entry a drop-down list shows: its variable within the entries (-1 for an empty list).
    int32_t selected(size_t index) const;
    // A drop-down list's entry was picked: the variable takes it and the list's change runs.
    void pick(size_t index, int32_t entry);
    // A button was pressed: runs its action (a disabled button does nothing). True when the
    // dialog is to close as confirmed.
    bool press(size_t index);

    // When the dialog is built: integers start at their initial value, then every kept value
    // is read into its variable (one that is missing or unusable leaves it) and every
    // history is read. Integers end up within their range.
    void load(SettingsStore& store);
    // Text boxes whose variable is empty take their history's newest entry: a dialog opened
    // again (also after a restart) offers what was last confirmed in it.
    void start_from_histories();
    // When the dialog is confirmed: each text box's text goes to the front of its history,
    // then everything is saved.
    void confirm(SettingsStore& store);
    // Writes every kept value from its variable (integers clamped first, the variables too)
    // and every history; also at exit, for every dialog that was built.
    void save(SettingsStore& store);

    // The value to take for an integer field showing text, or nothing when the text must be
    // refused (not a number, or out of the field's range).
    std::optional<int32_t> accept_integer(size_t index, std::string_view text) const;

private:
    // The kept fields as the binding rules take them, their variables' values, and the
    // index of the field each came from.
    struct Bound {
        std::vector<BoundField> fields;
        std::vector<int32_t> values;
        std::vector<size_t> owners;
    };
    Bound bound() const;
    Field& new_field(Kind kind, std::string_view name);
    void take(const Bound& bound);

    std::string title_;
    std::vector<Field> fields_;
};

}  // namespace tessel
