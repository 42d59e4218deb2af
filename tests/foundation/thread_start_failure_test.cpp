// A worker thread that cannot start. Thread creation is made to fail by
// standing in for pthread_create, and every allocation is counted, so that
// nothing the failed start made can stay behind unseen.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

#include <wx/init.h>
#include <wx/log.h>

#include "tests/foundation/test_tasks.h"

namespace {

std::atomic<bool> g_failThreadCreation{false};
std::atomic<long> g_liveAllocations{0};

void* CountedAlloc(size_t size)
{
    void* block = std::malloc(size ? size : 1);
    if (!block)
        throw std::bad_alloc();
    ++g_liveAllocations;
    return block;
}

void CountedFree(void* block)
{
    if (block) {
        --g_liveAllocations;
        std::free(block);
    }
}

} // namespace

void* operator new(size_t size) { return CountedAlloc(size); }
void* operator new[](size_t size) { return CountedAlloc(size); }
void operator delete(void* block) noexcept { CountedFree(block); }
void operator delete[](void* block) noexcept { CountedFree(block); }
void operator delete(void* block, size_t) noexcept { CountedFree(block); }
void operator delete[](void* block, size_t) noexcept { CountedFree(block); }

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                              void* (*start)(void*), void* arg) noexcept
{
    if (g_failThreadCreation)
        return EAGAIN;
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    static auto real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    return real(thread, attr, start, arg);
}

namespace {

testing::Environment* const g_toolkitBase = testing::AddGlobalTestEnvironment(new ToolkitBase);

// Starts a task while thread creation fails; returns what Start threw.
const char* FailedStart(GatedTask* task)
{
    g_failThreadCreation = true;
    const char* thrown = nullptr;
    try {
        task->Start();
    } catch (const char* guid) {
        thrown = guid;
    }
    g_failThreadCreation = false;
    return thrown;
}

} // namespace

TEST(ThreadTaskStart, AThreadThatCannotStartLeavesNothingBehind)
{
    wxLogNull quiet; // the toolkit reports the failed creation itself
    {
        // The first failure may grow the toolkit's own tables.
        TaskProbe probe;
        auto* task = new GatedTask(probe);
        FailedStart(task);
        task->ReleaseByOwner();
    }
    long before = g_liveAllocations;
    size_t tasksBefore = LiveTaskCount();
    TaskProbe probe;
    auto* task = new GatedTask(probe);
    const char* thrown = FailedStart(task);
    ASSERT_NE(thrown, nullptr);
    EXPECT_STREQ(thrown, "{1D4573DE-F918-4b52-96E6-7662CCF10957}");
    EXPECT_TRUE(task->threadFinished); // the thread's side is let go at once
    EXPECT_FALSE(task->completed);
    EXPECT_EQ(probe.deletions, 0);

    task->ReleaseByOwner(); // the owner's side is still the owner's to let go
    EXPECT_EQ(probe.deletions, 1);
    EXPECT_EQ(LiveTaskCount(), tasksBefore);
    EXPECT_EQ(g_liveAllocations, before);
}

TEST(ThreadTaskStart, StartWorksAgainOnceThreadsCanBeMade)
{
    TaskProbe probe;
    probe.go = true;
    auto* task = new GatedTask(probe);
    task->Start();
    ASSERT_TRUE(WaitFor([&] { return task->threadFinished.load(); }));
    EXPECT_TRUE(task->completed);
    task->ReleaseByOwner();
    EXPECT_EQ(probe.deletions, 1);
}
