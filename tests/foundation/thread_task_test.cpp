#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <wx/init.h>
#include <wx/log.h>

#include "tests/foundation/test_tasks.h"

namespace {

testing::Environment* const g_toolkitBase = testing::AddGlobalTestEnvironment(new ToolkitBase);

// This file links ahead of the library, so this object is made before the
// framework's globals and destroyed after them: its destructor runs when
// exit has already torn those down. It then lets a task's worker finish.
struct LateInExit
{
    TaskProbe* probe = nullptr;

    // The toolkit's per-thread bookkeeping, which a worker passes through as
    // it ends, is made on first use: make it now so it outlives this object.
    // (The call is meant for other threads, and before start-up every thread
    // counts as the main one: silence the toolkit's complaint.)
    LateInExit()
    {
        wxAssertHandler_t previous = wxSetAssertHandler(nullptr);
        wxLog::SetThreadActiveTarget(nullptr);
        wxSetAssertHandler(previous);
    }

    ~LateInExit()
    {
        if (!probe)
            return;
        probe->go = true;
        bool deleted = WaitFor([this] { return probe->deletions == 1; });
        bool gone = LetWorkersSettle();
        std::fprintf(stderr, deleted && gone ? "released after exit\n" : "worker stuck\n");
    }
} g_lateInExit;

void ExpectDeletedOnce(TaskProbe& probe)
{
    EXPECT_TRUE(WaitFor([&] { return probe.deletions > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(probe.deletions, 1);
}

class PthreadExitTask : public TestTask
{
public:
    explicit PthreadExitTask(TaskProbe& taskProbe) : probe(taskProbe) {}
    ~PthreadExitTask() override { ++probe.deletions; }
    void Work() override { pthread_exit(nullptr); }
    TaskProbe& probe;
};

__attribute__((noinline)) double Nested(int depth, double x)
{
    char scratch[1024];
    std::snprintf(scratch, sizeof scratch, "%.17g %s", x, depth > 0 ? "deeper" : "bottom");
    if (depth == 0)
        throw std::string(scratch);
    return Nested(depth - 1, x * 1.5) + scratch[0];
}

// Work of a size a task may well do: formatting and a throw through a few
// hundred KiB of frames, each touched on the way down.
class DeepStackTask : public TestTask
{
public:
    void Work() override
    {
        try {
            Nested(400, 1.0);
        } catch (const std::string& text) {
            caught = text;
        }
    }
    std::string caught;
};

} // namespace

TEST(ThreadTask, OwnerLettingGoFirstLeavesTheDeletionToTheThread)
{
    size_t before = LiveTaskCount();
    TaskProbe probe;
    auto* task = new GatedTask(probe);
    EXPECT_EQ(LiveTaskCount(), before + 1);
    task->Start();
    ASSERT_TRUE(WaitFor([&] { return probe.running.load(); }));
    task->ReleaseByOwner();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(probe.deletions, 0); // still running: the thread owns it now
    EXPECT_EQ(LiveTaskCount(), before + 1);

    probe.go = true;
    ExpectDeletedOnce(probe);
    EXPECT_EQ(LiveTaskCount(), before);
}

TEST(ThreadTask, ThreadLettingGoFirstLeavesTheDeletionToTheOwner)
{
    size_t before = LiveTaskCount();
    TaskProbe probe;
    probe.go = true;
    auto* task = new GatedTask(probe);
    task->Start();
    ASSERT_TRUE(WaitFor([&] { return task->threadFinished.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(probe.deletions, 0);
    EXPECT_TRUE(task->completed);
    EXPECT_FALSE(task->ownerReleased);
    {
        wxCriticalSectionLocker lock(g_threadTaskLock);
        EXPECT_EQ(task->doneFraction, 1.0);
        EXPECT_EQ(task->targetFraction, 1.0);
    }
    task->ReleaseByOwner();
    EXPECT_EQ(probe.deletions, 1); // at once, on this thread
    EXPECT_EQ(LiveTaskCount(), before);
}

TEST(ThreadTask, WhateverRunThrowsIsDroppedAndTheTaskCompletes)
{
    for (Ending ending : {Ending::ThrowString, Ending::ThrowException}) {
        TaskProbe probe;
        probe.go = true;
        auto* task = new GatedTask(probe, ending);
        task->Start();
        ASSERT_TRUE(WaitFor([&] { return task->threadFinished.load(); }));
        EXPECT_TRUE(task->completed);
        task->ReleaseByOwner();
        EXPECT_EQ(probe.deletions, 1);
    }
}

TEST(ThreadTask, HolderLetsGoWhenItsScopeIsLeftByAnException)
{
    TaskProbe probe;
    try {
        CThreadTaskHolder holder(new GatedTask(probe));
        holder.task->Start();
        ASSERT_TRUE(WaitFor([&] { return probe.running.load(); }));
        throw 1;
    } catch (int) {
    }
    probe.go = true;
    ExpectDeletedOnce(probe);

    CThreadTaskHolder empty(nullptr); // holds nothing, releases nothing
}

TEST(ThreadTask, ATaskThatNeverStartedIsDeletedByTheSecondRelease)
{
    size_t before = LiveTaskCount();
    TaskProbe probe;
    auto* task = new GatedTask(probe);
    {
        wxCriticalSectionLocker lock(g_threadTaskLock);
        EXPECT_EQ(std::count(g_threadTasks.begin(), g_threadTasks.end(), task), 1);
    }
    task->ReleaseByThread();
    EXPECT_EQ(probe.deletions, 0);
    task->ReleaseByOwner();
    EXPECT_EQ(probe.deletions, 1);
    EXPECT_EQ(LiveTaskCount(), before);
}

TEST(ThreadTask, ManyTasksReleasedInBothOrdersAreEachDeletedOnce)
{
    const int count = 48;
    size_t before = LiveTaskCount();
    std::vector<std::unique_ptr<TaskProbe>> probes;
    std::vector<GatedTask*> tasks;
    for (int i = 0; i < count; ++i) {
        probes.push_back(std::make_unique<TaskProbe>());
        probes.back()->go = true;
        tasks.push_back(new GatedTask(*probes.back(), i % 3 ? Ending::Return : Ending::ThrowString));
        tasks.back()->Start();
        if (i % 2)
            tasks.back()->ReleaseByOwner(); // races the thread's own release
    }
    for (int i = 0; i < count; i += 2) {
        ASSERT_TRUE(WaitFor([&] { return tasks[i]->threadFinished.load(); }));
        tasks[i]->ReleaseByOwner();
    }
    for (auto& probe : probes)
        ExpectDeletedOnce(*probe);
    EXPECT_EQ(LiveTaskCount(), before);
}

TEST(ThreadTask, AThreadEndedFromInsideRunStillLetsGo)
{
    TaskProbe probe;
    auto* task = new PthreadExitTask(probe);
    task->Start();
    ASSERT_TRUE(WaitFor([&] { return task->threadFinished.load(); }));
    EXPECT_TRUE(task->completed);
    task->ReleaseByOwner();
    EXPECT_EQ(probe.deletions, 1);
}

TEST(ThreadTask, TheWorkerStackHoldsHundredsOfKilobytes)
{
    auto* task = new DeepStackTask;
    CThreadTaskHolder holder(task);
    task->Start();
    ASSERT_TRUE(WaitFor([&] { return task->threadFinished.load(); }));
    EXPECT_EQ(task->caught.substr(0, 6), "2.7321"); // 1.5 to the 400th
}

TEST(ThreadTaskDeathTest, AWorkerStillRunningAtExitLetsGoSafely)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto* probe = new TaskProbe; // must outlive exit's clean-up
            auto* task = new GatedTask(*probe);
            task->Start();
            WaitFor([&] { return probe->running.load(); });
            task->ReleaseByOwner();
            g_lateInExit.probe = probe;
            std::exit(0);
        },
        testing::ExitedWithCode(0), "released after exit");
}
