#include "platform/window.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/message_route.h"
#include "platform/this_module.h"

namespace {
// The classes this module registered, to be unregistered before its code goes away.
std::vector<const char*> registeredClasses;

POINT PointFrom(LPARAM lParam)
{
    // Signed: a captured mouse reports positions left of and above the window.
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}
}  // namespace

Window::~Window()
{
    if (handle_) {
        SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
}

bool Window::CreateChild(const char* className, HWND parent, const RECT& rect, int id, DWORD style)
{
    const HINSTANCE module = ThisModule();
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExA(module, className, &existing)) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Window::Procedure;
        windowClass.hInstance = module;
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = className;
        if (std::find(registeredClasses.begin(), registeredClasses.end(), className) == registeredClasses.end())
            registeredClasses.push_back(className);
        if (!RegisterClassExA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    const HWND created = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                                         rect.right - rect.left, rect.bottom - rect.top, parent,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, this);
    return created != nullptr;
}

void UnregisterWindowClasses()
{
    for (const char* className : registeredClasses)
        UnregisterClassA(className, ThisModule());
    registeredClasses.clear();
}

SIZE Window::ClientSize() const
{
    RECT client{};
    GetClientRect(handle_, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* creating = nullptr;
    if (message == WM_NCCREATE) {
        creating = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        creating->handle_ = window;
    }
    return RouteMessage(
        window, message, GWLP_USERDATA, creating, [&](Window& self) { return self.Dispatch(message, wParam, lParam); },
        [&] { return DefWindowProcA(window, message, wParam, lParam); }, [](Window&) {});
}

LRESULT Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    const UINT keys = static_cast<UINT>(wParam);
    switch (message) {
    case WM_NCDESTROY: {
        const HWND window = std::exchange(handle_, nullptr);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_ERASEBKGND:
        if (OnEraseBackground(reinterpret_cast<HDC>(wParam)))
            return 1;
        break;
    case WM_RBUTTONDOWN: OnRButtonDown(PointFrom(lParam), keys); break;
    case WM_LBUTTONDOWN: OnLButtonDown(PointFrom(lParam), keys); break;
    case WM_MOUSEMOVE: OnMouseMove(PointFrom(lParam), keys); break;
    case WM_LBUTTONUP: OnLButtonUp(PointFrom(lParam), keys); break;
    case WM_RBUTTONUP: OnRButtonUp(PointFrom(lParam), keys); break;
    case WM_CAPTURECHANGED: OnCaptureChanged(reinterpret_cast<HWND>(lParam)); break;
    }
    return DefWindowProcA(handle_, message, wParam, lParam);
}
