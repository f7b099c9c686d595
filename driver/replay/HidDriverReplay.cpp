// A driver library that plays a recording back (libhiddriver.so / hiddriver.dll
// from driver/replay): the recording named by TALUN_REPLAY_RECORDING, loaded on
// the first call. Every call goes to the Replayer under one lock; the monitor is
// a thread that sends the recorded messages at their recorded times after the
// monitor was opened. It says nothing of being the simulated mouse: it stands
// for the mouse that was recorded, so a placeholder image is refused through it
// as through any real mouse's library.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <type_traits>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "driver/api/HidDriverApi.h"
#include "driver/replay/Replayer.h"

namespace talun::replay {
namespace {

constexpr const char* kRecordingVariable = "TALUN_REPLAY_RECORDING";

Replayer LoadReplayer() {
    const char* path = std::getenv(kRecordingVariable);
    if (path == nullptr || path[0] == '\0')
        return Replayer::Failing(std::string("no recording: name it with ") + kRecordingVariable);
    std::ifstream in(path, std::ios::binary);
    if (!in) return Replayer::Failing(std::string("cannot read the recording ") + path);
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    std::optional<Recording> recording = ParseRecording(text.str(), error);
    if (!recording) return Replayer::Failing(std::string("recording ") + path + ": " + error);
    return Replayer(std::move(*recording));
}

// The monitor: sends the messages recorded after one Open_DevMonitor, each as
// long after the open as it was in the recording.
class MonitorThread {
  public:
    MonitorThread(HidWindow window, unsigned inputMessage, unsigned plugMessage,
                  std::vector<RecordedEvent> events, uint64_t openedAtMs)
        : window_(window), input_(inputMessage), plug_(plugMessage) {
        thread_ = std::thread(
            [this, events = std::move(events), openedAtMs] { Play(events, openedAtMs); });
    }
    ~MonitorThread() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();  // closed from inside a sink's post
        else if (thread_.joinable())
            thread_.join();
    }
    MonitorThread(const MonitorThread&) = delete;
    MonitorThread& operator=(const MonitorThread&) = delete;

  private:
    void Play(const std::vector<RecordedEvent>& events, uint64_t openedAtMs) {
        const auto start = std::chrono::steady_clock::now();
        for (const RecordedEvent& event : events) {
            const auto due = start + std::chrono::milliseconds(
                                         event.atMs > openedAtMs ? event.atMs - openedAtMs : 0);
            std::unique_lock<std::mutex> lock(mutex_);
            if (wake_.wait_until(lock, due, [this] { return stop_; })) return;
            lock.unlock();
            Post(event.plug ? plug_ : input_, event.wParam, event.lParam);
        }
    }

    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) const {
        if (window_ == nullptr) return;
#ifdef _WIN32
        PostMessageA(static_cast<HWND>(window_), message, static_cast<WPARAM>(wParam),
                     static_cast<LPARAM>(lParam));
#else
        auto* sink = static_cast<HidEventSink*>(window_);
        if (sink->post != nullptr) sink->post(sink, message, wParam, lParam);
#endif
    }

    HidWindow window_;
    unsigned input_;
    unsigned plug_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

class ReplayDriver {
  public:
    static ReplayDriver& Instance() {
        static ReplayDriver driver;
        return driver;
    }

