#include "parallel_jobs.h"

#include <process.h>

#include <algorithm>
#include <vector>

#include "platform/handles.h"

namespace {
struct JobQueue {
    const std::function<void(unsigned, size_t)>* job;
    size_t jobCount;
    volatile LONG next;
};

struct Worker {
    JobQueue* queue;
    unsigned number;
};

unsigned __stdcall RunWorker(void* argument)
{
    const Worker& worker = *static_cast<Worker*>(argument);
    for (;;) {
        const size_t index = static_cast<size_t>(InterlockedIncrement(&worker.queue->next) - 1);
        if (index >= worker.queue->jobCount)
            return 0;
        (*worker.queue->job)(worker.number, index);
    }
}
}  // namespace

unsigned ProcessorCount()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return std::max<unsigned>(1, info.dwNumberOfProcessors);
}

void RunJobs(unsigned workerCount, size_t jobCount, const std::function<void(unsigned, size_t)>& job)
{
    JobQueue queue{&job, jobCount, 0};
    workerCount = std::max(1u, std::min<unsigned>(workerCount, kMaxWorkers));
    std::vector<Worker> workers(workerCount);
    std::vector<KernelHandle> threads;
    std::vector<HANDLE> waitList;
    for (unsigned w = 0; w < workerCount; ++w) {
        workers[w] = {&queue, w};
        // _beginthreadex rather than CreateThread: the workers use the C runtime.
        const uintptr_t thread = _beginthreadex(nullptr, 0, RunWorker, &workers[w], 0, nullptr);
        if (!thread)
            break;
        threads.emplace_back(reinterpret_cast<HANDLE>(thread));
        waitList.push_back(threads.back().Get());
    }
    if (waitList.empty()) {
        // Without a thread of its own the caller does the work.
        Worker self{&queue, 0};
        RunWorker(&self);
        return;
    }
    WaitForMultipleObjects(static_cast<DWORD>(waitList.size()), waitList.data(), TRUE, INFINITE);
}
