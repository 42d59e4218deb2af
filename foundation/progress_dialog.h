// The modal dialog shown while the GUI thread waits for a worker-thread task
// that takes longer than half a second: a progress bar and Cancel.
#pragma once

#include <cstdint>

#include <wx/dialog.h>
#include <wx/timer.h>

class CThreadTask;
class wxGauge;

class CProgressDialog : public wxDialog
{
public:
    CProgressDialog(wxWindow* parent, const wxString& title, const wxString& message,
                    CThreadTask* shownTask);
    ~CProgressDialog() override;

    void OnTimer(wxTimerEvent& event);
    void OnCancel(wxEvent& event);

    wxGauge* gauge;
    CThreadTask* task; // not owned
    wxTimer timer;
    int32_t tickCount;
    int32_t finishedTickCount;
    double displayedFraction;

private:
    wxDECLARE_EVENT_TABLE();
};
