// Waiting in the Qt tests: nested event loops that run until a condition holds or a time
// has passed, so handlers, timers and queued calls keep running meanwhile; and a 1 ms timer
// that acts inside whatever loop runs (a modal dialog's, or one a worker waits on).
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <functional>
#include <utility>

namespace tessel::test {

// Runs a nested event loop until done() holds (checked every ms) or timeout_ms has passed.
inline bool run_until(const std::function<bool()>& done, int timeout_ms = 20000) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// Runs a nested event loop for ms milliseconds.
inline void run_for(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs action on the UI thread each ms, inside whatever loop is running, until it says done.
inline void every_ms_until(QObject* owner, std::function<bool()> action) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action = std::move(action)] {
        if (action()) timer->deleteLater();
    });
    timer->start(1);
}

}  // namespace tessel::test
