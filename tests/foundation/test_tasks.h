// Worker-thread tasks the tests steer: each reports to a probe that outlives
// it, so a test can see a task's deletion after it has let go.
#pragma once

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "foundation/framework_locks.h"
#include "foundation/thread_task.h"

// Polls until the condition holds or the time is up; every wait is bounded.
template <typename Condition>
bool WaitFor(Condition condition, int milliseconds = 5000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct TaskProbe
{
    std::atomic<int> deletions{0};
    std::atomic<bool> running{false};
    std::atomic<bool> go{false}; // the gate Run waits at
};

enum class Ending { Return, ThrowString, ThrowException };

class GatedTask : public CThreadTask
{
public:
    explicit GatedTask(TaskProbe& taskProbe, Ending taskEnding = Ending::Return)
        : probe(taskProbe), ending(taskEnding)
    {
    }
    ~GatedTask() override { ++probe.deletions; }

    void Run() override
    {
        probe.running = true;
        WaitFor([this] { return probe.go.load(); });
        {
            wxCriticalSectionLocker lock(g_threadTaskLock);
            doneFraction = 0.25;
            targetFraction = 0.5;
        }
        if (ending == Ending::ThrowString)
            throw "{00000000-0000-0000-0000-000000000000}";
        if (ending == Ending::ThrowException)
            throw std::runtime_error("task failed");
    }

    TaskProbe& probe;
    Ending ending;
};

inline size_t LiveTaskCount()
{
    wxCriticalSectionLocker lock(g_threadTaskLock);
    return g_threadTasks.size();
}
