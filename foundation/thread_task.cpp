#include "foundation/thread_task.h"

#include <exception>

#include <wx/msgdlg.h>
#include <wx/thread.h>
#include <wx/time.h>
#include <wx/utils.h>

#include "foundation/framework_locks.h"
#include "foundation/progress_dialog.h"

namespace {

const int kWaitStepMs = 10;
const int kBriefWaitMs = 500;

class CRunThreadTaskThread : public wxThread
{
public:
    explicit CRunThreadTaskThread(CThreadTask* runTask) : wxThread(wxTHREAD_DETACHED), task(runTask) {}
    ~CRunThreadTaskThread() override = default;

    ExitCode Entry() override
    {
        CThreadTask::RunOnThread(task);
        return 0;
    }

    CThreadTask* task;
};

void FinishOnThread(CThreadTask* task)
{
    task->completed = true;
    {
        wxCriticalSectionLocker lock(g_threadTaskLock);
        task->doneFraction = 1.0;
        task->targetFraction = 1.0;
    }
    task->ReleaseByThread();
}

// Hides and deletes the dialog of a wait that is over, however it ended.
void CloseProgress(CThreadTask* task, CProgressDialog* dialog)
{
    wxCriticalSectionLocker lock(g_threadTaskLock);
    delete dialog;
    task->progressDialog = nullptr;
    task->progressShown = false;
}

} // namespace

CThreadTask::CThreadTask()
{
    wxCriticalSectionLocker lock(g_threadTaskLock);
    g_threadTasks.push_back(this);
}

CThreadTask::~CThreadTask()
{
    wxCriticalSectionLocker lock(g_threadTaskLock);
    g_threadTasks.remove(this);
}

void CThreadTask::Start()
{
    auto* thread = new CRunThreadTaskThread(this);
    if (thread->Create(kThreadTaskStackSize) != wxTHREAD_NO_ERROR
        || thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread; // it never ran, so it will not delete itself
        ReleaseByThread();
        throw "{1D4573DE-F918-4b52-96E6-7662CCF10957}";
    }
}

bool CThreadTask::WaitUntil(int64_t deadline)
{
    while (deadline > wxGetLocalTimeMillis().GetValue() && !threadFinished && !ownerReleased) {
        wxMilliSleep(kWaitStepMs);
        wxSafeYield(nullptr);
    }
    return threadFinished;
}

bool CThreadTask::WaitBriefly()
{
    return WaitUntil(wxGetLocalTimeMillis().GetValue() + kBriefWaitMs);
}

bool CThreadTask::WaitWithProgress(wxWindow* parent, const wxString& title, const wxString& message)
{
    if (WaitBriefly())
        return true;
    CProgressDialog* dialog;
    {
        wxCriticalSectionLocker lock(g_threadTaskLock);
        if (completed)
            return true;
        dialog = new CProgressDialog(parent, title, message, this);
        progressDialog = dialog;
        progressShown = true;
    }
    bool cancelled;
    try {
        cancelled = dialog->ShowModal() == wxID_CANCEL;
    } catch (...) {
        CloseProgress(this, dialog);
        throw;
    }
    CloseProgress(this, dialog);
    if (!cancelled && !completed)
        throw "{9B88628E-9236-4330-8517-C28203222F6D}";
    return !cancelled;
}

void CThreadTask::ReleaseByOwner()
{
    wxCriticalSectionLocker lock(g_threadTaskLock);
    ownerReleased = true;
    if (threadFinished)
        delete this;
}

void CThreadTask::ReleaseByThread()
{
    wxCriticalSectionLocker lock(g_threadTaskLock);
    threadFinished = true;
    if (ownerReleased)
        delete this;
}

void CThreadTask::RunOnThread(CThreadTask* task)
{
    try {
        task->Run();
    } catch (...) {
        // A thread cancel or exit unwinds as an exception that is not C++'s
        // (it has no exception_ptr): it must go on, as swallowing it aborts
        // the process, but the task is still let go first.
        if (!std::current_exception()) {
            FinishOnThread(task);
            throw;
        }
    }
    FinishOnThread(task);
}

CThreadTaskHolder::~CThreadTaskHolder()
{
    if (task)
        task->ReleaseByOwner();
}

int ShowMessage(wxWindow* parent, const wxString& message, const wxString& caption, long style)
{
    wxMessageDialog dialog(parent, message, caption, style, wxDefaultPosition);
    return dialog.ShowModal();
}
