// Threads and per-thread message queues with the calls the sound code was
// designed around. A thread gets its queue on its first GetMessageA or
// PeekMessageA; until then posts to it fail, which callers use to learn when
// the thread is ready. Messages arrive in the order they were posted.
#pragma once

#include <cstddef>

#include "platform/win_types.h"

struct MSG
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};

typedef DWORD (*LPTHREAD_START_ROUTINE)(void* parameter);

enum : DWORD
{
    INFINITE = 0xFFFFFFFFu,
    WAIT_OBJECT_0 = 0,
    WAIT_TIMEOUT = 258,
    WAIT_FAILED = 0xFFFFFFFFu,
    STILL_ACTIVE = 259,
};

enum : UINT
{
    WM_QUIT = 0x0012,
    WM_USER = 0x0400,
    PM_NOREMOVE = 0,
    PM_REMOVE = 1,
};

enum
{
    THREAD_PRIORITY_BELOW_NORMAL = -1,
    THREAD_PRIORITY_NORMAL = 0,
    THREAD_PRIORITY_ABOVE_NORMAL = 1,
};

// Only flags 0 (run at once) is supported; the stack size is left to the system.
HANDLE CreateThread(void* security, size_t stackSize, LPTHREAD_START_ROUTINE start,
                    void* parameter, DWORD flags, DWORD* threadId);
// Best effort: raising a priority needs privileges the game may not have.
BOOL SetThreadPriority(HANDLE thread, int priority);
DWORD WaitForSingleObject(HANDLE thread, DWORD milliseconds);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
// Closing the handle of a running thread lets it run on, detached.
BOOL CloseHandle(HANDLE thread);
DWORD GetCurrentThreadId();
void Sleep(DWORD milliseconds);

// Fails (FALSE) when the thread has no queue: not started yet, or ended.
// The caller keeps whatever the parameters own in that case.
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Blocks for the next message in [first, last] (0, 0: any). Returns 0 for
// WM_QUIT, -1 for a null record, else nonzero. Window filters are ignored:
// every message here is a thread message.
BOOL GetMessageA(MSG* msg, HWND window, UINT first, UINT last);
BOOL PeekMessageA(MSG* msg, HWND window, UINT first, UINT last, UINT remove);

// Messages still queued when a thread ends would leak what they carry: they
// are handed to this function (on the ending thread) instead of vanishing.
typedef void (*ThreadMessageDisposer)(const MSG& msg);
void SetThreadMessageDisposer(ThreadMessageDisposer disposer);
