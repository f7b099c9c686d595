// The watch loop's events on Linux: the monitor calls an event sink from its own
// thread, which queues the message; an interrupt, taken by the InterruptHold's
// thread, asks for a stop.
#include <condition_variable>
#include <deque>
#include <mutex>

#include "console/InterruptHold.h"
#include "console/WatchEvents.h"

namespace talun::console {

struct WatchEvents::Impl {
    // The sink handed to the monitor; post() finds the queue through owner.
    struct Sink : HidEventSink {
        Impl* owner = nullptr;
    };

    Impl() {
        sink.post = &Impl::Post;
        sink.owner = this;
    }

    static void Post(HidEventSink* self, unsigned message, uintptr_t wParam, intptr_t lParam) {
        Impl& impl = *static_cast<Sink*>(self)->owner;
        {
            std::lock_guard<std::mutex> lock(impl.mutex);
            impl.queue.push_back(
                WatchEvent{WatchEvent::Kind::DeviceMessage, message, wParam, lParam});
        }
        impl.wake.notify_all();
    }

    void RequestStop() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopRequested = true;
        }
        wake.notify_all();
    }

    WatchEvent Next() {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [this] { return stopRequested || !queue.empty(); });
        if (stopRequested) return WatchEvent{};
        const WatchEvent event = queue.front();
        queue.pop_front();
        return event;
    }

    Sink sink;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<WatchEvent> queue;
    bool stopRequested = false;
    // Last: its thread calls RequestStop, so it must end before the rest goes.
    InterruptHold hold{[this] { RequestStop(); }};
};

WatchEvents::WatchEvents() : impl_(std::make_unique<Impl>()) {}

WatchEvents::~WatchEvents() = default;

const std::string& WatchEvents::Problem() const {
    return impl_->hold.Problem();
}

HidWindow WatchEvents::Window() const {
    return static_cast<HidEventSink*>(&impl_->sink);
}

WatchEvent WatchEvents::Next() {
    return impl_->Next();
}

void WatchEvents::Stop() {
    impl_->RequestStop();
}

}  // namespace talun::console
