// The simulated mouse as a driver library (libhiddriver.so / hiddriver.dll).
//
// One mouse per process, set up on the first call from the scenario file beside
// the library (or the file named by TALUN_SIM_SCENARIO). The feature-report calls
// go straight to the model under a lock; the monitor is a thread that plays the
// scenario's plug and unplug times, acts on the lines appended to the control
// file, and tells the window whenever the mouse appears or disappears.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "device/HidDriverApi.h"
#include "driver/sim/Scenario.h"
#include "driver/sim/SimFiles.h"
#include "driver/sim/SimMouse.h"
#include "platform/Clock.h"

namespace talun::sim {
namespace {

constexpr const char* kScenarioFileName = "sim-scenario.ini";
constexpr const char* kScenarioVariable = "TALUN_SIM_SCENARIO";
constexpr const char* kDeviceListing = "sim:talun-r5 Talun R5 (simulated mouse)\n";

class SteadyClock final : public Clock {
  public:
    void Sleep(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    uint64_t NowMs() const override {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start_)
                                         .count());
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

// The directory of this library's own file.
std::string LibraryDirectory() {
    static const char anchor = 0;
#ifdef _WIN32
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            &anchor, &module))
        return ".";
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return ".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 65536) return ".";
        path.resize(path.size() * 2);
    }
    return DirectoryOf(path);
#else
    Dl_info info{};
    if (dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr) return ".";
    return DirectoryOf(info.dli_fname);
#endif
}

struct TimedEvent {
    uint64_t atMs;
    bool plug;
};

class SimDriver {
  public:
    static SimDriver& Instance() {
        static SimDriver driver;
        return driver;
    }

    SimDriver(const SimDriver&) = delete;
    SimDriver& operator=(const SimDriver&) = delete;

