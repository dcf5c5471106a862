#include "tools/shared/worker_thread.h"

#include <process.h>

#include <stdexcept>

namespace {
unsigned __stdcall RunBody(void* body)
{
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}
}  // namespace

WorkerThread::WorkerThread(std::function<void()> body)
    : body_(std::make_unique<std::function<void()>>(std::move(body)))
{
    // The C runtime's own start, so that its per-thread data is set up and released.
    const uintptr_t thread = _beginthreadex(nullptr, 0, RunBody, body_.get(), 0, nullptr);
    if (thread == 0)
        throw std::runtime_error("cannot start a thread");
    thread_.Attach(reinterpret_cast<HANDLE>(thread));
}

void WorkerThread::Join()
{
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        thread_.Reset();
    }
}
