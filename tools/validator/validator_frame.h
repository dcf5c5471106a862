// The validator's host frames. ValidatorFrame is shown without taking the focus, and what its
// end posts is delivered before the next check counts windows.
#pragma once

#include "tools/shared/host_frame.h"
#include "tools/validator/resource_counts.h"

// A parent for a settings window that is read, never shown.
constexpr HostFrameLook kHiddenParent{"ValidatorHiddenParent", "", WS_POPUP, 0, 0, 10, 10};

class ValidatorFrame : public HostFrame {
public:
    ValidatorFrame() : HostFrame({"ValidatorHostFrame", "validator", WS_POPUP | WS_BORDER, 0, 0, 720, 300})
    {
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    }
    ~ValidatorFrame()
    {
        DestroyWindow(Handle());
        PumpMessages();
    }
};
