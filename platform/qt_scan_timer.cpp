// QtSliceTimer: single-shot timers that coalesce into one pending slice.
#include "platform/qt_scan_timer.h"

#include <QTimer>

namespace tessel {

QtSliceTimer::QtSliceTimer(std::function<void()> run_slice, QObject* parent)
    : QObject(parent), run_slice_(std::move(run_slice)) {
    clock_.start();
}

double QtSliceTimer::now_ms() { return static_cast<double>(clock_.nsecsElapsed()) / 1e6; }

void QtSliceTimer::request_slice(int delay_ms) {
    // A restart after an edit asks again while a slice is pending: one is enough, since the
    // slice runs whichever scanner is current when it fires.
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(delay_ms, this, [this] {
        pending_ = false;
        run_slice_();
    });
}

}  // namespace tessel