    void OpenMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) {
        std::lock_guard<std::mutex> calls(monitorCalls_);
        StopMonitor();
        window_ = window;
        inputMessage_ = inputMessage;
        plugMessage_ = plugMessage;
        {
            std::lock_guard<std::mutex> lock(mouseMutex_);
            reportedPresent_ = mouse_.IsPresent();  // a mouse already there is not announced
        }
        if (!scheduleStarted_) {
            scheduleStarted_ = true;
            scheduleOriginMs_ = clock_.NowMs();
        }
        {
            std::lock_guard<std::mutex> lock(monitorMutex_);
            stop_ = false;
        }
        thread_ = std::thread([this] { MonitorLoop(); });
    }

    void CloseMonitor() {
        std::lock_guard<std::mutex> calls(monitorCalls_);
        StopMonitor();
    }

    int OpenFeature() {
        std::lock_guard<std::mutex> lock(mouseMutex_);
        const int result = mouse_.OpenFeatureDevice();
        WriteStateLocked();
        return result;
    }

    void CloseFeature() {
        std::lock_guard<std::mutex> lock(mouseMutex_);
        mouse_.CloseFeatureDevice();
        WriteStateLocked();
    }

    int Set(unsigned char* report, int length) {
        std::lock_guard<std::mutex> lock(mouseMutex_);
        const bool wasPresent = mouse_.IsPresent();
        const int result = mouse_.SetFeature(report, length);
        if (mouse_.IsPresent() != wasPresent) WriteStateLocked();  // unplugged after n writes
        return result;
    }

    int Get(unsigned char* buffer, int length) {
        std::lock_guard<std::mutex> lock(mouseMutex_);
        return mouse_.GetFeature(buffer, length);
    }

    int List(char* text, int capacity) {
        if (text == nullptr || capacity < 1) return -1;
        bool present;
        {
            std::lock_guard<std::mutex> lock(mouseMutex_);
            present = mouse_.IsPresent();
        }
        const std::string listing = present ? kDeviceListing : "";
        const std::size_t n = std::min(listing.size(), static_cast<std::size_t>(capacity - 1));
        std::memcpy(text, listing.data(), n);
        text[n] = '\0';
        return present ? 1 : 0;
    }

  private:
    SimDriver() : mouse_(clock_) {
        LoadScenario();
        mouse_.Faults() = scenario_.faults;
        mouse_.SetPresent(scenario_.presentAtStart);
        mouse_.KeepTrace(false);  // the trace goes to the trace file, if any
        if (!scenario_.traceFile.empty()) {
            trace_.open(scenario_.traceFile, std::ios::binary | std::ios::app);
            if (!trace_) Complain("trace_file " + scenario_.traceFile + " cannot be opened");
        }
        mouse_.OnTransfer([this](const TraceEntry& e) {
            if (!trace_.is_open()) return;
            trace_ << FormatTraceLine(e) << '\n';
            trace_.flush();
        });
        mouse_.OnCommit([this](uint8_t) { WriteStateLocked(); });
        if (!scenario_.firmwareFile.empty()) {
            std::string error;
            expectedBlock_ = LoadFirmwareBlock(scenario_.firmwareFile, error);
            if (!expectedBlock_) Complain(error);
        }
        for (const uint64_t t : scenario_.plugAtMs) schedule_.push_back({t, true});
        for (const uint64_t t : scenario_.unplugAtMs) schedule_.push_back({t, false});
        std::stable_sort(schedule_.begin(), schedule_.end(),
                         [](const TimedEvent& a, const TimedEvent& b) { return a.atMs < b.atMs; });
        if (!scenario_.controlFile.empty()) control_.emplace(scenario_.controlFile);
        WriteStateLocked();
    }

    ~SimDriver() {
#ifdef _WIN32
        // Reached at process exit, when Windows has already ended the monitor
        // thread, or on FreeLibrary without Close_DevMonitor; joining under the
        // loader lock would hang for ever.
        if (thread_.joinable()) thread_.detach();
#else
        StopMonitor();
#endif
    }

    void LoadScenario() {
        const char* named = std::getenv(kScenarioVariable);
        const bool isNamed = named != nullptr && named[0] != '\0';
        const std::string path =
            isNamed ? std::string(named) : LibraryDirectory() + "/" + kScenarioFileName;
        const auto text = ReadWholeFile(path);
        if (!text) {
            // No scenario beside the library: the mouse is there and answers Done.
            // A scenario that was asked for by name and is missing means no mouse,
            // so that a mistyped path cannot pass for a working mouse.
            if (isNamed) {
                scenario_.faults.absent = true;
                Complain("scenario " + path + " cannot be read; no mouse");
            }
            return;
        }
        scenario_ = ParseScenario(*text, DirectoryOf(path));
        const std::vector<std::string> errors = scenario_.errors;
        for (const auto& e : errors) Complain(path + ": " + e);
    }

    // Called with mouseMutex_ held, or before any other thread exists.
    void Complain(const std::string& message) {
        std::fprintf(stderr, "hiddriver (simulated mouse): %s\n", message.c_str());
        errors_.push_back(message);
    }

    void WriteStateLocked() {
        if (scenario_.stateFile.empty()) return;
        const std::string text = FormatState(mouse_, expectedBlock_ ? &*expectedBlock_ : nullptr,
                                             ++stateSequence_, errors_);
        if (!ReplaceFileContent(scenario_.stateFile, text) && !stateFileFailed_) {
            stateFileFailed_ = true;
            Complain("state_file " + scenario_.stateFile + " cannot be written");
        }
    }

    void StopMonitor() {
        {
            std::lock_guard<std::mutex> lock(monitorMutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (!thread_.joinable()) return;
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();  // closed from inside a sink's post: the loop ends by itself
        else
            thread_.join();
    }

    void MonitorLoop() {
        std::unique_lock<std::mutex> lock(monitorMutex_);
        while (!stop_) {
            lock.unlock();
            Tick();
            lock.lock();
            wake_.wait_until(lock, NextWake(), [this] { return stop_; });
        }
    }

    std::chrono::steady_clock::time_point NextWake() const {
        auto wait = std::chrono::milliseconds(scenario_.pollMs);
        if (nextEvent_ < schedule_.size()) {
            const uint64_t elapsed = clock_.NowMs() - scheduleOriginMs_;
            const uint64_t due = schedule_[nextEvent_].atMs;
            const auto untilDue = std::chrono::milliseconds(due > elapsed ? due - elapsed : 0);
            wait = std::min(wait, untilDue);
        }
        return std::chrono::steady_clock::now() + wait;
    }

    // One poll of the monitor thread.
    void Tick() {
        const uint64_t elapsed = clock_.NowMs() - scheduleOriginMs_;
        while (nextEvent_ < schedule_.size() && schedule_[nextEvent_].atMs <= elapsed)
            SetPresence(schedule_[nextEvent_++].plug);
        if (control_) {
            for (const auto& line : control_->NewLines()) Act(line);
        }
        ReportPresence();
    }

    void Act(const std::string& line) {
        const ControlCommand c = ParseControlLine(line);
        switch (c.kind) {
            case ControlCommand::None:
                return;
            case ControlCommand::Plug:
            case ControlCommand::Unplug:
                SetPresence(c.kind == ControlCommand::Plug);
                return;
            case ControlCommand::Button:
            case ControlCommand::Input:
                Post(inputMessage_, static_cast<uintptr_t>(c.wParam),
                     static_cast<intptr_t>(c.lParam));
                return;
            case ControlCommand::PlugMessage:
                Post(plugMessage_, static_cast<uintptr_t>(c.wParam), 0);
                return;
            case ControlCommand::SetFault: {
                std::lock_guard<std::mutex> lock(mouseMutex_);
                const std::string error = ApplyLiveFault(mouse_, c.key, c.value);
                if (!error.empty()) Complain("control line '" + line + "': " + error);
                WriteStateLocked();
                return;
            }
            case ControlCommand::Invalid: {
                std::lock_guard<std::mutex> lock(mouseMutex_);
                Complain("control line '" + line + "': " + c.error);
                WriteStateLocked();
                return;
            }
        }
    }

    void SetPresence(bool present) {
        {
            std::lock_guard<std::mutex> lock(mouseMutex_);
            mouse_.SetPresent(present);
            WriteStateLocked();
        }
        ReportPresence();
    }

    // Tells the window when the mouse came or went since the last plug message.
    void ReportPresence() {
        bool present;
        {
            std::lock_guard<std::mutex> lock(mouseMutex_);
            present = mouse_.IsPresent();
        }
        if (present == reportedPresent_) return;
        reportedPresent_ = present;
        Post(plugMessage_, present ? 1 : 0, 0);
    }

    // Runs on the monitor thread with no lock held.
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
        if (window_ == nullptr) return;
#ifdef _WIN32
        PostMessageA(static_cast<HWND>(window_), message, static_cast<WPARAM>(wParam),
                     static_cast<LPARAM>(lParam));
#else
        auto* sink = static_cast<HidEventSink*>(window_);
        if (sink->post != nullptr) sink->post(sink, message, wParam, lParam);
#endif
    }

    // The mouse and everything its calls touch (trace and state files, errors).
    std::mutex mouseMutex_;
    SteadyClock clock_;
    Scenario scenario_;
    SimMouse mouse_;
    std::ofstream trace_;
    std::optional<std::vector<uint8_t>> expectedBlock_;
    std::vector<std::string> errors_;
    uint64_t stateSequence_ = 0;
    bool stateFileFailed_ = false;

    // The monitor. Open and close are serialised by monitorCalls_; the thread's
    // own state (window, schedule, control file) changes only while it is stopped.
    std::mutex monitorCalls_;
    std::mutex monitorMutex_;
    std::condition_variable wake_;
    bool stop_ = true;
    std::thread thread_;
    HidWindow window_ = nullptr;
    unsigned inputMessage_ = 0;
    unsigned plugMessage_ = 0;
    bool reportedPresent_ = false;
    bool scheduleStarted_ = false;
    uint64_t scheduleOriginMs_ = 0;
    std::vector<TimedEvent> schedule_;
    std::size_t nextEvent_ = 0;
    std::optional<ControlFileReader> control_;
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
}  // namespace talun::sim

