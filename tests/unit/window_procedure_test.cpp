// The window procedure's side of the boundary: a handler that throws does not take the program
// down through the system's frames, and the window goes on receiving messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/window.h"

namespace {
class ThrowingWindow : public Window {
public:
    bool Create(HWND parent) { return CreateChild("BandRejectThrowingTestWindow", parent, RECT{0, 0, 20, 20}, 1); }
    int presses = 0;

protected:
    void OnLButtonDown(POINT, UINT) override
    {
        ++presses;
        throw std::runtime_error("handler failed");
    }
};

TEST(WindowProcedure, AHandlerThatThrowsGetsTheDefaultHandling)
{
    const HWND parent = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(parent != nullptr);
    {
        ThrowingWindow window;
        ASSERT_TRUE(window.Create(parent));
        EXPECT_EQ(0, SendMessageA(window.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)));
        SendMessageA(window.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_EQ(2, window.presses);
        EXPECT_TRUE(IsWindow(window.Handle()));
    }
    DestroyWindow(parent);
}
}  // namespace
