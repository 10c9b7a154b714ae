// QtUiPoster: the UI poster of the editor. A closure posted from any thread becomes a queued
// call to an object that lives on the UI thread, so Qt delivers it there in posting order;
// TesselApplication delivers every event with the application lock held, so the closure runs
// with it too.
#pragma once

#include <QObject>
#include <functional>

#include "seams/ui_poster.h"

namespace tessel {

class QtUiPoster final : public UiPoster {
public:
    // context: an object of the UI thread that outlives the poster's users (the main window
    // or the application); closures still queued when it is destroyed are dropped by Qt.
    explicit QtUiPoster(QObject* context) : context_(context) {}

    void post(std::function<void()> closure) override;
    bool on_ui_thread() const override;

private:
    QObject* context_;
};

}  // namespace tessel
