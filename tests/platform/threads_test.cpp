#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/win_threads.h"

namespace {

struct Recorder
{
    std::vector<UINT> messages;
    std::vector<WPARAM> params;
    int result = -1;
};

DWORD RecordUntilQuit(void* parameter)
{
    auto* recorder = static_cast<Recorder*>(parameter);
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0);
        if (got == 0)
            return 1;
        if (msg.message == WM_USER + 1)
            return 0;
        recorder->messages.push_back(msg.message);
        recorder->params.push_back(msg.wParam);
    }
}

DWORD WaitAWhile(void* parameter)
{
    auto* release = static_cast<std::atomic<bool>*>(parameter);
    while (!release->load())
        Sleep(1);
    return 7;
}

HANDLE StartRecorder(Recorder& recorder, DWORD* id)
{
    HANDLE thread = CreateThread(nullptr, 0, RecordUntilQuit, &recorder, 0, id);
    // Posts fail until the thread has made its queue; that is how callers learn it is ready.
    while (!PostThreadMessageA(*id, WM_USER, 0, 0))
        Sleep(0);
    return thread;
}

std::atomic<int> g_disposed{0};

void CountDisposed(const MSG& msg)
{
    g_disposed += static_cast<int>(msg.wParam);
}

} // namespace

TEST(ThreadMessages, DeliveredInPostingOrderWithPointerWideParameters)
{
    Recorder recorder;
    DWORD id = 0;
    HANDLE thread = StartRecorder(recorder, &id);
    ASSERT_NE(thread, nullptr);
    WPARAM pointer = reinterpret_cast<WPARAM>(&recorder);
    for (UINT m = 0x402; m < 0x410; ++m)
        EXPECT_TRUE(PostThreadMessageA(id, m, pointer, -1));
    PostThreadMessageA(id, WM_USER + 1, 0, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 99;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(CloseHandle(thread));

    ASSERT_EQ(recorder.messages.size(), 15u);
    EXPECT_EQ(recorder.messages.front(), WM_USER); // the readiness ping
    for (size_t i = 1; i < recorder.messages.size(); ++i) {
        EXPECT_EQ(recorder.messages[i], 0x402 + i - 1);
        EXPECT_EQ(recorder.params[i], pointer);
    }
}

TEST(ThreadMessages, PostFailsWithoutAQueue)
{
    // An id no thread has, and the id of a thread that ended.
    EXPECT_FALSE(PostThreadMessageA(0xFFFFFFF0u, WM_USER, 0, 0));
    Recorder recorder;
    DWORD id = 0;
    HANDLE thread = StartRecorder(recorder, &id);
    PostThreadMessageA(id, WM_QUIT, 0, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 1u); // WM_QUIT makes GetMessageA return 0
    CloseHandle(thread);
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0));
}

TEST(ThreadMessages, MessagesLeftAtThreadEndAreDisposedNotLeaked)
{
    g_disposed = 0;
    SetThreadMessageDisposer(CountDisposed);
    Recorder recorder;
    DWORD id = 0;
    HANDLE thread = StartRecorder(recorder, &id);
    // The end marker first, then messages the thread never reads.
    PostThreadMessageA(id, WM_USER + 1, 0, 0);
    PostThreadMessageA(id, WM_USER + 2, 3, 0);
    PostThreadMessageA(id, WM_USER + 3, 4, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    CloseHandle(thread);
    SetThreadMessageDisposer(nullptr);
    EXPECT_EQ(g_disposed.load(), 7);
}

TEST(ThreadMessages, RangeFilterAndPeek)
{
    MSG msg;
    DWORD self = GetCurrentThreadId();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)); // makes the queue
    EXPECT_TRUE(PostThreadMessageA(self, 0x500, 1, 0));
    EXPECT_TRUE(PostThreadMessageA(self, 0x420, 2, 0));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0x400, 0x4FF));
    EXPECT_EQ(msg.message, 0x420u);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 1u);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
}

TEST(Threads, WaitTimesOutThenCloseLetsTheThreadRunOn)
{
    std::atomic<bool> release{false};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitAWhile, &release, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, STILL_ACTIVE);
    SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL); // best effort, must not fail hard
    EXPECT_TRUE(CloseHandle(thread));
    release = true; // the detached thread ends on its own
    Sleep(20);
}

TEST(Threads, RefusesWhatItCannotDo)
{
    DWORD id = 0;
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, &id), nullptr);
    EXPECT_EQ(CreateThread(nullptr, 0, WaitAWhile, nullptr, 4 /* suspended */, &id), nullptr);
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(nullptr));
}
