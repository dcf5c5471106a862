// A host's top-level frame window, the parent a host gives the plug-in's settings window. It
// keeps the commands it receives, in order, and hands each change notification to onChange as
// it arrives.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <vector>

struct FrameNotification {
    HWND source;
    bool sent;  // arrived through SendMessage rather than the queue
};

struct HostFrameLook {
    const char* className;
    const char* title;
    DWORD style;
    int x, y, width, height;
};

class HostFrame {
public:
    // Created hidden. Throws HostError when the window cannot be created.
    explicit HostFrame(const HostFrameLook& look);
    ~HostFrame();
    HostFrame(const HostFrame&) = delete;
    HostFrame& operator=(const HostFrame&) = delete;

    HWND Handle() const { return handle_; }
    // Makes the client area exactly as large as child.
    void FitTo(HWND child) const;
    // What onChange threw inside the window procedure, where it was caught, thrown again.
    void ThrowIfHandlerFailed();

    std::vector<FrameNotification> notifications;
    std::vector<WPARAM> otherCommands;
    std::function<void(const FrameNotification&)> onChange;
    // Ends the thread's message loop when the user closes the frame.
    bool quitWhenDestroyed = false;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;
    std::exception_ptr handlerFailure_;
};
