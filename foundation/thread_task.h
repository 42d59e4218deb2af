// A piece of work run on a detached worker thread while the GUI thread waits
// without freezing. Owner and thread share the task: whichever lets go last
// deletes it, under g_threadTaskLock (recursive: the destructor takes it again).
//
// Owner's order: new (a subclass); Start; any number of waits; ReleaseByOwner,
// normally through a CThreadTaskHolder. Never touch the task after releasing.
#pragma once

#include <atomic>
#include <cstdint>

#include <wx/string.h>

class CProgressDialog;
class wxWindow;

// The worker's stack: the size a thread gets here by default, so a task may
// use as much stack as any other code. Untouched pages cost only address space.
const unsigned kThreadTaskStackSize = 8 * 1024 * 1024;

class CThreadTask
{
public:
    CThreadTask();
    virtual ~CThreadTask();
    CThreadTask(const CThreadTask&) = delete;
    CThreadTask& operator=(const CThreadTask&) = delete;

    // The work itself, on the worker thread. Whatever it throws is dropped.
    virtual void Run() = 0;

    void Start();
    // Deadline in milliseconds of wxGetLocalTimeMillis. Returns threadFinished.
    bool WaitUntil(int64_t deadline);
    bool WaitBriefly();
    // True when the task completed, false when the user cancelled (the task
    // then runs on; the last release deletes it).
    bool WaitWithProgress(wxWindow* parent, const wxString& title, const wxString& message);

    void ReleaseByOwner();
    void ReleaseByThread();
    static void RunOnThread(CThreadTask* task);

    // Written by Run under g_threadTaskLock; 0 to 1.
    double doneFraction = 0.0;   // progress certainly reached
    double targetFraction = 0.0; // progress expected next
    // Polled by the other thread without the lock, hence atomic.
    std::atomic<bool> ownerReleased{false};
    std::atomic<bool> threadFinished{false};
    std::atomic<bool> progressShown{false};
    std::atomic<bool> completed{false};
    CProgressDialog* progressDialog = nullptr;
};

// Lets go of the owner's side when it leaves scope, also by an exception.
class CThreadTaskHolder
{
public:
    explicit CThreadTaskHolder(CThreadTask* held) : task(held) {}
    ~CThreadTaskHolder();
    CThreadTaskHolder(const CThreadTaskHolder&) = delete;
    CThreadTaskHolder& operator=(const CThreadTaskHolder&) = delete;

    CThreadTask* task;
};

// A modal message box; returns the toolkit id of the pressed button.
int ShowMessage(wxWindow* parent, const wxString& message, const wxString& caption, long style);
