// The watch loop's events on Linux: the monitor calls an event sink from its own
// thread, which queues the message; SIGINT and SIGTERM are blocked in every
// thread and taken by a thread of our own with sigwait, which asks for a stop.
// No signal handler and no global state: the signals wait until they are asked for.
#include <pthread.h>
#include <signal.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "cli/WatchEvents.h"

namespace talun::cli {

struct WatchEvents::Impl {
    // The sink handed to the monitor; post() finds the queue through owner.
    struct Sink : HidEventSink {
        Impl* owner = nullptr;
    };

    Impl() {
        sink.post = &Impl::Post;
        sink.owner = this;
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        const int error = pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        if (error != 0) {
            problem = std::string("cannot block the interrupt signals: ") + std::strerror(error);
            return;
        }
        signalThread = std::thread([this] { TakeSignals(); });
    }

    ~Impl() {
        if (!signalThread.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex);
            closing = true;
        }
        // Wakes the sigwait; the thread sees closing and ends.
        pthread_kill(signalThread.native_handle(), SIGTERM);
        signalThread.join();
        // The signals stay blocked: the program ends right after watching, and
        // an interrupt during that must not cut short what is left of it.
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

    void TakeSignals() {
        for (;;) {
            int signal = 0;
            if (sigwait(&signals, &signal) != 0) continue;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (closing) return;
                stopRequested = true;
            }
            wake.notify_all();
            std::fprintf(stderr,
                         "talun-r5: %s: stopping; a mouse being updated is finished first\n",
                         signal == SIGINT ? "interrupted" : "terminated");
            std::fflush(stderr);
        }
    }

    WatchEvent Next() {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [this] { return stopRequested || !queue.empty(); });
        if (stopRequested) return WatchEvent{};
        const WatchEvent event = queue.front();
        queue.pop_front();
        return event;
    }

    std::string problem;
    Sink sink;
    sigset_t signals{};
    std::thread signalThread;

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<WatchEvent> queue;
    bool stopRequested = false;
    bool closing = false;
};

WatchEvents::WatchEvents() : impl_(std::make_unique<Impl>()) {}

WatchEvents::~WatchEvents() = default;

const std::string& WatchEvents::Problem() const {
    return impl_->problem;
}

HidWindow WatchEvents::Window() const {
    return static_cast<HidEventSink*>(&impl_->sink);
}

WatchEvent WatchEvents::Next() {
    return impl_->Next();
}

}  // namespace talun::cli
