// Options dialogs' settings: which fields of a dialog are bound to variables, and how they
// are read from and written to the dialog's key (named after the dialog, below the top key).
// Kept apart from the dialog builder so the rules hold, and are tested, without a window.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tessel {

class SettingsStore;

enum class FieldKind : uint8_t {
    integer,      ///< a number field kept within minimum..maximum
    check_box,    ///< 0 or 1
    radio_group,  ///< the value of the chosen button
};

struct BoundField {
    FieldKind kind;
    // The value's name in the dialog's key. An integer field without a name is the key's
    // unnamed value; a radio group without a name is not kept at all.
    std::string_view name;
    int32_t initial;  // the built-in value
    int32_t minimum = 0;
    int32_t maximum = 0;
    // The radio buttons' values; a stored value that is none of them is not taken.
    std::span<const int32_t> choices = {};
};

struct DialogFields {
    std::string_view name;  // the dialog's caption, which names its key
    std::span<const BoundField> fields;
};

// The built-in values, one per field, in field order: the variables before any read.
std::vector<int32_t> initial_values(const DialogFields& dialog);
// When the dialog is built: reads every field's value into values (one per field; a value
// that is missing or unusable keeps the variable's), then clamps integer fields.
void read_bound_fields(SettingsStore& store, const DialogFields& dialog, std::span<int32_t> values);
// When the dialog is confirmed: clamps integer fields (the variables too, so they hold what
// is stored) and writes every field.
void write_bound_fields(SettingsStore& store, const DialogFields& dialog,
                        std::span<int32_t> values);

// The dialogs that keep their fields.
inline constexpr BoundField kXmlIndentFields[] = {
    {FieldKind::integer, "Indent size", 4, 1, 9},
    {FieldKind::integer, "Maximum number of attributes in tag line", 8, 0, 100},
    {FieldKind::check_box, "Remove comments", 0},
    {FieldKind::check_box, "Show this dialog before indenting", 1},
};
inline constexpr DialogFields kXmlIndentOptions{"XML Indent Options", kXmlIndentFields};

inline constexpr int32_t kKeepTabsChoices[] = {1, 0};  // "Keep Tabs", "Insert Spaces"
inline constexpr BoundField kTabFields[] = {
    {FieldKind::integer, "Tab Size", 4, 1, 64},
    {FieldKind::radio_group, "keep tabs", 1, 0, 0, kKeepTabsChoices},
};
inline constexpr DialogFields kTabOptions{"Tab Options", kTabFields};

inline constexpr int32_t kLineStyleChoices[] = {0, 1};  // "Solid line", "Dotted line"
inline constexpr BoundField kHighlightingFields[] = {
    {FieldKind::radio_group, "line style", 0, 0, 0, kLineStyleChoices},
};
inline constexpr DialogFields kTextHighlightingOptions{"Text range highlighting style",
                                                       kHighlightingFields};

// The field after "of columns by at least:" has no name: it is the key's unnamed value.
inline constexpr BoundField kUniqueConsolidationFields[] = {
    {FieldKind::integer, "", 2, 1, 9},
};
inline constexpr DialogFields kUniqueConsolidationOptions{"Unique Consolidation Options",
                                                          kUniqueConsolidationFields};

}  // namespace tessel
