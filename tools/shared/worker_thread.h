// A thread running one function, joined at the latest when the object ends: the standard
// library of the win32 thread model, which the XP build uses, has no std::thread.
#pragma once

#include <functional>
#include <memory>

#include "platform/handles.h"

class WorkerThread {
public:
    // Starts the thread; throws std::runtime_error when the system cannot.
    explicit WorkerThread(std::function<void()> body);
    ~WorkerThread() { Join(); }
    WorkerThread(WorkerThread&&) noexcept = default;
    WorkerThread& operator=(WorkerThread&&) = delete;

    void Join();

private:
    std::unique_ptr<std::function<void()>> body_;
    KernelHandle thread_;
};
