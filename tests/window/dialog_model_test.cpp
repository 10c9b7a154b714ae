// A dialog's fields apart from its window: the integer fields' text rule against the standard
// library's reading, and every kind of field, with histories, kept across a restart of the
// settings store.
#include "window/dialog_model.h"

#include <gtest/gtest.h>

#include <charconv>
#include <random>
#include <string_view>

#include "settings/settings_history.h"
#include "settings/settings_store.h"
#include "tests/settings/settings_test_folder.h"

namespace tessel {
namespace {

// The standard library's reading of a decimal int32 (an optional minus sign, digits, nothing
// else), after the blanks around the text are cut.
std::optional<int32_t> reference_integer(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

TEST(DialogModel, IntegerTextsAreReadAsAReferenceReadsThem) {
    std::vector<std::string> texts = {
        "", "-", " ", "7", " 7\t", "-0", "007", "+7", "1 2", "7a", "0x7", "--7", "- 7",
        "2147483647", "2147483648", "-2147483648", "-2147483649", "00000000000000002147483647",
        "99999999999999999999999"};
    std::mt19937 random(7);
    const std::string alphabet = " \t-+0123456789x";
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int length = static_cast<int>(random() % 13);
        for (int j = 0; j < length; ++j) {
            // Mostly digits, so that numbers of every length come up.
            const size_t pick = random() % 4 == 0 ? random() % alphabet.size() : 5 + random() % 10;
            text += alphabet[pick];
        }
        texts.push_back(text);
    }
    int numbers = 0;
    for (const std::string& text : texts) {
        const std::optional<int32_t> expected = reference_integer(text);
        EXPECT_EQ(parse_integer_text(text), expected) << '"' << text << '"';
        numbers += expected.has_value();
    }
    EXPECT_GT(numbers, 1000);

    int32_t size = 0;
    DialogModel model("XML Indent Options");
    const size_t field = model.add_integer("Indent size", &size, 1, 9, 4);
    EXPECT_EQ(model.accept_integer(field, " 9"), 9);
    EXPECT_EQ(model.accept_integer(field, "1"), 1);
    EXPECT_EQ(model.accept_integer(field, "12"), std::nullopt);
    EXPECT_EQ(model.accept_integer(field, "0"), std::nullopt);
    EXPECT_EQ(model.accept_integer(field, "four"), std::nullopt);
    EXPECT_EQ(integer_range_message(1, 9), " Please enter an integer between 1 and 9");
    EXPECT_EQ(integer_range_message(-5, 100), " Please enter an integer between -5 and 100");
}

// The variables of one dialog, as a caller would hold them.
struct Variables {
    int32_t size = -1;
    int32_t unnamed = -1;
    int32_t remove = 0;
    int32_t style = 0;
    int32_t loose = 0;
    std::string find;
    size_t find_field = 0;

