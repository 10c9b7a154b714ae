// UiPoster: how code running on a worker reaches the window. Widgets belong to the UI thread,
// so a worker that must tell the window something (a finished parse, a status message, a
// progress change, a renamed document) posts a closure; the UI thread runs it later with the
// application lock held. The GUI implements the poster with a queued call into its event
// loop, the threaded tests with their own loop.
#pragma once

#include <functional>
#include <memory>
#include <utility>

namespace tessel {

class UiPoster {
public:
    virtual ~UiPoster() = default;
    // Queues closure for the UI thread, which runs it holding the application lock, after
    // every closure queued before it. Any thread may call it.
    virtual void post(std::function<void()> closure) = 0;
    // Whether the caller is the UI thread.
    virtual bool on_ui_thread() const = 0;
};

// One component's way to the UI thread. A call made on the UI thread (or without a poster,
// as in batch tools) runs at once; a call from any other thread is posted. Closures still
// queued when the route is destroyed are dropped, so they never reach a component that is
// gone. Destroy the route on the UI thread.
class UiRoute {
public:
    explicit UiRoute(UiPoster* poster = nullptr) : poster_(poster) {}
    UiRoute(const UiRoute&) = delete;
    UiRoute& operator=(const UiRoute&) = delete;

    void set_poster(UiPoster* poster) { poster_ = poster; }
    UiPoster* poster() const { return poster_; }

    // Runs closure on the UI thread: now when already there, else posted.
    void run(std::function<void()> closure) {
        if (!poster_ || poster_->on_ui_thread()) {
            closure();
            return;
        }
        post(std::move(closure));
    }
    // Always queues closure, even on the UI thread (without a poster it runs at once).
    void post(std::function<void()> closure) {
        if (!poster_) {
            closure();
            return;
        }
        std::weak_ptr<char> alive = alive_;
        poster_->post([alive = std::move(alive), closure = std::move(closure)] {
            if (alive.lock()) closure();
        });
    }

private:
    UiPoster* poster_;
    // Lives as long as the route; queued closures hold a weak reference to it.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace tessel
