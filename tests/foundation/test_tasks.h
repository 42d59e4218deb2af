// Worker-thread tasks the tests steer: each reports to a probe that outlives
// it, so a test can see a task's deletion after it has let go.
#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <wx/log.h>

#include "foundation/framework_locks.h"
#include "foundation/thread_task.h"

#include <gtest/gtest.h>

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

// Never destroyed: they are read while exit runs.
inline std::mutex& WorkerIdsLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

inline std::vector<pid_t>& WorkerIds()
{
    static auto* ids = new std::vector<pid_t>;
    return *ids;
}

// The tests' tasks: each notes the worker it runs on.
class TestTask : public CThreadTask
{
public:
    void Run() final
    {
        {
            std::lock_guard<std::mutex> lock(WorkerIdsLock());
            WorkerIds().push_back(gettid());
        }
        Work();
    }
    virtual void Work() {}
};

struct TaskProbe
{
    std::atomic<int> deletions{0};
    std::atomic<bool> running{false};
    std::atomic<bool> go{false}; // the gate Run waits at
};

enum class Ending { Return, ThrowString, ThrowException };

class GatedTask : public TestTask
{
public:
    explicit GatedTask(TaskProbe& taskProbe, Ending taskEnding = Ending::Return)
        : probe(taskProbe), ending(taskEnding)
    {
    }
    ~GatedTask() override { ++probe.deletions; }

    void Work() override
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

// Waits until every worker that ran a test task has ended, then passes a
// fresh thread through the toolkit's per-thread bookkeeping, which each worker
// locked as it ended: that orders their last steps before the exit that
// destroys it (the race detector cannot see a detached thread end otherwise).
inline bool LetWorkersSettle()
{
    std::vector<pid_t> workers;
    {
        std::lock_guard<std::mutex> lock(WorkerIdsLock());
        workers = WorkerIds();
    }
    bool gone = WaitFor([&] {
        for (pid_t id : workers)
            if (access(("/proc/self/task/" + std::to_string(id)).c_str(), F_OK) == 0)
                return false;
        return true;
    });
    std::thread([] { wxLog::IsEnabled(); }).join();
    return gone;
}

// The worker threads are the toolkit's: its base library must be up.
struct ToolkitBase : testing::Environment
{
    void SetUp() override { ASSERT_TRUE(wxInitialize()); }
    void TearDown() override
    {
        EXPECT_TRUE(LetWorkersSettle());
        wxUninitialize();
    }
};
