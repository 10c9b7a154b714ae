// Options dialogs' bound fields and the split layout's shares in the settings store.
#include "settings/dialog_binding.h"

#include <gtest/gtest.h>

#include <cmath>

#include "settings/editor_options.h"
#include "settings/pane_shares.h"
#include "settings/settings_store.h"
#include "tests/settings/settings_test_folder.h"

namespace tessel {
namespace {

class DialogBindingTest : public ::testing::Test {
protected:
    DialogBindingTest()
        : store(folder.database()), app(store, SettingsStore::kApplicationKey, ',') {}

    int32_t stored_int(std::string_view key_name, std::string_view name) {
        SettingsKey key(store, key_name);
        int32_t value = -999;
        store.read_int(name, value);
        return value;
    }
    void store_int(std::string_view key_name, std::string_view name, int32_t value) {
        SettingsKey key(store, key_name);
        store.write_int(value, name);
    }

    SettingsTestFolder folder;
    SettingsStore store;
    SettingsKey app;
};

// The editor's options come from the keys the two dialogs write; a tab size out of range is
// clamped, a key never written keeps the built-in value, and the toggles stay as they were.
TEST_F(DialogBindingTest, TheEditorsOptionsAreReadFromTheDialogsKeys) {
    EditorOptions options;
    options.line_numbers = 0;
    read_editor_dialog_fields(store, options);
    EXPECT_EQ(options, (EditorOptions{0, 0, 4, 1, 0}));
    std::vector<int32_t> tabs{100, 0};
    write_bound_fields(store, kTabOptions, tabs);
    store_int("Text range highlighting style", "line style", 1);
    read_editor_dialog_fields(store, options);
    EXPECT_EQ(options, (EditorOptions{0, 0, 64, 0, 1}));
    const EditorSettings settings = editor_settings_of(options);
    EXPECT_FALSE(settings.line_numbers);
    EXPECT_EQ(settings.tab_size, 64);
    EXPECT_FALSE(settings.keep_tabs);
    EXPECT_EQ(settings.highlight_style, FrameStyle::dotted);
}

TEST_F(DialogBindingTest, FreshStoreGivesBuiltInValues) {
    std::vector<int32_t> values = initial_values(kXmlIndentOptions);
    read_bound_fields(store, kXmlIndentOptions, values);
    EXPECT_EQ(values, (std::vector<int32_t>{4, 8, 0, 1}));  // comments kept
    values = initial_values(kUniqueConsolidationOptions);
    read_bound_fields(store, kUniqueConsolidationOptions, values);
    EXPECT_EQ(values, std::vector<int32_t>{2});
}

TEST_F(DialogBindingTest, IntegersAreClampedAfterReadingAndBeforeWriting) {
    store_int("XML Indent Options", "Indent size", 12);
    store_int("XML Indent Options", "Maximum number of attributes in tag line", -3);
    store_int("XML Indent Options", "Remove comments", 0);
    store_int("XML Indent Options", "Show this dialog before indenting", 5);
    std::vector<int32_t> values = initial_values(kXmlIndentOptions);
    read_bound_fields(store, kXmlIndentOptions, values);
    EXPECT_EQ(values, (std::vector<int32_t>{9, 0, 0, 1}));

    values = {0, 101, 7, 0};
    write_bound_fields(store, kXmlIndentOptions, values);
    EXPECT_EQ(values, (std::vector<int32_t>{1, 100, 7, 0}));
    EXPECT_EQ(stored_int("XML Indent Options", "Indent size"), 1);
    EXPECT_EQ(stored_int("XML Indent Options", "Maximum number of attributes in tag line"), 100);
    EXPECT_EQ(stored_int("XML Indent Options", "Remove comments"), 1);
    EXPECT_EQ(stored_int("XML Indent Options", "Show this dialog before indenting"), 0);
}

TEST_F(DialogBindingTest, UnnamedIntegerIsTheKeysValueAndUnnamedRadioGroupIsNotKept) {
    std::vector<int32_t> values{5};
    write_bound_fields(store, kUniqueConsolidationOptions, values);
    EXPECT_EQ(stored_int("Unique Consolidation Options", ""), 5);

    static constexpr int32_t kChoices[] = {0, 1};
    static constexpr BoundField kFields[] = {
        {FieldKind::radio_group, "", 1, 0, 0, kChoices},
        {FieldKind::integer, "", 2, 1, 9},
    };
    static constexpr DialogFields kDialog{"Mixed", kFields};
    values = {0, 6};
    write_bound_fields(store, kDialog, values);
    EXPECT_EQ(stored_int("Mixed", ""), 6);
    store_int("Mixed", "", 1);
    values = {0, 2};
    read_bound_fields(store, kDialog, values);
    EXPECT_EQ(values, (std::vector<int32_t>{0, 1}));
}

TEST_F(DialogBindingTest, RadioGroupTakesOnlyItsButtonsValues) {
    std::vector<int32_t> values{7, 0};
    write_bound_fields(store, kTabOptions, values);
    EXPECT_EQ(stored_int("Tab Options", "keep tabs"), 0);
    values = initial_values(kTabOptions);
    read_bound_fields(store, kTabOptions, values);
    EXPECT_EQ(values, (std::vector<int32_t>{7, 0}));

    store_int("Tab Options", "keep tabs", 5);
    values = initial_values(kTabOptions);
    read_bound_fields(store, kTabOptions, values);
    EXPECT_EQ(values[1], 1);
}

TEST_F(DialogBindingTest, SplitPositionOutsideTwoToNinetyNineGivesForty) {
    EXPECT_EQ(read_split_percent(store), 40);
    for (int32_t stored : {1, 100, 0, -5}) {
        {
            SettingsKey frame(store, "Frame");
            SettingsKey split(store, "Split");
            store.write_int(stored, "mid_pos");
        }
        EXPECT_EQ(read_split_percent(store), 40) << stored;
    }
    write_split_percent(store, 99);
    EXPECT_EQ(read_split_percent(store), 99);
    write_split_percent(store, 2);
    EXPECT_EQ(read_split_percent(store), 2);
}

TEST_F(DialogBindingTest, PaneSharesAreNormalisedAroundTheTruncatedPercents) {
    std::vector<double> shares{0.5, 0.3, 0.2};
    bool visible[] = {true, false, true};
    write_pane_shares(store, "left", shares, visible);
    EXPECT_NEAR(shares[0], 0.5 / 0.7, 1e-12);
    EXPECT_EQ(shares[1], 0.3);
    {
        SettingsKey frame(store, "Frame");
        SettingsKey split(store, "Split");
        EXPECT_EQ(stored_int("left", "left0"), 71);
        EXPECT_EQ(stored_int("left", "left1"), 30);
        EXPECT_EQ(stored_int("left", "left2"), 28);
        SettingsKey left(store, "left");
        store.write_int(100, "left1");  // out of range: the built-in share stays
    }
    std::vector<double> read{0.4, 0.25, 0.1};
    read_pane_shares(store, "left", read, visible);
    EXPECT_NEAR(read[0], 71.0 / 99, 1e-12);
    EXPECT_NEAR(read[2], 28.0 / 99, 1e-12);
    EXPECT_EQ(read[1], 0.25);
    // Nothing stored for the right column: the built-in shares, normalised.
    std::vector<double> right{1, 3};
    bool both[] = {true, true};
    read_pane_shares(store, "right", right, both);
    EXPECT_EQ(right, (std::vector<double>{0.25, 0.75}));
}

TEST(PaneShares, DegenerateSharesStillMakeALayout) {
    std::vector<double> shares{0, -1, NAN, 0.4};
    bool visible[] = {true, true, true, false};
    normalise_shares(shares, visible);
    EXPECT_EQ(shares, (std::vector<double>{1.0 / 3, 1.0 / 3, 1.0 / 3, 0.4}));
    EXPECT_EQ(share_percent(0.999), 99);
    EXPECT_EQ(share_percent(1.5), 100);
    EXPECT_EQ(share_percent(NAN), 0);
    EXPECT_FALSE(usable_share_percent(1));
    EXPECT_TRUE(usable_share_percent(2));
    EXPECT_TRUE(usable_share_percent(99));
    EXPECT_FALSE(usable_share_percent(100));
}

}  // namespace
}  // namespace tessel
