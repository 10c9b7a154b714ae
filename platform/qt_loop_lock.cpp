// QtLoopLock: the event loop's claim on the application lock under Qt.
#include "platform/qt_loop_lock.h"

#include <QAbstractEventDispatcher>
#include <QThread>
#include <atomic>

#include "runtime/app_clock.h"

namespace tessel {

namespace {

std::atomic<QtLoopLock*> the_adapter{nullptr};

}  // namespace

QtLoopLock::QtLoopLock(WorkerPool& pool, QObject* parent)
    : QObject(parent), pool_(pool), ui_thread_(std::this_thread::get_id()) {
    QAbstractEventDispatcher* dispatcher =
        QAbstractEventDispatcher::instance(QThread::currentThread());
    // Direct: the signal comes on the UI thread just before it waits, and the lock must be
    // free before the wait begins.
    if (dispatcher)
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &QtLoopLock::before_block, Qt::DirectConnection);
    the_adapter.store(this);
}

QtLoopLock::~QtLoopLock() {
    QtLoopLock* self = this;
    the_adapter.compare_exchange_strong(self, nullptr);
}

QtLoopLock* QtLoopLock::instance() {
    return the_adapter.load();
}

void QtLoopLock::claim() {
    // Qt's own threads deliver events too (file dialogs, D-Bus): they never take the lock.
    if (std::this_thread::get_id() != ui_thread_ || pool_.loop_holds_lock()) return;
    if (wait_observer_) wait_observer_(true);
    const double asked = AppClock::now();
    pool_.loop_after_wake();
    const double waited = AppClock::now() - asked;
    if (wait_observer_) wait_observer_(false);
    if (waited > longest_wait_ms_) longest_wait_ms_ = waited;
    ++claims_;
}

void QtLoopLock::before_block() {
    if (std::this_thread::get_id() != ui_thread_ || !pool_.loop_holds_lock()) return;
    pool_.loop_before_block();
    ++releases_;
}

TesselApplication::TesselApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TesselApplication::notify(QObject* receiver, QEvent* event) {
    if (QtLoopLock* adapter = QtLoopLock::instance()) adapter->claim();
    return QApplication::notify(receiver, event);
}

}  // namespace tessel