    DialogModel model() {
        DialogModel model("Options");
        model.add_integer("Size", &size, 1, 64, 4);
        model.add_integer("", &unnamed, 1, 9, 2);
        model.add_check_box("Remove comments", &remove);
        model.add_radio("style", 0, &style);
        model.add_radio("style", 7, &style);
        model.add_radio("", 1, &loose);
        model.add_radio("", 2, &loose);
        find_field = model.add_text_box("find_text", &find);
        return model;
    }
};

TEST(DialogModel, FieldsAndHistoriesSurviveARestart) {
    SettingsTestFolder folder;
    std::vector<std::string> found;
    {
        SettingsStore store(folder.database());
        SettingsKey app(store, SettingsStore::kApplicationKey, ',');
        Variables v;
        v.remove = 1;
        v.loose = 2;
        DialogModel model = v.model();
        model.load(store);  // a first run: built-in values, variables as they were
        EXPECT_EQ(v.size, 4);
        EXPECT_EQ(v.unnamed, 2);
        EXPECT_EQ(v.remove, 1);
        EXPECT_EQ(v.loose, 2);
        EXPECT_TRUE(model.field(v.find_field).history.empty());

        // Confirmed three times: the newest text first, a repeated one moved up, an empty one
        // not kept.
        v.size = 70;  // out of range: clamped, in the variable too
        v.unnamed = 5;
        v.style = 7;
        v.loose = 1;
        for (const char* text : {"alpha", "beta", "alpha", ""}) {
            v.find = text;
            model.confirm(store);
        }
        EXPECT_EQ(v.size, 64);
        found = model.field(v.find_field).history;
        EXPECT_EQ(found, (std::vector<std::string>{"alpha", "beta"}));
    }
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    Variables v;
    v.loose = 2;
    DialogModel model = v.model();
    model.load(store);
    EXPECT_EQ(v.size, 64);
    EXPECT_EQ(v.unnamed, 5);
    EXPECT_EQ(v.remove, 1);
    EXPECT_EQ(v.style, 7);
    EXPECT_EQ(v.loose, 2) << "a radio group without a name is not kept";
    EXPECT_EQ(model.field(v.find_field).history, found);
    {
        SettingsKey key(store, "Options");
        int32_t unnamed = 0;
        EXPECT_TRUE(store.read_int("", unnamed));
        EXPECT_EQ(unnamed, 5);
    }
    // The history key is shared by name, beside the dialog's key.
    EXPECT_EQ(read_history(store, "find_text"), found);

    // Stored values the fields cannot take: clamped, or left when no button has them.
    {
        SettingsKey key(store, "Options");
        store.write_int(0, "Size");
        store.write_int(3, "style");
    }
    // A full history loses its oldest entry to a new one.
    std::vector<std::string> full;
    for (int i = 0; i < 100; ++i) full.push_back("entry " + std::to_string(i));
    write_history(store, "find_text", full);
    model.load(store);
    EXPECT_EQ(v.size, 1);
    EXPECT_EQ(v.style, 7);
    v.find = "new";
    model.confirm(store);
    const std::vector<std::string> kept = read_history(store, "find_text");
    ASSERT_EQ(kept.size(), kHistoryEntriesRead);
    EXPECT_EQ(kept.front(), "new");
    EXPECT_EQ(kept.back(), "entry 98");
}

// The controls that act rather than hold a value: a list kept by name (or set by its caller
// each time), buttons whose rule greys them, and a pick that changes what the rule sees.
TEST(DialogModel, ListsButtonsAndRulesDecideWithoutAWindow) {
    SettingsTestFolder folder;
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    int32_t kept = 1;
    int32_t shown = 5;  // set by the caller: beyond the entries, shown as the last
    bool has_file = false;
    int reloads = 0;
    DialogModel model("Lists");
    const size_t kept_list = model.add_drop_down("encoding", &kept, {"UTF-8", "UTF-16LE", "cp1252"});
    const size_t shown_list = model.add_drop_down("", &shown, {"XML", "DTD"});
    const size_t reload = model.add_button("Reload", [&] {
        ++reloads;
        return true;
    });
    model.set_enabled_rule(reload, [&] { return has_file; });
    model.set_changed(shown_list, [&] { has_file = shown == 0; });
    model.load(store);
    EXPECT_EQ(kept, 1) << "nothing stored: the caller's value";
    EXPECT_EQ(model.selected(shown_list), 1);

    EXPECT_FALSE(model.enabled(reload));
    EXPECT_FALSE(model.press(reload));
    EXPECT_EQ(reloads, 0) << "a greyed button does nothing";
    model.pick(shown_list, 0);
    EXPECT_TRUE(model.enabled(reload));
    EXPECT_TRUE(model.press(reload));
    EXPECT_EQ(reloads, 1);
    model.pick(shown_list, 2);  // no such entry
    EXPECT_EQ(shown, 0);

    kept = 2;
    model.confirm(store);
    kept = 0;
    shown = 1;
    model.load(store);
    EXPECT_EQ(kept, 2);
    EXPECT_EQ(shown, 1) << "a list without a name is not kept";
    {
        SettingsKey key(store, "Lists");
        store.write_int(9, "encoding");
    }
    model.load(store);
    EXPECT_EQ(kept, 2) << "a stored index past the entries is brought into range";
    EXPECT_EQ(model.field(kept_list).items.size(), 3u);
}

}  // namespace
}  // namespace tessel
