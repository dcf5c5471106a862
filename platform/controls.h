// Borrowing wrappers for a dialog's child controls: each holds a control's handle, owns nothing,
// and sends the control's messages under readable names.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

std::string WindowText(HWND window);
// Sets the text only when it differs, so that an edit raises EN_CHANGE only for a real change.
void SetWindowTextIfChanged(HWND window, const std::string& text);

class ControlWindow {
public:
    void Attach(HWND handle) { handle_ = handle; }
    HWND Handle() const { return handle_; }
    std::string Text() const { return WindowText(handle_); }
    // Invalidates, erases and repaints at once.
    void RedrawNow() const { RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

protected:
    HWND handle_ = nullptr;
};

class StaticText : public ControlWindow {};
class EditControl : public ControlWindow {};

class Trackbar : public ControlWindow {
public:
    void SetRange(int minimum, int maximum, bool redraw) const
    {
        SendMessageA(handle_, TBM_SETRANGEMIN, FALSE, minimum);
        SendMessageA(handle_, TBM_SETRANGEMAX, redraw, maximum);
    }
    int Position() const { return static_cast<int>(SendMessageA(handle_, TBM_GETPOS, 0, 0)); }
    // The trackbar limits the position to its range.
    void SetPosition(int position) const { SendMessageA(handle_, TBM_SETPOS, TRUE, position); }
};
