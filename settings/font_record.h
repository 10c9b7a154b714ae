// FontRecord: the editor's display font as the settings keep it (face, point size, bold and
// italic under the key "font"), the seam through which the "font" command lets the user choose
// another, and that command's job body.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tessel {

class SettingsStore;

struct FontRecord {
    std::string face = "Arial";
    int32_t size = 12;  // points
    int32_t bold = 0;   // 0 or 1
    int32_t italic = 0;  // 0 or 1

    bool operator==(const FontRecord&) const = default;
};

inline constexpr std::string_view kFontKey = "font";
// Point sizes outside this range are not taken from the settings: the text would be unreadable
// or the editor unusable, and no font dialog offers them.
inline constexpr int32_t kMinFontSize = 1;
inline constexpr int32_t kMaxFontSize = 400;

// Reads the values of "font" below the top key into record; a value that is missing, of the
// other type, an empty face or a size out of range leaves its field as it was.
void read_font_record(SettingsStore& store, FontRecord& record);
// Writes all four values under "font" below the top key.
void write_font_record(SettingsStore& store, const FontRecord& record);

// The platform's font dialog, as the "font" command needs it; the GUI shows one, tests answer
// from a script.
class FontChooser {
public:
    virtual ~FontChooser() = default;
    // Shows the chooser starting from record. Confirmed: true, with the chosen font in record;
    // cancelled: false, record as it was.
    virtual bool choose(FontRecord& record) = 0;
};

// Applies a newly chosen font to the editor and the views.
using ApplyFont = std::function<void(const FontRecord&)>;

// The job body of "font", on the "font" worker: asks chooser; when the user confirms, record
// takes the choice, it is saved under "font" below the top key, and apply is called with it.
// apply runs on the worker, so a window must route it to the UI thread (through its UiRoute or
// UiPoster) before it touches a widget. False when the user cancelled.
bool run_font_command(FontRecord& record, FontChooser& chooser, SettingsStore& store,
                      const ApplyFont& apply);

}  // namespace tessel
