// A driver library that plays a recording back (libhiddriver.so / hiddriver.dll
// from driver/replay): the replay's backend of the driver front. The recording
// named by TALUN_REPLAY_RECORDING is loaded on the first call. Every call goes to
// the Replayer under one lock; the monitor is a thread that sends the recorded
// messages at their recorded times after the monitor was opened. It says
// nothing of being the simulated mouse: it stands for the mouse that was
// recorded, so a placeholder image is refused through it as through any real
// mouse's library.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "device/Recording.h"
#include "driver/front/HidDriver.h"
#include "driver/front/LastError.h"
#include "driver/front/WindowPost.h"
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
            hiddriver::PostToWindow(window_, event.plug ? plug_ : input_, event.wParam,
                                    event.lParam);
        }
    }

    HidWindow window_;
    unsigned input_;
    unsigned plug_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

// The messages recorded between the Open_DevMonitor at call index opened and
// the next Close_DevMonitor.
std::vector<RecordedEvent> EventsOfMonitor(const Recording& recording, std::size_t opened) {
    std::size_t closed = opened + 1;
    while (closed < recording.calls.size() &&
           recording.calls[closed].kind != TraceKind::CloseMonitor)
        ++closed;
    std::vector<RecordedEvent> events;
    for (const RecordedEvent& event : recording.events)
        if (event.afterCalls > opened && event.afterCalls <= closed) events.push_back(event);
    return events;
}

class ReplayDriver final : public hiddriver::HidDriver {
  public:
    ReplayDriver() : replayer_(LoadReplayer()) {}
    ~ReplayDriver() override {
#ifdef _WIN32
        // At process exit Windows has ended the thread already; joining under
        // the loader lock would hang.
        if (monitor_) static_cast<void>(monitor_.release());
#endif
    }

    void OpenMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) override {
        std::vector<RecordedEvent> events;
        uint64_t openedAtMs = 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const RecordedCall* call = replayer_.OpenMonitor();
            if (!call) return;
            openedAtMs = call->atMs;
            const auto& calls = replayer_.Played().calls;
            events =
                EventsOfMonitor(replayer_.Played(), static_cast<std::size_t>(call - calls.data()));
        }
        std::lock_guard<std::mutex> calls(monitorCalls_);
        monitor_.reset();
        monitor_ = std::make_unique<MonitorThread>(window, inputMessage, plugMessage,
                                                   std::move(events), openedAtMs);
    }
    void CloseMonitor() override {
        Locked([](Replayer& r) {
            r.CloseMonitor();
            return 0;
        });
        std::lock_guard<std::mutex> calls(monitorCalls_);
        monitor_.reset();
    }
    int OpenFeatureDevice() override {
        return Locked([](Replayer& r) { return r.OpenDevice(); });
    }
    void CloseFeatureDevice() override {
        Locked([](Replayer& r) {
            r.CloseDevice();
            return 0;
        });
    }
    int SetFeature(unsigned char* report, int length) override {
        return Locked([&](Replayer& r) { return r.SetFeature(report, length); });
    }
    int GetFeature(unsigned char* report, int length) override {
        return Locked([&](Replayer& r) { return r.GetFeature(report, length); });
    }
    // The first difference from the recording, for good; else what a call threw.
    std::string LastErrorText() const override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!replayer_.ErrorText().empty()) return replayer_.ErrorText();
        }
        return thrown_.Get();
    }
    void NoteException(const char* entryPoint, const std::string& what) override {
        thrown_.Set(std::string(entryPoint) + ": " + what);
    }

  private:
    template <typename F>
    auto Locked(F&& f) -> decltype(f(std::declval<Replayer&>())) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(replayer_);
    }

    mutable std::mutex mutex_;
    Replayer replayer_;  // guarded by mutex_
    hiddriver::LastError thrown_;
    std::mutex monitorCalls_;
    std::unique_ptr<MonitorThread> monitor_;  // guarded by monitorCalls_
};

}  // namespace
}  // namespace talun::replay

talun::hiddriver::HidDriver& talun::hiddriver::TheDriver() {
    static talun::replay::ReplayDriver driver;
    return driver;
}
