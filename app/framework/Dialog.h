// A dialog run from a template, modally, with a message loop of its own.
//
// DoModal() creates the dialog, disables its owner, and runs its loop: every
// message first goes to PreTranslateMessage() (by default the dialog keyboard
// handling: Tab, Enter, Escape, mnemonics), otherwise it is translated and
// dispatched. EndDialog() ends the loop; the dialog is then hidden, the owner
// enabled again and the window destroyed. A WM_QUIT met in the loop ends it too
// and is handed on to the loop outside.
//
// Messages reach the virtual handlers below; a handler that returns "not
// handled" leaves the message to the system's default dialog handling.
#pragma once

#include <windows.h>

#include <optional>

#include "app/framework/DataExchange.h"
#include "app/framework/WinApp.h"

namespace talun::ui {

class Dialog {
  public:
    Dialog(WinApp& app, int templateId, HWND owner);
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    // Runs the dialog until EndDialog; its result, or -1 when it could not be made.
    INT_PTR DoModal();
    // Ends the modal loop with this result (the window goes when the loop returns).
    void EndDialog(INT_PTR result);

    HWND Handle() const { return window_; }
    WinApp& App() const { return app_; }

    // Data exchange: values to controls (false) or controls to values with their
    // checks (true). False when a check failed (the operator has been told).
    bool UpdateData(bool saveAndValidate);

  protected:
    // After the controls exist. Default: values to controls. True leaves the
    // focus to the system (the first tab stop). A dialog that this leaves where
    // its template put it is then centred.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& exchange);
    // True when the message was dealt with and must go no further.
    virtual bool PreTranslateMessage(MSG& msg);
    // A command (button click, menu, accelerator). False: not handled.
    virtual bool OnCommand(int id, int notifyCode, HWND control);
    // IDOK: values saved and checked, then the dialog ends with IDOK.
    virtual void OnOK();
    // IDCANCEL (Escape, the close box, Alt+F4): the dialog ends with IDCANCEL.
    virtual void OnCancel();
    // Any other message. nullopt: not handled (default handling follows).
    virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_DESTROY, before the default handling.
    virtual void OnDestroy() {}

    // Centres the window over its owner, or in the work area of its screen.
    void CenterWindow();

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    WinApp& app_;
    int templateId_;
    HWND owner_;
    HWND window_ = nullptr;
    bool running_ = false;
    INT_PTR result_ = IDCANCEL;
};

}  // namespace talun::ui
