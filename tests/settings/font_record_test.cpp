// The display font in the settings and the "font" command's body with a scripted chooser.
#include "settings/font_record.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "settings/settings_store.h"
#include "tests/settings/settings_test_folder.h"

namespace tessel {
namespace {

class ScriptedChooser final : public FontChooser {
public:
    std::optional<FontRecord> answer;  // nothing: the user cancels
    std::vector<FontRecord> asked;
    bool choose(FontRecord& record) override {
        asked.push_back(record);
        if (!answer) return false;
        record = *answer;
        return true;
    }
};

FontRecord stored_font(const SettingsTestFolder& folder) {
    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    FontRecord record;
    read_font_record(store, record);
    return record;
}

TEST(FontRecord, TheChosenFontIsKeptAndAppliedAndUnusableValuesKeepTheDefaults) {
    SettingsTestFolder folder;
    EXPECT_EQ(stored_font(folder), FontRecord());
    EXPECT_EQ(FontRecord().face, "Arial");
    EXPECT_EQ(FontRecord().size, 12);

    SettingsStore store(folder.database());
    SettingsKey app(store, SettingsStore::kApplicationKey, ',');
    ScriptedChooser chooser;
    std::vector<FontRecord> applied;
    const ApplyFont apply = [&](const FontRecord& record) { applied.push_back(record); };

    FontRecord record;
    record.size = 10;
    EXPECT_FALSE(run_font_command(record, chooser, store, apply));
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].size, 10) << "the chooser starts from the current font";
    EXPECT_EQ(record.size, 10);
    EXPECT_TRUE(applied.empty());
    EXPECT_EQ(stored_font(folder), FontRecord()) << "a cancelled choice is not saved";

    chooser.answer = FontRecord{"DejaVu Sans Mono", 15, 5, 1};
    EXPECT_TRUE(run_font_command(record, chooser, store, apply));
    const FontRecord expected{"DejaVu Sans Mono", 15, 1, 1};
    EXPECT_EQ(record, expected);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0], expected);
    EXPECT_EQ(stored_font(folder), expected);

    // Values of the other type, an empty face and sizes no one can read keep the defaults.
    {
        SettingsKey key(store, kFontKey);
        store.write_int(3, "face");
        store.write_string("14", "size");
        store.write_string("1", "bold");
    }
    FontRecord read_back;
    read_font_record(store, read_back);
    EXPECT_EQ(read_back, (FontRecord{"Arial", 12, 0, 1}));
    for (int32_t size : {0, -12, 401, 100000}) {
        {
            SettingsKey key(store, kFontKey);
            store.write_string("", "face");
            store.write_int(size, "size");
        }
        FontRecord unusable;
        read_font_record(store, unusable);
        EXPECT_EQ(unusable.face, "Arial");
        EXPECT_EQ(unusable.size, 12) << size;
    }
}

}  // namespace
}  // namespace tessel
