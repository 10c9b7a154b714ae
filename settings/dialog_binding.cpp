// Reading and writing an options dialog's bound fields.
#include "settings/dialog_binding.h"

#include <algorithm>
#include <cassert>

#include "settings/settings_store.h"

namespace tessel {

namespace {

bool stored(const BoundField& field) {
    return !(field.kind == FieldKind::radio_group && field.name.empty());
}

int32_t clamp_field(const BoundField& field, int32_t value) {
    if (field.kind != FieldKind::integer || field.minimum > field.maximum) return value;
    return std::clamp(value, field.minimum, field.maximum);
}

}  // namespace

std::vector<int32_t> initial_values(const DialogFields& dialog) {
    std::vector<int32_t> values;
    values.reserve(dialog.fields.size());
    for (const BoundField& field : dialog.fields) values.push_back(field.initial);
    return values;
}

void read_bound_fields(SettingsStore& store, const DialogFields& dialog,
                       std::span<int32_t> values) {
    assert(values.size() == dialog.fields.size() && "one variable per bound field");
    SettingsKey key(store, dialog.name);
    size_t count = std::min(values.size(), dialog.fields.size());
    for (size_t i = 0; i < count; ++i) {
        const BoundField& field = dialog.fields[i];
        if (!stored(field)) continue;
        int32_t value = values[i];
        if (store.read_int(field.name, value)) {
            switch (field.kind) {
                case FieldKind::integer:
                    values[i] = value;
                    break;
                case FieldKind::check_box:
                    values[i] = value != 0 ? 1 : 0;
                    break;
                case FieldKind::radio_group:
                    // A value no button has would leave the group with nothing chosen.
                    if (field.choices.empty() ||
                        std::find(field.choices.begin(), field.choices.end(), value) !=
                            field.choices.end()) {
                        values[i] = value;
                    }
                    break;
            }
        }
        values[i] = clamp_field(field, values[i]);
    }
}

void write_bound_fields(SettingsStore& store, const DialogFields& dialog,
                        std::span<int32_t> values) {
    assert(values.size() == dialog.fields.size() && "one variable per bound field");
    SettingsKey key(store, dialog.name);
    size_t count = std::min(values.size(), dialog.fields.size());
    for (size_t i = 0; i < count; ++i) {
        const BoundField& field = dialog.fields[i];
        if (!stored(field)) continue;
        values[i] = clamp_field(field, values[i]);
        int32_t value = field.kind == FieldKind::check_box ? (values[i] != 0 ? 1 : 0) : values[i];
        store.write_int(value, field.name);
    }
}

}  // namespace tessel
