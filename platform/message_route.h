// What the window procedure and the dialog procedure share: the object behind a window lives in
// the window's user data from its creation message to WM_NCDESTROY, and no exception unwinds
// into the system's frames that called the procedure.
#pragma once

#include <windows.h>

// Hands a message of window to its object. creating is the object at the creation message
// (WM_NCCREATE, WM_INITDIALOG), stored then at slot of the window's user data, and null at any
// other. At WM_NCDESTROY the slot is cleared before the object gets the message, its last.
// dispatch(Object&) serves the message. A message without an object gets fallback(); so does one
// whose dispatch throws, after failed(Object&).
template <typename Object, typename Dispatch, typename Fallback, typename Failed>
auto RouteMessage(HWND window, UINT message, int slot, Object* creating, Dispatch dispatch, Fallback fallback,
                  Failed failed) noexcept -> decltype(fallback())
{
    if (creating)
        SetWindowLongPtrA(window, slot, reinterpret_cast<LONG_PTR>(creating));
    auto* self = reinterpret_cast<Object*>(GetWindowLongPtrA(window, slot));
    if (!self)
        return fallback();
    if (message == WM_NCDESTROY)
        SetWindowLongPtrA(window, slot, 0);
    try {
        return dispatch(*self);
    } catch (...) {
        failed(*self);
        return fallback();
    }
}
