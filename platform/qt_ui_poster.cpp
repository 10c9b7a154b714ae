// The UI poster as queued calls into the UI thread's event loop.
#include "platform/qt_ui_poster.h"

#include <QMetaObject>
#include <QThread>
#include <utility>

namespace tessel {

void QtUiPoster::post(std::function<void()> closure) {
    // Queued even on the UI thread: post() promises to run after everything posted before.
    QMetaObject::invokeMethod(context_, std::move(closure), Qt::QueuedConnection);
}

bool QtUiPoster::on_ui_thread() const {
    return QThread::currentThread() == context_->thread();
}

}  // namespace tessel
