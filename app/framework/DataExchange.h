// One data exchange between a dialog's values and its controls.
//
// In the save direction a value that fails its check is reported as the dialog
// framework reports it: a message box with the exclamation icon and an OK
// button, captioned with the application's title; then the keyboard focus goes
// to the control concerned and its whole text is selected.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>

namespace talun::ui {

class DataExchange {
  public:
    DataExchange(HWND dialog, std::string caption, bool saveAndValidate)
        : dialog_(dialog), caption_(std::move(caption)), saveAndValidate_(saveAndValidate) {}

    // True: controls to values, with checks. False: values to controls.
    bool SaveAndValidate() const { return saveAndValidate_; }

    // The text of a control, at most maxChars characters of it.
    std::string Text(int controlId, std::size_t maxChars) const;
    void SetText(int controlId, const std::string& text) const;

    // A check failed on this control: tells the operator, moves the focus there
    // and selects the control's text. The exchange counts as failed.
    void Fail(int controlId, const std::string& message);
    bool Failed() const { return failed_; }

  private:
    HWND dialog_;
    std::string caption_;
    bool saveAndValidate_;
    bool failed_ = false;
};

}  // namespace talun::ui
