// QtFontChooser: the "font" command's chooser as a QFontDialog. The command runs on a worker:
// the dialog is opened on the UI thread and the worker waits for it as a blocking UI call, so
// the window keeps running while the user chooses.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "seams/ui_poster.h"
#include "settings/font_record.h"

namespace tessel {

class WorkerPool;

class QtFontChooser final : public FontChooser {
public:
    // pool: for the blocking-call brackets of workers (may be null when no worker calls);
    // poster: carries the call from a worker to the UI thread.
    QtFontChooser(WorkerPool* pool, UiPoster& poster);
    ~QtFontChooser() override;
    QtFontChooser(const QtFontChooser&) = delete;
    QtFontChooser& operator=(const QtFontChooser&) = delete;

    // The window the dialog belongs to; without one, the active window.
    void set_window(QWidget* window) { window_ = window; }

    // Any thread. A call the UI thread drops (this object gone first) is a cancel.
    bool choose(FontRecord& record) override;

private:
    WorkerPool* pool_;
    UiPoster& poster_;
    QPointer<QWidget> window_;
    std::shared_ptr<bool> alive_;
};

}  // namespace tessel
