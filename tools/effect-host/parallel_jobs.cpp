#include "tools/effect-host/parallel_jobs.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "tools/shared/worker_thread.h"

namespace {
// Takes the next index until none is left.
void TakeJobs(volatile LONG& next, size_t jobCount, const std::function<void(unsigned, size_t)>& job,
              unsigned worker)
{
    for (;;) {
        const size_t index = static_cast<size_t>(InterlockedIncrement(&next) - 1);
        if (index >= jobCount)
            return;
        job(worker, index);
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
    volatile LONG next = 0;
    workerCount = std::max(1u, std::min<unsigned>(workerCount, kMaxWorkers));
    std::vector<WorkerThread> workers;
    workers.reserve(workerCount);
    try {
        for (unsigned w = 0; w < workerCount; ++w)
            workers.emplace_back([&next, jobCount, &job, w] { TakeJobs(next, jobCount, job, w); });
    } catch (const std::runtime_error&) {
        // Without a thread of its own the caller does the work; started workers share it.
        if (workers.empty())
            TakeJobs(next, jobCount, job, 0);
    }
}
