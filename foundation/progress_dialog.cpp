#include "foundation/progress_dialog.h"

#include <algorithm>

#include <wx/gauge.h>

#include "foundation/dialog_layout.h"
#include "foundation/framework_locks.h"
#include "foundation/thread_task.h"

namespace {

const int kTimerId = 10999;
const int kTickMs = 100;
const int kGaugeRange = 1000;
const int kGaugeMinWidth = 222;

} // namespace

// The close box cancels as the button does.
wxBEGIN_EVENT_TABLE(CProgressDialog, wxDialog)
    wx__DECLARE_EVT1(wxEVT_BUTTON, wxID_CANCEL, wxEventHandler(CProgressDialog::OnCancel))
    EVT_TIMER(kTimerId, CProgressDialog::OnTimer)
    wx__DECLARE_EVT0(wxEVT_CLOSE_WINDOW, wxEventHandler(CProgressDialog::OnCancel))
wxEND_EVENT_TABLE()

CProgressDialog::CProgressDialog(wxWindow* parent, const wxString& title, const wxString& message,
                                 CThreadTask* shownTask)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "dialog"),
      gauge(nullptr), task(shownTask), tickCount(0), finishedTickCount(0), displayedFraction(0.0)
{
    CDialogLayout layout(this);
    layout.AddStaticText(message, LayoutLeft | LayoutBorder);
    gauge = new wxGauge(this, wxID_ANY, kGaugeRange, wxDefaultPosition, wxDefaultSize,
                        wxGA_HORIZONTAL, wxDefaultValidator, "gauge");
    gauge->SetMinSize(wxSize(kGaugeMinWidth, -1));
    layout.AddWindow(gauge, LayoutLeft | LayoutBorder);
    layout.AddButton(wxID_CANCEL, false, wxEmptyString);
    timer.SetOwner(this, kTimerId);
    timer.Start(kTickMs);
    layout.Finish();
}

CProgressDialog::~CProgressDialog() = default;

void CProgressDialog::OnTimer(wxTimerEvent&)
{
    // A tick may still arrive after the modal loop was told to end.
    if (!IsModal())
        return;
    double done, target;
    bool finished;
    {
        wxCriticalSectionLocker lock(g_threadTaskLock);
        done = task->doneFraction;
        target = task->targetFraction;
        finished = task->threadFinished;
    }
    ++tickCount;
    if (finished) {
        ++finishedTickCount;
        // At least 0.7 s on screen, and 0.4 s of them with the full bar.
        if (tickCount > 6 && finishedTickCount > 3)
            EndModal(wxID_OK);
    }
    double shown = displayedFraction;
    // Creep toward the expected progress, never below the certain one.
    double next = std::max((299.0 * shown + target) / 300.0, done);
    displayedFraction = next;
    int position = static_cast<int>(kGaugeRange * next);
    if (position != static_cast<int>(kGaugeRange * shown))
        gauge->SetValue(position);
}

void CProgressDialog::OnCancel(wxEvent&)
{
    // Cancel pressed just as the task finished must not end the loop twice.
    if (IsModal())
        EndModal(wxID_CANCEL);
}
