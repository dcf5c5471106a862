// Running numbered jobs on a few worker threads, with Win32 primitives that Windows XP has.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>

class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    class Lock {
    public:
        explicit Lock(CriticalSection& owner) : section_(owner.section_) { EnterCriticalSection(&section_); }
        ~Lock() { LeaveCriticalSection(&section_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        CRITICAL_SECTION& section_;
    };

private:
    CRITICAL_SECTION section_;
};

// Processors the system has, at least 1.
unsigned ProcessorCount();

constexpr unsigned kMaxWorkers = MAXIMUM_WAIT_OBJECTS;

// Calls job(worker, index) once for every index below jobCount, on workerCount threads
// (worker 0 to workerCount - 1, at most kMaxWorkers) that take the next index as they get free;
// returns when all have run. job must not throw.
void RunJobs(unsigned workerCount, size_t jobCount, const std::function<void(unsigned, size_t)>& job);
