// The main window: the picture, "UPDATE R5 MOUSE FIRMWARE", "EXIT", the status
// area it paints itself, and the hidden production test panel.
//
// The window binds the driver library, opens the device and hands every piece of
// device work (plug and input events, the update run, "Re-Test", the test
// commands) to one worker thread, in the order in which the messages and
// commands arrived. The worker's news comes back as posted messages, so the
// window keeps painting and answering while the mouse is busy. A close asked for
// during device work takes effect once that work is done.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "app/StatusPainter.h"
#include "app/WindowNotifier.h"
#include "app/framework/Dialog.h"
#include "app/framework/WaitCursor.h"
#include "app/framework/WinHandles.h"
#include "device/DriverLibrary.h"
#include "platform/LibraryLoader.h"
#include "platform/ProfileFile.h"
#include "platform/SystemClock.h"
#include "testpanel/EntryBoxes.h"
#include "update/DeviceEvents.h"
#include "update/JobQueue.h"
#include "update/ToolState.h"

namespace talun {

inline constexpr char WINDOW_TITLE[] = "Talun R5 Firmware Update V3.01";
inline constexpr char DRIVER_LIBRARY_FILE_NAME[] = "hiddriver.dll";
// The pause between the window's end and the closing of the device.
inline constexpr DWORD CLOSE_DEVICE_DELAY_MS = 1000;

class UpdaterDialog final : public ui::Dialog {
  public:
    explicit UpdaterDialog(ui::WinApp& app);
    ~UpdaterDialog() override;

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(ui::DataExchange& exchange) override;
    bool PreTranslateMessage(MSG& msg) override;
    bool OnCommand(int id, int notifyCode, HWND control) override;
    void OnOK() override;
    void OnCancel() override;
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;

  private:
    enum class JobKind : int { Quiet = 0, Busy = 1 };  // Busy: shows the wait cursor

    void AddAboutToSystemMenu();
    void BindDriverLibrary();
    void OnPaint();
    void OnSysCommand(WPARAM command, LPARAM lParam);
    // Invalidates StatusRect and HintRect with erasing; the next paint redraws them.
    void RefreshStatusArea();
    void QueueDeviceWork(JobQueue::Job job, JobKind kind);
    void OnDeviceJobDone(JobKind kind);
    void RunTestCommand(int commandId);
    // Ends the dialog now, or once the device work already asked for is done.
    void RequestClose(INT_PTR result);

    // The three text rectangles, in client pixels (set during initialisation).
    StatusLayout layout_{};
    // The test panel's values, exchanged with boxes 1040 and 1041.
    TestPanelValues values_;
    HICON icon_ = nullptr;

    // What the device work uses. The worker is the only thread that touches
    // state_ (beyond the program directory and the refusal set before it starts)
    // and the device, until it has been finished.
    ToolState state_;
    std::unique_ptr<LibraryLoader> loader_;
    DriverLibrary library_;
    SystemClock clock_;
    std::unique_ptr<ProfileFile> profileFile_;
    WindowNotifier notifier_;
    CoreContext context_;
    std::optional<JobQueue> worker_;

    // What the window shows: UpdateStatus as the worker last reported it.
    UpdateStatus shownStatus_ = UpdateStatus::Idle;
    OneMousePlugs plugs_;  // the window's one mouse among the plug messages
    int jobsPending_ = 0;
    ui::WaitCursor waitCursor_;
    std::optional<INT_PTR> closeRequested_;
};

}  // namespace talun
