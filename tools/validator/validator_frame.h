// The validator's host frame: shown without taking the focus, and what its end posts delivered
// before the next check counts windows.
#pragma once

#include "tools/shared/host_frame.h"
#include "tools/validator/resource_counts.h"

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
