// QtSliceTimer: the line scanner's timer on the Qt event loop.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <functional>

#include "text/line_scanner.h"

namespace tessel {

class QtSliceTimer final : public QObject, public SliceTimer {
    Q_OBJECT
public:
    // run_slice is called on the UI thread when a requested slice is due.
    explicit QtSliceTimer(std::function<void()> run_slice, QObject* parent = nullptr);
    double now_ms() override;
    void request_slice(int delay_ms) override;

private:
    std::function<void()> run_slice_;
    QElapsedTimer clock_;
    bool pending_ = false;
};

}  // namespace tessel
