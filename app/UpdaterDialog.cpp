#include "app/UpdaterDialog.h"

#include <string>
#include <utility>

#include "app/AboutDialog.h"
#include "app/AppMessages.h"
#include "platform/PathLimits.h"
#include "platform/ProgramDirectory.h"
#include "platform/SystemLibraryLoader.h"
#include "platform/SystemProfileFile.h"
#include "resources/resource.h"
#include "testpanel/TestCommands.h"
#include "update/DeviceEvents.h"
#include "update/FirmwareImage.h"
#include "update/UpdateRun.h"

namespace talun {

static_assert(IDC_PROFILE_ID == ENTRY_BOX_PROFILE_ID &&
                  IDC_BUTTON_NUMBER == ENTRY_BOX_BUTTON_NUMBER,
              "the entry boxes of the template are the ones the test commands read");
static_assert(IDC_ABCD_1_TIMES == COMMAND_ABCD_1_TIMES && IDC_AB_2_TIMES == COMMAND_AB_2_TIMES &&
                  IDC_QUERY_MAIN_SETTING == COMMAND_QUERY_MAIN_SETTING &&
                  IDC_A_DELAY_B == COMMAND_A_DELAY_B &&
                  IDC_SEND_PROFILE_ID == COMMAND_SEND_PROFILE_ID &&
                  IDC_A_TO_Y_1_TIMES == COMMAND_A_TO_Y_1_TIMES &&
                  IDC_QUERY_MACRO == COMMAND_QUERY_MACRO && IDC_CTRL_C == COMMAND_CTRL_C &&
                  IDC_CTRL_V == COMMAND_CTRL_V,
              "the test panel's buttons carry the commands' identifiers");
static_assert(WM_HID_INPUT_EVENT == WM_USER + 301 && WM_HID_PLUG_EVENT == WM_USER + 302,
              "the monitor's messages");

namespace {

// The system keeps the low four bits of a system command for itself.
constexpr WPARAM SYSTEM_COMMAND_MASK = 0xFFF0;

}  // namespace

UpdaterDialog::UpdaterDialog(ui::WinApp& app)
    : Dialog(app, IDD_TALUNR5UPDATE_DIALOG, nullptr),
      icon_(::LoadIconA(app.Instance(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      loader_(MakeSystemLibraryLoader()),
      profileFile_(MakeSystemProfileFile()),
      context_{state_, library_, clock_, *profileFile_, FirmwareImage::BuiltIn(), notifier_} {}

UpdaterDialog::~UpdaterDialog() {
    // Normally done in OnDestroy; here for a window that never came up.
    if (worker_) worker_->Finish();
}

bool UpdaterDialog::OnInitDialog() {
    // 1. The framework's initialisation: both boxes show their values.
    Dialog::OnInitDialog();
    // 2. The About entry.
    AddAboutToSystemMenu();
    // 3. Big icon, then small icon.
    ::SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    // 4. The three rectangles.
    layout_.BrandRect = BRAND_RECT;
    layout_.StatusRect = STATUS_RECT;
    layout_.HintRect = HINT_RECT;
    // 5. Where the program lives: the driver library and default.ini are there.
    state_.ProgramDirectory = ProgramDirectoryFromPath(CurrentProgramPath());
    state_.maxPathLength = kMaxPathLength;
    // 6. Centred in the work area.
    CenterWindow();
    // 7. The driver library, from the program's directory only.
    BindDriverLibrary();
    // 8. The monitor (messages 1325 and 1326 to this window), then the feature device.
    notifier_.Attach(Handle());
    waitCursor_.Attach(Handle());
    if (OpenDeviceAccess(library_, Handle()) != 0) state_.linkState = LinkState::Attached;
    // 9. The title.
    ::SetWindowTextA(Handle(), WINDOW_TITLE);
    // 10. The values into their boxes again.
    UpdateData(false);

    worker_.emplace([this, window = Handle()](int tag, const std::optional<std::string>& failure) {
        // A job that threw (out of memory) ends a run it was in as not updated.
        if (failure && state_.updateStatus == UpdateStatus::Updating) EndRunFailed(context_);
        ::PostMessageA(window, WM_APP_DEVICE_JOB_DONE, static_cast<WPARAM>(tag), 0);
    });
    // 11. The system gives the focus to the first tab stop, the update button.
    return true;
}

void UpdaterDialog::AddAboutToSystemMenu() {
    const HMENU menu = ::GetSystemMenu(Handle(), FALSE);
    if (menu == nullptr) return;
    char text[256] = {};
    if (::LoadStringA(App().Instance(), IDS_ABOUTBOX, text, sizeof text) <= 0) return;
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
}

void UpdaterDialog::BindDriverLibrary() {
    // A path longer than the program's buffers take counts as a missing library.
    const std::optional<std::string> path =
        JoinBoundedPath(state_.ProgramDirectory, DRIVER_LIBRARY_FILE_NAME, kMaxPathLength);
    // Not loaded, or entry points missing: the empty slots are never called and
    // every device operation counts as failed, so a run ends "FIRMWARE NOT
    // UPDATED." and nothing else changes.
    LoadDriverLibrary(library_, *loader_, path);
    // A placeholder image goes into the simulated mouse only.
    state_.firmwareRefusal = FirmwareRefusal(context_.firmware, library_.IsSimulator());
}

void UpdaterDialog::DoDataExchange(ui::DataExchange& exchange) {
    if (!exchange.SaveAndValidate()) {
        exchange.SetText(IDC_PROFILE_ID, std::to_string(values_.profileId));
        exchange.SetText(IDC_BUTTON_NUMBER, std::to_string(values_.buttonNumber));
        return;
    }
    const std::optional<ExchangeFailure> failure = SaveEntryBoxes(
        values_, [&exchange](int boxId) { return exchange.Text(boxId, ENTRY_BOX_MAX_TEXT); });
    if (failure) exchange.Fail(failure->boxId, failure->message);
}

bool UpdaterDialog::PreTranslateMessage(MSG& msg) {
    // Escape never closes this window (it does close the About box, whose own
    // loop sees its keys).
    const bool ours = msg.hwnd == Handle() || ::IsChild(Handle(), msg.hwnd);
    if (ours && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) return true;
    return Dialog::PreTranslateMessage(msg);
}

bool UpdaterDialog::OnCommand(int id, int notifyCode, HWND /*control*/) {
    if (notifyCode != BN_CLICKED) return false;
    switch (id) {
        case IDC_EXIT:
            OnCancel();
            return true;
        case IDC_UPDATE_FIRMWARE:
            QueueDeviceWork([this] { RunUpdate(context_); }, JobKind::Busy);
            return true;
        case IDC_RETEST:
            QueueDeviceWork([this] { ReTest(context_); }, JobKind::Quiet);
            return true;
        case ID_HELP_COMMAND:
            return true;  // there is no help content
        default:
            break;
    }
    if (IsTestPanelCommand(id)) {
        RunTestCommand(id);
        return true;
    }
    return false;
}

void UpdaterDialog::RunTestCommand(int commandId) {
    // The boxes are read here, on the window's thread, when the command arrives;
    // a failed check tells the operator and sends nothing.
    if (!UpdateData(true)) return;
    // The command gets its own copy: "ABCD(1 Times)" changes the button number it
    // works with, which the next exchange replaces from the box in any case.
    TestPanelValues values = values_;
    QueueDeviceWork(
        [this, commandId, values]() mutable {
            // A query's reply is fetched and dropped: nothing shows it.
            RunTestPanelCommand(context_, commandId, values);
        },
        JobKind::Busy);
}

void UpdaterDialog::OnOK() {
    if (UpdateData(true)) RequestClose(IDOK);
}

void UpdaterDialog::OnCancel() {
    RequestClose(IDCANCEL);
}

void UpdaterDialog::RequestClose(INT_PTR result) {
    if (jobsPending_ > 0) {
        // Never cut a firmware write short: close once the work asked for is done.
        if (!closeRequested_) closeRequested_ = result;
        return;
    }
    EndDialog(result);
}

void UpdaterDialog::QueueDeviceWork(JobQueue::Job job, JobKind kind) {
    if (!worker_ || closeRequested_) return;  // closing: no new work
    ++jobsPending_;
    if (kind == JobKind::Busy) waitCursor_.Begin();
    worker_->Post(std::move(job), static_cast<int>(kind));
}

void UpdaterDialog::OnDeviceJobDone(JobKind kind) {
    if (jobsPending_ > 0) --jobsPending_;
    if (kind == JobKind::Busy) waitCursor_.End();
    if (jobsPending_ == 0 && closeRequested_) EndDialog(*closeRequested_);
}

void UpdaterDialog::RefreshStatusArea() {
    ::InvalidateRect(Handle(), &layout_.StatusRect, TRUE);
    ::InvalidateRect(Handle(), &layout_.HintRect, TRUE);
}

std::optional<LRESULT> UpdaterDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & SYSTEM_COMMAND_MASK) != IDM_ABOUTBOX) return std::nullopt;
            OnSysCommand(wParam, lParam);
            return 0;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<LRESULT>(icon_);
        case WM_SETCURSOR:
            if (!waitCursor_.OnSetCursor()) return std::nullopt;
            return TRUE;
        case WM_HID_PLUG_EVENT: {
            const uint32_t code =
                plugs_.EventOf(static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
            QueueDeviceWork([this, code] { DispatchDeviceEvent(context_, code); }, JobKind::Busy);
            return 1;
        }
        case WM_HID_INPUT_EVENT: {
            const uint32_t code =
                InputEventCode(static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
            // Only plug events do device work; button events change nothing and
            // must not flash the wait cursor.
            const JobKind kind = (code >> 16) == EVENT_CLASS_PLUG ? JobKind::Busy : JobKind::Quiet;
            QueueDeviceWork([this, code] { DispatchDeviceEvent(context_, code); }, kind);
            return 1;
        }
        case WM_APP_STATUS_CHANGED:
            shownStatus_ = static_cast<UpdateStatus>(wParam);
            // "UPDATING...." is drawn at once, however soon the run may end.
            if (shownStatus_ == UpdateStatus::Updating) {
                ::InvalidateRect(Handle(), &layout_.StatusRect, TRUE);
                ::UpdateWindow(Handle());
            }
            return 0;
        case WM_APP_REFRESH_STATUS_AREA:
            RefreshStatusArea();
            return 0;
        case WM_APP_REPAINT_WINDOW:
            ::InvalidateRect(Handle(), nullptr, TRUE);
            return 0;
        case WM_APP_DEVICE_JOB_DONE:
            OnDeviceJobDone(static_cast<JobKind>(wParam));
            return 0;
        default:
            return std::nullopt;
    }
}

void UpdaterDialog::OnSysCommand(WPARAM /*command*/, LPARAM /*lParam*/) {
    AboutDialog about(App(), Handle());
    about.DoModal();
}

void UpdaterDialog::OnPaint() {
    ui::PaintScope paint(Handle());
    RECT client{};
    ::GetClientRect(Handle(), &client);
    if (::IsIconic(Handle())) {
        ::SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Dc()), 0);
        const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(paint.Dc(), x, y, icon_);
        return;
    }
    PaintStatusArea(paint.Dc(), client.right, client.bottom, layout_, shownStatus_);
}

void UpdaterDialog::OnDestroy() {
    // Runs before the system's default destroy handling, which has nothing the
    // device depends on. Whatever was still queued runs to its end first: no
    // write is cut short.
    if (worker_) worker_->Finish();
    // The pause, then monitor and feature device closed, then the library released.
    ::Sleep(CLOSE_DEVICE_DELAY_MS);
    CloseDeviceAccess(library_);
    if (library_.IsLoaded()) library_.Unload();
}

}  // namespace talun
