// A thin modeless dialog base: the dialog procedure finds the object from the window's user data
// (set at WM_INITDIALOG) and dispatches with one switch to typed handlers; DataExchange moves
// values between members and controls with validation.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/controls.h"

class Dialog;

// One pass of data exchange. Saving reads the controls into the members and validates them; the
// first field that cannot be read shows the dialog's validation prompt, and every later field of
// the pass is left alone. Writing puts the members into the controls.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }

    void Control(int id, ControlWindow& control);
    void SliderPosition(int id, int& position);
    void Text(int id, std::string& text);
    // Plain decimal digits, surrounding blanks allowed, up to 4294967295.
    void Unsigned(int id, uint32_t& value);
    // Checks the value just read by Unsigned; does nothing when writing.
    void Range(uint32_t value, uint32_t minimum, uint32_t maximum);

private:
    void Fail(const std::string& prompt);

    Dialog& dialog_;
    bool saving_;
    bool failed_ = false;
};

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND Handle() const { return handle_; }
    HWND Item(int id) const { return GetDlgItem(handle_, id); }

    // Creates the modeless dialog from a template in memory (DLGTEMPLATE or DLGTEMPLATEEX). Null
    // when it cannot be created or a handler failed (ran out of memory) during creation; the
    // object then still belongs to the caller. Once a window exists, OnFinalMessage runs after
    // its last message.
    HWND CreateIndirect(const void* dialogTemplate, HWND parent);

    // Saving: reads and validates the controls, false when a field failed. Writing: true.
    bool UpdateData(bool saving);

    // The validation prompt currently shown, or null.
    HWND Prompt() const { return prompt_; }

protected:
    // The default puts the members into the controls; the result asks for the default focus.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange&) {}
    virtual void OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
    virtual void OnVScroll(int /*code*/, int /*position*/, HWND /*control*/) {}
    virtual void OnHScroll(int /*code*/, int /*position*/, HWND /*control*/) {}
    virtual void OnDestroy() {}
    // After WM_NCDESTROY, when the window and its children are gone; a self-owning dialog
    // deletes itself here.
    virtual void OnFinalMessage() {}

private:
    friend class DataExchange;

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK PromptProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // Shows the text in a small window owned by the dialog's top-level window. It is modeless
    // and takes neither the focus nor the mouse capture, so a handler that fails validation in
    // the middle of a slider drag goes on at once; OK or Escape closes it.
    void ShowPrompt(const std::string& text);

    HWND handle_ = nullptr;
    HWND prompt_ = nullptr;
    bool creating_ = false;
    // A handler failed (threw, as when out of memory) since CreateIndirect began.
    bool handlerFailed_ = false;
    bool destroying_ = false;
};
