// The font chooser with QFontDialog.
#include "platform/qt_font_chooser.h"

#include <QApplication>
#include <QFontDialog>
#include <optional>

#include "platform/qt_font_record.h"
#include "platform/ui_thread_call.h"

namespace tessel {

QtFontChooser::QtFontChooser(WorkerPool* pool, UiPoster& poster)
    : pool_(pool), poster_(poster), alive_(std::make_shared<bool>(true)) {}

QtFontChooser::~QtFontChooser() = default;

bool QtFontChooser::choose(FontRecord& record) {
    const FontRecord start = record;
    const std::optional<FontRecord> chosen = call_on_ui_thread(
        poster_, pool_, std::weak_ptr<bool>(alive_), std::optional<FontRecord>(),
        [this, start]() -> std::optional<FontRecord> {
            QWidget* parent = window_ ? window_.data() : QApplication::activeWindow();
            QFontDialog dialog(to_qfont(start), parent);
            const int result = dialog.exec();
            reclaim_lock_after_nested_loop();
            if (result != QDialog::Accepted) return std::nullopt;
            return to_font_record(dialog.selectedFont(), start);
        });
    if (!chosen) return false;
    record = *chosen;
    return true;
}

}  // namespace tessel
