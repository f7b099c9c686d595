// SIGINT and SIGTERM are blocked in every thread and taken by a thread of our
// own with sigwait. No signal handler and no global state: a signal waits until
// that thread asks for it.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "console/InterruptHold.h"

namespace talun::console {

struct InterruptHold::Impl {
    explicit Impl(std::function<void()> callback) : onInterrupt(std::move(callback)) {
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        const int error = pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        if (error != 0) {
            problem = std::string("cannot hold the interrupt signals: ") + std::strerror(error);
            return;
        }
        thread = std::thread([this] { TakeSignals(); });
    }

    ~Impl() {
        if (!thread.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex);
            closing = true;
        }
        // Wakes the sigwait; the thread sees closing and ends.
        pthread_kill(thread.native_handle(), SIGTERM);
        thread.join();
        // The signals stay blocked: the program ends right after the work that
        // was held, and an interrupt now must not cut short what is left of it.
    }

    void TakeSignals() {
        for (;;) {
            int signal = 0;
            if (sigwait(&signals, &signal) != 0) continue;
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (closing) return;
            }
            std::fprintf(stderr, "talun-r5: %s: the work in progress is finished first\n",
                         signal == SIGINT ? "interrupted" : "terminated");
            std::fflush(stderr);
            if (onInterrupt) onInterrupt();
        }
    }

    std::function<void()> onInterrupt;
    std::string problem;
    sigset_t signals{};
    std::thread thread;
    std::mutex mutex;
    bool closing = false;
};

InterruptHold::InterruptHold(std::function<void()> onInterrupt)
    : impl_(std::make_unique<Impl>(std::move(onInterrupt))) {}

InterruptHold::~InterruptHold() = default;

const std::string& InterruptHold::Problem() const {
    return impl_->problem;
}

}  // namespace talun::console
