// A thin window base: registers a class whose procedure finds the object from the window's user
// data (set at WM_NCCREATE), and dispatches with one switch to typed virtual handlers.
#pragma once

#include <windows.h>

class Window {
public:
    Window() = default;
    // Destroys the window if it still exists; no message reaches the object afterwards.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return handle_; }

protected:
    // Registers className once per module (an existing registration is reused) and creates a
    // visible child window of parent over rect with the control identifier id. className must
    // live as long as the module: it is kept for UnregisterWindowClasses.
    bool CreateChild(const char* className, HWND parent, const RECT& rect, int id, DWORD style = 0);

    // Typed handlers. The mouse handlers are followed by the default handling; the erase
    // handler returns true when it painted, and then the message returns 1.
    virtual bool OnEraseBackground(HDC) { return false; }
    virtual void OnLButtonDown(POINT, UINT) {}
    virtual void OnLButtonUp(POINT, UINT) {}
    virtual void OnRButtonDown(POINT, UINT) {}
    virtual void OnRButtonUp(POINT, UINT) {}
    virtual void OnMouseMove(POINT, UINT) {}
    virtual void OnCaptureChanged(HWND) {}

    SIZE ClientSize() const;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
};

// Unregisters every class that CreateChild registered, so that none outlives the code its
// window procedure points into. A class whose windows still exist stays registered.
void UnregisterWindowClasses();
