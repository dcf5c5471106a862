#include "platform/dialog.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/number_text.h"
#include "platform/message_route.h"
#include "platform/this_module.h"

namespace {
constexpr int kPromptTextId = 100;

// A dialog template built in memory, DWORD-aligned as the dialog manager needs it.
class TemplateWriter {
public:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value)
    {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void String(const std::string& text)
    {
        const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        std::vector<wchar_t> wide(length > 0 ? length : 1);
        if (length > 0)
            MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
        for (wchar_t c : wide)
            Word(c);
    }
    void AlignToDword()
    {
        if (words_.size() % 2)
            Word(0);
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const std::string& text)
    {
        AlignToDword();
        Dword(style);
        Dword(0);
        for (short value : {x, y, cx, cy})
            Word(static_cast<WORD>(value));
        Word(id);
        Word(0xFFFF);
        Word(classAtom);
        String(text);
        Word(0);
    }
    // DWORD-aligned storage.
    std::vector<DWORD> Finish()
    {
        AlignToDword();
        std::vector<DWORD> result(words_.size() / 2);
        for (size_t i = 0; i < result.size(); ++i)
            result[i] = MAKELONG(words_[2 * i], words_[2 * i + 1]);
        return result;
    }

private:
    std::vector<WORD> words_;
};

std::vector<DWORD> PromptTemplate(const std::string& caption)
{
    constexpr WORD kButtonAtom = 0x0080;
    constexpr WORD kStaticAtom = 0x0082;
    TemplateWriter writer;
    writer.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    writer.Dword(0);
    writer.Word(2);
    for (int value : {0, 0, 180, 52})
        writer.Word(static_cast<WORD>(value));
    writer.Word(0);
    writer.Word(0);
    writer.String(caption);
    writer.Word(8);
    writer.String("MS Sans Serif");
    writer.Item(WS_CHILD | WS_VISIBLE | SS_LEFT, 7, 7, 166, 18, kPromptTextId, kStaticAtom, "");
    writer.Item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 65, 31, 50, 14, IDOK, kButtonAtom, "OK");
    return writer.Finish();
}

// Moves window to the middle of over, then as little as keeps it on the work area of over's
// monitor (the top left corner wins where it is larger than that area).
void CentreOver(HWND window, HWND over)
{
    RECT own{}, target{};
    if (!GetWindowRect(window, &own) || !GetWindowRect(over, &target))
        return;
    const LONG width = own.right - own.left, height = own.bottom - own.top;
    LONG x = target.left + (target.right - target.left - width) / 2;
    LONG y = target.top + (target.bottom - target.top - height) / 2;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(over, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        x = std::max(work.left, std::min(x, work.right - width));
        y = std::max(work.top, std::min(y, work.bottom - height));
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
}  // namespace

void DataExchange::Control(int id, ControlWindow& control)
{
    if (!failed_)
        control.Attach(dialog_.Item(id));
}

void DataExchange::SliderPosition(int id, int& position)
{
    if (failed_)
        return;
    Trackbar slider;
    slider.Attach(dialog_.Item(id));
    if (saving_)
        position = slider.Position();
    else
        slider.SetPosition(position);
}

void DataExchange::Text(int id, std::string& text)
{
    if (failed_)
        return;
    if (saving_)
        text = WindowText(dialog_.Item(id));
    else
        SetWindowTextIfChanged(dialog_.Item(id), text);
}

void DataExchange::Unsigned(int id, uint32_t& value)
{
    if (failed_)
        return;
    const HWND control = dialog_.Item(id);
    if (!saving_) {
        char text[16];
        std::snprintf(text, sizeof text, "%u", value);
        SetWindowTextIfChanged(control, text);
        return;
    }
    if (!ParseUnsigned(WindowText(control), value))
        Fail("Enter a whole number, with digits only.");
}

void DataExchange::Range(uint32_t value, uint32_t minimum, uint32_t maximum)
{
    if (failed_ || !saving_ || (value >= minimum && value <= maximum))
        return;
    char text[96];
    std::snprintf(text, sizeof text, "Enter a number from %u to %u.", minimum, maximum);
    Fail(text);
}

void DataExchange::Fail(const std::string& prompt)
{
    failed_ = true;
    dialog_.ShowPrompt(prompt);
}

Dialog::~Dialog()
{
    if (prompt_)
        DestroyWindow(prompt_);
    if (handle_) {
        SetWindowLongPtrA(handle_, DWLP_USER, 0);
        DestroyWindow(handle_);
    }
}

HWND Dialog::CreateIndirect(const void* dialogTemplate, HWND parent)
{
    creating_ = true;
    handlerFailed_ = false;
    HWND window = CreateDialogIndirectParamA(ThisModule(), static_cast<const DLGTEMPLATE*>(dialogTemplate),
                                             parent, &Dialog::Procedure, reinterpret_cast<LPARAM>(this));
    // A dialog whose handler failed (out of memory) while it set itself up is half made: no
    // window results.
    if (window && handlerFailed_) {
        DestroyWindow(window);
        window = nullptr;
    }
    creating_ = false;
    return window;
}

bool Dialog::UpdateData(bool saving)
{
    DataExchange exchange(*this, saving);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

bool Dialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* creating = nullptr;
    if (message == WM_INITDIALOG) {
        creating = reinterpret_cast<Dialog*>(lParam);
        creating->handle_ = window;
    }
    return RouteMessage(
        window, message, DWLP_USER, creating, [&](Dialog& self) { return self.Dispatch(message, wParam, lParam); },
        [] { return INT_PTR{FALSE}; }, [](Dialog& self) { self.handlerFailed_ = true; });
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY) {
        handle_ = nullptr;
        // A window destroyed while it is being created leaves the object to its creator.
        if (!creating_)
            OnFinalMessage();
        return FALSE;
    }
    const int code = HIWORD(wParam);
    const HWND control = reinterpret_cast<HWND>(lParam);
    // Controls losing the focus while the window is torn down must not commit anything.
    if (destroying_)
        return FALSE;
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND: OnCommand(LOWORD(wParam), code, control); return TRUE;
    case WM_VSCROLL: OnVScroll(LOWORD(wParam), static_cast<short>(code), control); return TRUE;
    case WM_HSCROLL: OnHScroll(LOWORD(wParam), static_cast<short>(code), control); return TRUE;
    case WM_DESTROY:
        destroying_ = true;
        if (prompt_)
            DestroyWindow(prompt_);
        OnDestroy();
        return FALSE;
    }
    return FALSE;
}

void Dialog::ShowPrompt(const std::string& text)
{
    if (!prompt_) {
        const std::vector<DWORD> prompt = PromptTemplate(WindowText(handle_));
        prompt_ = CreateDialogIndirectParamA(ThisModule(),
                                             reinterpret_cast<const DLGTEMPLATE*>(prompt.data()),
                                             GetAncestor(handle_, GA_ROOT), &Dialog::PromptProcedure,
                                             reinterpret_cast<LPARAM>(this));
        if (!prompt_)
            return;
    }
    SetDlgItemTextA(prompt_, kPromptTextId, text.c_str());
    // Over the window whose field it is about, wherever that window has been moved since.
    CentreOver(prompt_, handle_);
    ShowWindow(prompt_, SW_SHOWNOACTIVATE);
    MessageBeep(MB_ICONEXCLAMATION);
}

INT_PTR CALLBACK Dialog::PromptProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            DestroyWindow(window);
        return TRUE;
    case WM_NCDESTROY:
        if (auto* owner = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER)))
            owner->prompt_ = nullptr;
        return FALSE;
    }
    return FALSE;
}
