// The display font in the settings and the "font" command.
#include "settings/font_record.h"

#include "settings/settings_store.h"

namespace tessel {

void read_font_record(SettingsStore& store, FontRecord& record) {
    SettingsKey key(store, kFontKey);
    std::string face;
    if (store.read_string("face", face) && !face.empty()) record.face = std::move(face);
    int32_t size = 0;
    if (store.read_int("size", size) && size >= kMinFontSize && size <= kMaxFontSize)
        record.size = size;
    bool flag = false;
    if (store.read_bool("bold", flag)) record.bold = flag ? 1 : 0;
    if (store.read_bool("italic", flag)) record.italic = flag ? 1 : 0;
}

void write_font_record(SettingsStore& store, const FontRecord& record) {
    SettingsKey key(store, kFontKey);
    store.write_string(record.face, "face");
    store.write_int(record.size, "size");
    store.write_bool(record.bold != 0, "bold");
    store.write_bool(record.italic != 0, "italic");
}

bool run_font_command(FontRecord& record, FontChooser& chooser, SettingsStore& store,
                      const ApplyFont& apply) {
    FontRecord chosen = record;
    if (!chooser.choose(chosen)) return false;
    chosen.bold = chosen.bold != 0 ? 1 : 0;
    chosen.italic = chosen.italic != 0 ? 1 : 0;
    record = std::move(chosen);
    write_font_record(store, record);
    if (apply) apply(record);
    return true;
}

}  // namespace tessel
