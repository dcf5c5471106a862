#include "tools/shared/host_frame.h"

#include <utility>

#include "host/plugin_api.h"
#include "tools/shared/host_error.h"

HostFrame::HostFrame(const HostFrameLook& look)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &HostFrame::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = look.className;
    // Fails harmlessly for every frame of the class after the first.
    RegisterClassA(&windowClass);
    handle_ = CreateWindowExA(0, look.className, look.title, look.style, look.x, look.y, look.width, look.height,
                              nullptr, nullptr, windowClass.hInstance, this);
    if (!handle_)
        throw HostError("cannot create the host window");
}

HostFrame::~HostFrame()
{
    if (IsWindow(handle_))
        DestroyWindow(handle_);
}

void HostFrame::FitTo(HWND child) const
{
    RECT rect;
    GetWindowRect(child, &rect);
    OffsetRect(&rect, -rect.left, -rect.top);
    AdjustWindowRect(&rect, static_cast<DWORD>(GetWindowLongA(handle_, GWL_STYLE)), FALSE);
    SetWindowPos(handle_, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
}

void HostFrame::ThrowIfHandlerFailed()
{
    if (handlerFailure_)
        std::rethrow_exception(std::exchange(handlerFailure_, nullptr));
}

LRESULT CALLBACK HostFrame::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<HostFrame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    // Nothing unwinds into the system's frames that called this procedure.
    try {
        return self->Receive(window, message, wParam, lParam);
    } catch (...) {
        self->handlerFailure_ = std::current_exception();
        return 0;
    }
}

LRESULT HostFrame::Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (wParam == SETTINGS_CHANGED_WPARAM) {
            notifications.push_back({reinterpret_cast<HWND>(lParam), InSendMessage() != FALSE});
            if (onChange)
                onChange(notifications.back());
        } else {
            otherCommands.push_back(wParam);
        }
        return 0;
    case WM_DESTROY:
        if (quitWhenDestroyed)
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
