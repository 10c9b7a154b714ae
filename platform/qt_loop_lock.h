// QtLoopLock: shares the AppLock between Qt's event loop on the UI thread and the workers.
// The dispatcher's aboutToBlock and awake signals do not come in pairs (awake also fires when
// events are processed without waiting) and the glib dispatcher runs timers, posted events
// and paints between them, so the lock does not follow them. Instead the UI thread takes the
// loop's claim lazily, just before it delivers an event (TesselApplication::notify calls
// claim()), and gives it up when the loop is about to block, only if it holds it. Nested loops
// (menus, modal dialogs, QEventLoop::exec) go through the same two steps: the claim the outer
// handler holds is given up while the inner loop waits and taken back by its next event.
#pragma once

#include <QApplication>
#include <QObject>
#include <cstdint>
#include <functional>
#include <thread>

#include "runtime/worker_pool.h"

namespace tessel {

class QtLoopLock final : public QObject {
    Q_OBJECT
public:
    // On the UI thread, with the QApplication and pool made on it: from now on the lock is
    // given up whenever that thread's event loop waits.
    explicit QtLoopLock(WorkerPool& pool, QObject* parent = nullptr);
    ~QtLoopLock() override;
    QtLoopLock(const QtLoopLock&) = delete;
    QtLoopLock& operator=(const QtLoopLock&) = delete;

    // The adapter of the process, or null.
    static QtLoopLock* instance();

    // Takes the loop's claim back if the loop gave it up; nothing when it is held or on
    // another thread. Called before every event is delivered; also for code that runs
    // outside event delivery, e.g. a slot of a signal Qt emits while it processes window
    // system events, or code after a nested loop that may have ended without an event.
    void claim();

    // How often the loop gave its claim up and took it back, and the longest wait for it.
    uint64_t releases() const { return releases_; }
    uint64_t claims() const { return claims_; }
    double longest_wait_ms() const { return longest_wait_ms_; }
    // Called on the UI thread right before it waits for the lock (true) and right after it
    // has it (false); for measurements.
    void set_wait_observer(std::function<void(bool waiting)> observer) {
        wait_observer_ = std::move(observer);
    }

private:
    void before_block();

    WorkerPool& pool_;
    std::thread::id ui_thread_;
    uint64_t releases_ = 0;
    uint64_t claims_ = 0;
    double longest_wait_ms_ = 0;
    std::function<void(bool)> wait_observer_;
};

// The editor's application object: every event delivered on the UI thread is delivered with
// the AppLock held.
class TesselApplication : public QApplication {
    Q_OBJECT
public:
    TesselApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tessel
