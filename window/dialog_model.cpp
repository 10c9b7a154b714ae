// A dialog's fields, their settings and histories, and the integer fields' rule.
#include "window/dialog_model.h"

#include <algorithm>
#include <cassert>
#include <limits>

#include "settings/settings_history.h"

namespace tessel {

std::string integer_range_message(int32_t minimum, int32_t maximum) {
    return " Please enter an integer between " + std::to_string(minimum) + " and " +
           std::to_string(maximum);
}

std::optional<int32_t> parse_integer_text(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    // The magnitude of the most negative value is one more than the largest positive one.
    const int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + (negative ? 1 : 0);
    int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) return std::nullopt;
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

void remember_in_history(std::vector<std::string>& history, std::string_view text) {
    if (text.empty()) return;
    auto same = std::find(history.begin(), history.end(), text);
    if (same != history.end()) history.erase(same);
    history.insert(history.begin(), std::string(text));
    if (history.size() > kHistoryEntriesRead) history.resize(kHistoryEntriesRead);
}

DialogModel::Field& DialogModel::new_field(Kind kind, std::string_view name) {
    Field& field = fields_.emplace_back();
    field.kind = kind;
    field.name = name;
    return field;
}

size_t DialogModel::add_integer(std::string_view name, int32_t* variable, int32_t minimum,
                                int32_t maximum, int32_t initial) {
    assert(variable && "an integer field is bound to a variable");
    Field& field = new_field(Kind::integer, name);
    field.number = variable;
    field.minimum = minimum;
    field.maximum = maximum;
    field.initial = initial;
    return fields_.size() - 1;
}

size_t DialogModel::add_check_box(std::string_view caption, int32_t* variable) {
    assert(variable && "a check box is bound to a variable");
    Field& field = new_field(Kind::check_box, caption);
    field.number = variable;
    return fields_.size() - 1;
}

size_t DialogModel::add_radio(std::string_view group, int32_t value, int32_t* variable) {
    assert(variable && "a radio button is bound to a variable");
    for (size_t i = 0; i < fields_.size(); ++i) {
        Field& field = fields_[i];
        if (field.kind != Kind::radio_group || field.number != variable) continue;
        field.choices.push_back(value);
        return i;
    }
    Field& field = new_field(Kind::radio_group, group);
    field.number = variable;
    field.choices.push_back(value);
    return fields_.size() - 1;
}

size_t DialogModel::add_text_box(std::string_view history, std::string* variable) {
    assert(variable && "a text box is bound to a variable");
    Field& field = new_field(Kind::text_box, history);
    field.text = variable;
    return fields_.size() - 1;
}

size_t DialogModel::add_drop_down(std::string_view name, int32_t* variable,
                                  std::vector<std::string> items) {
    assert(variable && "a drop-down list is bound to a variable");
    Field& field = new_field(Kind::drop_down, name);
    field.number = variable;
    field.items = std::move(items);
    field.minimum = 0;
    field.maximum = std::max<int32_t>(0, static_cast<int32_t>(field.items.size()) - 1);
    field.initial = std::clamp(*variable, field.minimum, field.maximum);
    return fields_.size() - 1;
}

size_t DialogModel::add_button(std::string_view caption, Action action) {
    Field& field = new_field(Kind::button, {});
    field.caption = caption;
    field.action = std::move(action);
    return fields_.size() - 1;
}

void DialogModel::set_enabled_rule(size_t index, std::function<bool()> rule) {
    fields_[index].enabled_when = std::move(rule);
}

void DialogModel::set_changed(size_t index, std::function<void()> changed) {
    fields_[index].changed = std::move(changed);
}

bool DialogModel::enabled(size_t index) const {
    const Field& field = fields_[index];
    return !field.enabled_when || field.enabled_when();
}

int32_t DialogModel::selected(size_t index) const {
    const Field& field = fields_[index];
    if (field.items.empty()) return -1;
    return std::clamp(*field.number, 0, static_cast<int32_t>(field.items.size()) - 1);
}

void DialogModel::pick(size_t index, int32_t entry) {
    Field& field = fields_[index];
    if (entry < 0 || entry >= static_cast<int32_t>(field.items.size())) return;
    *field.number = entry;
    if (field.changed) field.changed();
}

bool DialogModel::press(size_t index) {
    const Field& field = fields_[index];
    if (!enabled(index) || !field.action) return false;
    // A copy: the action may rebuild what the field holds.
    const Action action = field.action;
    return action();
}

DialogModel::Bound DialogModel::bound() const {
    Bound bound;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const Field& field = fields_[i];
        BoundField rule{FieldKind::integer, field.name, 0};
        switch (field.kind) {
            case Kind::integer:
                rule = {FieldKind::integer, field.name, field.initial, field.minimum, field.maximum};
                break;
            case Kind::check_box:
                rule = {FieldKind::check_box, field.name, 0};
                break;
            case Kind::radio_group:
                rule = {FieldKind::radio_group, field.name, 0, 0, 0, field.choices};
                break;
            case Kind::drop_down:
                // A list that is not kept is set by its caller each time it is shown.
                if (field.name.empty()) continue;
                rule = {FieldKind::integer, field.name, field.initial, field.minimum, field.maximum};
                break;
            case Kind::text_box:
            case Kind::button:
                continue;
        }
        bound.fields.push_back(rule);
        bound.values.push_back(*field.number);
        bound.owners.push_back(i);
    }
    return bound;
}

void DialogModel::take(const Bound& bound) {
    for (size_t i = 0; i < bound.owners.size(); ++i) *fields_[bound.owners[i]].number = bound.values[i];
}

void DialogModel::load(SettingsStore& store) {
    for (Field& field : fields_)
        if (field.kind == Kind::integer || (field.kind == Kind::drop_down && !field.name.empty()))
            *field.number = field.initial;
    Bound fields = bound();
    read_bound_fields(store, DialogFields{title_, fields.fields}, fields.values);
    take(fields);
    // Histories are keys of their own beside the dialog's, shared by every box of that name.
    for (Field& field : fields_)
        if (field.kind == Kind::text_box && !field.name.empty())
            field.history = read_history(store, field.name);
}

void DialogModel::start_from_histories() {
    for (Field& field : fields_)
        if (field.kind == Kind::text_box && field.text->empty() && !field.history.empty())
            *field.text = field.history.front();
}

void DialogModel::confirm(SettingsStore& store) {
    for (Field& field : fields_)
        if (field.kind == Kind::text_box && !field.name.empty())
            remember_in_history(field.history, *field.text);
    save(store);
}

void DialogModel::save(SettingsStore& store) {
    Bound fields = bound();
    write_bound_fields(store, DialogFields{title_, fields.fields}, fields.values);
    take(fields);
    for (const Field& field : fields_)
        if (field.kind == Kind::text_box && !field.name.empty())
            write_history(store, field.name, field.history);
}

std::optional<int32_t> DialogModel::accept_integer(size_t index, std::string_view text) const {
    const Field& field = fields_[index];
    const std::optional<int32_t> value = parse_integer_text(text);
    if (!value || *value < field.minimum || *value > field.maximum) return std::nullopt;
    return value;
}

}  // namespace tessel