using talun::sim::Guarded;
using talun::sim::SimDriver;

extern "C" {

HIDDRIVER_EXPORT void HIDDRIVER_CALL Open_DevMonitor(HidWindow window, unsigned inputMessage,
                                                     unsigned plugMessage) {
    Guarded(
        [&] {
            SimDriver::Instance().OpenMonitor(window, inputMessage, plugMessage);
            return 0;
        },
        0);
}

HIDDRIVER_EXPORT void HIDDRIVER_CALL Close_DevMonitor(void) {
    Guarded(
        [] {
            SimDriver::Instance().CloseMonitor();
            return 0;
        },
        0);
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL Open_FeatureDevice(void) {
    return Guarded([] { return SimDriver::Instance().OpenFeature(); }, 0);
}

HIDDRIVER_EXPORT void HIDDRIVER_CALL Close_FeatureDevice(void) {
    Guarded(
        [] {
            SimDriver::Instance().CloseFeature();
            return 0;
        },
        0);
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL SetFeature(unsigned char* report, int length) {
    return Guarded([&] { return SimDriver::Instance().Set(report, length); }, 0);
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL GetFeature(unsigned char* report, int length) {
    return Guarded([&] { return SimDriver::Instance().Get(report, length); }, 0);
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL List_HidDevices(char* text, int capacity) {
    return Guarded([&] { return SimDriver::Instance().List(text, capacity); }, -1);
}

// This library drives no hardware: the placeholder firmware image may go through it.
HIDDRIVER_EXPORT int HIDDRIVER_CALL HidDriver_IsSimulator(void) {
    return 1;
}

}  // extern "C"

// The exports must keep the signatures the tool binds them with (in the
// __stdcall build, all but the convention).
#ifndef HIDDRIVER_STDCALL
static_assert(std::is_same_v<decltype(&Open_DevMonitor), OpenDevMonitorFn>);
static_assert(std::is_same_v<decltype(&Close_DevMonitor), CloseDevMonitorFn>);
static_assert(std::is_same_v<decltype(&Open_FeatureDevice), OpenFeatureDeviceFn>);
static_assert(std::is_same_v<decltype(&Close_FeatureDevice), CloseFeatureDeviceFn>);
static_assert(std::is_same_v<decltype(&SetFeature), SetFeatureFn>);
static_assert(std::is_same_v<decltype(&GetFeature), GetFeatureFn>);
static_assert(std::is_same_v<decltype(&List_HidDevices), ListDevicesFn>);
static_assert(std::is_same_v<decltype(&HidDriver_IsSimulator), IsSimulatorFn>);
#endif