    void OpenMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) {
        std::vector<RecordedEvent> events;
        uint64_t openedAtMs = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const RecordedCall* call = replayer_.OpenMonitor();
            if (!call) return;
            openedAtMs = call->atMs;
            // The messages up to the next Close_DevMonitor in the recording.
            const auto& calls = replayer_.Played().calls;
            const std::size_t opened = static_cast<std::size_t>(call - calls.data()) + 1;
            std::size_t closed = opened;
            while (closed < calls.size() && calls[closed].kind != CallKind::CloseMonitor) ++closed;
            for (const RecordedEvent& event : replayer_.Played().events)
                if (event.afterCalls >= opened && event.afterCalls <= closed)
                    events.push_back(event);
        }
        std::lock_guard<std::mutex> calls(monitorCalls_);
        monitor_.reset();
        monitor_ = std::make_unique<MonitorThread>(window, inputMessage, plugMessage,
                                                   std::move(events), openedAtMs);
    }

    void CloseMonitor() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            replayer_.CloseMonitor();
        }
        std::lock_guard<std::mutex> calls(monitorCalls_);
        monitor_.reset();
    }

    template <typename F>
    auto Locked(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(replayer_);
    }

  private:
    ReplayDriver() : replayer_(LoadReplayer()) {}
    ~ReplayDriver() {
#ifdef _WIN32
        // At process exit Windows has ended the thread already; joining under
        // the loader lock would hang.
        if (monitor_) static_cast<void>(monitor_.release());
#endif
    }

    std::mutex mutex_;
    Replayer replayer_;
    std::mutex monitorCalls_;
    std::unique_ptr<MonitorThread> monitor_;
};

// A C++ exception must not cross the C interface: a failure counts as a failed call.
template <typename F, typename R>
R Guarded(F&& f, R onFailure) {
    try {
        return f();
    } catch (...) {
        return onFailure;
    }
}

}  // namespace
}  // namespace talun::replay

using talun::replay::Guarded;
using talun::replay::ReplayDriver;
using talun::replay::Replayer;

extern "C" {

HIDDRIVER_EXPORT void Open_DevMonitor(HidWindow window, unsigned inputMessage,
                                      unsigned plugMessage) {
    Guarded(
        [&] {
            ReplayDriver::Instance().OpenMonitor(window, inputMessage, plugMessage);
            return 0;
        },
        0);
}

HIDDRIVER_EXPORT void Close_DevMonitor(void) {
    Guarded(
        [] {
            ReplayDriver::Instance().CloseMonitor();
            return 0;
        },
        0);
}

HIDDRIVER_EXPORT int Open_FeatureDevice(void) {
    return Guarded(
        [] { return ReplayDriver::Instance().Locked([](Replayer& r) { return r.OpenDevice(); }); },
        0);
}

HIDDRIVER_EXPORT void Close_FeatureDevice(void) {
    Guarded(
        [] {
            ReplayDriver::Instance().Locked([](Replayer& r) {
                r.CloseDevice();
                return 0;
            });
            return 0;
        },
        0);
}

HIDDRIVER_EXPORT int SetFeature(unsigned char* report, int length) {
    return Guarded(
        [&] {
            return ReplayDriver::Instance().Locked(
                [&](Replayer& r) { return r.SetFeature(report, length); });
        },
        0);
}

HIDDRIVER_EXPORT int GetFeature(unsigned char* report, int length) {
    return Guarded(
        [&] {
            return ReplayDriver::Instance().Locked(
                [&](Replayer& r) { return r.GetFeature(report, length); });
        },
        0);
}

HIDDRIVER_EXPORT int Get_LastErrorText(char* text, int capacity) {
    return Guarded(
        [&] {
            if (text == nullptr || capacity < 1) return 0;
            const std::string error =
                ReplayDriver::Instance().Locked([](Replayer& r) { return r.ErrorText(); });
            const std::size_t n = std::min(error.size(), static_cast<std::size_t>(capacity - 1));
            std::memcpy(text, error.data(), n);
            text[n] = '\0';
            return static_cast<int>(n);
        },
        0);
}

}  // extern "C"

// The exports must keep the signatures the tool binds them with.
static_assert(std::is_same_v<decltype(&Open_DevMonitor), OpenDevMonitorFn>);
static_assert(std::is_same_v<decltype(&Close_DevMonitor), CloseDevMonitorFn>);
static_assert(std::is_same_v<decltype(&Open_FeatureDevice), OpenFeatureDeviceFn>);
static_assert(std::is_same_v<decltype(&Close_FeatureDevice), CloseFeatureDeviceFn>);
static_assert(std::is_same_v<decltype(&SetFeature), SetFeatureFn>);
static_assert(std::is_same_v<decltype(&GetFeature), GetFeatureFn>);
static_assert(std::is_same_v<decltype(&Get_LastErrorText), LastErrorTextFn>);
